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
using namespace ordane::testing;
using Row = FilingPriorsStore::Row;

using Operation = ordane::testing::FaultInjectingFileSystem::Operation;
namespace {

const std::string taxes = "/Users/a/Documents/Taxes";

struct FilingPriorsStoreTest : ::testing::Test {
    TempDir dir;
    std::string folder = dir / ".local/share/Ordane";
    std::string path = folder + "/filing-priors.json";
    std::shared_ptr<FaultInjectingFileSystem> fileSystem = std::make_shared<FaultInjectingFileSystem>();
    FilingPriorsStore store{URL::fileURL(path), fileSystem};

    // The rows as the next start reads them, sorted.
    std::vector<Row> reloaded() const {
        auto rows = FilingPriorsStore(URL::fileURL(path), fileSystem).allRows();
        std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
            return std::tie(a.kind, a.destinationPath) < std::tie(b.kind, b.destinationPath);
        });
        return rows;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(folder)) names.push_back(item.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace

TEST_F(FilingPriorsStoreTest, CountsDecisionsPerKindAndDestinationAndWritesEachChangePretty) {
    EXPECT_TRUE(store.allRows().empty());
    store.recordAccept("taxDocument", taxes);
    store.recordReject("taxDocument", taxes);
    EXPECT_EQ(fileSystem->calls(Operation::writeFileAtomically), 2);
    // Pretty, with sorted keys: a person may read it.
    EXPECT_TRUE(readFile(path).starts_with("{\n  \"rows\": {\n    \"taxDocument|/Users/a/Documents/Taxes\": {\n"));
    // A missing file is no unusable one: nothing was set aside.
    EXPECT_EQ(names(), std::vector<std::string>{"filing-priors.json"});

    store.recordAccept("taxDocument", taxes);
    store.recordAccept("bankStatement", taxes);
    // A "|" inside the destination stays part of the one key.
    store.recordAccept("taxDocument", "/Users/a/A|B");
    store.recordAccept("taxDocument", "/Users/a/A|B");
    auto rows = reloaded();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(std::tie(rows[0].kind, rows[0].acceptCount), std::tuple("bankStatement", 1));
    EXPECT_EQ(std::tie(rows[1].destinationPath, rows[1].acceptCount), std::tuple("/Users/a/A|B", 2));
    const Row& taxRow = rows[2];
    EXPECT_EQ(std::tie(taxRow.kind, taxRow.destinationPath, taxRow.acceptCount, taxRow.rejectCount),
              std::tuple("taxDocument", taxes, 2, 1));
    EXPECT_GT(taxRow.lastUpdated.secondsSinceReferenceDate, 7e8);
    EXPECT_DOUBLE_EQ(taxRow.acceptanceRate(), 0.5);
    EXPECT_TRUE(taxRow.hasHistory());
    EXPECT_FALSE((Row{"resume", "/x", 2, 0, Date{}}.hasHistory()));
}

TEST_F(FilingPriorsStoreTest, ConcurrentDecisionsAllCount) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < 10; ++i) {
                if (t % 2 == 0) store.recordAccept("taxDocument", taxes);
                else store.recordReject("taxDocument", taxes);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    auto rows = reloaded();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(std::pair(rows[0].acceptCount, rows[0].rejectCount), std::pair(int64_t{20}, int64_t{20}));
}

TEST_F(FilingPriorsStoreTest, ARowThatCannotBeWrittenIsLeftOutAndCountsAtTheirLargestDoNotOverflow) {
    writeFile(path, R"({"rows": {"letter|/a": {"acceptCount": 9223372036854775807, "destinationPath": "/a", "kind": "letter",)"
                    R"( "lastUpdated": 1, "rejectCount": 9223372036854775807}}, "version": 1})");
    store.recordAccept("letter", "/a");
    store.recordReject("letter", "/a");
    store.recordAccept("Caf\xe9", "/home/a/Letters");  // not UTF-8
    EXPECT_EQ(store.allRows().size(), 2u);
    auto rows = reloaded();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].acceptCount, std::numeric_limits<int64_t>::max());
    EXPECT_TRUE(rows[0].hasHistory());
    EXPECT_NEAR(rows[0].acceptanceRate(), 0.5, 1e-9);
}

TEST_F(FilingPriorsStoreTest, AnUnusableFileIsSetAsideOnceAndWriteFailuresKeepTheRows) {
    // Which files are unusable and what a failed move aside does is the store file's concern.
    const std::string contents = R"({"version": 1, "rows": {"k": {"kind": "letter", "destinationPath": "/a", "acceptCount": )"
                                 R"(-1, "rejectCount": 0, "lastUpdated": 1}}})";
    writeFile(path, contents);
    EXPECT_TRUE(store.allRows().empty());
    EXPECT_EQ(names().size(), 1u);  // reading alone leaves the file where it is
    store.recordAccept("letter", "/home/a/Letters");
    fileSystem->fail(Operation::createDirectories, "", EIO, 0, 1);
    fileSystem->fail(Operation::writeFileAtomically, "", ENOSPC, 0, 1);
    EXPECT_NO_THROW(store.recordAccept("letter", "/home/a/Letters"));
    store.recordAccept("recipe", "/home/a/Recipes");
    auto names = this->names();
    ASSERT_EQ(names.size(), 2u);  // set aside once; later writes go straight to the file
    EXPECT_TRUE(names[1].starts_with("filing-priors.json.unreadable-"));
    EXPECT_EQ(readFile(folder + "/" + names[1]), contents);
    auto rows = reloaded();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(std::pair(rows[0].acceptCount, rows[1].acceptCount), std::pair(int64_t{2}, int64_t{1}));
}
