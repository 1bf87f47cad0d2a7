#pragma once

#include <cstdint>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"

namespace ordane {

class JsonReader;

// Counts of named things in a document's text, kept in its fingerprint.
struct EntitySignature {
    int64_t personCount = 0;
    bool personNearTop = false;
    bool ownerNameNearTop = false;
    int64_t organizationCount = 0;
    int64_t emailCount = 0;
    int64_t phoneCount = 0;
    int64_t addressCount = 0;
    int64_t airportCodePairCount = 0;
    int64_t documentIDCount = 0;
    int64_t percentageCount = 0;
    std::vector<int64_t> yearMentions;       // distinct years, ascending
    std::vector<int64_t> monthYearMentions;  // distinct year * 100 + month, ascending

    // Every key is required when reading; empty year lists are written as empty arrays.
    Json toJson() const;
    static EntitySignature fromJson(const Json& value);
    // The same reading straight from the text, without a tree.
    static EntitySignature read(JsonReader& reader);

    bool operator==(const EntitySignature&) const = default;
};

}  // namespace ordane
