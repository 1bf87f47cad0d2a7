#include <gtest/gtest.h>
#include <unistd.h>

#include "OrdanePlatform/Trash/Trash.hpp"
#include "Support/Command.hpp"
#include "Support/LoopVolume.hpp"
#include "Support/TempDir.hpp"

using ordane::platform::FileSystem;
using ordane::platform::Trash;
using ordane::testing::hasProgram;
using ordane::testing::LoopVolume;
using ordane::testing::readFile;
using ordane::testing::runCommand;
using ordane::testing::TempDir;
using ordane::testing::toolEnvironment;
using ordane::testing::writeFile;

TEST(TrashInteroperability, TrashListShowsOurItemsWithTheirOriginalPaths) {
    if (!hasProgram("trash-list")) GTEST_SKIP() << "trash-list (trash-cli) is not installed";
    TempDir home;
    Trash trash(FileSystem::real(), home / "data/Trash", static_cast<uint32_t>(::getuid()));
    const std::vector<std::string> items = {"docs/plain.txt", "docs/with space & 100%.txt", "docs/naïve", "other/plain.txt"};
    writeFile(home / "docs/naïve/inner", "a folder");
    for (const std::string& item : items) {
        if (item != "docs/naïve") writeFile(home / item, item);
        trash.trashItem(home / item);
    }

    auto listed = runCommand({"trash-list"}, toolEnvironment(home.path()));
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    for (const std::string& item : items) {
        EXPECT_NE(listed.output.find(" " + home / item + "\n"), std::string::npos) << item << "\n" << listed.output;
    }
}

TEST(TrashInteroperability, PerVolumeTrashOnALoopMountedDisk) {
    LoopVolume volume;
    if (!volume.mounted()) GTEST_SKIP() << volume.whyNot();
    TempDir home;
    auto fs = FileSystem::real();
    Trash trash(fs, home / "data/Trash", static_cast<uint32_t>(::getuid()));
    writeFile(volume.mountPoint() + "/sub/on disk.txt", "on the disk");

    std::string trashed = trash.trashItem(volume.mountPoint() + "/sub/on disk.txt");
    std::string own = volume.mountPoint() + "/.Trash-" + std::to_string(::getuid());
    EXPECT_EQ(trashed, own + "/files/on disk.txt");
    EXPECT_NE(readFile(own + "/info/on disk.txt.trashinfo").find("Path=sub/on%20disk.txt\n"), std::string::npos);
    EXPECT_FALSE(fs->exists(home / "data/Trash/files/on disk.txt"));

    if (hasProgram("trash-list")) {
        auto listed = runCommand({"trash-list"}, toolEnvironment(home.path()));
        EXPECT_NE(listed.output.find(volume.mountPoint() + "/sub/on disk.txt"), std::string::npos) << listed.output;
    }

    // A detached drive's trash is out of reach, not emptied.
    ASSERT_TRUE(volume.unmount());
    EXPECT_FALSE(trash.isReachable(trashed));
    ASSERT_TRUE(volume.mount());
    EXPECT_TRUE(trash.isReachable(trashed));
    ASSERT_TRUE(trash.recordsOrigin(trashed, volume.mountPoint() + "/sub/on disk.txt"));
    fs->moveNoReplace(trashed, volume.mountPoint() + "/sub/on disk.txt");
    trash.forget(trashed);
    EXPECT_EQ(readFile(volume.mountPoint() + "/sub/on disk.txt"), "on the disk");
    EXPECT_TRUE(fs->listDirectory(own + "/info").empty());
}
