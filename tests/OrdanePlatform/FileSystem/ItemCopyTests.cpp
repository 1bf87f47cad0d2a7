#include <gtest/gtest.h>
#include <sys/stat.h>

#include "OrdanePlatform/FileSystem/ItemCopy.hpp"
#include "OrdanePlatform/FileSystem/TreeComparison.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"
#include "Support/UnprivilegedFileSystem.hpp"

using ordane::platform::copyItem;
using ordane::platform::FileSystem;
using ordane::platform::FileSystemError;
using ordane::platform::firstTreeDifference;
using ordane::testing::FaultInjectingFileSystem;
using ordane::testing::readFile;
using ordane::testing::TempDir;
using ordane::testing::writeFile;
using Operation = FaultInjectingFileSystem::Operation;

namespace {

// Content "hash" for tests: the contents themselves.
std::string contentsOf(const std::string& path) { return FileSystem::real()->readFile(path); }

int errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const FileSystemError& error) {
        return error.errorNumber();
    }
    return 0;
}

void makeTree(const TempDir& dir) {
    auto fs = FileSystem::real();
    writeFile(dir / "tree/a.txt", "alpha");
    writeFile(dir / "tree/sub/b.bin", std::string(3 << 20, 'b'));  // three chunks
    writeFile(dir / "tree/sub/deeper/c", "");
    fs->createSymlink("../a.txt", dir / "tree/sub/link");
    fs->setPermissions(dir / "tree/a.txt", 0640);
    fs->setPermissions(dir / "tree/sub", 0750);
    fs->setModificationTime(dir / "tree/a.txt", 1200000000.25);
    fs->setModificationTime(dir / "tree/sub", 1100000000);
}

}  // namespace

TEST(ItemCopy, CopiesAFolderWithModesTimesAndLinksButNeverOverAnExistingItem) {
    TempDir dir;
    auto fs = FileSystem::real();
    makeTree(dir);
    copyItem(*fs, dir / "tree", dir / "copy");
    EXPECT_EQ(firstTreeDifference(*fs, dir / "tree", dir / "copy", contentsOf), std::nullopt);
    EXPECT_EQ(fs->linkStatus(dir / "copy/a.txt").mode, 0640u);
    EXPECT_EQ(fs->linkStatus(dir / "copy/sub").mode, 0750u);
    EXPECT_DOUBLE_EQ(fs->linkStatus(dir / "copy/a.txt").modified, 1200000000.25);
    EXPECT_DOUBLE_EQ(fs->linkStatus(dir / "copy/sub").modified, 1100000000);
    EXPECT_EQ(fs->readLink(dir / "copy/sub/link"), "../a.txt");

    // It never merges into or replaces an existing item.
    writeFile(dir / "existing/own.txt", "mine");
    writeFile(dir / "file.txt", "keep me");

    EXPECT_EQ(errorOf([&] { copyItem(*fs, dir / "tree", dir / "existing"); }), EEXIST);
    EXPECT_EQ(fs->listDirectory(dir / "existing"), std::vector<std::string>{"own.txt"});
    EXPECT_EQ(readFile(dir / "existing/own.txt"), "mine");

    EXPECT_EQ(errorOf([&] { copyItem(*fs, dir / "tree/a.txt", dir / "file.txt"); }), EEXIST);
    EXPECT_EQ(readFile(dir / "file.txt"), "keep me");
}

TEST(ItemCopy, AFailureAnywhereRemovesWhatTheCopyCreated) {
    TempDir dir;
    makeTree(dir);
    writeFile(dir / "tree/sub/locked/inner.txt", "inner");
    FileSystem::real()->setPermissions(dir / "tree/sub/locked", 0555);
    // As an ordinary user: a copied read-only folder has to be opened up before it can be emptied.
    auto fs = std::make_shared<FaultInjectingFileSystem>(std::make_shared<ordane::testing::UnprivilegedFileSystem>());
    auto failedCopy = [&](const std::string& from, const std::string& to) {
        int error = errorOf([&] { copyItem(*fs, from, to); });
        EXPECT_FALSE(fs->exists(to)) << to;
        fs->clearFaults();
        return error;
    };
    // The disk fills up on the second chunk of the big file, deep inside the folder.
    fs->fail(Operation::write, "copy/sub/b.bin", ENOSPC, 1);
    EXPECT_EQ(failedCopy(dir / "tree", dir / "copy"), ENOSPC);
    fs->fail(Operation::write, "single.bin", EIO, 2);
    EXPECT_EQ(failedCopy(dir / "tree/sub/b.bin", dir / "single.bin"), EIO);
    // Pipes are refused, here after the read-only folder was copied.
    ASSERT_EQ(::mkfifo((dir / "tree/sub/pipe").c_str(), 0600), 0);
    EXPECT_EQ(failedCopy(dir / "tree", dir / "copy"), ENOTSUP);

    EXPECT_EQ(fs->linkStatus(dir / "tree/sub/locked").mode, 0555u);
    EXPECT_EQ(readFile(dir / "tree/sub/b.bin").size(), size_t{3 << 20});
}

TEST(TreeComparison, FindsEveryKindOfDifference) {
    TempDir dir;
    auto fs = std::make_shared<FaultInjectingFileSystem>();
    makeTree(dir);
    auto compareWithCopy = [&](const std::function<void()>& change) {
        if (fs->exists(dir / "copy")) fs->removeTree(dir / "copy");
        copyItem(*fs, dir / "tree", dir / "copy");
        change();
        return firstTreeDifference(*fs, dir / "tree", dir / "copy", contentsOf);
    };
    EXPECT_EQ(compareWithCopy([] {}), std::nullopt);
    EXPECT_EQ(compareWithCopy([&] { fs->removeItem(dir / "copy/sub/deeper/c"); }), "sub/deeper");
    EXPECT_EQ(compareWithCopy([&] { writeFile(dir / "copy/sub/extra", ""); }), "sub");
    // Same size, other bytes: only the hash tells.
    EXPECT_EQ(compareWithCopy([&] { writeFile(dir / "copy/a.txt", "alphA"); }), "a.txt");
    EXPECT_EQ(compareWithCopy([&] { writeFile(dir / "copy/a.txt", "alpha!"); }), "a.txt");
    EXPECT_EQ(compareWithCopy([&] {
                  fs->removeItem(dir / "copy/sub/link");
                  fs->createSymlink("../b", dir / "copy/sub/link");
              }),
              "sub/link");
    EXPECT_EQ(compareWithCopy([&] {
                  fs->removeItem(dir / "copy/sub/deeper/c");
                  ordane::testing::makeDirectories(dir / "copy/sub/deeper/c");
              }),
              "sub/deeper/c");
    EXPECT_EQ(firstTreeDifference(*fs, dir / "tree", dir / "missing", contentsOf), "");
    // An unreadable copy is a difference; hash errors are thrown.
    compareWithCopy([] {});
    fs->fail(Operation::listDirectory, "copy/sub", EIO);
    EXPECT_EQ(firstTreeDifference(*fs, dir / "tree", dir / "copy", contentsOf), "sub");
    fs->clearFaults();
    auto failingHash = [](const std::string&) -> std::string { throw FileSystemError(EIO, "read", "x"); };
    EXPECT_THROW(firstTreeDifference(*fs, dir / "tree", dir / "copy", failingHash), FileSystemError);
}
