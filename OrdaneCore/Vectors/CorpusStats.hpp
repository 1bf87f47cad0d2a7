#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "OrdaneCore/Vectors/SparseVector.hpp"

namespace ordane {

// Inverse document frequency of the 4,096 term buckets over one batch of documents, damped for
// small batches so that a handful of documents cannot produce extreme weights. Built per batch,
// never stored.
struct CorpusStats {
    int64_t documentCount = 0;
    std::vector<float> idf;  // 4,096 weights indexed by bucket

    // Reads only the vectors' indices. An index of 4,096 or more throws std::out_of_range.
    static CorpusStats build(std::span<const SparseVector> documents);

    bool operator==(const CorpusStats&) const = default;
};

}  // namespace ordane
