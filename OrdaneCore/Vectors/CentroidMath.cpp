#include "OrdaneCore/Vectors/CentroidMath.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <utility>

namespace ordane::CentroidMath {

namespace {

constexpr size_t dimension = SparseVector::dimension;

// Adds every member's values at its indices, in member order then entry order.
void accumulate(std::span<const SparseVector> vectors, std::vector<float>& sum) {
    for (const SparseVector& vector : vectors) {
        SparseVector::requireIndicesBelow(vector, sum.size());
        for (size_t k = 0; k < vector.indices.size(); ++k) sum[vector.indices[k]] += vector.values[k];
    }
}

}  // namespace

std::vector<float> centroid(std::span<const SparseVector> vectors) {
    std::vector<float> result(dimension, 0.0f);
    if (vectors.empty()) return result;
    accumulate(vectors, result);
    const float count = static_cast<float>(vectors.size());
    for (float& value : result) value /= count;
    return result;
}

float sumOfSquares(std::span<const float> dense) {
    float sum = 0.0f;
    for (float value : dense) sum += value * value;
    return sum;
}

float norm(std::span<const float> dense) { return std::sqrt(sumOfSquares(dense)); }

double meanCosine(std::span<const SparseVector> members, std::span<const float> dense) {
    if (members.empty() || dense.empty()) return 0.0;
    float denseSum = sumOfSquares(dense);
    if (!(denseSum > 0.0f)) return 0.0;
    const float denseNorm = std::sqrt(denseSum);
    double total = 0.0;
    for (const SparseVector& member : members) total += SparseVector::cosineToCentroid(dense, member, denseNorm);
    return total / static_cast<double>(members.size());
}

double leaveOneOutCohesion(std::span<const SparseVector> members) {
    if (members.size() < 2) return 0.0;
    std::vector<float> sum(dimension, 0.0f);
    accumulate(members, sum);

    // Entries that no member touches stay +0 in every "rest" vector, and adding +0 to a sum of
    // squares leaves it unchanged, so summing over the touched buckets in ascending order gives
    // the same bits as summing all 4,096 entries.
    std::array<bool, dimension> touched{};
    for (const SparseVector& member : members) {
        for (uint16_t index : member.indices) touched[index] = true;
    }
    std::vector<uint16_t> support;
    for (size_t bucket = 0; bucket < dimension; ++bucket) {
        if (touched[bucket]) support.push_back(static_cast<uint16_t>(bucket));
    }

    // One working vector, equal to `sum` between members: subtract the member, score it, restore.
    std::vector<float> rest = sum;
    double total = 0.0;
    for (const SparseVector& member : members) {
        for (size_t k = 0; k < member.indices.size(); ++k) rest[member.indices[k]] -= member.values[k];
        float restSum = 0.0f;
        for (uint16_t bucket : support) restSum += rest[bucket] * rest[bucket];
        total += SparseVector::cosineToCentroid(rest, member, std::sqrt(restSum));
        for (uint16_t index : member.indices) rest[index] = sum[index];
    }
    return total / static_cast<double>(members.size());
}

SparseVector sparsify(std::span<const float> dense, size_t k) {
    std::vector<std::pair<uint16_t, float>> entries;
    for (size_t index = 0; index < dense.size(); ++index) {
        float value = dense[index];
        // NaN has no magnitude to rank by and could not be stored anyway.
        if (value == 0.0f || std::isnan(value)) continue;
        if (index > std::numeric_limits<uint16_t>::max()) {
            throw std::out_of_range("Dense vector index " + std::to_string(index) + " does not fit 16 bits");
        }
        entries.emplace_back(static_cast<uint16_t>(index), value);
    }
    // Largest magnitude first, ties by ascending index: the order a stable sort by magnitude
    // gives, so selecting the first k need not sort everything.
    auto before = [](const std::pair<uint16_t, float>& a, const std::pair<uint16_t, float>& b) {
        float aSize = std::fabs(a.second);
        float bSize = std::fabs(b.second);
        return aSize > bSize || (aSize == bSize && a.first < b.first);
    };
    if (entries.size() > k) {
        std::nth_element(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(k), entries.end(), before);
        entries.resize(k);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    SparseVector result;
    result.indices.reserve(entries.size());
    result.values.reserve(entries.size());
    for (const auto& [index, value] : entries) {
        result.indices.push_back(index);
        result.values.push_back(value);
    }
    return result;
}

}  // namespace ordane::CentroidMath
