#include <gtest/gtest.h>

#include "ActionWorkspace.hpp"
#include "OrdaneCore/Hashing/FileHasher.hpp"
#include "OrdanePlatform/FileSystem/ItemCopy.hpp"
#include "OrdanePlatform/FileSystem/TreeComparison.hpp"

using namespace ordane;
using ordane::testing::ActionWorkspace;
using ordane::testing::readFile;
using ordane::testing::TempDir;
using ordane::testing::writeFile;
using Operation = ordane::testing::FaultInjectingFileSystem::Operation;
using Result = ActionExecutor::ReversalResult;

namespace {

const std::string cantUndo = "This step can't be undone anymore.";
const std::string noLongerInTrash = "That file is no longer in the Trash. The Trash was probably emptied.";

// Runs a plan and returns the activity entry of its first action.
ActivityEntry runOne(ActionWorkspace& w, PlannedAction action) {
    w.executor.execute(ActionWorkspace::plan({std::move(action)}), w.journal, w.activity);
    return w.activity.allEntries().at(0);
}

std::optional<std::string> treeDifference(const std::string& a, const std::string& b) {
    FileHasher hasher;
    return platform::firstTreeDifference(*platform::FileSystem::real(), a, b, [&](const std::string& path) {
        return hasher.sha256(URL::fileURL(path), FileHasher::defaultChunkSize);
    });
}

}  // namespace

TEST(Undo, PutsTheItemBackAndRecordsItOnce) {
    ActionWorkspace w;
    writeFile(w.dir / "docs/bill.pdf", "bill");
    ActivityEntry moved = runOne(w, w.move("docs/bill.pdf", "Bills/bill.pdf"));
    writeFile(w.dir / "Bills/bill.pdf", "bill, annotated later");  // edits don't stop an undo

    EXPECT_EQ(w.executor.undo(moved, w.activity), Result::done());
    EXPECT_EQ(readFile(w.dir / "docs/bill.pdf"), "bill, annotated later");
    EXPECT_FALSE(w.fs->exists(w.dir / "Bills/bill.pdf"));

    ActivityEntry old = *w.activity.entry(moved.id);
    EXPECT_FALSE(old.undoable);
    EXPECT_EQ(old.undoableNote, "Undone.");
    std::vector<ActivityEntry> stored = json::array<ActivityEntry>(json::parse(readFile(w.dir / "support/activity.json")));
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[1].kind, ActivityEntry::Kind::undone(moved.id));
    EXPECT_EQ(stored[1].sizeBytes, 4);
    EXPECT_TRUE(stored[1].undoable);

    EXPECT_EQ(w.executor.undo(old, w.activity), Result::notPossible(cantUndo));
    EXPECT_EQ(w.executor.undo(stored[1], w.activity), Result::notPossible(cantUndo));
    EXPECT_EQ(w.activity.allEntries().size(), 2u);
}

TEST(Undo, OnlyMovesUndoAndOnlyTrashesRestore) {
    ActionWorkspace w;
    writeFile(w.dir / "a", "a");
    writeFile(w.dir / "b", "b");
    ActivityEntry moved = runOne(w, w.move("a", "x/a"));
    ActivityEntry trashed = runOne(w, w.trashing("b"));
    ASSERT_NE(moved.id, trashed.id);
    EXPECT_EQ(w.executor.undo(trashed, w.activity), Result::notPossible(cantUndo));
    EXPECT_EQ(w.executor.restoreFromTrash(moved, w.activity), Result::notPossible(cantUndo));
    EXPECT_TRUE(w.activity.entry(moved.id)->undoable);
    EXPECT_TRUE(w.activity.entry(trashed.id)->undoable);
}

TEST(Undo, ATakenFormerNameGivesAFreeNameAndAGoneItemIsRefused) {
    ActionWorkspace w;
    writeFile(w.dir / "docs/Report.pdf", "moved one");
    ActivityEntry moved = runOne(w, w.move("docs/Report.pdf", "out/Report.pdf"));
    writeFile(w.dir / "docs/Report.pdf", "a new file");
    EXPECT_EQ(w.executor.undo(moved, w.activity), Result::done());
    EXPECT_EQ(readFile(w.dir / "docs/Report 2.pdf"), "moved one");
    EXPECT_EQ(readFile(w.dir / "docs/Report.pdf"), "a new file");

    writeFile(w.dir / "docs/gone.txt", "g");
    ActivityEntry second = runOne(w, w.move("docs/gone.txt", "out/gone.txt"));
    w.fs->removeItem(w.dir / "out/gone.txt");
    EXPECT_EQ(w.executor.undo(second, w.activity),
              Result::notPossible("gone.txt isn't where it was when I looked, so I left everything alone."));
    EXPECT_TRUE(w.activity.entry(second.id)->undoable);
}

TEST(Restore, TakesTheItemOutOfTheTrashAndCleansItsInfo) {
    ActionWorkspace w;
    writeFile(w.dir / "photos/trip/pic.jpg", "pixels");
    ActivityEntry trashed = runOne(w, w.trashing("photos/trip/pic.jpg"));
    writeFile(w.trashDirectory + "/directorysizes", "10 1700000000 other\n6 1700000000 pic.jpg\n");
    w.fs->removeTree(w.dir / "photos");  // the former folder is gone too

    EXPECT_EQ(w.executor.restoreFromTrash(trashed, w.activity), Result::done());
    EXPECT_EQ(readFile(w.dir / "photos/trip/pic.jpg"), "pixels");
    EXPECT_TRUE(w.fs->listDirectory(w.trashDirectory + "/files").empty());
    EXPECT_TRUE(w.fs->listDirectory(w.trashDirectory + "/info").empty());
    EXPECT_EQ(readFile(w.trashDirectory + "/directorysizes"), "10 1700000000 other\n");

    ActivityEntry old = *w.activity.entry(trashed.id);
    EXPECT_FALSE(old.undoable);
    EXPECT_EQ(old.undoableNote, "Taken back out of the Trash.");
    EXPECT_EQ(w.activity.allEntries().size(), 2u);
    EXPECT_EQ(w.executor.restoreFromTrash(old, w.activity), Result::notPossible(cantUndo));
}

TEST(Restore, AnEmptiedTrashEndsTheEntryForGood) {
    ActionWorkspace w;
    writeFile(w.dir / "old.log", "log");
    ActivityEntry trashed = runOne(w, w.trashing("old.log"));
    w.fs->removeItem(w.trashDirectory + "/files/old.log");
    w.fs->removeItem(w.trashDirectory + "/info/old.log.trashinfo");

    EXPECT_EQ(w.executor.restoreFromTrash(trashed, w.activity), Result::notPossible(noLongerInTrash));
    ActivityEntry after = *w.activity.entry(trashed.id);
    EXPECT_FALSE(after.undoable);
    EXPECT_EQ(after.undoableNote, "The Trash was emptied, so this can't come back from there.");
    EXPECT_EQ(w.executor.restoreFromTrash(after, w.activity), Result::notPossible(cantUndo));
    EXPECT_EQ(w.activity.allEntries().size(), 1u);

    // Emptied by a tool that removes the files and info folders themselves: the Trash is there,
    // so this is no drive that went away.
    writeFile(w.dir / "new.log", "log");
    ActivityEntry second = runOne(w, w.trashing("new.log"));
    w.fs->removeTree(w.trashDirectory + "/files");
    w.fs->removeTree(w.trashDirectory + "/info");
    EXPECT_EQ(w.executor.restoreFromTrash(second, w.activity), Result::notPossible(noLongerInTrash));
    EXPECT_FALSE(w.activity.entry(second.id)->undoable);
}

TEST(Restore, AnUnreachableTrashLeavesTheEntryUndoable) {
    ActionWorkspace w;
    writeFile(w.dir / "a.txt", "a");
    ActivityEntry trashed = runOne(w, w.trashing("a.txt"));
    // As if the drive holding that trash were unplugged: its folder isn't there at all.
    w.fs->moveNoReplace(w.trashDirectory, w.dir / "unplugged");
    EXPECT_EQ(w.executor.restoreFromTrash(trashed, w.activity),
              Result::notPossible("I can't reach the Trash on that drive right now. Connect the drive and try again."));
    EXPECT_TRUE(w.activity.entry(trashed.id)->undoable);

    w.fs->moveNoReplace(w.dir / "unplugged", w.trashDirectory);
    EXPECT_EQ(w.executor.restoreFromTrash(*w.activity.entry(trashed.id), w.activity), Result::done());
    EXPECT_EQ(readFile(w.dir / "a.txt"), "a");
}

TEST(Restore, AnotherItemUnderTheSameTrashNameIsNeverTakenOut) {
    ActionWorkspace w;
    writeFile(w.dir / "one/a.txt", "ours");
    ActivityEntry trashed = runOne(w, w.trashing("one/a.txt"));
    // Ours left the Trash by other means; another a.txt came in under the same name.
    w.fs->moveNoReplace(w.trashDirectory + "/files/a.txt", w.dir / "one/a.txt");
    w.fs->removeItem(w.trashDirectory + "/info/a.txt.trashinfo");
    writeFile(w.dir / "two/a.txt", "someone else's");
    ASSERT_EQ(w.trash.trashItem(w.dir / "two/a.txt"), w.trashDirectory + "/files/a.txt");

    EXPECT_EQ(w.executor.restoreFromTrash(trashed, w.activity), Result::notPossible(noLongerInTrash));
    EXPECT_EQ(readFile(w.trashDirectory + "/files/a.txt"), "someone else's");
    EXPECT_EQ(readFile(w.dir / "one/a.txt"), "ours");
    EXPECT_FALSE(w.activity.entry(trashed.id)->undoable);
}

TEST(Restore, AnUnreadableInfoFileIsAFailureNotAnEmptiedTrash) {
    ActionWorkspace w;
    writeFile(w.dir / "a.txt", "a");
    ActivityEntry trashed = runOne(w, w.trashing("a.txt"));
    w.fs->fail(Operation::readFile, "a.txt.trashinfo", EIO);
    EXPECT_EQ(w.executor.restoreFromTrash(trashed, w.activity), Result::notPossible("Input/output error."));
    EXPECT_TRUE(w.activity.entry(trashed.id)->undoable);
    EXPECT_TRUE(w.fs->exists(w.trashDirectory + "/files/a.txt"));
}

TEST(Restore, ATrashedItemThatCantBeLookedAtIsAFailureNotAnEmptiedTrash) {
    ActionWorkspace w;
    writeFile(w.dir / "a.txt", "a");
    ActivityEntry trashed = runOne(w, w.trashing("a.txt"));
    // A failing drive: its trash folder is there, the item in it can't be looked at just now.
    w.fs->fail(Operation::exists, "/files/a.txt", EIO);
    w.fs->fail(Operation::linkStatus, "/files/a.txt", EIO);
    EXPECT_EQ(w.executor.restoreFromTrash(trashed, w.activity), Result::notPossible("Input/output error."));
    EXPECT_TRUE(w.activity.entry(trashed.id)->undoable);

    w.fs->clearFaults();
    EXPECT_EQ(w.executor.restoreFromTrash(trashed, w.activity), Result::done());
    EXPECT_EQ(readFile(w.dir / "a.txt"), "a");
}

TEST(Reversal, APlanRunEndToEndAndTakenBackRestoresEveryByte) {
    ActionWorkspace w;
    auto real = platform::FileSystem::real();
    writeFile(w.dir / "home/Downloads/invoice.pdf", std::string(5 << 20, 'i'));
    writeFile(w.dir / "home/Downloads/photos/a.jpg", "jpeg a");
    writeFile(w.dir / "home/Downloads/photos/raw/b.raw", std::string(1 << 20, 'b'));
    writeFile(w.dir / "home/Desktop/old.dmg", "disk image");
    writeFile(w.dir / "home/Desktop/Report.pdf", "report");
    writeFile(w.dir / "home/Documents/Report.pdf", "another report already there");
    real->setPermissions(w.dir / "home/Downloads/invoice.pdf", 0600);
    platform::copyItem(*real, w.dir / "home", w.dir / "before");

    // The folder goes to another volume as two mounts of one file system would: by copy.
    w.fs->fail(Operation::moveNoReplace, "photos -> ", EXDEV);
    ActionPlan result = w.executor.execute(
        ActionWorkspace::plan({w.trashing("home/Desktop/old.dmg"),
                               w.move("home/Downloads/invoice.pdf", "home/Documents/Bills/invoice.pdf"),
                               w.action(PlannedAction::Kind::move(URL::fileURL(w.dir / "home/Downloads/photos", true),
                                                                  URL::fileURL(w.dir / "home/Pictures/photos", true))),
                               w.move("home/Desktop/Report.pdf", "home/Documents/Report.pdf")}),
        w.journal, w.activity);
    for (const PlannedAction& action : result.actions) {
        EXPECT_TRUE(std::holds_alternative<PlannedAction::State::Done>(action.state.value)) << action.state.toJson();
    }
    EXPECT_EQ(readFile(w.dir / "home/Documents/Report 2.pdf"), "report");
    EXPECT_FALSE(w.fs->exists(w.dir / "home/Downloads/photos"));

    for (const ActivityEntry& entry : w.activity.allEntries()) {
        Result reversal = std::holds_alternative<ActivityEntry::Kind::Trashed>(entry.kind.value)
                              ? w.executor.restoreFromTrash(entry, w.activity)
                              : w.executor.undo(entry, w.activity);
        EXPECT_EQ(reversal, Result::done());
    }
    w.fs->removeTree(w.dir / "home/Documents/Bills");
    w.fs->removeTree(w.dir / "home/Pictures");
    EXPECT_EQ(treeDifference(w.dir / "before", w.dir / "home"), std::nullopt);
    EXPECT_EQ(real->linkStatus(w.dir / "home/Downloads/invoice.pdf").mode, 0600u);
    EXPECT_EQ(w.activity.allEntries().size(), 8u);
}
