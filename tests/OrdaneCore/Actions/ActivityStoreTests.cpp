#include <gtest/gtest.h>

#include "OrdaneCore/Actions/ActivityStore.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::FaultInjectingFileSystem;
using ordane::testing::readFile;
using ordane::testing::TempDir;
using ordane::testing::writeFile;
using Operation = FaultInjectingFileSystem::Operation;

namespace {

ActivityEntry entryAt(double date) {
    return ActivityEntry{UUID::random(), Date{date}, ActivityEntry::Kind::moved(URL::fileURL("/a"), URL::fileURL("/b")),
                         10, true, std::nullopt, std::nullopt};
}

std::vector<double> datesOf(const std::vector<ActivityEntry>& entries) {
    std::vector<double> dates;
    for (const ActivityEntry& entry : entries) dates.push_back(entry.date.secondsSinceReferenceDate);
    return dates;
}

std::vector<ActivityEntry> entriesInFile(const std::string& path) {
    return json::array<ActivityEntry>(json::parse(readFile(path)));
}

struct StoreFixture {
    TempDir dir;
    std::string folder = dir / "Library/Application Support/Ordane";
    std::string file = folder + "/activity.json";
    std::shared_ptr<FaultInjectingFileSystem> fs = std::make_shared<FaultInjectingFileSystem>();
    ActivityStore store{URL::fileURL(file), fs};
};

}  // namespace

TEST(ActivityStore, NewestFirstWhileThePrettyFileKeepsAppendOrder) {
    StoreFixture f;
    EXPECT_TRUE(f.store.allEntries().empty());
    for (double date : {10.0, 30.0, 20.0}) f.store.append(entryAt(date));
    EXPECT_EQ(readFile(f.file).substr(0, 3), "[\n ");
    ActivityEntry sameA = entryAt(40);
    ActivityEntry sameB = entryAt(40);
    f.store.append(sameA);
    f.store.append(sameB);
    std::vector<ActivityEntry> newest = f.store.allEntries();
    EXPECT_EQ(datesOf(newest), (std::vector<double>{40, 40, 30, 20, 10}));
    EXPECT_EQ(newest[0].id, sameA.id);
    EXPECT_EQ(newest[1].id, sameB.id);
    EXPECT_EQ(datesOf(entriesInFile(f.file)), (std::vector<double>{10, 30, 20, 40, 40}));

    // A second store reads what the first wrote.
    EXPECT_EQ(ActivityStore(URL::fileURL(f.file)).allEntries(), newest);
}

TEST(ActivityStore, AFileThatCantBeReadOrDecodedIsSetAsideNotReplaced) {
    const std::string damaged = R"([{"id": "not finished)";
    const std::string earlier = json::dumpPretty(json::array(std::vector<ActivityEntry>{entryAt(1), entryAt(2)}));
    for (bool readable : {false, true}) {
        StoreFixture f;
        writeFile(f.file, readable ? damaged : earlier);
        if (!readable) f.fs->fail(Operation::readFile, "activity.json", EIO, 0, 1);
        EXPECT_TRUE(f.store.allEntries().empty());
        ActivityEntry entry = entryAt(5);
        f.store.append(entry);
        EXPECT_EQ(entriesInFile(f.file), std::vector<ActivityEntry>{entry});
        std::vector<std::string> names = f.fs->listDirectory(f.folder);
        ASSERT_EQ(names.size(), 2u);
        EXPECT_EQ(names[1].rfind("activity.json.unreadable-", 0), 0u);
        EXPECT_EQ(readFile(f.folder + "/" + names[1]), readable ? damaged : earlier);
    }
}

TEST(ActivityStore, ASaveBeforeAnyReadKeepsTheRecordsOnDisk) {
    StoreFixture f;
    std::vector<ActivityEntry> earlier = {entryAt(1), entryAt(2)};
    writeFile(f.file, json::dumpPretty(json::array(earlier)));
    f.store.save();
    EXPECT_EQ(entriesInFile(f.file), earlier);
    EXPECT_EQ(f.store.allEntries().size(), 2u);
}
