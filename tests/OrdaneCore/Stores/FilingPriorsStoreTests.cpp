#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <limits>
#include <thread>

#include "OrdaneCore/Stores/FilingPriorsStore.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::FaultInjectingFileSystem;
using ordane::testing::TempDir;

namespace {

const std::string taxes = "/Users/a/Documents/Taxes";

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder)) names.push_back(item.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<FilingPriorsStore::Row> sortedRows(FilingPriorsStore& store) {
    auto rows = store.allRows();
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return std::tie(a.kind, a.destinationPath) < std::tie(b.kind, b.destinationPath);
    });
    return rows;
}

struct FilingPriorsStoreTest : ::testing::Test {
    TempDir dir;
    std::string folder = dir / "Library/Application Support/Ordane";
    std::string path = folder + "/filing-priors.json";
    URL url = URL::fileURL(path);
    std::shared_ptr<FaultInjectingFileSystem> fileSystem = std::make_shared<FaultInjectingFileSystem>();

    // Each row's accept count, as the next start reads them.
    std::vector<int64_t> reloadedAcceptCounts() const {
        std::vector<int64_t> counts;
        for (const auto& row : FilingPriorsStore(url, fileSystem).allRows()) counts.push_back(row.acceptCount);
        return counts;
    }
};

}  // namespace

TEST_F(FilingPriorsStoreTest, CountsDecisionsPerKindAndDestination) {
    FilingPriorsStore store(url, fileSystem);
    store.recordAccept("taxDocument", taxes);
    store.recordAccept("taxDocument", taxes);
    store.recordReject("taxDocument", taxes);
    auto rows = store.allRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].kind, "taxDocument");
    EXPECT_EQ(rows[0].destinationPath, taxes);
    EXPECT_EQ(rows[0].acceptCount, 2);
    EXPECT_EQ(rows[0].rejectCount, 1);
    EXPECT_DOUBLE_EQ(rows[0].acceptanceRate(), 0.5);
    EXPECT_TRUE(rows[0].hasHistory());

    FilingPriorsStore::Row fresh{"resume", "/x", 0, 0, Date{}};
    EXPECT_DOUBLE_EQ(fresh.acceptanceRate(), 1.0 / 3.0);
    fresh.acceptCount = 2;
    EXPECT_FALSE(fresh.hasHistory());

    store.recordAccept("taxDocument", "/Users/a/Documents/Other");
    store.recordAccept("bankStatement", taxes);
    // A "|" inside the destination stays part of the one key.
    store.recordAccept("taxDocument", "/Users/a/A|B");
    store.recordAccept("taxDocument", "/Users/a/A|B");
    auto all = sortedRows(store);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].kind, "bankStatement");
    EXPECT_EQ(all[1].destinationPath, "/Users/a/A|B");
    EXPECT_EQ(all[1].acceptCount, 2);
    EXPECT_EQ(all[3].destinationPath, taxes);
    EXPECT_EQ(all[3].acceptCount, 2);
}

TEST_F(FilingPriorsStoreTest, EveryChangeIsWrittenPrettyWithSortedKeys) {
    {
        FilingPriorsStore store(url, fileSystem);
        store.recordAccept("taxDocument", taxes);
        EXPECT_EQ(fileSystem->calls("writeFileAtomically"), 1);
        store.recordReject("taxDocument", taxes);
        EXPECT_EQ(fileSystem->calls("writeFileAtomically"), 2);
    }
    std::string text = ordane::testing::readFile(path);
    EXPECT_EQ(text.rfind("{\n  \"rows\": {\n    \"taxDocument|/Users/a/Documents/Taxes\": {\n      \"acceptCount\": 1,\n"
                         "      \"destinationPath\": \"/Users/a/Documents/Taxes\",\n      \"kind\": \"taxDocument\",\n"
                         "      \"lastUpdated\": ",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("      \"rejectCount\": 1\n    }\n  },\n  \"version\": 1\n}"), std::string::npos) << text;

    FilingPriorsStore reloaded(url, fileSystem);
    auto rows = reloaded.allRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].acceptCount, 1);
    EXPECT_EQ(rows[0].rejectCount, 1);
    EXPECT_GT(rows[0].lastUpdated.secondsSinceReferenceDate, 7e8);
}

TEST_F(FilingPriorsStoreTest, MissingFileStartsEmptyAndSetsNothingAside) {
    FilingPriorsStore store(url, fileSystem);
    EXPECT_TRUE(store.allRows().empty());
    store.recordAccept("letter", "/home/a/Letters");
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"filing-priors.json"});
    EXPECT_EQ(fileSystem->calls("moveNoReplace"), 0);
}

TEST_F(FilingPriorsStoreTest, UnusableFilesAreSetAsideBeforeTheFirstWrite) {
    // Which versions and shapes are refused is the store file's concern; here, what happens then.
    const std::vector<std::string> unusable = {
        R"({"rows": {}, "version": 0})",
        R"({"version": 1, "rows": {"k": {"kind": "letter", "destinationPath": "/a", "acceptCount": 1)",
        R"({"version": 1, "rows": {"k": {"kind": "letter", "destinationPath": "/a", "acceptCount": 1.5,)"
        R"( "rejectCount": 0, "lastUpdated": 1}}})",
        R"({"version": 1, "rows": {"k": {"kind": "letter", "destinationPath": "/a", "acceptCount": -1,)"
        R"( "rejectCount": 0, "lastUpdated": 1}}})",
        "",
        std::string("\x89PNG\r\n\x1a\n\0\0\0", 11),
    };
    for (const std::string& contents : unusable) {
        SCOPED_TRACE(contents);
        std::filesystem::remove_all(folder);
        ordane::testing::writeFile(path, contents);
        FilingPriorsStore store(url, fileSystem);
        EXPECT_TRUE(store.allRows().empty());
        // Reading alone leaves the file where it is.
        EXPECT_EQ(namesIn(folder).size(), 1u);
        store.recordAccept("letter", "/home/a/Letters");
        auto names = namesIn(folder);
        ASSERT_EQ(names.size(), 2u);
        EXPECT_EQ(names[0], "filing-priors.json");
        EXPECT_EQ(names[1].rfind("filing-priors.json.unreadable-", 0), 0u);
        EXPECT_EQ(ordane::testing::readFile(folder + "/" + names[1]), contents);
        // Set aside once; later writes go straight to the file.
        store.recordAccept("letter", "/home/a/Letters");
        EXPECT_EQ(namesIn(folder).size(), 2u);
        EXPECT_EQ(reloadedAcceptCounts(), std::vector<int64_t>{2});
    }
}

TEST_F(FilingPriorsStoreTest, AnUnreadableFileIsNeverOverwritten) {
    ordane::testing::writeFile(path, R"({"rows": {}, "version": 1})");
    fileSystem->fail("readFile", EIO, 1);
    fileSystem->fail("moveNoReplace", EIO, 1);
    FilingPriorsStore store(url, fileSystem);
    store.recordAccept("letter", "/home/a/Letters");
    // The file could not be moved aside, so it was not written over.
    EXPECT_EQ(fileSystem->calls("writeFileAtomically"), 0);
    EXPECT_EQ(ordane::testing::readFile(path), R"({"rows": {}, "version": 1})");
    EXPECT_EQ(store.allRows().size(), 1u);

    store.recordAccept("letter", "/home/a/Letters");
    EXPECT_EQ(namesIn(folder).size(), 2u);
    EXPECT_EQ(reloadedAcceptCounts(), std::vector<int64_t>{2});
}

TEST_F(FilingPriorsStoreTest, WriteFailuresAreSwallowedAndTheRowsKept) {
    fileSystem->fail("writeFileAtomically", ENOSPC, 1);
    fileSystem->fail("createDirectories", EIO, 1);
    FilingPriorsStore store(url, fileSystem);
    EXPECT_NO_THROW(store.recordAccept("letter", "/home/a/Letters"));
    EXPECT_FALSE(std::filesystem::exists(path));
    store.recordAccept("recipe", "/home/a/Recipes");
    EXPECT_EQ(reloadedAcceptCounts(), (std::vector<int64_t>{1, 1}));
}

TEST_F(FilingPriorsStoreTest, ARowThatCannotBeWrittenDoesNotBlockTheOthers) {
    FilingPriorsStore store(url, fileSystem);
    const std::string latin1 = "Caf\xe9";  // not UTF-8
    store.recordAccept(latin1, "/home/a/Letters");
    store.recordAccept("recipe", "/home/a/Recipes");
    store.recordAccept(latin1, "/home/a/Letters");
    EXPECT_EQ(store.allRows().size(), 2u);
    FilingPriorsStore reloaded(url, fileSystem);
    auto rows = reloaded.allRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].kind, "recipe");
}

TEST_F(FilingPriorsStoreTest, ConcurrentDecisionsAllCount) {
    FilingPriorsStore store(url, fileSystem);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&store, t] {
            for (int i = 0; i < 10; ++i) {
                if (t % 2 == 0) {
                    store.recordAccept("taxDocument", taxes);
                } else {
                    store.recordReject("taxDocument", taxes);
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    auto rows = FilingPriorsStore(url, fileSystem).allRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].acceptCount, 20);
    EXPECT_EQ(rows[0].rejectCount, 20);
}

TEST_F(FilingPriorsStoreTest, CountsAsLargeAsAFileCanHoldDoNotOverflow) {
    ordane::testing::writeFile(path, R"({"rows": {"letter|/a": {"acceptCount": 9223372036854775807, )"
                                     R"("destinationPath": "/a", "kind": "letter", "lastUpdated": 1, )"
                                     R"("rejectCount": 9223372036854775807}}, "version": 1})");
    FilingPriorsStore store(url, fileSystem);
    store.recordAccept("letter", "/a");
    store.recordReject("letter", "/a");
    auto rows = store.allRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].acceptCount, std::numeric_limits<int64_t>::max());
    EXPECT_TRUE(rows[0].hasHistory());
    EXPECT_NEAR(rows[0].acceptanceRate(), 0.5, 1e-9);
}
