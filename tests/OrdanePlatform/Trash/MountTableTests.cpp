#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include "OrdanePlatform/Trash/MountTable.hpp"
#include "OrdanePlatform/Trash/TrashInfo.hpp"

using ordane::platform::MountTable;
using ordane::platform::TrashInfo;

TEST(MountTable, ParsesEscapesOptionalFieldsAndPicksTheDeepestTopMount) {
    auto table = MountTable::parse(
        "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "25 27 0:23 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
        "30 25 0:27 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
        "45 27 7:0 / /media/My\\040Disk rw master:3 propagate_from:2 - ext4 /dev/loop0 rw\n"
        "46 27 7:1 / /media/My rw - vfat /dev/loop1 rw\n"
        "garbage line\n");
    ASSERT_EQ(table.mounts().size(), 5u);
    EXPECT_EQ(table.mounts()[3].mountPoint, "/media/My Disk");
    EXPECT_EQ(table.mounts()[3].device, makedev(7, 0));
    EXPECT_EQ(table.mounts()[3].fileSystemType, "ext4");

    EXPECT_EQ(table.mountContaining("/media/My Disk/a/b.txt")->device, makedev(7, 0));
    EXPECT_EQ(table.mountContaining("/media/My Disk")->device, makedev(7, 0));
    // A sibling whose name merely starts the same is not inside.
    EXPECT_EQ(table.mountContaining("/media/MyOther/x")->mountPoint, "/");
    EXPECT_EQ(table.mountContaining("/media/My/x")->fileSystemType, "vfat");
    // Stacked mounts: the later one is on top.
    EXPECT_EQ(table.mountContaining("/dev/shm/file")->device, makedev(0, 27));
    EXPECT_FALSE(MountTable::parse("").mountContaining("/x"));
}

TEST(TrashInfo, WritesAndReadsTheSpecificationFormat) {
    TrashInfo info{"/home/u/My Files/résumé 100%.pdf", "2024-03-05T07:08:09"};
    EXPECT_EQ(info.text(),
              "[Trash Info]\nPath=/home/u/My%20Files/r%C3%A9sum%C3%A9%20100%25.pdf\n"
              "DeletionDate=2024-03-05T07:08:09\n");
    EXPECT_EQ(TrashInfo::parse(info.text()), info);
    // Keys of other groups and CRLF line ends don't confuse the reader.
    auto other = TrashInfo::parse("[Other]\r\nPath=/wrong\r\n[Trash Info]\r\nDeletionDate=x\r\nPath=rel/a%20b\r\n");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->path, "rel/a b");
    EXPECT_FALSE(TrashInfo::parse("Path=/a\n"));
    EXPECT_FALSE(TrashInfo::parse("[Trash Info]\nPath=/a%2\n"));
    EXPECT_EQ(TrashInfo::localDate(86400 * 365 + 3661), "1971-01-01T01:01:01");  // TZ=UTC in tests
}
