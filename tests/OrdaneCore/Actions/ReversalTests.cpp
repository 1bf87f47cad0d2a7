#include <gtest/gtest.h>

#include <latch>
#include <thread>

#include "ActionWorkspace.hpp"
#include "OrdanePlatform/FileSystem/ItemCopy.hpp"
#include "Support/Command.hpp"

using namespace ordane;
using namespace ordane::testing;
using Operation = FaultInjectingFileSystem::Operation;
using Result = ActionExecutor::ReversalResult;

namespace {

const std::string cantUndo = "This step can't be undone anymore.";
const std::string noLongerInTrash = "That file is no longer in the Trash. The Trash was probably emptied.";

}  // namespace

TEST(Undo, PutsAMovedItemBackUnderAFreeNameAndRecordsItOnce) {
    ActionWorkspace w;
    writeFile(w.dir / "docs/bill.pdf", "bill");
    writeFile(w.dir / "docs/gone.txt", "g");
    writeFile(w.dir / "b", "b");
    ActivityEntry trashed = w.runOne(w.trashing("b"));
    ActivityEntry moved = w.runOne(w.move("docs/bill.pdf", "Bills/bill.pdf"));
    ActivityEntry gone = w.runOne(w.move("docs/gone.txt", "out/gone.txt"));
    // Only moves undo and only trashed items restore.
    EXPECT_EQ(w.executor.undo(trashed, w.activity), Result::notPossible(cantUndo));
    EXPECT_EQ(w.executor.restoreFromTrash(moved, w.activity), Result::notPossible(cantUndo));
    EXPECT_TRUE(w.activity.entry(trashed.id)->undoable);
    w.fs->removeItem(w.dir / "out/gone.txt");
    EXPECT_EQ(w.executor.undo(gone, w.activity),
              Result::notPossible("gone.txt isn't where it was when I looked, so I left everything alone."));
    EXPECT_TRUE(w.activity.entry(gone.id)->undoable);

    writeFile(w.dir / "Bills/bill.pdf", "bill, annotated later");  // edits don't stop an undo
    writeFile(w.dir / "docs/bill.pdf", "a new file");
    EXPECT_EQ(w.executor.undo(moved, w.activity), Result::done());
    EXPECT_EQ(readFile(w.dir / "docs/bill 2.pdf"), "bill, annotated later");
    EXPECT_EQ(readFile(w.dir / "docs/bill.pdf"), "a new file");
    EXPECT_FALSE(w.fs->exists(w.dir / "Bills/bill.pdf"));

    w.activity.save();
    std::vector<ActivityEntry> stored = json::array<ActivityEntry>(json::parse(readFile(w.dir / "support/activity.json")));
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored[3].kind, ActivityEntry::Kind::undone(moved.id));
    EXPECT_EQ(stored[3].sizeBytes, 4);
    EXPECT_TRUE(stored[3].undoable);

    EXPECT_EQ(w.executor.undo(stored[3], w.activity), Result::notPossible(cantUndo));
    EXPECT_EQ(w.activity.allEntries().size(), 4u);
}

// Both records of a reversal go to the log in one flush, and a store opened afresh reads both back.
TEST(Reversal, RecordsItsTwoChangesInOneWriteThatALaterLoadReadsBack) {
    ActionWorkspace w;
    writeFile(w.dir / "docs/bill.pdf", "bill");
    writeFile(w.dir / "b.txt", "b");
    ActivityEntry moved = w.runOne(w.move("docs/bill.pdf", "Bills/bill.pdf"));
    ActivityEntry trashed = w.runOne(w.trashing("b.txt"));
    for (const ActivityEntry& entry : {moved, trashed}) {
        const int writes = w.fs->calls(Operation::writeFileAtomically, "activity.");
        const bool isMove = std::holds_alternative<ActivityEntry::Kind::Moved>(entry.kind.value);
        EXPECT_EQ(isMove ? w.executor.undo(entry, w.activity) : w.executor.restoreFromTrash(entry, w.activity),
                  Result::done());
        EXPECT_EQ(w.fs->calls(Operation::writeFileAtomically, "activity."), writes + 1) << isMove;
    }
    std::vector<ActivityEntry> reread = ActivityStore(w.activity.fileURL(), platform::FileSystem::real()).allEntries();
    ASSERT_EQ(reread.size(), 4u);
    EXPECT_EQ(reread, w.activity.allEntries());
    EXPECT_EQ(reread[0].kind, ActivityEntry::Kind::restoredFromTrash(trashed.id));
    EXPECT_EQ(reread[1].kind, ActivityEntry::Kind::undone(moved.id));
    EXPECT_EQ(reread[2].id, trashed.id);
    EXPECT_EQ(reread[2].undoableNote, "Taken back out of the Trash.");
    EXPECT_EQ(reread[3].id, moved.id);
    EXPECT_EQ(reread[3].undoableNote, "Undone.");
    EXPECT_FALSE(reread[2].undoable || reread[3].undoable);
}

// A crash or a power failure at any step of an undo and a restore: each file is whole at one of its
// places, and what the list read afresh calls taken back is back.
TEST(Reversal, ACrashAtAnyStepLeavesTheFilesWholeAndTheRecordsTruthful) {
    atEveryCrashPoint([](const CrashPoint& point) {
        ActionWorkspace w;
        writeFile(w.dir / "docs/bill.pdf", "bill");
        writeFile(w.dir / "b.txt", "b");
        ActivityEntry moved = w.runOne(w.move("docs/bill.pdf", "Bills/bill.pdf"));
        ActivityEntry trashed = w.runOne(w.trashing("b.txt"));
        const auto& trashedKind = std::get<ActivityEntry::Kind::Trashed>(trashed.kind.value);
        point.arm(*w.fs);
        const bool crashed = crashes([&] {
            (void)w.executor.undo(moved, w.activity);
            (void)w.executor.restoreFromTrash(trashed, w.activity);
        });
        auto real = platform::FileSystem::real();
        auto at = [&](const std::string& path, const std::string& contents) {
            return real->exists(path) && readFile(path) == contents;
        };
        EXPECT_NE(at(w.dir / "docs/bill.pdf", "bill"), at(w.dir / "Bills/bill.pdf", "bill")) << point.when();
        EXPECT_NE(at(w.dir / "b.txt", "b"), at(trashedKind.trashURL.path(), "b")) << point.when();
        for (const ActivityEntry& entry : ActivityStore{w.activity.fileURL(), real}.allEntries()) {
            const bool takenBack = !entry.undoable && (entry.id == moved.id || entry.id == trashed.id);
            const bool isMove = entry.id == moved.id;
            EXPECT_TRUE(!takenBack || at(w.dir / (isMove ? "docs/bill.pdf" : "b.txt"), isMove ? "bill" : "b"))
                << point.when();
        }
        return crashed;
    });
}

// A double click, or a row's Undo beside the undo of everything from today: each asks with the same
// stale copy of the entry, all at once. The step is taken back once and its note stays.
TEST(Reversal, OneEntryAskedForManyTimesAtOnceIsTakenBackOnce) {
    for (bool trashed : {false, true}) {
        SCOPED_TRACE(trashed ? "trashed" : "moved");
        ActionWorkspace w;
        writeFile(w.dir / "a.txt", "a");
        ActivityEntry entry = w.runOne(trashed ? w.trashing("a.txt") : w.move("a.txt", "b/a.txt"));
        constexpr int askers = 6;
        std::latch start(askers);
        std::vector<Result> results(askers);
        {
            std::vector<std::jthread> threads;
            for (int i = 0; i < askers; ++i) {
                threads.emplace_back([&, i] {
                    start.arrive_and_wait();
                    results[i] = trashed ? w.executor.restoreFromTrash(entry, w.activity) : w.executor.undo(entry, w.activity);
                });
            }
        }
        EXPECT_EQ(std::count(results.begin(), results.end(), Result::done()), 1);
        EXPECT_EQ(std::count(results.begin(), results.end(), Result::notPossible(cantUndo)), askers - 1);
        EXPECT_EQ(readFile(w.dir / "a.txt"), "a");
        EXPECT_EQ(w.activity.entry(entry.id)->undoableNote, trashed ? "Taken back out of the Trash." : "Undone.");
        EXPECT_EQ(w.activity.allEntries().size(), 2u);
    }
}

// What can befall a trashed a.txt before it is restored. An item gone from the Trash ends the entry for good;
// a Trash out of reach or that can't be read leaves it undoable, to be restored once that is mended.
TEST(Restore, AnEmptiedTrashEndsTheEntryAndAnUnreachableOneLeavesItUndoable) {
    using Mess = std::function<void(ActionWorkspace&)>;
    const std::string failed = "Input/output error.";
    const Mess heal = [](auto& w) { w.fs->clearFaults(); };
    // What befalls a trashed a.txt, the outcome, and the mending after which it is restored (none: gone for good).
    const std::vector<std::tuple<const char*, Mess, std::string, Mess>> cases = {
        {"emptied", [](auto& w) {
             w.fs->removeItem(w.trashDirectory + "/files/a.txt");
             w.fs->removeItem(w.trashDirectory + "/info/a.txt.trashinfo");
         }, noLongerInTrash, nullptr},
        // The Trash is there, so this is no drive that went away.
        {"emptied with its folders", [](auto& w) {
             w.fs->removeTree(w.trashDirectory + "/files");
             w.fs->removeTree(w.trashDirectory + "/info");
         }, noLongerInTrash, nullptr},
        // Ours left the Trash by other means; another a.txt came in under the same name, and must stay there.
        {"another item under the name", [](auto& w) {
             w.fs->moveNoReplace(w.trashDirectory + "/files/a.txt", w.dir / "a.txt");
             w.fs->removeItem(w.trashDirectory + "/info/a.txt.trashinfo");
             writeFile(w.dir / "two/a.txt", "someone else's");
             ASSERT_EQ(w.trash.trashItem(w.dir / "two/a.txt"), w.trashDirectory + "/files/a.txt");
         }, noLongerInTrash, nullptr},
        // As if the drive holding that trash were unplugged: its folder isn't there at all.
        {"unreachable", [](auto& w) { w.fs->moveNoReplace(w.trashDirectory, w.dir / "unplugged"); },
         "I can't reach the Trash on that drive right now. Connect the drive and try again.",
         [](auto& w) { w.fs->moveNoReplace(w.dir / "unplugged", w.trashDirectory); }},
        {"info unreadable", [](auto& w) { w.fs->fail(Operation::readFile, "a.txt.trashinfo", EIO); }, failed, heal},
        // A failing drive: its trash folder is there, the item in it can't be looked at just now.
        {"item unreadable", [](auto& w) {
             w.fs->fail(Operation::exists, "/files/a.txt", EIO);
             w.fs->fail(Operation::linkStatus, "/files/a.txt", EIO);
         }, failed, heal},
    };
    for (const auto& [what, make, result, mend] : cases) {
        SCOPED_TRACE(what);
        ActionWorkspace w;
        writeFile(w.dir / "a.txt", "a");
        ActivityEntry trashed = w.runOne(w.trashing("a.txt"));
        make(w);
        auto inTrash = [&, item = w.trashDirectory + "/files/a.txt"] {
            return platform::FileSystem::real()->exists(item) ? std::optional(readFile(item)) : std::nullopt;
        };
        std::optional<std::string> before = inTrash();
        EXPECT_EQ(w.executor.restoreFromTrash(trashed, w.activity), Result::notPossible(result));
        EXPECT_EQ(inTrash(), before);
        ActivityEntry after = *w.activity.entry(trashed.id);
        EXPECT_EQ(after.undoable, mend != nullptr);
        if (mend) mend(w);
        else EXPECT_EQ(after.undoableNote, "The Trash was emptied, so this can't come back from there.");
        EXPECT_EQ(w.executor.restoreFromTrash(after, w.activity), mend ? Result::done() : Result::notPossible(cantUndo));
        EXPECT_EQ(w.activity.allEntries().size(), mend ? 2u : 1u);
        EXPECT_EQ(w.fs->exists(w.dir / "a.txt") ? readFile(w.dir / "a.txt") : "a", "a");
    }
}

TEST(Restore, ItemsThatGioPutsNextToOursAreLeftAlone) {
    if (!hasProgram("gio")) GTEST_SKIP() << "gio (libglib2.0-bin) is not installed";
    ActionWorkspace w;
    writeFile(w.dir / "one/a.txt", "ours");
    writeFile(w.dir / "two/a.txt", "gio's, same name");
    writeFile(w.dir / "three/b.txt", "gio's, first in");
    writeFile(w.dir / "four/b.txt", "ours, second in");

    ActivityEntry first = w.runOne(w.trashing("one/a.txt"));
    auto gio = runCommand({"gio", "trash", w.dir / "two/a.txt", w.dir / "three/b.txt"}, toolEnvironment(w.dir.path()));
    ASSERT_EQ(gio.exitCode, 0) << gio.output;
    ActivityEntry second = w.runOne(w.trashing("four/b.txt"));
    ASSERT_EQ(namesIn(w.trashDirectory + "/files").size(), 4u);

    EXPECT_EQ(w.executor.restoreFromTrash(first, w.activity), Result::done());
    EXPECT_EQ(w.executor.restoreFromTrash(second, w.activity), Result::done());
    EXPECT_EQ(readFile(w.dir / "one/a.txt"), "ours");
    EXPECT_EQ(readFile(w.dir / "four/b.txt"), "ours, second in");
    EXPECT_EQ(namesIn(w.trashDirectory + "/files").size(), 2u);
    EXPECT_EQ(namesIn(w.trashDirectory + "/info").size(), 2u);
    // What is left is gio's, each item with the info that names its place.
    for (const std::string& name : namesIn(w.trashDirectory + "/files")) {
        std::string item = w.trashDirectory + "/files/" + name;
        EXPECT_TRUE(w.trash.recordsOrigin(item, w.dir / (readFile(item) == "gio's, same name" ? "two/a.txt" : "three/b.txt")))
            << name;
    }
}

// Everything a plan did is taken back: the Trash is left as it was, former folders come back.
TEST(Reversal, APlanRunEndToEndAndTakenBackRestoresEveryByte) {
    ActionWorkspace w;
    auto real = platform::FileSystem::real();
    writeFile(w.dir / "home/Downloads/invoice.pdf", std::string(5 << 20, 'i'));
    writeFile(w.dir / "home/Downloads/photos/a.jpg", "jpeg a");
    writeFile(w.dir / "home/Downloads/photos/raw/b.raw", std::string(1 << 20, 'b'));
    writeFile(w.dir / "home/Desktop/old/old.dmg", "disk image");
    writeFile(w.dir / "home/Desktop/Report.pdf", "report");
    writeFile(w.dir / "home/Documents/Report.pdf", "another report already there");
    real->setPermissions(w.dir / "home/Downloads/invoice.pdf", 0600);
    platform::copyItem(*real, w.dir / "home", w.dir / "before");

    // The folder goes to another volume (and back) as two mounts of one file system would: by copy.
    w.fs->fail(Operation::moveNoReplace, "photos -> ", EXDEV);
    ActionPlan result = w.run({w.trashing("home/Desktop/old/old.dmg"),
                               w.move("home/Downloads/invoice.pdf", "home/Documents/Bills/invoice.pdf"),
                               w.action(PlannedAction::Kind::move(URL::fileURL(w.dir / "home/Downloads/photos", true),
                                                                  URL::fileURL(w.dir / "home/Pictures/photos", true))),
                               w.move("home/Desktop/Report.pdf", "home/Documents/Report.pdf")});
    for (const PlannedAction& action : result.actions) {
        EXPECT_TRUE(std::holds_alternative<PlannedAction::State::Done>(action.state.value)) << action.state.toJson();
    }
    EXPECT_EQ(readFile(w.dir / "home/Documents/Report 2.pdf"), "report");
    EXPECT_FALSE(w.fs->exists(w.dir / "home/Downloads/photos"));
    w.fs->removeTree(w.dir / "home/Desktop/old");
    writeFile(w.trashDirectory + "/directorysizes", "10 1700000000 other\n10 1700000000 old.dmg\n");

    auto takeBack = [&](const ActivityEntry& entry) {
        bool trashed = std::holds_alternative<ActivityEntry::Kind::Trashed>(entry.kind.value);
        return trashed ? w.executor.restoreFromTrash(entry, w.activity) : w.executor.undo(entry, w.activity);
    };
    std::vector<ActivityEntry> done = w.activity.allEntries();
    for (const ActivityEntry& entry : done) EXPECT_EQ(takeBack(entry), Result::done());
    for (const ActivityEntry& entry : done) {
        ActivityEntry after = *w.activity.entry(entry.id);
        EXPECT_FALSE(after.undoable);
        bool trashed = std::holds_alternative<ActivityEntry::Kind::Trashed>(entry.kind.value);
        EXPECT_EQ(after.undoableNote, trashed ? "Taken back out of the Trash." : "Undone.");
        EXPECT_EQ(takeBack(after), Result::notPossible(cantUndo));
    }
    EXPECT_TRUE(w.fs->listDirectory(w.trashDirectory + "/files").empty());
    EXPECT_TRUE(w.fs->listDirectory(w.trashDirectory + "/info").empty());
    EXPECT_EQ(readFile(w.trashDirectory + "/directorysizes"), "10 1700000000 other\n");
    // The folders the plan made are gone with it.
    EXPECT_EQ(treeDifference(w.dir / "before", w.dir / "home"), std::nullopt);
    EXPECT_EQ(real->linkStatus(w.dir / "home/Downloads/invoice.pdf").mode, 0600u);
    EXPECT_EQ(w.activity.allEntries().size(), 8u);
}

// Undo takes away the empty folders the plan made, also when another move of the plan went into them
// first and when the list was read back from its file; a folder that was there, or that holds
// anything now, stays.
TEST(Undo, TakesAwayOnlyTheFoldersThePlanMadeThatItLeavesEmpty) {
    ActionWorkspace w;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) writeFile(w.dir / (std::string("in/") + name), name);
    w.fs->createDirectories(w.dir / "Old");
    w.run({w.move("in/a.txt", "New/Deep/a.txt"), w.move("in/b.txt", "New/Deep/b.txt"),
           w.move("in/c.txt", "Old/c.txt"), w.move("in/d.txt", "Kept/Sub/d.txt")},
          [&](const PlannedAction&, int position, int) {
              if (position != 2) return;  // the journal notes what the first move made
              ActionPlan journalled = w.journal.loadAll().at(0);
              EXPECT_EQ(journalled.actions[0].createdFolders,
                        (std::vector<URL>{URL::fileURL(w.dir / "New/Deep", true), URL::fileURL(w.dir / "New", true)}));
          });
    writeFile(w.dir / "Kept/notes.txt", "someone else's");
    ActivityStore reread{w.url("support/activity.json"), w.fs};
    std::vector<ActivityEntry> entries = reread.allEntries();
    auto from = [](const ActivityEntry& entry) { return std::get<ActivityEntry::Kind::Moved>(entry.kind.value).from.path(); };
    std::sort(entries.begin(), entries.end(), [&](auto& x, auto& y) { return from(x) < from(y); });  // a first: b still holds New/Deep
    for (const ActivityEntry& entry : entries) {
        EXPECT_EQ(w.executor.undo(entry, reread), Result::done());
        if (entry.kind == ActivityEntry::Kind::moved(w.url("in/a.txt"), w.url("New/Deep/a.txt"))) {
            EXPECT_TRUE(w.fs->exists(w.dir / "New/Deep"));
        }
    }
    EXPECT_FALSE(w.fs->exists(w.dir / "New"));
    EXPECT_EQ(namesIn(w.dir / "Old"), std::vector<std::string>{});
    EXPECT_EQ(namesIn(w.dir / "Kept"), std::vector<std::string>{"notes.txt"});
    EXPECT_EQ(namesIn(w.dir / "in").size(), 4u);
}
