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
using ordane::testing::writeFile;

namespace {

std::vector<std::string> environmentFor(const TempDir& home) {
    return {"HOME=" + home.path(), "XDG_DATA_HOME=" + home / "data", "PATH=/usr/bin:/bin", "LANG=C.UTF-8", "TZ=UTC"};
}

}  // namespace

TEST(TrashInteroperability, TrashListShowsOurItemsWithTheirOriginalPaths) {
    if (!hasProgram("trash-list")) GTEST_SKIP() << "trash-list (trash-cli) is not installed";
    TempDir home;
    Trash trash(FileSystem::real(), home / "data/Trash", static_cast<uint32_t>(::getuid()));
    writeFile(home / "docs/plain.txt", "1");
    writeFile(home / "docs/with space & 100%.txt", "2");
    writeFile(home / "docs/naïve/inner", "3");
    writeFile(home / "other/plain.txt", "4");
    for (const char* item : {"docs/plain.txt", "docs/with space & 100%.txt", "docs/naïve", "other/plain.txt"}) {
        trash.trashItem(home / item);
    }

    auto listed = runCommand({"trash-list"}, environmentFor(home));
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    for (const char* item : {"docs/plain.txt", "docs/with space & 100%.txt", "docs/naïve", "other/plain.txt"}) {
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
        auto listed = runCommand({"trash-list"}, environmentFor(home));
        EXPECT_NE(listed.output.find(volume.mountPoint() + "/sub/on disk.txt"), std::string::npos) << listed.output;
    }

    ASSERT_TRUE(trash.recordsOrigin(trashed, volume.mountPoint() + "/sub/on disk.txt"));
    fs->moveNoReplace(trashed, volume.mountPoint() + "/sub/on disk.txt");
    trash.forget(trashed);
    EXPECT_EQ(readFile(volume.mountPoint() + "/sub/on disk.txt"), "on the disk");
    EXPECT_TRUE(fs->listDirectory(own + "/info").empty());
}
