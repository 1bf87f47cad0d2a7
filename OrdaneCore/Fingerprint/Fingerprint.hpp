#pragma once

#include <cstdint>

#include "OrdaneCore/Fingerprint/EntitySignature.hpp"
#include "OrdaneCore/Fingerprint/StructuralFeatures.hpp"
#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Vectors/SparseVector.hpp"

namespace ordane {

// What recognition keeps of a document's text once it has been read; stored in the analysis cache.
struct Fingerprint {
    SparseVector termFrequency;  // weights 1 + ln(count), at most SparseVector::maxTerms entries
    StructuralFeatures structural;
    EntitySignature entities;
    uint64_t simHash = 0;

    // The simhash is written and read as an exact unsigned 64-bit integer, never via a double.
    Json toJson() const;
    static Fingerprint fromJson(const Json& value);

    bool operator==(const Fingerprint&) const = default;
};

}  // namespace ordane
