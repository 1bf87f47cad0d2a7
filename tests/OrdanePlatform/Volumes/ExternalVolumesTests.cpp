#include <gtest/gtest.h>

#include <algorithm>

#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Volumes/ExternalVolumes.hpp"
#include "Support/LoopVolume.hpp"
#include "Support/TempDir.hpp"

namespace ordane::platform {
namespace {

using testing::TempDir;
using testing::makeDirectories;
using testing::writeFile;

// A made-up machine: its mount table, its block devices and its label links.
struct FakeMachine {
    TempDir dir;
    ExternalVolumes::Sources sources{dir / "mountinfo", dir / "sys/dev/block", dir / "dev/disk/by-label",
                                     {"/media", "/run/media", "/mnt"}};

    void blockDevice(const std::string& number, const std::string& devicePath, bool diskRemovable) {
        makeDirectories(dir / devicePath);
        writeFile(dir / (path::parent(devicePath) + "/removable"), diskRemovable ? "1\n" : "0\n");
        makeDirectories(dir / "sys/dev/block");
        FileSystem::real()->createSymlink(dir / devicePath, dir / ("sys/dev/block/" + number));
    }
    void label(const std::string& escapedName, const std::string& node) {
        writeFile(dir / ("dev/" + node), "");
        makeDirectories(dir / "dev/disk/by-label");
        FileSystem::real()->createSymlink("../../" + node, dir / ("dev/disk/by-label/" + escapedName));
    }
};

TEST(ExternalVolumes, OffersBlockDevicesUnderTheMountParentsNamedByLabelOrFolder) {
    FakeMachine machine;
    writeFile(machine.sources.mountTable,
              "27 1 254:0 / / rw - ext4 /dev/vda rw\n"
              "40 27 8:17 / /media/u/BACKUP rw - ext4 /dev/sdb1 rw\n"         // labelled partition
              "42 27 8:33 / /srv/data rw - ext4 /dev/sdc1 rw\n"               // not under a mount parent
              "43 27 254:0 /home /mnt/bind rw - ext4 /dev/vda rw\n"           // the root file system again
              "44 27 7:0 / /run/media/u/NO\\040NAME rw - vfat /dev/loop0 rw\n"  // no label
              "46 27 7:1 / /media rw - tmpfs none rw\n"                       // the parent itself
              "47 40 7:2 / /media/u/BACKUP rw - ext4 /dev/loop2 rw\n");       // mounted over the first
    machine.blockDevice("8:17", "sys/devices/usb/block/sdb/sdb1", true);
    machine.blockDevice("7:0", "sys/devices/virtual/block/loop0", false);
    machine.blockDevice("7:1", "sys/devices/virtual/block/loop1", false);
    machine.blockDevice("7:2", "sys/devices/virtual/block/loop2", false);
    machine.label("My\\x20Backup", "sdb1");
    machine.label("Top", "loop2");

    std::vector<ExternalVolume> volumes = ExternalVolumes::mounted(*FileSystem::real(), machine.sources);
    std::vector<ExternalVolume> expected = {
        {"/media/u/BACKUP", "Top", false},  // the top mount's facts, in the first mount's place
        {"/run/media/u/NO NAME", "NO NAME", false},
    };
    EXPECT_EQ(volumes, expected);

    // Without the stacked mount the partition shows its own label and its disk's removable flag.
    writeFile(machine.sources.mountTable, "40 27 8:17 / /media/u/BACKUP rw - ext4 /dev/sdb1 rw\n");
    expected = {{"/media/u/BACKUP", "My Backup", true}};
    EXPECT_EQ(ExternalVolumes::mounted(*FileSystem::real(), machine.sources), expected);

}

TEST(ExternalVolumes, ALoopMountedDriveIsOfferedWhileMountedOnly) {
    testing::LoopVolume volume;
    if (!volume.mounted()) GTEST_SKIP() << volume.whyNot();
    ExternalVolumes::Sources sources;
    sources.mountParents = {path::parent(volume.mountPoint())};
    auto offered = [&] {
        auto found = ExternalVolumes::mounted(*FileSystem::real(), sources);
        return std::count_if(found.begin(), found.end(), [&](auto& v) { return v.path == volume.mountPoint() && !v.name.empty(); });
    };
    EXPECT_EQ(offered(), 1);
    ASSERT_TRUE(volume.unmount());
    EXPECT_EQ(offered(), 0);
}

}  // namespace
}  // namespace ordane::platform
