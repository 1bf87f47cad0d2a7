#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <stdexcept>
#include <vector>

#include "OrdaneCore/Vectors/CentroidMath.hpp"

using namespace ordane;

namespace {

SparseVector vector(std::vector<uint16_t> indices, std::vector<float> values) {
    return SparseVector::checkedPair(std::move(indices), std::move(values));
}

// Random vectors with `terms` distinct ascending indices drawn from the first `width` buckets.
std::vector<SparseVector> randomGroup(std::mt19937& random, int members, int terms, int width) {
    std::vector<uint16_t> buckets(width);
    std::iota(buckets.begin(), buckets.end(), uint16_t{0});
    std::uniform_real_distribution<float> weight(0.05f, 3.0f);
    std::vector<SparseVector> group;
    for (int m = 0; m < members; ++m) {
        std::shuffle(buckets.begin(), buckets.end(), random);
        std::vector<uint16_t> indices(buckets.begin(), buckets.begin() + terms);
        std::sort(indices.begin(), indices.end());
        std::vector<float> values(indices.size());
        for (float& value : values) value = weight(random);
        group.push_back(vector(std::move(indices), std::move(values)));
    }
    return group;
}

// The cohesion written the plain way: a full copy of the sum per member and sums over all 4,096.
double plainCohesion(const std::vector<SparseVector>& members) {
    std::vector<float> sum(SparseVector::dimension, 0.0f);
    for (const auto& m : members) {
        for (size_t k = 0; k < m.indices.size(); ++k) sum[m.indices[k]] += m.values[k];
    }
    double total = 0.0;
    for (const auto& m : members) {
        std::vector<float> rest = sum;
        for (size_t k = 0; k < m.indices.size(); ++k) rest[m.indices[k]] -= m.values[k];
        total += SparseVector::cosineToCentroid(rest, m, CentroidMath::norm(rest));
    }
    return total / static_cast<double>(members.size());
}

}  // namespace

TEST(CentroidMath, CentroidAndMeanCosine) {
    EXPECT_EQ(CentroidMath::centroid({}), std::vector<float>(4096, 0.0f));
    std::vector<float> expected(4096, 0.0f);
    expected[3] = 1.5f;
    expected[8] = 2.0f;
    expected[4095] = 0.5f;
    EXPECT_EQ(CentroidMath::centroid(std::vector<SparseVector>{vector({3, 8}, {1.0f, 4.0f}),
                                                               vector({3, 4095}, {2.0f, 1.0f})}),
              expected);
    EXPECT_EQ(CentroidMath::norm({}), 0.0f);

    std::vector<SparseVector> members{vector({1}, {2.0f}), vector({2}, {5.0f}), SparseVector::empty()};
    std::vector<float> dense(SparseVector::dimension, 0.0f);
    dense[1] = 1.0f;
    // Cosines 1, 0 and 0 (empty member), averaged over all three.
    EXPECT_DOUBLE_EQ(CentroidMath::meanCosine(members, dense), 1.0 / 3.0);
    EXPECT_EQ(CentroidMath::meanCosine({}, dense), 0.0);
    EXPECT_EQ(CentroidMath::meanCosine(members, {}), 0.0);
    EXPECT_EQ(CentroidMath::meanCosine(members, std::vector<float>(SparseVector::dimension, 0.0f)), 0.0);
}

TEST(CentroidMath, LeaveOneOutCohesionMatchesThePlainComputationToTheBit) {
    SparseVector a = vector({1, 50, 900}, {1.0f, 2.0f, 0.5f});
    EXPECT_EQ(CentroidMath::leaveOneOutCohesion(std::vector<SparseVector>{a}), 0.0);
    EXPECT_EQ(CentroidMath::leaveOneOutCohesion({}), 0.0);
    EXPECT_NEAR(CentroidMath::leaveOneOutCohesion(std::vector<SparseVector>{a, a}), 1.0, 1e-6);
    EXPECT_EQ(CentroidMath::leaveOneOutCohesion(std::vector<SparseVector>{a, vector({2, 3}, {1.0f, 1.0f})}), 0.0);

    std::mt19937 random(42);
    int cohesive = 0;
    for (int round = 0; round < 20; ++round) {
        int width = round % 2 ? 4096 : 600;  // sparse and crowded supports
        auto group = randomGroup(random, 2 + round % 9, 40 + round * 7, width);
        if (round == 3) group.push_back(group.front());  // cancellation to exact zeros in the rest
        double actual = CentroidMath::leaveOneOutCohesion(group);
        EXPECT_EQ(actual, plainCohesion(group)) << "round " << round;
        cohesive += actual > 0.0;
    }
    EXPECT_GE(cohesive, 18);  // the groups overlap, so the comparison is not of zeros
}

TEST(CentroidMath, SparsifyKeepsLargestMagnitudesWithTiesToLowerIndices) {
    std::vector<float> dense(SparseVector::dimension, 0.0f);
    dense[7] = -3.0f;
    dense[1] = 2.0f;
    dense[2] = 3.0f;
    dense[9] = -0.0f;
    EXPECT_EQ(CentroidMath::sparsify(dense, 2), vector({2, 7}, {3.0f, -3.0f}));
    EXPECT_TRUE(CentroidMath::sparsify(dense, 0).isEmpty());
    EXPECT_EQ(CentroidMath::sparsify(dense, 512), vector({1, 2, 7}, {2.0f, 3.0f, -3.0f}));

    // Many equal magnitudes: the kept set is what a stable sort by magnitude keeps.
    std::mt19937 random(5);
    const float levels[] = {0.0f, 0.5f, -1.0f, 1.0f, -2.0f, 2.0f};
    for (float& value : dense) value = levels[random() % 6];
    std::vector<uint16_t> byMagnitude;
    for (size_t index = 0; index < dense.size(); ++index) {
        if (dense[index] != 0.0f) byMagnitude.push_back(static_cast<uint16_t>(index));
    }
    std::stable_sort(byMagnitude.begin(), byMagnitude.end(),
                     [&](uint16_t a, uint16_t b) { return std::fabs(dense[a]) > std::fabs(dense[b]); });
    for (size_t k : {size_t{1}, size_t{100}, size_t{700}, size_t{1500}, size_t{4096}}) {
        std::vector<uint16_t> expected(byMagnitude.begin(), byMagnitude.begin() + std::min(k, byMagnitude.size()));
        std::sort(expected.begin(), expected.end());
        SparseVector kept = CentroidMath::sparsify(dense, k);
        EXPECT_EQ(kept.indices, expected) << "k " << k;
        for (size_t position = 0; position < kept.indices.size(); ++position) {
            EXPECT_EQ(kept.values[position], dense[kept.indices[position]]);
        }
    }
}

TEST(CentroidMath, IndicesOutsideTheTermSpaceAreRefused) {
    std::vector<SparseVector> bad{vector({1, 4096}, {1.0f, 1.0f}), vector({2}, {1.0f})};
    EXPECT_THROW(CentroidMath::centroid(bad), std::out_of_range);
    EXPECT_THROW(CentroidMath::leaveOneOutCohesion(bad), std::out_of_range);
    EXPECT_THROW(CentroidMath::meanCosine(bad, std::vector<float>(SparseVector::dimension, 1.0f)), std::out_of_range);
    std::vector<SparseVector> uneven{SparseVector{{1, 2}, {1.0f}}, vector({2}, {1.0f})};
    EXPECT_THROW(CentroidMath::centroid(uneven), std::invalid_argument);
    EXPECT_THROW(CentroidMath::leaveOneOutCohesion(uneven), std::invalid_argument);
}
