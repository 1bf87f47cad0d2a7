#pragma once

#include "OrdanePlatform/Text/Regex.hpp"

namespace ordane {

// The fixed expressions whose counts describe a document's layout and contents. Compiled once, on
// first use, and shared; a pattern that does not compile is a programming error (it throws).
struct FeaturePatterns {
    platform::text::Regex currency;         // "$1,234.56", "€ 5", "12.50"
    platform::text::Regex currencyLine;     // a line that ends in an amount
    platform::text::Regex maskedAccount;    // "XXXX1234", "ending in 4321", "Acct no. 5678"
    platform::text::Regex dateRange;        // "2015 – 2019", "2020 - Present"
    platform::text::Regex numberedStep;     // "1. Preheat", "2) Mix"
    platform::text::Regex unitOfMeasure;    // "2 cups", "1/2 tsp", "500g"
    platform::text::Regex temperature;      // "350°F", "180 C"
    platform::text::Regex tocDotLeader;     // "Introduction ........ 3"
    platform::text::Regex year;             // 1900...2099
    platform::text::Regex airportPair;      // "SFO → JFK", "LHR-CDG"
    platform::text::Regex documentID;       // "Confirmation: ABC123"
    platform::text::Regex percentage;       // "12.5%"

    static const FeaturePatterns& shared();
};

}  // namespace ordane
