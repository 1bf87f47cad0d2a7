#include <gtest/gtest.h>
#include <unistd.h>

#include "ActionWorkspace.hpp"
#include "Support/Command.hpp"
#include "Support/LoopVolume.hpp"

using namespace ordane;
using ordane::testing::ActionWorkspace;
using ordane::testing::hasProgram;
using ordane::testing::LoopVolume;
using ordane::testing::readFile;
using ordane::testing::runCommand;
using ordane::testing::writeFile;
using Result = ActionExecutor::ReversalResult;

namespace {

std::vector<std::string> environmentFor(const ActionWorkspace& w) {
    return {"HOME=" + w.dir.path(), "XDG_DATA_HOME=" + w.dir / "data", "PATH=/usr/bin:/bin", "LANG=C.UTF-8", "TZ=UTC"};
}

ActivityEntry trashOne(ActionWorkspace& w, const std::string& relative) {
    ActionPlan result = w.executor.execute(ActionWorkspace::plan({w.trashing(relative)}), w.journal, w.activity);
    EXPECT_TRUE(std::holds_alternative<PlannedAction::State::Done>(result.actions[0].state.value));
    return *w.activity.allEntries().begin();
}

}  // namespace

TEST(TrashRestoreInteroperability, ItemsThatGioPutsNextToOursAreLeftAlone) {
    if (!hasProgram("gio")) GTEST_SKIP() << "gio (libglib2.0-bin) is not installed";
    ActionWorkspace w;
    writeFile(w.dir / "one/a.txt", "ours");
    writeFile(w.dir / "two/a.txt", "gio's, same name");
    writeFile(w.dir / "three/b.txt", "gio's, first in");
    writeFile(w.dir / "four/b.txt", "ours, second in");

    ActivityEntry first = trashOne(w, "one/a.txt");
    auto gio = runCommand({"gio", "trash", w.dir / "two/a.txt", w.dir / "three/b.txt"}, environmentFor(w));
    ASSERT_EQ(gio.exitCode, 0) << gio.output;
    ActivityEntry second = trashOne(w, "four/b.txt");
    ASSERT_EQ(w.fs->listDirectory(w.trashDirectory + "/files").size(), 4u);

    EXPECT_EQ(w.executor.restoreFromTrash(first, w.activity), Result::done());
    EXPECT_EQ(w.executor.restoreFromTrash(second, w.activity), Result::done());
    EXPECT_EQ(readFile(w.dir / "one/a.txt"), "ours");
    EXPECT_EQ(readFile(w.dir / "four/b.txt"), "ours, second in");
    EXPECT_FALSE(w.fs->exists(w.dir / "two/a.txt"));
    EXPECT_FALSE(w.fs->exists(w.dir / "three/b.txt"));
    EXPECT_EQ(w.fs->listDirectory(w.trashDirectory + "/files").size(), 2u);
    EXPECT_EQ(w.fs->listDirectory(w.trashDirectory + "/info").size(), 2u);

    if (hasProgram("trash-list")) {
        auto listed = runCommand({"trash-list"}, environmentFor(w));
        EXPECT_NE(listed.output.find(" " + w.dir / "two/a.txt\n"), std::string::npos) << listed.output;
        EXPECT_NE(listed.output.find(" " + w.dir / "three/b.txt\n"), std::string::npos) << listed.output;
        EXPECT_EQ(listed.output.find(w.dir / "one/a.txt"), std::string::npos) << listed.output;
        EXPECT_EQ(listed.output.find(w.dir / "four/b.txt"), std::string::npos) << listed.output;
    }
}

TEST(TrashRestoreInteroperability, ADetachedDriveIsUnreachableNotEmptied) {
    LoopVolume volume;
    if (!volume.mounted()) GTEST_SKIP() << volume.whyNot();
    ActionWorkspace w;
    std::string item = volume.mountPoint() + "/docs/on drive.txt";
    writeFile(item, "on the drive");
    w.executor.execute(
        ActionWorkspace::plan({w.action(PlannedAction::Kind::trash(URL::fileURL(item)))}), w.journal, w.activity);
    ActivityEntry trashed = w.activity.allEntries().at(0);
    std::string trashURL = std::get<ActivityEntry::Kind::Trashed>(trashed.kind.value).trashURL.path();
    EXPECT_EQ(trashURL, volume.mountPoint() + "/.Trash-1234/files/on drive.txt");

    ASSERT_TRUE(volume.unmount());
    EXPECT_EQ(w.executor.restoreFromTrash(trashed, w.activity),
              Result::notPossible("I can't reach the Trash on that drive right now. Connect the drive and try again."));
    EXPECT_TRUE(w.activity.entry(trashed.id)->undoable);

    ASSERT_TRUE(volume.mount());
    EXPECT_EQ(w.executor.restoreFromTrash(*w.activity.entry(trashed.id), w.activity), Result::done());
    EXPECT_EQ(readFile(item), "on the drive");
    EXPECT_TRUE(w.fs->listDirectory(volume.mountPoint() + "/.Trash-1234/info").empty());
}
