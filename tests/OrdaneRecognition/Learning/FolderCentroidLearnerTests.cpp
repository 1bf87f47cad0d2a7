#include <gtest/gtest.h>

#include "OrdaneRecognition/Learning/FolderCentroidLearner.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::FaultInjectingFileSystem;
using ordane::testing::TempDir;

using Operation = ordane::testing::FaultInjectingFileSystem::Operation;
namespace {

const URL home = URL::fileURL("/home/ada", true);

FileRecord document(const std::string& relative, double modified = 1.7e9, int64_t size = 2000) {
    FileRecord record;
    record.setID(UUID::random());
    record.setURL(URL::fileURL(home.path() + "/" + relative));
    record.setSize(size);
    record.setModified(Date::fromUnix(modified));
    return record;
}

// Alike vectors: a shared core of terms plus one term of each document's own.
SparseVector alike(uint16_t own) { return SparseVector::checkedPair({1, 2, 3, uint16_t(100 + own)}, {1, 1, 1, 0.5f}); }

struct LearnerTest : ::testing::Test {
    TempDir dir;
    std::shared_ptr<FaultInjectingFileSystem> fileSystem = std::make_shared<FaultInjectingFileSystem>();
    FolderCentroidStore store{URL::fileURL(dir / "folder-centroids.json"), fileSystem};
    FolderCentroidLearner learner{UserFolders(home), {}};

    // `total` files in the folder, the first `readable` of them with a vector.
    std::pair<std::vector<FileRecord>, std::unordered_map<URL, SparseVector>> folder(const std::string& name,
                                                                                     size_t total, size_t readable) {
        std::vector<FileRecord> records;
        std::unordered_map<URL, SparseVector> vectors;
        for (size_t i = 0; i < total; ++i) {
            records.push_back(document("Documents/" + name + "/doc" + std::to_string(i) + ".pdf"));
            if (i < readable) vectors[records.back().url()] = alike(static_cast<uint16_t>(i));
        }
        return {records, vectors};
    }
    int writes() const { return fileSystem->calls(Operation::writeFileAtomically); }
};

}  // namespace

TEST(FolderCentroidLearnerCandidates, OnlyOneOrTwoLevelsBelowDocumentsAndNeverExcludedNames) {
    FolderCentroidLearner learner{UserFolders(home), {}};
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"Documents/loose.pdf", std::nullopt},
        {"Documents/Taxes/2023.pdf", "/home/ada/Documents/Taxes"},
        {"Documents/Taxes/2023/w2.pdf", "/home/ada/Documents/Taxes/2023"},
        {"Documents/Taxes/./2023//w2.pdf", "/home/ada/Documents/Taxes/2023"},
        {"Documents/A/B/C/deep.pdf", std::nullopt},
        {"Desktop/Taxes/2023.pdf", std::nullopt},
        {"Downloads/Taxes/2023.pdf", std::nullopt},
        {"Documents/From Downloads/x.pdf", std::nullopt},
        {"Documents/Work/.git/x.txt", std::nullopt},
        {"Documents/Bad\xff/x.txt", std::nullopt},
    };
    for (const auto& [relative, expected] : cases) {
        EXPECT_EQ(learner.candidateFolder(document(relative)), expected) << relative;
    }
}

TEST_F(LearnerTest, AFolderNeedsMoreThanFourVectorsForThreeFifthsOfItsFiles) {
    struct Case {
        size_t total, readable;
        bool learned;
    };
    for (Case c : {Case{8, 5, true}, Case{9, 5, false}, Case{4, 4, false}, Case{300, 300, true}, Case{301, 301, false}}) {
        auto [records, vectors] = folder("Mixed", c.total, c.readable);
        auto learned = learner.learn(records, vectors, store);
        EXPECT_EQ(learned.size(), c.learned ? 1u : 0u) << c.total << "/" << c.readable;
        EXPECT_EQ(store.allEntries().size(), learned.size());
        if (c.learned) {
            EXPECT_EQ(learned[0].path, "/home/ada/Documents/Mixed");
            EXPECT_EQ(learned[0].docCount, static_cast<int64_t>(c.readable));
            EXPECT_GE(learned[0].cohesion, 0.3);
            EXPECT_LE(learned[0].centroid.indices.size(), 512u);
            EXPECT_FLOAT_EQ(learned[0].centroidNorm, SparseVector::norm(learned[0].centroid));
        }
    }
}

TEST_F(LearnerTest, QuarantinedFilesAreNeitherEligibleNorUsable) {
    auto [records, vectors] = folder("Taxes", 7, 5);
    // 5 of 7 qualifies; moving two readable files in makes it 3 of 5.
    learner.quarantinedURLs = {records[0].url(), records[1].url()};
    EXPECT_TRUE(learner.learn(records, vectors, store).empty());
    learner.quarantinedURLs = {records[5].url(), records[6].url()};
    auto learned = learner.learn(records, vectors, store);
    ASSERT_EQ(learned.size(), 1u);
    EXPECT_EQ(learned[0].membershipHash,
              FolderCentroidStore::membershipHash({records.begin(), records.begin() + 5}));
}

TEST_F(LearnerTest, AnUnchangedFolderIsReusedEvenWithoutItsVectors) {
    auto [records, vectors] = folder("Taxes", 6, 6);
    auto first = learner.learn(records, vectors, store);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(writes(), 1);

    // Sensitive documents come back from their cached insight, without vectors: the entry stays.
    auto again = learner.learn(records, {}, store);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0], first[0]);
    EXPECT_EQ(writes(), 1);

    // A touched member recomputes the folder, and then the missing vectors count.
    records[0].setModified(records[0].modified()->adding(5));
    EXPECT_TRUE(learner.learn(records, {}, store).empty());
    EXPECT_TRUE(store.allEntries().empty());
    auto recomputed = learner.learn(records, vectors, store);
    ASSERT_EQ(recomputed.size(), 1u);
    EXPECT_NE(recomputed[0].membershipHash, first[0].membershipHash);
}

TEST_F(LearnerTest, IncoherentFoldersAreKeptButNotReturned) {
    std::vector<FileRecord> records;
    std::unordered_map<URL, SparseVector> vectors;
    for (uint16_t i = 0; i < 6; ++i) {
        records.push_back(document("Documents/Misc/doc" + std::to_string(i) + ".txt"));
        vectors[records.back().url()] = SparseVector::checkedPair({uint16_t(10 * i)}, {1});  // nothing shared
    }
    EXPECT_TRUE(learner.learn(records, vectors, store).empty());
    ASSERT_EQ(store.allEntries().size(), 1u);
    EXPECT_LT(store.allEntries()[0].cohesion, 0.3);
}
