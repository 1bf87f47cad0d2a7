#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <optional>

#include "OrdanePlatform/Trash/Trash.hpp"
#include "OrdanePlatform/Trash/TrashInfo.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane::platform;
using namespace ordane::testing;
using Operation = FaultInjectingFileSystem::Operation;

namespace {

std::vector<std::string> namesIn(const std::string& folder) { return FileSystem::real()->listDirectory(folder); }

std::string recordedPath(const std::string& infoFile) {
    auto info = TrashInfo::parse(readFile(infoFile));
    return info ? info->path : "(no trash info at " + infoFile + ")";
}

// A home trash on another device than the items, and a folder that a made-up mount table lists as
// a volume of its own, so that volume trashes can be tested without mounting anything.
struct VolumeFixture {
    TempDir items;
    std::unique_ptr<TempDir> otherDevice;
    std::string volume = items / "vol";
    std::string mountTable = items / "mountinfo";

    VolumeFixture() {
        if (FileSystem::real()->status("/dev/shm").device == FileSystem::real()->status(items.path()).device) return;
        otherDevice = std::make_unique<TempDir>("/dev/shm");
        ordane::testing::makeDirectories(volume);
        writeFile(mountTable, "1 0 254:0 / / rw - ext4 /dev/root rw\n2 1 7:0 / " + volume + " rw - ext4 /dev/loop0 rw\n");
    }

    bool usable() const { return otherDevice != nullptr; }
    Trash trash(std::shared_ptr<FileSystem> fs = FileSystem::real()) const {
        return Trash(std::move(fs), *otherDevice / "Trash", 1234, mountTable);
    }
};

// A home trash in a folder yet to be made, over a file system that can be made to fail.
struct TrashTest : ::testing::Test {
    TempDir dir;
    std::shared_ptr<FaultInjectingFileSystem> fs = std::make_shared<FaultInjectingFileSystem>();
    Trash trash{fs, dir / "data/Trash", 1234};
};

// The process's time zone for one test; the tests run in UTC otherwise.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (old_) {
            ::setenv("TZ", old_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::optional<std::string> old_;
};

std::string utcText(std::time_t time) {
    std::tm utc{};
    ::gmtime_r(&time, &utc);
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc));
}

}  // namespace

// The desktop's Trash reads the deletion date as local time, so west of UTC it is hours behind.
TEST_F(TrashTest, TheDeletionDateIsTheLocalTimeOfTheMove) {
    TimeZone fiveHoursWest("<-05>5");
    writeFile(dir / "docs/a.txt", "a");
    std::time_t before = std::time(nullptr);
    trash.trashItem(dir / "docs/a.txt");
    std::time_t after = std::time(nullptr);
    auto info = TrashInfo::parse(readFile(dir / "data/Trash/info/a.txt.trashinfo"));
    ASSERT_TRUE(info);
    std::vector<std::string> local;
    for (std::time_t second = before; second <= after; ++second) local.push_back(utcText(second - 5 * 3600));
    EXPECT_THAT(local, ::testing::Contains(info->deletionDate));
}

TEST_F(TrashTest, HomeTrashHoldsTheItemAndAnInfoFileNamingItsPlace) {
    writeFile(dir / "docs/a b.txt", "contents");
    writeFile(dir / "docs/folder/inner.txt", "inner");

    std::string trashed = trash.trashItem(dir / "docs/a b.txt");
    EXPECT_EQ(trashed, dir / "data/Trash/files/a b.txt");
    EXPECT_EQ(readFile(trashed), "contents");
    EXPECT_FALSE(fs->exists(dir / "docs/a b.txt"));
    // The info file's format is MountTableTests'; the interoperability tests read it with other tools.
    EXPECT_EQ(recordedPath(dir / "data/Trash/info/a b.txt.trashinfo"), dir / "docs/a b.txt");
    EXPECT_EQ(fs->linkStatus(dir / "data/Trash").mode, 0700u);

    EXPECT_EQ(trash.originalPath(trash.trashItem(dir / "docs/folder")), dir / "docs/folder");
}

TEST_F(TrashTest, TakenNamesGetTheNextFreeNameAndNothingIsReplaced) {
    for (const char* folder : {"one", "two", "three"}) writeFile(dir / (std::string(folder) + "/Report.pdf"), folder);
    writeFile(dir / "Notes", "n1");
    // An item without info file (left by some crash) still holds its name.
    writeFile(dir / "data/Trash/files/Report 3.pdf", "orphan");

    EXPECT_EQ(trash.trashItem(dir / "one/Report.pdf"), dir / "data/Trash/files/Report.pdf");
    EXPECT_EQ(trash.trashItem(dir / "two/Report.pdf"), dir / "data/Trash/files/Report 2.pdf");
    EXPECT_EQ(trash.trashItem(dir / "three/Report.pdf"), dir / "data/Trash/files/Report 4.pdf");
    EXPECT_EQ(trash.trashItem(dir / "Notes"), dir / "data/Trash/files/Notes");

    EXPECT_EQ(readFile(dir / "data/Trash/files/Report 3.pdf"), "orphan");
    EXPECT_EQ(readFile(dir / "data/Trash/files/Report 4.pdf"), "three");
    EXPECT_EQ(recordedPath(dir / "data/Trash/info/Report 4.pdf.trashinfo"), dir / "three/Report.pdf");

    // A very long name is shortened so that its info file's name still fits.
    std::string name;
    while (name.size() < 240) name += "é";
    writeFile(dir / (name + ".txt"), "long");
    std::string trashed = trash.trashItem(dir / (name + ".txt"));
    std::string trashedName = trashed.substr(trashed.rfind('/') + 1);
    EXPECT_LE(trashedName.size() + 10, 255u);
    EXPECT_EQ(trashedName.substr(trashedName.size() - 6), "é.txt");
    EXPECT_EQ(trash.originalPath(trashed), dir / (name + ".txt"));
}

TEST_F(TrashTest, AFailedMoveLeavesTheItemAndNoInfoFile) {
    writeFile(dir / "a.txt", "a");
    for (Operation failing : {Operation::moveNoReplace, Operation::write}) {
        fs->fail(failing, "a.txt", EIO);
        EXPECT_THROW(trash.trashItem(dir / "a.txt"), FileSystemError);
        EXPECT_EQ(readFile(dir / "a.txt"), "a");
        EXPECT_TRUE(namesIn(dir / "data/Trash/info").empty());
        EXPECT_TRUE(namesIn(dir / "data/Trash/files").empty());
        fs->clearFaults();
    }
}

TEST(Trash, ItemsOnAnotherVolumeGoToThatVolumesOwnTrash) {
    VolumeFixture fixture;
    if (!fixture.usable()) GTEST_SKIP() << "no second device for the home trash";
    auto fs = FileSystem::real();
    Trash trash = fixture.trash();
    std::string shared = fixture.volume + "/.Trash";
    for (const char* name : {"a b", "b", "c"}) writeFile(fixture.volume + "/sub/" + name, name);

    // A shared .Trash that is a link, or not sticky, is passed over for one of our own.
    ordane::testing::makeDirectories(fixture.items / "elsewhere");
    fs->setPermissions(fixture.items / "elsewhere", 01777);
    fs->createSymlink(fixture.items / "elsewhere", shared);
    std::string trashed = trash.trashItem(fixture.volume + "/sub/a b");
    EXPECT_EQ(trashed, fixture.volume + "/.Trash-1234/files/a b");
    EXPECT_EQ(fs->linkStatus(fixture.volume + "/.Trash-1234").mode, 0700u);
    EXPECT_EQ(recordedPath(fixture.volume + "/.Trash-1234/info/a b.trashinfo"), "sub/a b");
    EXPECT_EQ(trash.originalPath(trashed), fixture.volume + "/sub/a b");
    EXPECT_TRUE(trash.recordsOrigin(trashed, fixture.volume + "/sub/a b"));

    fs->removeItem(shared);
    fs->createDirectory(shared, 0777);
    fs->setPermissions(shared, 0777);
    EXPECT_EQ(trash.trashItem(fixture.volume + "/sub/b"), fixture.volume + "/.Trash-1234/files/b");

    fs->setPermissions(shared, 01777);
    trashed = trash.trashItem(fixture.volume + "/sub/c");
    EXPECT_EQ(trashed, shared + "/1234/files/c");
    EXPECT_EQ(fs->linkStatus(shared + "/1234").mode, 0700u);
    EXPECT_EQ(trash.originalPath(trashed), fixture.volume + "/sub/c");
    EXPECT_TRUE(namesIn(fixture.items / "elsewhere").empty());
    EXPECT_FALSE(fs->exists(*fixture.otherDevice / "Trash"));
}

TEST(Trash, AVolumeWithoutUsableTrashLeavesTheItemInPlace) {
    VolumeFixture fixture;
    if (!fixture.usable()) GTEST_SKIP() << "no second device for the home trash";
    auto fs = std::make_shared<FaultInjectingFileSystem>();
    writeFile(fixture.volume + "/a.txt", "a");
    fs->fail(Operation::createDirectory, ".Trash-1234", EROFS);
    EXPECT_THROW(fixture.trash(fs).trashItem(fixture.volume + "/a.txt"), TrashUnavailableError);
    EXPECT_EQ(readFile(fixture.volume + "/a.txt"), "a");

    fs->clearFaults();
    writeFile(fixture.mountTable, "");  // no mount known for the item
    EXPECT_THROW(fixture.trash(fs).trashItem(fixture.volume + "/a.txt"), TrashUnavailableError);
    EXPECT_EQ(readFile(fixture.volume + "/a.txt"), "a");
}

TEST(Trash, AnotherMountOfTheHomeDeviceUsesItsVolumeTrashNotACopy) {
    TempDir dir;
    auto fs = std::make_shared<FaultInjectingFileSystem>();
    writeFile(dir / "mountinfo", "2 1 7:0 / " + dir / "vol" + " rw - ext4 /dev/loop0 rw\n");
    writeFile(dir / "vol/a.txt", "a");
    Trash trash(fs, dir / "Trash", 1234, dir / "mountinfo");
    // A bind mount shares the device number but renames across it fail with EXDEV.
    fs->fail(Operation::moveNoReplace, "/Trash/files/", EXDEV);
    EXPECT_EQ(trash.trashItem(dir / "vol/a.txt"), dir / "vol/.Trash-1234/files/a.txt");
    EXPECT_TRUE(namesIn(dir / "Trash/info").empty());
}

TEST_F(TrashTest, TheInfoFileDecidesWhoseItemItIsAndForgettingRemovesItsLinesOnly) {
    writeFile(dir / "my folder/x", "x");
    writeFile(dir / "keep/x", "x");
    std::string trashed = trash.trashItem(dir / "my folder");
    std::string kept = trash.trashItem(dir / "keep");
    EXPECT_FALSE(trash.isReachable("/media/unplugged/.Trash-1234/files/a"));
    EXPECT_TRUE(trash.recordsOrigin(trashed, dir / "./my folder"));
    EXPECT_FALSE(trash.recordsOrigin(trashed, dir / "other"));
    fs->fail(Operation::readFile, "my folder.trashinfo", EIO);
    EXPECT_THROW(trash.recordsOrigin(trashed, dir / "my folder"), FileSystemError);
    fs->clearFaults();

    writeFile(dir / "data/Trash/directorysizes", "1 1700000000 keep\n1 1700000000 my%20folder\n");
    fs->moveNoReplace(trashed, dir / "my folder");  // taken back out
    trash.forget(trashed);
    EXPECT_EQ(namesIn(dir / "data/Trash/info"), std::vector<std::string>{"keep.trashinfo"});
    EXPECT_EQ(readFile(dir / "data/Trash/directorysizes"), "1 1700000000 keep\n");
    EXPECT_TRUE(trash.recordsOrigin(kept, dir / "keep"));
    EXPECT_FALSE(trash.recordsOrigin(trashed, dir / "my folder"));
}

TEST(Trash, AVolumeTrashKnowsItsItemWhenTheFormerFolderIsGone) {
    TempDir dir;
    auto fs = FileSystem::real();
    const std::string base = fs->canonicalPath(dir.path());
    // A volume trash records the real path below its top folder; the item was reached through a link.
    writeFile(base + "/vol/.Trash-1234/files/x", "x");
    writeFile(base + "/vol/.Trash-1234/info/x.trashinfo", "[Trash Info]\nPath=real/sub/x\nDeletionDate=2024-01-02T03:04:05\n");
    ordane::testing::makeDirectories(base + "/vol/real");
    fs->createSymlink(base + "/vol/real", base + "/link");
    Trash trash(fs, base + "/Trash", 1234);
    const std::string trashed = base + "/vol/.Trash-1234/files/x";
    // The folder "sub" was deleted since; the item still came from there.
    EXPECT_TRUE(trash.recordsOrigin(trashed, base + "/link/sub/x"));
    EXPECT_TRUE(trash.recordsOrigin(trashed, base + "/vol/real/sub/x"));
    EXPECT_FALSE(trash.recordsOrigin(trashed, base + "/link/other/x"));
    EXPECT_FALSE(trash.recordsOrigin(trashed, base + "/elsewhere/sub/x"));
}

TEST(Trash, HomeTrashFollowsTheEnvironment) {
    std::string saved = std::getenv("XDG_DATA_HOME");
    ::setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(Trash::homeTrashDirectory(), "/data/home/Trash");
    ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
    EXPECT_EQ(Trash::homeTrashDirectory(), std::string(std::getenv("HOME")) + "/.local/share/Trash");
    ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
}
