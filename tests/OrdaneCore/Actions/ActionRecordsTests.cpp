#include <gtest/gtest.h>

#include "OrdaneCore/Actions/ActionJournal.hpp"
#include "OrdaneCore/Actions/ActivityStore.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;
using Operation = FaultInjectingFileSystem::Operation;

namespace {

ActionPlan planCreatedAt(double seconds) {
    PlannedAction action{UUID::random(), PlannedAction::Kind::trash(URL::fileURL("/home/u/a b.txt")), 5, 5,
                         std::nullopt, std::nullopt, std::nullopt, PlannedAction::State::pending()};
    return ActionPlan{UUID::random(), Date{seconds}, {action}};
}

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

struct Records {
    TempDir dir;
    std::shared_ptr<FaultInjectingFileSystem> fs = std::make_shared<FaultInjectingFileSystem>();
    std::string folder = dir / "support";
    std::string file = folder + "/activity.json";
    ActionJournal journal{URL::fileURL(dir / "journal", true), fs};
    ActivityStore store{URL::fileURL(file), fs};
};

}  // namespace

TEST(ActionJournal, SavesOnePrettyFileNamedByTheUpperCaseIDAndLoadsPlansOldestFirst) {
    Records f;
    ActionPlan plan = planCreatedAt(100);
    plan.id = *UUID::fromString("0a1b2c3d-4e5f-6789-abcd-ef0123456789");
    f.journal.save(plan);
    std::string text = readFile(f.dir / "journal/0A1B2C3D-4E5F-6789-ABCD-EF0123456789.json");
    EXPECT_TRUE(text.starts_with("{\n"));
    EXPECT_LT(text.find("\"actions\""), text.find("\"createdAt\""));
    // Every "/" escaped, as in the stored form; files written either way are read.
    EXPECT_NE(text.find(R"("file:\/\/\/home\/u\/a%20b.txt")"), std::string::npos);
    for (size_t at = text.find('/'); at != std::string::npos; at = text.find('/', at + 1)) EXPECT_EQ(text[at - 1], '\\');
    ActionPlan unescaped = planCreatedAt(200);
    writeFile(f.dir / "journal/unescaped.json", json::dumpPretty(unescaped.toJson()));
    plan.actions[0].state = PlannedAction::State::skipped("gone");
    f.journal.save(plan);  // replaces the earlier file of the plan

    std::vector<ActionPlan> sameDate = {planCreatedAt(70), planCreatedAt(70)};
    ActionPlan earlier = planCreatedAt(50);
    for (const ActionPlan& each : {sameDate[0], sameDate[1], earlier}) f.journal.save(each);
    writeFile(f.dir / "journal/notes.txt", "notes");
    writeFile(f.dir / "journal/broken.json", "{\"id\":");
    writeFile(f.dir / "journal/shouting.JSON", json::dumpPretty(planCreatedAt(1).toJson()));
    // Equal dates keep the listing's order.
    if (sameDate[1].id.uuidString() < sameDate[0].id.uuidString()) std::swap(sameDate[0], sameDate[1]);
    EXPECT_EQ(f.journal.loadAll(), (std::vector<ActionPlan>{earlier, sameDate[0], sameDate[1], plan, unescaped}));

    // A file that can't be read is one plan fewer; a folder that can't be listed, none.
    f.fs->fail(Operation::readFile, sameDate[0].id.uuidString(), EIO);
    EXPECT_EQ(f.journal.loadAll(), (std::vector<ActionPlan>{earlier, sameDate[1], plan, unescaped}));
    f.fs->fail(Operation::listDirectory, "journal", EIO);
    EXPECT_TRUE(f.journal.loadAll().empty());
    f.fs->clearFaults();

    for (const ActionPlan& each : {plan, sameDate[0], sameDate[1], earlier, earlier, unescaped}) f.journal.remove(each);
    EXPECT_EQ(f.fs->listDirectory(f.dir / "journal"),
              (std::vector<std::string>{"broken.json", "notes.txt", "shouting.JSON", "unescaped.json"}));
    EXPECT_TRUE(ActionJournal{URL::fileURL(f.dir / "missing", true)}.loadAll().empty());
}

// Each step of a run goes to the plan's log; loading applies it up to a line cut short, a new save
// of the plan drops it, and removing the plan removes both.
TEST(ActionJournal, StepsGoToThePlansLogWhichLoadingAppliesUpToALineCutShort) {
    Records f;
    ActionPlan plan = planCreatedAt(100);
    plan.actions.push_back(planCreatedAt(100).actions[0]);
    f.journal.save(plan);
    ActionPlan run = plan;
    run.actions[1].state = PlannedAction::State::skipped("gone");
    f.journal.record(run, run.actions[1]);
    const std::string log = f.journal.logURL(plan.id).path();
    f.fs->appendDurably(log, R"({"id":")" + plan.actions[0].id.uuidString());
    EXPECT_EQ(f.journal.loadAll(), std::vector<ActionPlan>{run});
    f.journal.save(run);
    EXPECT_FALSE(f.fs->exists(log));
    run.actions[0].state = PlannedAction::State::failed("full");
    f.journal.record(run, run.actions[0]);
    EXPECT_EQ(f.journal.loadAll(), std::vector<ActionPlan>{run});
    f.journal.remove(run);
    EXPECT_TRUE(f.fs->listDirectory(f.dir / "journal").empty());
}

TEST(ActivityStore, NewestFirstWhileThePrettyFileKeepsAppendOrder) {
    Records f;
    EXPECT_TRUE(f.store.allEntries().empty());
    ActivityEntry sameA = entryAt(40);
    ActivityEntry sameB = entryAt(40);
    for (const ActivityEntry& entry : {entryAt(10), entryAt(30), entryAt(20), sameA, sameB}) f.store.append(entry);
    f.store.save();
    EXPECT_TRUE(readFile(f.file).starts_with("[\n "));
    std::vector<ActivityEntry> newest = f.store.allEntries();
    EXPECT_EQ(datesOf(newest), (std::vector<double>{40, 40, 30, 20, 10}));
    EXPECT_EQ(std::pair(newest[0].id, newest[1].id), std::pair(sameA.id, sameB.id));
    EXPECT_EQ(datesOf(entriesInFile(f.file)), (std::vector<double>{10, 30, 20, 40, 40}));
    // A second store reads what the first wrote.
    EXPECT_EQ(ActivityStore(URL::fileURL(f.file)).allEntries(), newest);
}

TEST(ActivityStore, AFileThatCantBeReadOrDecodedIsSetAsideNotReplaced) {
    const std::string damaged = R"([{"id": "not finished)";
    const std::vector<ActivityEntry> earlier = {entryAt(1), entryAt(2)};
    for (bool readable : {false, true}) {
        Records f;
        writeFile(f.file, readable ? damaged : json::dumpPretty(json::array(earlier)));
        if (!readable) f.fs->fail(Operation::readFile, "activity.json", EIO, 0, 1);
        EXPECT_TRUE(f.store.allEntries().empty());
        ActivityEntry entry = entryAt(5);
        f.store.append(entry);
        EXPECT_EQ(f.fs->listDirectory(f.folder), (std::vector<std::string>{"activity.json", "activity.log"}));
        f.store.save();
        EXPECT_EQ(entriesInFile(f.file), std::vector<ActivityEntry>{entry});
        std::vector<std::string> names = f.fs->listDirectory(f.folder);
        ASSERT_EQ(names.size(), 2u);
        EXPECT_TRUE(names[1].starts_with("activity.json.unreadable-"));
        EXPECT_EQ(readFile(f.folder + "/" + names[1]), readable ? damaged : json::dumpPretty(json::array(earlier)));
    }

    // A save before any read keeps the records on disk.
    Records f;
    writeFile(f.file, json::dumpPretty(json::array(earlier)));
    f.store.save();
    EXPECT_EQ(entriesInFile(f.file), earlier);
}

// Changes go to the log, on disk at once; the next load replays it over the file and folds it in.
// A log already folded adds nothing twice, a last line cut short is dropped, and a log damaged
// before its end is used up to the damage and moved aside.
TEST(ActivityStore, TheLogIsReplayedOverTheFileOnceAndFoldedIntoIt) {
    const ActivityEntry a = entryAt(1), b = entryAt(2), c = entryAt(3);
    ActivityEntry bLater = b;
    bLater.undoable = false;
    bLater.undoableNote = "Taken back.";
    auto append = [](int64_t at, const ActivityEntry& entry) {
        Json change = Json::object();
        change["at"] = at;
        change["entry"] = entry.toJson();
        return json::dumpCompact(json::tagged("append", change)) + "\n";
    };
    auto replace = [](const ActivityEntry& entry) { return json::dumpCompact(json::tagged("replace", entry.toJson())) + "\n"; };
    struct Case {
        const char* name;
        std::vector<ActivityEntry> inFile;
        std::string log;
        std::vector<ActivityEntry> expected;
        bool setAside;
    };
    const std::vector<Case> cases = {
        {"log only", {}, append(0, a) + append(1, b), {a, b}, false},
        {"folded before it was cleared", {a, bLater, c}, append(0, a) + append(1, b) + replace(bLater) + append(2, c),
         {a, bLater, c}, false},
        {"last line cut short", {a}, replace(a) + append(1, c) + append(2, b).substr(0, 40), {a, c}, false},
        {"damaged before the end", {a}, append(1, b) + "{\"append\":{}}\n" + append(2, c), {a, b}, true},
        {"a change of its own kind", {a}, "{\"remove\":{}}\n" + append(1, c), {a}, true},
    };
    for (const Case& test : cases) {
        Records f;
        if (!test.inFile.empty()) writeFile(f.file, json::dumpPretty(json::array(test.inFile)));
        writeFile(f.folder + "/activity.log", test.log);
        EXPECT_EQ(f.store.entry(c.id).has_value(), std::count(test.expected.begin(), test.expected.end(), c) == 1) << test.name;
        EXPECT_EQ(entriesInFile(f.file), test.expected) << test.name;
        std::vector<std::string> names = f.fs->listDirectory(f.folder);
        ASSERT_EQ(names.size(), test.setAside ? 2u : 1u) << test.name;
        if (test.setAside) {
            EXPECT_TRUE(names[1].starts_with("activity.log.unreadable-")) << test.name;
            EXPECT_EQ(readFile(f.folder + "/" + names[1]), test.log) << test.name;
        }

        // What comes next is logged, not yet written whole, and read back by the next store.
        ActivityEntry changed = test.expected[0];
        changed.undoable = false;
        f.store.replace(changed);
        f.store.append(b);
        EXPECT_EQ(entriesInFile(f.file), test.expected) << test.name;
        EXPECT_EQ(ActivityStore(URL::fileURL(f.file), f.fs).allEntries(), f.store.allEntries()) << test.name;
        EXPECT_EQ(f.store.entry(changed.id), changed) << test.name;
    }
}

// The append that reaches the fold writes the list whole and clears the log: the entry it brings
// must be in that list, whether the store is closed then or after one more.
TEST(ActivityStore, EveryEntryAppendedUpToAndPastTheFoldIsThereAfterClosing) {
    for (size_t count : {ActivityStore::minimumLinesBeforeFold, ActivityStore::minimumLinesBeforeFold + 1}) {
        TempDir dir("/dev/shm");  // a thousand appends, each flushed to disk: in memory they are quick
        URL file = URL::fileURL(dir / "activity.json");
        std::vector<ActivityEntry> appended;
        {
            ActivityStore store(file);
            for (size_t i = 0; i < count; ++i) {
                appended.push_back(entryAt(static_cast<double>(i)));
                store.append(appended.back());
            }
        }
        std::vector<ActivityEntry> loaded = ActivityStore(file).allEntries();
        std::reverse(loaded.begin(), loaded.end());
        ASSERT_EQ(loaded.size(), count);
        EXPECT_EQ(loaded, appended) << count;
    }
}
