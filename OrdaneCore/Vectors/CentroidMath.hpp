#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "OrdaneCore/Vectors/SparseVector.hpp"

// Dense-vector ("centroid") operations over the 4,096-wide term space. Floats are summed in a
// fixed order (vector order, then entry order) so results are reproducible to the bit; means of
// similarities are summed in double. Indices outside the dense vector throw std::out_of_range.
namespace ordane::CentroidMath {

// The mean of the vectors as 4,096 floats; 4,096 zeros for no vectors.
std::vector<float> centroid(std::span<const SparseVector> vectors);

float sumOfSquares(std::span<const float> dense);
float norm(std::span<const float> dense);

// Mean of the members' cosines to the dense vector; 0 for no members or a zero dense vector.
double meanCosine(std::span<const SparseVector> members, std::span<const float> dense);

// Mean over members of the cosine between the member and the sum of all the others; 0 for fewer
// than two members.
double leaveOneOutCohesion(std::span<const SparseVector> members);

// The k entries of largest magnitude (ties keep the lower index), in ascending index order.
SparseVector sparsify(std::span<const float> dense, size_t k);

}  // namespace ordane::CentroidMath
