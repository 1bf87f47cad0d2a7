#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
    std::vector<SparseVector> group;
    std::uniform_real_distribution<float> weight(0.05f, 3.0f);
    for (int m = 0; m < members; ++m) {
        std::vector<bool> taken(width, false);
        int placed = 0;
        while (placed < terms) {
            int index = static_cast<int>(random() % static_cast<unsigned>(width));
            if (!taken[index]) {
                taken[index] = true;
                ++placed;
            }
        }
        SparseVector v;
        for (int index = 0; index < width; ++index) {
            if (!taken[index]) continue;
            v.indices.push_back(static_cast<uint16_t>(index));
            v.values.push_back(weight(random));
        }
        group.push_back(std::move(v));
    }
    return group;
}

// The cohesion written the plain way: a full copy of the sum per member and sums over all 4,096.
double plainCohesion(const std::vector<SparseVector>& members) {
    if (members.size() < 2) return 0.0;
    std::vector<float> sum(SparseVector::dimension, 0.0f);
    for (const auto& m : members) {
        for (size_t k = 0; k < m.indices.size(); ++k) sum[m.indices[k]] += m.values[k];
    }
    double total = 0.0;
    for (const auto& m : members) {
        std::vector<float> rest = sum;
        for (size_t k = 0; k < m.indices.size(); ++k) rest[m.indices[k]] -= m.values[k];
        float restSquares = 0.0f;
        for (float value : rest) restSquares += value * value;
        float memberSquares = 0.0f;
        float dot = 0.0f;
        for (size_t k = 0; k < m.indices.size(); ++k) {
            memberSquares += m.values[k] * m.values[k];
            dot += m.values[k] * rest[m.indices[k]];
        }
        if (restSquares > 0.0f && memberSquares > 0.0f) {
            total += static_cast<double>(dot / (std::sqrt(restSquares) * std::sqrt(memberSquares)));
        }
    }
    return total / static_cast<double>(members.size());
}

}  // namespace

TEST(CentroidMath, CentroidIsTheMeanSpreadOverTheTermSpace) {
    std::vector<float> none = CentroidMath::centroid({});
    ASSERT_EQ(none.size(), 4096u);
    for (float value : none) EXPECT_EQ(value, 0.0f);

    std::vector<SparseVector> one{vector({3, 4095}, {1.5f, -2.0f})};
    std::vector<float> spread = CentroidMath::centroid(one);
    ASSERT_EQ(spread.size(), 4096u);
    EXPECT_EQ(spread[3], 1.5f);
    EXPECT_EQ(spread[4095], -2.0f);
    EXPECT_EQ(CentroidMath::sumOfSquares(spread), 1.5f * 1.5f + 4.0f);

    std::vector<SparseVector> two{vector({3, 8}, {1.0f, 4.0f}), vector({3, 9}, {2.0f, 1.0f})};
    std::vector<float> mean = CentroidMath::centroid(two);
    EXPECT_EQ(mean[3], 1.5f);
    EXPECT_EQ(mean[8], 2.0f);
    EXPECT_EQ(mean[9], 0.5f);
    EXPECT_EQ(CentroidMath::norm({}), 0.0f);
}

TEST(CentroidMath, MeanCosine) {
    std::vector<SparseVector> members{vector({1}, {2.0f}), vector({2}, {5.0f}), SparseVector::empty()};
    std::vector<float> dense(SparseVector::dimension, 0.0f);
    dense[1] = 1.0f;
    // Cosines 1, 0 and 0 (empty member), averaged over all three.
    EXPECT_DOUBLE_EQ(CentroidMath::meanCosine(members, dense), 1.0 / 3.0);
    EXPECT_EQ(CentroidMath::meanCosine({}, dense), 0.0);
    EXPECT_EQ(CentroidMath::meanCosine(members, {}), 0.0);
    EXPECT_EQ(CentroidMath::meanCosine(members, std::vector<float>(SparseVector::dimension, 0.0f)), 0.0);
}

TEST(CentroidMath, LeaveOneOutCohesionEdgeCases) {
    SparseVector a = vector({1, 50, 900}, {1.0f, 2.0f, 0.5f});
    EXPECT_EQ(CentroidMath::leaveOneOutCohesion(std::vector<SparseVector>{a}), 0.0);
    EXPECT_EQ(CentroidMath::leaveOneOutCohesion({}), 0.0);
    EXPECT_NEAR(CentroidMath::leaveOneOutCohesion(std::vector<SparseVector>{a, a}), 1.0, 1e-6);
    EXPECT_EQ(CentroidMath::leaveOneOutCohesion(std::vector<SparseVector>{a, vector({2, 3}, {1.0f, 1.0f})}), 0.0);
}

TEST(CentroidMath, LeaveOneOutCohesionMatchesThePlainComputationToTheBit) {
    std::mt19937 random(42);
    for (int round = 0; round < 20; ++round) {
        int members = 2 + round % 9;
        int width = round % 2 ? 4096 : 600;  // sparse and crowded supports
        auto group = randomGroup(random, members, 40 + round * 7, width);
        if (round == 3) group.push_back(group.front());  // cancellation to exact zeros in the rest
        double expected = plainCohesion(group);
        double actual = CentroidMath::leaveOneOutCohesion(group);
        EXPECT_EQ(actual, expected) << "round " << round;
        EXPECT_GT(actual, 0.0);
    }
}

TEST(CentroidMath, SparsifyKeepsLargestMagnitudesWithStableTies) {
    std::vector<float> dense(SparseVector::dimension, 0.0f);
    dense[7] = -3.0f;
    dense[1] = 2.0f;
    dense[2] = 3.0f;
    SparseVector top = CentroidMath::sparsify(dense, 2);
    EXPECT_EQ(top.indices, (std::vector<uint16_t>{2, 7}));
    EXPECT_EQ(top.values, (std::vector<float>{3.0f, -3.0f}));
    EXPECT_TRUE(CentroidMath::sparsify(dense, 0).isEmpty());
    SparseVector all = CentroidMath::sparsify(dense, 512);
    EXPECT_EQ(all.indices, (std::vector<uint16_t>{1, 2, 7}));
    EXPECT_EQ(all.values, (std::vector<float>{2.0f, 3.0f, -3.0f}));
    dense[9] = -0.0f;
    EXPECT_EQ(CentroidMath::sparsify(dense, 10).indices.size(), 3u);
}

TEST(CentroidMath, SparsifyTiesFavourLowerIndices) {
    // Many equal magnitudes: the kept set is what a stable sort by magnitude keeps.
    std::mt19937 random(5);
    const float levels[] = {0.0f, 0.5f, -1.0f, 1.0f, -2.0f, 2.0f};
    std::vector<float> dense(SparseVector::dimension);
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
    std::vector<SparseVector> bad{vector({1, 4096}, {1.0f, 1.0f})};
    EXPECT_THROW(CentroidMath::centroid(bad), std::out_of_range);
    bad.push_back(vector({2}, {1.0f}));
    EXPECT_THROW(CentroidMath::leaveOneOutCohesion(bad), std::out_of_range);
    std::vector<float> dense(SparseVector::dimension, 1.0f);
    EXPECT_THROW(CentroidMath::meanCosine(bad, dense), std::out_of_range);
    std::vector<SparseVector> uneven{SparseVector{{1, 2}, {1.0f}}, vector({2}, {1.0f})};
    EXPECT_THROW(CentroidMath::centroid(uneven), std::invalid_argument);
    EXPECT_THROW(CentroidMath::leaveOneOutCohesion(uneven), std::invalid_argument);
}
