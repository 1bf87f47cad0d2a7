#pragma once

#include <cstdint>

#include "OrdaneCore/Foundation/Json.hpp"

namespace ordane {

class JsonReader;

// Layout counts of a document's text, kept in its fingerprint.
struct StructuralFeatures {
    int64_t pageCount = 0;
    int64_t characterCount = 0;
    int64_t lineCount = 0;
    int64_t headingCount = 0;
    int64_t numberedStepCount = 0;
    int64_t dateCount = 0;
    int64_t dateRangeCount = 0;
    int64_t currencyCount = 0;
    int64_t currencyLineCount = 0;
    bool hasMaskedAccountNumber = false;
    bool contactInfoNearTop = false;
    double topRegionDensity = 0;  // 0...1
    int64_t unitOfMeasureCount = 0;
    int64_t temperatureCount = 0;
    int64_t tocDotLeaderCount = 0;

    // Every key is required when reading.
    Json toJson() const;
    static StructuralFeatures fromJson(const Json& value);
    // The same reading straight from the text, without a tree.
    static StructuralFeatures read(JsonReader& reader);

    bool operator==(const StructuralFeatures&) const = default;
};

}  // namespace ordane
