#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <stdexcept>
#include <vector>

#include "OrdaneCore/Vectors/CentroidMath.hpp"
#include "OrdaneCore/Vectors/CorpusStats.hpp"
#include "OrdaneCore/Vectors/SparseVector.hpp"
#include "OrdaneCore/Vectors/StableHash.hpp"
#include "Support/StoredJson.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {

SparseVector vector(std::vector<uint16_t> indices, std::vector<float> values) {
    return SparseVector::checkedPair(std::move(indices), std::move(values));
}

const SparseVector& none = SparseVector::empty();

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

// N documents; bucket 10 in all of them, bucket 20 in the first one only.
std::vector<SparseVector> batch(int count) {
    std::vector<SparseVector> documents(count, SparseVector::checkedPair({10}, {5.0f}));
    if (count > 0) documents[0] = SparseVector::checkedPair({10, 20}, {1.0f, 1.0f});
    return documents;
}

}  // namespace

TEST(StableHash, MatchesReferenceValues) {
    EXPECT_EQ(StableHash::fnv1a64("foobar"), 0x85944171f73967e8ull);
    EXPECT_EQ(StableHash::bucket("a"), 3212);
    // Bytes above 0x7F must not be sign-extended before the XOR.
    EXPECT_EQ(StableHash::fnv1a64("\xc3\xa9"), (((0xcbf29ce484222325ull ^ 0xc3) * 0x100000001b3ull) ^ 0xa9) * 0x100000001b3ull);
}

TEST(SparseVector, NormalizeAndDot) {
    SparseVector zeros = vector({1, 5}, {0.0f, 0.0f});
    EXPECT_EQ(SparseVector::normalized(zeros), zeros);
    EXPECT_EQ(SparseVector::normalized(vector({2, 9}, {3.0f, 4.0f})), vector({2, 9}, {0.6f, 0.8f}));

    SparseVector a = vector({1, 3, 5, 4000}, {1.0f, 2.0f, 3.0f, 8.0f});
    SparseVector b = vector({0, 3, 5, 9, 4095}, {7.0f, 4.0f, 5.0f, 1.0f, 2.0f});
    EXPECT_EQ(SparseVector::dot(a, b), 23.0f);
    EXPECT_EQ(SparseVector::dot(b, a), 23.0f);

    // Sums stay in float, in entry order: ten times 0.1f is 1.00000012, not the 1.0000000149 of doubles.
    std::vector<uint16_t> indices{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    SparseVector tenths = vector(indices, std::vector<float>(10, 0.1f));
    EXPECT_EQ(SparseVector::dot(tenths, vector(indices, std::vector<float>(10, 1.0f))), 1.00000011920928955078125f);
    std::vector<float> dense(SparseVector::dimension, 1.0f);
    EXPECT_EQ(SparseVector::denseDot(dense, tenths), 1.00000011920928955078125f);
}

TEST(SparseVector, CosinesNeedADirectionOnBothSidesAndWeightsNormalise) {
    SparseVector a = vector({4, 17, 300}, {0.3f, 1.7f, 2.9f});
    EXPECT_NEAR(SparseVector::cosine(a, a), 1.0, 1e-6);
    EXPECT_EQ(SparseVector::cosine(a, none), 0.0);
    EXPECT_EQ(SparseVector::cosine(a, vector({4}, {0.0f})), 0.0);
    // Squares that underflow to 0 leave no direction to compare.
    SparseVector tiny = vector({4}, {1e-23f});
    EXPECT_EQ(SparseVector::cosine(tiny, tiny), 0.0);

    // Weighting scales each value by its index's weight, then normalises.
    std::vector<float> weights(SparseVector::dimension, 1.0f);
    weights[10] = 3.0f;
    weights[20] = 0.0f;
    EXPECT_EQ(SparseVector::weighted(weights, vector({10, 20, 30}, {1.0f, 5.0f, 4.0f})),
              vector({10, 20, 30}, {0.6f, 0.0f, 0.8f}));
}

TEST(SparseVector, BrokenVectorsAreRefusedBeforeAnyIndexIsUsed) {
    EXPECT_THROW(SparseVector::checkedPair({1, 2}, {1.0f}), std::invalid_argument);
    std::vector<SparseVector> uneven{SparseVector{{1, 2, 3}, {1.0f}}, vector({2}, {1.0f})};
    EXPECT_THROW(SparseVector::dot(uneven[0], uneven[0]), std::invalid_argument);
    EXPECT_THROW(CentroidMath::centroid(uneven), std::invalid_argument);
    EXPECT_THROW(CentroidMath::leaveOneOutCohesion(uneven), std::invalid_argument);

    std::vector<float> shortDense(16, 1.0f);
    SparseVector far = vector({3, 16}, {1.0f, 1.0f});
    EXPECT_THROW(SparseVector::denseDot(shortDense, far), std::out_of_range);
    EXPECT_THROW(SparseVector::weighted(shortDense, far), std::out_of_range);
    // Indices outside the term space.
    std::vector<SparseVector> outside{vector({1, 4096}, {1.0f, 1.0f}), vector({2}, {1.0f})};
    EXPECT_THROW(CentroidMath::centroid(outside), std::out_of_range);
    EXPECT_THROW(CorpusStats::build(outside), std::out_of_range);
}

TEST(SparseVectorJson, RoundTripsExactlyAndRefusesDamage) {
    SparseVector original = vector({0, 17, 4095}, {0.1f, -1.0f / 3.0f, 1e-30f});
    EXPECT_EQ(reread(original), original);
    expectStoredForm(none, R"({"indices":[],"values":[]})");
    expectEachRefused<SparseVector>({
        R"({"indices":[1,2],"values":[1.0]})",      // unequal counts
        R"({"indices":[4096],"values":[1.0]})",     // outside the term space
        R"({"indices":[70000],"values":[1.0]})",    // would wrap in 16 bits
        R"({"indices":[3,3],"values":[1.0,1.0]})",  // not ascending
        R"({"indices":[3],"values":[1e39]})",       // not a float
    });
}

TEST(CentroidMath, CentroidAndMeanCosine) {
    std::vector<float> expected(4096, 0.0f);
    expected[3] = 1.5f;
    expected[8] = 2.0f;
    expected[4095] = 0.5f;
    EXPECT_EQ(CentroidMath::centroid(std::vector<SparseVector>{vector({3, 8}, {1.0f, 4.0f}),
                                                               vector({3, 4095}, {2.0f, 1.0f})}),
              expected);

    std::vector<SparseVector> members{vector({1}, {2.0f}), vector({2}, {5.0f}), SparseVector::empty()};
    std::vector<float> dense(SparseVector::dimension, 0.0f);
    dense[1] = 1.0f;
    // Cosines 1, 0 and 0 (empty member), averaged over all three.
    EXPECT_DOUBLE_EQ(CentroidMath::meanCosine(members, dense), 1.0 / 3.0);
    EXPECT_EQ(CentroidMath::meanCosine(members, std::vector<float>(SparseVector::dimension, 0.0f)), 0.0);
}

TEST(CentroidMath, LeaveOneOutCohesionMatchesThePlainComputationToTheBit) {
    SparseVector a = vector({1, 50, 900}, {1.0f, 2.0f, 0.5f});
    EXPECT_EQ(CentroidMath::leaveOneOutCohesion(std::vector<SparseVector>{a}), 0.0);
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

TEST(CorpusStats, SmallBatchesAreDampedTowardsOne) {
    EXPECT_EQ(CorpusStats::build({}).idf, std::vector<float>(4096, 1.0f));
    struct Case {
        int documents;
        int bucket;
        double idf;
    };
    for (Case c : {Case{1, 10, 0.98599}, Case{24, 0, 1.55020}, Case{64, 10, 0.68543}, Case{64, 20, 3.49651},
                   Case{128, 0, 4.85981}}) {
        CorpusStats stats = CorpusStats::build(batch(c.documents));
        EXPECT_EQ(stats.documentCount, c.documents);
        EXPECT_NEAR(stats.idf[c.bucket], c.idf, 1e-5) << c.documents << " documents, bucket " << c.bucket;
    }
    // Only indices count.
    std::vector<SparseVector> zeros{SparseVector::checkedPair({10, 20}, {0.0f, 0.0f})};
    EXPECT_EQ(CorpusStats::build(zeros), CorpusStats::build(batch(1)));
}

