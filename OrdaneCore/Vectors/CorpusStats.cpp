#include "OrdaneCore/Vectors/CorpusStats.hpp"

#include <algorithm>
#include <cmath>

namespace ordane {

CorpusStats CorpusStats::build(std::span<const SparseVector> documents) {
    std::vector<int64_t> frequency(SparseVector::dimension, 0);
    for (const SparseVector& document : documents) {
        SparseVector::requireIndicesBelow(document, frequency.size());
        for (uint16_t index : document.indices) ++frequency[index];
    }

    const auto count = static_cast<double>(documents.size());
    // Below 64 documents the exponent shrinks and pulls every weight towards 1.
    const double exponent = std::min(count / 64.0, 1.0);
    CorpusStats result{static_cast<int64_t>(documents.size()), std::vector<float>(SparseVector::dimension)};
    for (size_t bucket = 0; bucket < frequency.size(); ++bucket) {
        double base = std::log(count / static_cast<double>(frequency[bucket] + 1) + 1.0);
        result.idf[bucket] = static_cast<float>(std::pow(base, exponent));
    }
    return result;
}

}  // namespace ordane
