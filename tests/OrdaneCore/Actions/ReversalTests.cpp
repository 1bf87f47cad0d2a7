#include <gtest/gtest.h>

#include "ActionWorkspace.hpp"
#include "OrdanePlatform/FileSystem/ItemCopy.hpp"
#include "Support/Command.hpp"

using namespace ordane;
using ordane::testing::ActionWorkspace;
using ordane::testing::hasProgram;
using ordane::testing::namesIn;
using ordane::testing::readFile;
using ordane::testing::runCommand;
using ordane::testing::toolEnvironment;
using ordane::testing::treeDifference;
using ordane::testing::writeFile;
using Operation = ordane::testing::FaultInjectingFileSystem::Operation;
using Result = ActionExecutor::ReversalResult;

namespace {

const std::string cantUndo = "This step can't be undone anymore.";
const std::string noLongerInTrash = "That file is no longer in the Trash. The Trash was probably emptied.";

}  // namespace

TEST(Undo, PutsAMovedItemBackAndRecordsItOnce) {
    ActionWorkspace w;
    writeFile(w.dir / "docs/bill.pdf", "bill");
    writeFile(w.dir / "b", "b");
    ActivityEntry trashed = w.runOne(w.trashing("b"));
    ActivityEntry moved = w.runOne(w.move("docs/bill.pdf", "Bills/bill.pdf"));
    // Only moves undo and only trashed items restore.
    EXPECT_EQ(w.executor.undo(trashed, w.activity), Result::notPossible(cantUndo));
    EXPECT_EQ(w.executor.restoreFromTrash(moved, w.activity), Result::notPossible(cantUndo));
    EXPECT_TRUE(w.activity.entry(trashed.id)->undoable);

    writeFile(w.dir / "Bills/bill.pdf", "bill, annotated later");  // edits don't stop an undo
    EXPECT_EQ(w.executor.undo(moved, w.activity), Result::done());
    EXPECT_EQ(readFile(w.dir / "docs/bill.pdf"), "bill, annotated later");
    EXPECT_FALSE(w.fs->exists(w.dir / "Bills/bill.pdf"));

    ActivityEntry old = *w.activity.entry(moved.id);
    EXPECT_FALSE(old.undoable);
    EXPECT_EQ(old.undoableNote, "Undone.");
    std::vector<ActivityEntry> stored = json::array<ActivityEntry>(json::parse(readFile(w.dir / "support/activity.json")));
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[2].kind, ActivityEntry::Kind::undone(moved.id));
    EXPECT_EQ(stored[2].sizeBytes, 4);
    EXPECT_TRUE(stored[2].undoable);

    EXPECT_EQ(w.executor.undo(old, w.activity), Result::notPossible(cantUndo));
    EXPECT_EQ(w.executor.undo(stored[2], w.activity), Result::notPossible(cantUndo));
    EXPECT_EQ(w.activity.allEntries().size(), 3u);
}

TEST(Undo, ATakenFormerNameGivesAFreeNameAndAGoneItemIsRefused) {
    ActionWorkspace w;
    writeFile(w.dir / "docs/Report.pdf", "moved one");
    writeFile(w.dir / "docs/gone.txt", "g");
    ActivityEntry moved = w.runOne(w.move("docs/Report.pdf", "out/Report.pdf"));
    ActivityEntry second = w.runOne(w.move("docs/gone.txt", "out/gone.txt"));
    writeFile(w.dir / "docs/Report.pdf", "a new file");
    EXPECT_EQ(w.executor.undo(moved, w.activity), Result::done());
    EXPECT_EQ(readFile(w.dir / "docs/Report 2.pdf"), "moved one");
    EXPECT_EQ(readFile(w.dir / "docs/Report.pdf"), "a new file");

    w.fs->removeItem(w.dir / "out/gone.txt");
    EXPECT_EQ(w.executor.undo(second, w.activity),
              Result::notPossible("gone.txt isn't where it was when I looked, so I left everything alone."));
    EXPECT_TRUE(w.activity.entry(second.id)->undoable);
}

TEST(Restore, TakesTheItemOutOfTheTrashAndCleansItsInfo) {
    ActionWorkspace w;
    writeFile(w.dir / "photos/trip/pic.jpg", "pixels");
    ActivityEntry trashed = w.runOne(w.trashing("photos/trip/pic.jpg"));
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
    writeFile(w.dir / "new.log", "log");
    ActivityEntry trashed = w.runOne(w.trashing("old.log"));
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
    ActivityEntry second = w.runOne(w.trashing("new.log"));
    w.fs->removeTree(w.trashDirectory + "/files");
    w.fs->removeTree(w.trashDirectory + "/info");
    EXPECT_EQ(w.executor.restoreFromTrash(second, w.activity), Result::notPossible(noLongerInTrash));
    EXPECT_FALSE(w.activity.entry(second.id)->undoable);
}

TEST(Restore, AnUnreachableTrashLeavesTheEntryUndoable) {
    ActionWorkspace w;
    writeFile(w.dir / "a.txt", "a");
    ActivityEntry trashed = w.runOne(w.trashing("a.txt"));
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
    ActivityEntry trashed = w.runOne(w.trashing("one/a.txt"));
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

TEST(Restore, AnInfoFileOrItemThatCantBeReadIsAFailureNotAnEmptiedTrash) {
    ActionWorkspace w;
    writeFile(w.dir / "a.txt", "a");
    ActivityEntry trashed = w.runOne(w.trashing("a.txt"));
    w.fs->fail(Operation::readFile, "a.txt.trashinfo", EIO);
    EXPECT_EQ(w.executor.restoreFromTrash(trashed, w.activity), Result::notPossible("Input/output error."));
    w.fs->clearFaults();
    // A failing drive: its trash folder is there, the item in it can't be looked at just now.
    w.fs->fail(Operation::exists, "/files/a.txt", EIO);
    w.fs->fail(Operation::linkStatus, "/files/a.txt", EIO);
    EXPECT_EQ(w.executor.restoreFromTrash(trashed, w.activity), Result::notPossible("Input/output error."));
    EXPECT_TRUE(w.activity.entry(trashed.id)->undoable);

    w.fs->clearFaults();
    EXPECT_EQ(w.executor.restoreFromTrash(trashed, w.activity), Result::done());
    EXPECT_EQ(readFile(w.dir / "a.txt"), "a");
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

    if (hasProgram("trash-list")) {
        std::string listed = runCommand({"trash-list"}, toolEnvironment(w.dir.path())).output;
        EXPECT_NE(listed.find(" " + w.dir / "two/a.txt\n"), std::string::npos) << listed;
        EXPECT_NE(listed.find(" " + w.dir / "three/b.txt\n"), std::string::npos) << listed;
        EXPECT_EQ(listed.find(w.dir / "one/a.txt"), std::string::npos) << listed;
        EXPECT_EQ(listed.find(w.dir / "four/b.txt"), std::string::npos) << listed;
    }
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

    // The folder goes to another volume (and back) as two mounts of one file system would: by copy.
    w.fs->fail(Operation::moveNoReplace, "photos -> ", EXDEV);
    ActionPlan result = w.run({w.trashing("home/Desktop/old.dmg"),
                               w.move("home/Downloads/invoice.pdf", "home/Documents/Bills/invoice.pdf"),
                               w.action(PlannedAction::Kind::move(URL::fileURL(w.dir / "home/Downloads/photos", true),
                                                                  URL::fileURL(w.dir / "home/Pictures/photos", true))),
                               w.move("home/Desktop/Report.pdf", "home/Documents/Report.pdf")});
    for (const PlannedAction& action : result.actions) {
        EXPECT_TRUE(std::holds_alternative<PlannedAction::State::Done>(action.state.value)) << action.state.toJson();
    }
    EXPECT_EQ(readFile(w.dir / "home/Documents/Report 2.pdf"), "report");
    EXPECT_FALSE(w.fs->exists(w.dir / "home/Downloads/photos"));

    for (const ActivityEntry& entry : w.activity.allEntries()) {
        bool trashed = std::holds_alternative<ActivityEntry::Kind::Trashed>(entry.kind.value);
        EXPECT_EQ(trashed ? w.executor.restoreFromTrash(entry, w.activity) : w.executor.undo(entry, w.activity),
                  Result::done());
    }
    w.fs->removeTree(w.dir / "home/Documents/Bills");
    w.fs->removeTree(w.dir / "home/Pictures");
    EXPECT_EQ(treeDifference(w.dir / "before", w.dir / "home"), std::nullopt);
    EXPECT_EQ(real->linkStatus(w.dir / "home/Downloads/invoice.pdf").mode, 0600u);
    EXPECT_EQ(w.activity.allEntries().size(), 8u);
}
