#include "OrdaneCore/Vectors/SparseVector.hpp"

#include <cmath>
#include <stdexcept>
#include <string>

namespace ordane {

namespace {

std::string countMismatch(const SparseVector& vector) {
    return "Sparse vector with " + std::to_string(vector.indices.size()) + " indices but " +
           std::to_string(vector.values.size()) + " values";
}

void requireEqualCounts(const SparseVector& vector) {
    if (vector.indices.size() != vector.values.size()) throw std::invalid_argument(countMismatch(vector));
}

}  // namespace

const SparseVector& SparseVector::empty() {
    static const SparseVector value;
    return value;
}

SparseVector SparseVector::checkedPair(std::vector<uint16_t> indices, std::vector<float> values) {
    SparseVector result{std::move(indices), std::move(values)};
    requireEqualCounts(result);
    return result;
}

void SparseVector::requireIndicesBelow(const SparseVector& vector, size_t limit) {
    requireEqualCounts(vector);
    for (uint16_t index : vector.indices) {
        if (index >= limit) {
            throw std::out_of_range("Sparse vector index " + std::to_string(index) + " outside a dense vector of " +
                                    std::to_string(limit));
        }
    }
}

float SparseVector::sumOfSquares(const SparseVector& vector) {
    requireEqualCounts(vector);
    float sum = 0.0f;
    for (float value : vector.values) sum += value * value;
    return sum;
}

float SparseVector::norm(const SparseVector& vector) { return std::sqrt(sumOfSquares(vector)); }

SparseVector SparseVector::normalized(const SparseVector& vector) {
    float sum = sumOfSquares(vector);
    if (!(sum > 0.0f)) return vector;
    float length = std::sqrt(sum);
    SparseVector result{vector.indices, {}};
    result.values.reserve(vector.values.size());
    for (float value : vector.values) result.values.push_back(value / length);
    return result;
}

float SparseVector::dot(const SparseVector& a, const SparseVector& b) {
    requireEqualCounts(a);
    requireEqualCounts(b);
    float sum = 0.0f;
    size_t i = 0;
    size_t j = 0;
    const size_t aCount = a.indices.size();
    const size_t bCount = b.indices.size();
    while (i < aCount && j < bCount) {
        if (a.indices[i] == b.indices[j]) {
            sum += a.values[i] * b.values[j];
            ++i;
            ++j;
        } else if (b.indices[j] < a.indices[i]) {
            ++j;
        } else {
            ++i;
        }
    }
    return sum;
}

double SparseVector::cosine(const SparseVector& a, const SparseVector& b) {
    float aSum = sumOfSquares(a);
    float bSum = sumOfSquares(b);
    if (!(aSum > 0.0f) || !(bSum > 0.0f)) return 0.0;
    return static_cast<double>(dot(a, b) / (std::sqrt(aSum) * std::sqrt(bSum)));
}

float SparseVector::denseDot(std::span<const float> dense, const SparseVector& vector) {
    requireIndicesBelow(vector, dense.size());
    float sum = 0.0f;
    for (size_t k = 0; k < vector.indices.size(); ++k) sum += vector.values[k] * dense[vector.indices[k]];
    return sum;
}

double SparseVector::cosineToCentroid(std::span<const float> dense, const SparseVector& vector, float denseNorm) {
    float sum = sumOfSquares(vector);
    if (!(sum > 0.0f) || !(denseNorm > 0.0f)) return 0.0;
    return static_cast<double>(denseDot(dense, vector) / (denseNorm * std::sqrt(sum)));
}

SparseVector SparseVector::weighted(std::span<const float> weights, const SparseVector& vector) {
    requireIndicesBelow(vector, weights.size());
    SparseVector result{vector.indices, {}};
    result.values.reserve(vector.values.size());
    for (size_t k = 0; k < vector.indices.size(); ++k) {
        result.values.push_back(vector.values[k] * weights[vector.indices[k]]);
    }
    return normalized(result);
}

bool SparseVector::isWellFormed() const {
    if (indices.size() != values.size()) return false;
    for (size_t k = 0; k < indices.size(); ++k) {
        if (indices[k] >= dimension || (k > 0 && indices[k] <= indices[k - 1])) return false;
    }
    return true;
}

Json SparseVector::toJson() const {
    if (!isWellFormed()) throw EncodingError("Sparse vector with unequal counts or indices out of order or range");
    Json result = Json::object();
    result["indices"] = json::array(indices, [](uint16_t index) { return Json(index); });
    result["values"] = json::array(values, json::float32Value);
    return result;
}

SparseVector SparseVector::fromJson(const Json& value) {
    json::requireObject(value, "sparse vector");
    SparseVector result;
    result.indices = json::array<uint16_t>(json::field(value, "indices"), [](const Json& element) {
        int64_t index = json::int64(element);
        if (index < 0 || index >= dimension) {
            throw DecodingError("Sparse vector index " + std::to_string(index) + " outside 0...4095");
        }
        return static_cast<uint16_t>(index);
    });
    result.values = json::array<float>(json::field(value, "values"), json::float32);
    if (result.indices.size() != result.values.size()) throw DecodingError(countMismatch(result));
    for (size_t k = 1; k < result.indices.size(); ++k) {
        if (result.indices[k] <= result.indices[k - 1]) {
            throw DecodingError("Sparse vector indices are not strictly ascending");
        }
    }
    return result;
}

}  // namespace ordane
