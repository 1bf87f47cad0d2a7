#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

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

}  // namespace

TEST(StableHash, MatchesReferenceValues) {
    EXPECT_EQ(StableHash::fnv1a64(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(StableHash::bucket(""), 805);
    EXPECT_EQ(StableHash::fnv1a64("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(StableHash::bucket("a"), 3212);
    EXPECT_EQ(StableHash::fnv1a64("foobar"), 0x85944171f73967e8ull);
    // Bytes above 0x7F must not be sign-extended before the XOR.
    EXPECT_EQ(StableHash::fnv1a64("\xc3\xa9"), (((0xcbf29ce484222325ull ^ 0xc3) * 0x100000001b3ull) ^ 0xa9) * 0x100000001b3ull);
}

TEST(SparseVector, NormalizeAndDot) {
    SparseVector zeros = vector({1, 5}, {0.0f, 0.0f});
    EXPECT_EQ(SparseVector::normalized(zeros), zeros);
    EXPECT_TRUE(SparseVector::normalized(none).isEmpty());
    EXPECT_EQ(SparseVector::normalized(vector({2, 9}, {3.0f, 4.0f})), vector({2, 9}, {0.6f, 0.8f}));
    EXPECT_EQ(SparseVector::norm(none), 0.0f);

    SparseVector a = vector({1, 3, 5, 4000}, {1.0f, 2.0f, 3.0f, 8.0f});
    SparseVector b = vector({0, 3, 5, 9, 4095}, {7.0f, 4.0f, 5.0f, 1.0f, 2.0f});
    EXPECT_EQ(SparseVector::dot(a, b), 23.0f);
    EXPECT_EQ(SparseVector::dot(b, a), 23.0f);
    EXPECT_EQ(SparseVector::dot(a, none), 0.0f);
    EXPECT_EQ(SparseVector::dot(none, a), 0.0f);

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
    EXPECT_EQ(SparseVector::cosine(a, vector({5, 18}, {1.0f, 1.0f})), 0.0);
    EXPECT_EQ(SparseVector::cosine(a, none), 0.0);
    EXPECT_EQ(SparseVector::cosine(a, vector({4}, {0.0f})), 0.0);
    // Squares that underflow to 0 leave no direction to compare.
    SparseVector tiny = vector({4}, {1e-23f});
    EXPECT_EQ(SparseVector::cosine(tiny, tiny), 0.0);

    std::vector<float> dense(SparseVector::dimension, 0.0f);
    dense[7] = 2.0f;
    SparseVector v = vector({7}, {3.0f});
    EXPECT_EQ(SparseVector::cosineToCentroid(dense, v, 0.0f), 0.0);
    EXPECT_EQ(SparseVector::cosineToCentroid(dense, v, 2.0f), 1.0);
    EXPECT_EQ(SparseVector::cosineToCentroid(dense, none, 2.0f), 0.0);

    // Weighting scales each value by its index's weight, then normalises.
    std::vector<float> weights(SparseVector::dimension, 1.0f);
    weights[10] = 3.0f;
    weights[20] = 0.0f;
    EXPECT_EQ(SparseVector::weighted(weights, vector({10, 20, 30}, {1.0f, 5.0f, 4.0f})),
              vector({10, 20, 30}, {0.6f, 0.0f, 0.8f}));
}

TEST(SparseVector, BrokenVectorsAreRefusedBeforeAnyIndexIsUsed) {
    EXPECT_THROW(SparseVector::checkedPair({1, 2}, {1.0f}), std::invalid_argument);
    SparseVector uneven{{1, 2, 3}, {1.0f}};
    EXPECT_THROW(SparseVector::dot(uneven, uneven), std::invalid_argument);
    EXPECT_THROW(SparseVector::norm(uneven), std::invalid_argument);
    std::vector<float> shortDense(16, 1.0f);
    SparseVector far = vector({3, 16}, {1.0f, 1.0f});
    EXPECT_THROW(SparseVector::denseDot(shortDense, far), std::out_of_range);
    EXPECT_THROW(SparseVector::cosineToCentroid(shortDense, far, 1.0f), std::out_of_range);
    EXPECT_THROW(SparseVector::weighted(shortDense, far), std::out_of_range);
}

TEST(SparseVectorJson, RoundTripsExactlyAndRefusesDamage) {
    SparseVector original = vector({0, 17, 4095}, {0.1f, -1.0f / 3.0f, 1e-30f});
    EXPECT_EQ(reread(original), original);
    expectStoredForm(none, R"({"indices":[],"values":[]})");
    expectEachRefused<SparseVector>({
        R"({"indices":[1,2],"values":[1.0]})",  // unequal counts
        R"({"indices":[1],"values":[1.0,2.0]})",
        R"({"indices":[4096],"values":[1.0]})",   // outside the term space
        R"({"indices":[70000],"values":[1.0]})",  // would wrap in 16 bits
        R"({"indices":[-1],"values":[1.0]})",
        R"({"indices":[1.5],"values":[1.0]})",
        R"({"indices":[5,3],"values":[1.0,1.0]})",  // not ascending
        R"({"indices":[3,3],"values":[1.0,1.0]})",  // repeated
        R"({"indices":[3],"values":[1e39]})",       // not a float
        R"({"indices":[3],"values":["1"]})",
        R"({"indices":[3]})",
        R"({"values":[]})",
        R"([1,2])",
    });
}
