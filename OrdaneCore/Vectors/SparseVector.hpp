#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"

namespace ordane {

// A hashed term vector: the non-zero entries of a 4,096-wide vector, indices strictly ascending.
//
// Similarity arithmetic stays in 32-bit floats, summed in entry order, so that results are the
// same to the bit on every machine; only returned similarities are widened to double.
//
// A dense vector is a plain array of floats (normally 4,096 long) addressed by the indices.
// Every operation checks that indices and values have equal counts (std::invalid_argument) and
// that each index used against a dense vector is inside it (std::out_of_range): these are
// programming errors, but an unchecked one would write or read out of bounds.
struct SparseVector {
    static constexpr int dimension = 4096;  // width of the term space, number of hash buckets
    static constexpr int maxTerms = 768;    // most entries a document's term vector keeps

    std::vector<uint16_t> indices;
    std::vector<float> values;

    static const SparseVector& empty();
    bool isEmpty() const { return indices.empty(); }

    // Pairs two freshly built arrays; throws std::invalid_argument when their counts differ.
    static SparseVector checkedPair(std::vector<uint16_t> indices, std::vector<float> values);

    static float sumOfSquares(const SparseVector& vector);
    static float norm(const SparseVector& vector);
    // Unit length, or the vector unchanged when all its values are 0.
    static SparseVector normalized(const SparseVector& vector);
    // Merge walk over both ascending index lists.
    static float dot(const SparseVector& a, const SparseVector& b);
    static double cosine(const SparseVector& a, const SparseVector& b);
    static float denseDot(std::span<const float> dense, const SparseVector& vector);
    // Cosine against a dense vector whose norm the caller already has; 0 unless both norms are positive.
    static double cosineToCentroid(std::span<const float> dense, const SparseVector& vector, float denseNorm);
    // Each value times the weight of its index, then normalised.
    static SparseVector weighted(std::span<const float> weights, const SparseVector& vector);

    // Throws std::invalid_argument when indices and values differ in count, std::out_of_range
    // when an index is not below `limit`.
    static void requireIndicesBelow(const SparseVector& vector, size_t limit);

    // Equal counts, indices strictly ascending and below `dimension`: what a stored file may hold.
    bool isWellFormed() const;

    // Throws EncodingError for a vector that is not well formed, which could not be read back.
    Json toJson() const;
    // Refuses unequal counts, indices that are not strictly ascending or not below 4,096, and
    // values that are not finite 32-bit floats (a stored file may be damaged or hand-edited).
    static SparseVector fromJson(const Json& value);

    bool operator==(const SparseVector&) const = default;
};

}  // namespace ordane
