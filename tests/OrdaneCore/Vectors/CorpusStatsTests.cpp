#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "OrdaneCore/Vectors/CorpusStats.hpp"

using namespace ordane;

namespace {

// N documents; bucket 10 in all of them, bucket 20 in the first one only.
std::vector<SparseVector> batch(int count) {
    std::vector<SparseVector> documents;
    for (int i = 0; i < count; ++i) {
        if (i == 0) {
            documents.push_back(SparseVector::checkedPair({10, 20}, {1.0f, 1.0f}));
        } else {
            documents.push_back(SparseVector::checkedPair({10}, {5.0f}));
        }
    }
    return documents;
}

}  // namespace

TEST(CorpusStats, EmptyBatchWeighsEveryBucketOne) {
    CorpusStats stats = CorpusStats::build({});
    EXPECT_EQ(stats.documentCount, 0);
    ASSERT_EQ(stats.idf.size(), 4096u);
    for (float weight : stats.idf) EXPECT_EQ(weight, 1.0f);
}

TEST(CorpusStats, SmallBatchesAreDamped) {
    CorpusStats one = CorpusStats::build(batch(1));
    EXPECT_EQ(one.documentCount, 1);
    EXPECT_NEAR(one.idf[10], 0.98599, 1e-5);
    EXPECT_NEAR(one.idf[0], 0.99429, 1e-5);

    CorpusStats twentyFour = CorpusStats::build(batch(24));
    EXPECT_NEAR(twentyFour.idf[0], 1.55020, 1e-5);
    EXPECT_NEAR(twentyFour.idf[10], 0.86197, 1e-5);
}

TEST(CorpusStats, FullWeightFromSixtyFourDocuments) {
    CorpusStats sixtyFour = CorpusStats::build(batch(64));
    EXPECT_NEAR(sixtyFour.idf[0], 4.17439, 1e-5);
    EXPECT_NEAR(sixtyFour.idf[10], 0.68543, 1e-5);
    EXPECT_NEAR(sixtyFour.idf[20], 3.49651, 1e-5);  // ln(64 / 2 + 1)

    CorpusStats many = CorpusStats::build(batch(128));
    EXPECT_NEAR(many.idf[0], 4.85981, 1e-5);
    for (float weight : many.idf) EXPECT_GT(weight, 0.4f);
}

TEST(CorpusStats, OnlyIndicesCount) {
    std::vector<SparseVector> zeros{SparseVector::checkedPair({10, 20}, {0.0f, 0.0f})};
    EXPECT_EQ(CorpusStats::build(zeros), CorpusStats::build(batch(1)));
}

TEST(CorpusStats, IndexOutsideTheTermSpaceIsRefused) {
    std::vector<SparseVector> bad{SparseVector::checkedPair({4096}, {1.0f})};
    EXPECT_THROW(CorpusStats::build(bad), std::out_of_range);
}
