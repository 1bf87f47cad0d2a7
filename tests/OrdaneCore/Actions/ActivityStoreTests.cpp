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
    std::string file = dir / "Library/Application Support/Ordane/activity.json";
    std::shared_ptr<FaultInjectingFileSystem> fs = std::make_shared<FaultInjectingFileSystem>();
    ActivityStore store{URL::fileURL(file), fs};
};

}  // namespace

TEST(ActivityStore, StartsEmptyAndTheFirstAppendCreatesTheFile) {
    StoreFixture f;
    EXPECT_TRUE(f.store.allEntries().empty());
    ActivityEntry entry = entryAt(10);
    f.store.append(entry);
    EXPECT_EQ(entriesInFile(f.file), std::vector<ActivityEntry>{entry});
    Json stored = json::parse(readFile(f.file))[0];
    EXPECT_FALSE(stored.contains("undoableNote"));
    EXPECT_FALSE(stored.contains("suggestionKind"));
    EXPECT_EQ(readFile(f.file).substr(0, 3), "[\n ");
}

TEST(ActivityStore, NewestFirstWhileTheFileKeepsAppendOrder) {
    StoreFixture f;
    for (double date : {10.0, 30.0, 20.0}) f.store.append(entryAt(date));
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
    ActivityStore reopened(URL::fileURL(f.file));
    EXPECT_EQ(reopened.allEntries(), newest);
}

TEST(ActivityStore, ReplaceRewritesOneEntryInPlace) {
    StoreFixture f;
    std::vector<ActivityEntry> entries = {entryAt(1), entryAt(2), entryAt(3)};
    for (const ActivityEntry& entry : entries) f.store.append(entry);
    entries[1].undoable = false;
    entries[1].undoableNote = "Undone.";
    f.store.replace(entries[1]);
    EXPECT_EQ(entriesInFile(f.file), entries);
    EXPECT_EQ(f.store.entry(entries[1].id), entries[1]);

    int writes = f.fs->calls(Operation::writeFileAtomically);
    f.store.replace(entryAt(4));  // unknown id
    EXPECT_EQ(f.fs->calls(Operation::writeFileAtomically), writes);
    EXPECT_EQ(f.store.entry(UUID::random()), std::nullopt);
    EXPECT_EQ(f.fs->calls(Operation::readFile), 1);  // read once, on first use
}

TEST(ActivityStore, AnUndecodableFileIsSetAsideNotReplaced) {
    StoreFixture f;
    const std::string damaged = R"([{"id": "not finished)";
    writeFile(f.file, damaged);
    EXPECT_TRUE(f.store.allEntries().empty());
    ActivityEntry entry = entryAt(5);
    f.store.append(entry);
    EXPECT_EQ(entriesInFile(f.file), std::vector<ActivityEntry>{entry});
    std::vector<std::string> names = f.fs->listDirectory(f.dir / "Library/Application Support/Ordane");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[1].rfind("activity.json.unreadable-", 0), 0u);
    EXPECT_EQ(readFile(f.dir / ("Library/Application Support/Ordane/" + names[1])), damaged);
}

TEST(ActivityStore, AnUnreadableFileIsSetAsideTooAndWriteFailuresAreSilent) {
    StoreFixture f;
    std::vector<ActivityEntry> earlier = {entryAt(1), entryAt(2)};
    writeFile(f.file, json::dumpPretty(json::array(earlier)));
    f.fs->fail(Operation::readFile, "activity.json", EIO, 0, 1);
    EXPECT_TRUE(f.store.allEntries().empty());

    // The set-aside fails, so nothing may be written over the user's record.
    f.fs->fail(Operation::moveNoReplace, "activity.json", EIO, 0, 1);
    ActivityEntry first = entryAt(3);
    f.store.append(first);
    EXPECT_EQ(entriesInFile(f.file), earlier);

    ActivityEntry second = entryAt(4);
    f.store.append(second);
    EXPECT_EQ(entriesInFile(f.file), (std::vector<ActivityEntry>{first, second}));
    std::vector<std::string> names = f.fs->listDirectory(f.dir / "Library/Application Support/Ordane");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(entriesInFile(f.dir / ("Library/Application Support/Ordane/" + names[1])), earlier);

    f.fs->fail(Operation::writeFileAtomically, "activity.json", ENOSPC, 0, 1);
    ActivityEntry third = entryAt(5);
    f.store.append(third);
    EXPECT_EQ(f.store.allEntries().size(), 3u);
    f.store.save();
    EXPECT_EQ(entriesInFile(f.file), (std::vector<ActivityEntry>{first, second, third}));
}

TEST(ActivityStore, ASaveBeforeAnyReadKeepsTheRecordsOnDisk) {
    StoreFixture f;
    std::vector<ActivityEntry> earlier = {entryAt(1), entryAt(2)};
    writeFile(f.file, json::dumpPretty(json::array(earlier)));
    f.store.save();
    EXPECT_EQ(entriesInFile(f.file), earlier);
    EXPECT_EQ(f.store.allEntries().size(), 2u);
}
