#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "OrdaneCore/Vectors/CorpusStats.hpp"

using namespace ordane;

namespace {

// N documents; bucket 10 in all of them, bucket 20 in the first one only.
std::vector<SparseVector> batch(int count) {
    std::vector<SparseVector> documents(count, SparseVector::checkedPair({10}, {5.0f}));
    if (count > 0) documents[0] = SparseVector::checkedPair({10, 20}, {1.0f, 1.0f});
    return documents;
}

}  // namespace

TEST(CorpusStats, SmallBatchesAreDampedTowardsOne) {
    CorpusStats empty = CorpusStats::build({});
    EXPECT_EQ(empty.documentCount, 0);
    EXPECT_EQ(empty.idf, std::vector<float>(4096, 1.0f));

    struct Case {
        int documents;
        int bucket;
        double idf;
    };
    for (Case c : {Case{1, 10, 0.98599}, Case{1, 0, 0.99429}, Case{24, 0, 1.55020}, Case{24, 10, 0.86197},
                   Case{64, 0, 4.17439}, Case{64, 10, 0.68543}, Case{64, 20, 3.49651}, Case{128, 0, 4.85981}}) {
        CorpusStats stats = CorpusStats::build(batch(c.documents));
        EXPECT_EQ(stats.documentCount, c.documents);
        EXPECT_NEAR(stats.idf[c.bucket], c.idf, 1e-5) << c.documents << " documents, bucket " << c.bucket;
    }
}

TEST(CorpusStats, OnlyIndicesCountAndMustFitTheTermSpace) {
    std::vector<SparseVector> zeros{SparseVector::checkedPair({10, 20}, {0.0f, 0.0f})};
    EXPECT_EQ(CorpusStats::build(zeros), CorpusStats::build(batch(1)));
    std::vector<SparseVector> bad{SparseVector::checkedPair({4096}, {1.0f})};
    EXPECT_THROW(CorpusStats::build(bad), std::out_of_range);
}
