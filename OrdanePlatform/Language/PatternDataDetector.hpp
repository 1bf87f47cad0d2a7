#pragma once

#include "OrdanePlatform/Language/DataDetector.hpp"

namespace ordane::platform {

// Phone numbers through libphonenumber (region US, possible numbers, written with a separator or
// starting with "+"); dates, links, e-mail addresses and US postal addresses through regular
// expressions compiled once. Dates: 2024-03-07, 3/7/2024 (month first), 7.3.2024 (day first),
// "March 7, 2024", "7 March 2024", "March 2024", month names in English, full or cut to three
// letters; a day that does not exist is no date. Addresses: a street line ("12 Main St, Apt 4"),
// a "City, ST 12345" line, or both on consecutive lines as one address.
class PatternDataDetector : public DataDetector {
public:
    std::vector<DataMatch> matches(std::string_view text, DataTypes types) const override;

    // A shared instance: the detector holds no state.
    static const PatternDataDetector& shared();
};

}  // namespace ordane::platform
