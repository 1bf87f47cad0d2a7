#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <set>

#include "OrdanePlatform/FileSystem/DirectoryEnumerator.hpp"
#include "OrdanePlatform/FileSystem/RealFileSystem.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/FolderFaultFileSystem.hpp"
#include "Support/TempDir.hpp"

using ordane::platform::DirectoryEnumerator;
using ordane::platform::FileSystem;
using ordane::platform::FileSystemError;
using ordane::testing::FolderFaultFileSystem;
using ordane::testing::TempDir;
using ordane::testing::makeDirectories;
using ordane::testing::writeFile;

namespace {

std::vector<std::string> walkAll(DirectoryEnumerator& enumerator, const std::string& root) {
    std::vector<std::string> paths;
    while (const auto* item = enumerator.next()) paths.push_back(item->path.substr(root.size() + 1));
    return paths;
}

std::vector<std::string> walkAll(const std::string& root, DirectoryEnumerator::Options options = {}) {
    DirectoryEnumerator enumerator(FileSystem::real(), root, options);
    return walkAll(enumerator, root);
}

size_t openDescriptors() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

}  // namespace

TEST(DirectoryEnumerator, FoldersComeBeforeTheirContentsInBytewiseOrder) {
    TempDir dir;
    writeFile(dir / "b.txt", "b");
    writeFile(dir / "a/x.txt", "x");
    writeFile(dir / "a/sub/y.txt", "y");
    writeFile(dir / "B/z.txt", "z");
    writeFile(dir / "\xc3\xa9t\xc3\xa9.txt", "accented");
    writeFile(dir / "bad\xff.txt", "not UTF-8");
    std::vector<std::string> expected{"B",     "B/z.txt", "a",         "a/sub", "a/sub/y.txt",
                                      "a/x.txt", "b.txt",  "bad\xff.txt", "\xc3\xa9t\xc3\xa9.txt"};
    EXPECT_EQ(walkAll(dir.path()), expected);
    // A trailing "/" on the root changes nothing in the item paths.
    DirectoryEnumerator slashed(FileSystem::real(), dir.path() + "/", {});
    EXPECT_EQ(walkAll(slashed, dir.path()), expected);
}

TEST(DirectoryEnumerator, HiddenNamesAreSkippedOnlyWhenAsked) {
    TempDir dir;
    writeFile(dir / ".hidden", "h");
    writeFile(dir / ".git/config", "c");
    writeFile(dir / "visible/.DS_Store", "d");
    writeFile(dir / "visible/file", "f");
    EXPECT_EQ(walkAll(dir.path(), {.skipsHiddenFiles = true}), (std::vector<std::string>{"visible", "visible/file"}));
    EXPECT_EQ(walkAll(dir.path()), (std::vector<std::string>{".git", ".git/config", ".hidden", "visible",
                                                             "visible/.DS_Store", "visible/file"}));
}

TEST(DirectoryEnumerator, SkipDescendantsAppliesToTheItemJustReturned) {
    TempDir dir;
    writeFile(dir / "a/inner/deep.txt", "1");
    writeFile(dir / "a/keep.txt", "2");
    writeFile(dir / "b/keep.txt", "3");
    DirectoryEnumerator enumerator(FileSystem::real(), dir.path(), {});
    std::vector<std::string> seen;
    while (const auto* item = enumerator.next()) {
        seen.push_back(item->name());
        if (item->name() == "inner" || item->name() == "keep.txt") enumerator.skipDescendants();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "inner", "keep.txt", "b", "keep.txt"}));
}

TEST(DirectoryEnumerator, PackagesAreFlaggedByFolderExtension) {
    TempDir dir;
    writeFile(dir / "Tool.APP/Contents/Info.plist", "p");
    writeFile(dir / "Setup.pkg", "an installer file, not a folder");
    writeFile(dir / "Notes.rtfd/TXT.rtf", "r");
    writeFile(dir / "photos.zip/inside", "a folder with a non-package extension");
    DirectoryEnumerator enumerator(FileSystem::real(), dir.path(), {.skipsPackageDescendants = true});
    std::map<std::string, bool> packages;
    while (const auto* item = enumerator.next()) packages[item->path.substr(dir.path().size() + 1)] = item->isPackage;
    std::map<std::string, bool> expected{
        {"Notes.rtfd", true}, {"Setup.pkg", false}, {"Tool.APP", true}, {"photos.zip", false}, {"photos.zip/inside", false}};
    EXPECT_EQ(packages, expected);
    // Without the option the walk enters packages like any folder.
    auto all = walkAll(dir.path());
    EXPECT_NE(std::find(all.begin(), all.end(), "Tool.APP/Contents/Info.plist"), all.end());
}

TEST(DirectoryEnumerator, ValuesAreTheItemsOwnWithoutFollowingLinks) {
    TempDir dir;
    writeFile(dir / "data/file.bin", std::string(10000, 'x'));
    std::filesystem::create_symlink(dir / "data", dir / "link-to-folder");
    std::filesystem::create_symlink(dir / "missing", dir / "dangling");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    DirectoryEnumerator enumerator(FileSystem::real(), dir.path(), {});
    std::map<std::string, ordane::platform::FileStatus> values;
    while (const auto* item = enumerator.next()) {
        ASSERT_TRUE(item->status().has_value()) << item->path;
        values[item->path.substr(dir.path().size() + 1)] = *item->status();
    }
    ASSERT_EQ(values.size(), 5u);  // the link to a folder is not entered
    EXPECT_TRUE(values["data"].isDirectory());
    EXPECT_EQ(values["data/file.bin"].size, 10000);
    EXPECT_GE(values["data/file.bin"].allocatedSize, 8192);
    EXPECT_EQ(values["data/file.bin"].allocatedSize % 512, 0);
    EXPECT_TRUE(values["link-to-folder"].isSymlink());
    EXPECT_TRUE(values["dangling"].isSymlink());
    EXPECT_EQ(values["pipe"].type, ordane::platform::FileStatus::Type::other);
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "data/file.bin").c_str(), &st), 0);
    EXPECT_EQ(values["data/file.bin"].device, st.st_dev);
    EXPECT_EQ(values["data/file.bin"].inode, st.st_ino);
}

TEST(DirectoryEnumerator, NoDescriptorStaysOpenWhileDescending) {
    TempDir dir;
    std::string deep = dir.path();
    for (int level = 0; level < 60; ++level) {
        deep += "/level" + std::to_string(level);
        writeFile(deep + "/sibling.txt", "s");
    }
    size_t before = openDescriptors();
    DirectoryEnumerator enumerator(FileSystem::real(), dir.path(), {});
    size_t items = 0;
    while (enumerator.next()) {
        ++items;
        ASSERT_EQ(openDescriptors(), before) << "after item " << items;
    }
    EXPECT_EQ(items, 120u);
}

TEST(DirectoryEnumerator, UnreadableFoldersGoToTheErrorHandlerWhichDecidesWhetherToGoOn) {
    TempDir dir;
    writeFile(dir / "a/secret.txt", "s");
    writeFile(dir / "b/broken/x", "x");
    writeFile(dir / "c/later.txt", "l");
    auto fs = std::make_shared<FolderFaultFileSystem>();
    fs->failures[dir / "a"] = EACCES;
    fs->failures[dir / "b/broken"] = EIO;

    std::vector<std::pair<std::string, int>> errors;
    DirectoryEnumerator goOn(fs, dir.path(), {}, [&](const std::string& path, int error) {
        errors.emplace_back(path, error);
        return true;
    });
    EXPECT_EQ(walkAll(goOn, dir.path()), (std::vector<std::string>{"a", "b", "b/broken", "c", "c/later.txt"}));
    EXPECT_EQ(errors, (std::vector<std::pair<std::string, int>>{{dir / "a", EACCES}, {dir / "b/broken", EIO}}));

    DirectoryEnumerator stop(fs, dir.path(), {}, [](const std::string&, int) { return false; });
    EXPECT_EQ(walkAll(stop, dir.path()), (std::vector<std::string>{"a"}));
}

TEST(DirectoryEnumerator, RootProblems) {
    TempDir dir;
    writeFile(dir / "file.txt", "f");
    makeDirectories(dir / "folder");
    std::filesystem::create_symlink(dir / "folder", dir / "link");
    try {
        DirectoryEnumerator missing(FileSystem::real(), dir / "missing", {});
        FAIL() << "enumerated a missing root";
    } catch (const FileSystemError& error) {
        EXPECT_EQ(error.errorNumber(), ENOENT);
    }
    try {
        DirectoryEnumerator file(FileSystem::real(), dir / "file.txt", {});
        FAIL() << "enumerated a file";
    } catch (const FileSystemError& error) {
        EXPECT_EQ(error.errorNumber(), ENOTDIR);
    }
    // A root given as a link to a folder is walked under the link's path.
    writeFile(dir / "folder/inside.txt", "i");
    DirectoryEnumerator linked(FileSystem::real(), dir / "link", {});
    ASSERT_NE(linked.next(), nullptr);

    auto fs = std::make_shared<FolderFaultFileSystem>();
    fs->failures[dir / "folder"] = EPERM;
    std::vector<std::pair<std::string, int>> errors;
    DirectoryEnumerator denied(fs, dir / "folder", {}, [&](const std::string& path, int error) {
        errors.emplace_back(path, error);
        return true;
    });
    EXPECT_EQ(denied.next(), nullptr);
    EXPECT_EQ(errors, (std::vector<std::pair<std::string, int>>{{dir / "folder", EPERM}}));
}

TEST(DirectoryEnumerator, ItemsWhoseValuesCannotBeReadAreReturnedWithoutThemAndNotEntered) {
    TempDir dir;
    writeFile(dir / "gone/inside.txt", "i");
    writeFile(dir / "next.txt", "n");
    auto fs = std::make_shared<FolderFaultFileSystem>();
    fs->withoutValues.insert(dir / "gone");
    DirectoryEnumerator enumerator(fs, dir.path(), {});
    const auto* first = enumerator.next();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->name(), "gone");
    EXPECT_FALSE(first->status().has_value());
    EXPECT_EQ(first->entry->statusError, ENOENT);
    const auto* second = enumerator.next();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->name(), "next.txt");
    EXPECT_EQ(enumerator.next(), nullptr);
}

TEST(DirectoryEnumerator, AFolderMetAgainBelowItselfIsNotEntered) {
    TempDir dir;
    writeFile(dir / "a/loop/x.txt", "x");
    writeFile(dir / "b.txt", "b");
    auto fs = std::make_shared<FolderFaultFileSystem>();
    fs->sameFolderAs[dir / "a/loop"] = dir.path();
    std::vector<std::pair<std::string, int>> errors;
    DirectoryEnumerator enumerator(fs, dir.path(), {}, [&](const std::string& path, int error) {
        errors.emplace_back(path, error);
        return true;
    });
    EXPECT_EQ(walkAll(enumerator, dir.path()), (std::vector<std::string>{"a", "a/loop", "b.txt"}));
    EXPECT_EQ(errors, (std::vector<std::pair<std::string, int>>{{dir / "a/loop", ELOOP}}));
}

// Puts a link to `target` in place of `folder` just after `parent` has been read, as another
// program could while a walk runs.
class SwappingFileSystem : public ordane::platform::RealFileSystem {
public:
    std::string parent, folder, target;

    ordane::platform::DirectoryListing readDirectory(const std::string& path, bool includeHidden) override {
        auto listing = RealFileSystem::readDirectory(path, includeHidden);
        if (path == parent) {
            std::filesystem::rename(folder, folder + "-moved");
            std::filesystem::create_directory_symlink(target, folder);
        }
        return listing;
    }
};

TEST(DirectoryEnumerator, AFolderSwappedForALinkAfterItWasListedIsNotEntered) {
    TempDir dir;
    TempDir outside;
    writeFile(dir / "a/sub/mine.txt", "m");
    writeFile(outside / "theirs.txt", "t");
    auto fs = std::make_shared<SwappingFileSystem>();
    fs->parent = dir / "a";
    fs->folder = dir / "a/sub";
    fs->target = outside.path();
    std::vector<std::pair<std::string, int>> errors;
    DirectoryEnumerator enumerator(fs, dir.path(), {}, [&](const std::string& path, int error) {
        errors.emplace_back(path, error);
        return true;
    });
    EXPECT_EQ(walkAll(enumerator, dir.path()), (std::vector<std::string>{"a", "a/sub"}));
    EXPECT_EQ(errors, (std::vector<std::pair<std::string, int>>{{dir / "a/sub", ESTALE}}));
}

TEST(DirectoryEnumerator, ARealBindMountCycleEndsTheDescent) {
    TempDir dir;
    writeFile(dir / "tree/file.txt", "f");
    makeDirectories(dir / "tree/sub/mirror");
    if (::mount((dir / "tree").c_str(), (dir / "tree/sub/mirror").c_str(), nullptr, MS_BIND, nullptr) != 0) {
        GTEST_SKIP() << "bind mounts are not permitted here";
    }
    std::vector<std::string> paths;
    std::vector<std::string> errors;
    {
        DirectoryEnumerator enumerator(FileSystem::real(), dir / "tree", {},
                                       [&](const std::string& path, int) { errors.push_back(path); return true; });
        paths = walkAll(enumerator, dir / "tree");
    }
    ::umount2((dir / "tree/sub/mirror").c_str(), MNT_DETACH);
    EXPECT_EQ(paths, (std::vector<std::string>{"file.txt", "sub", "sub/mirror"}));
    EXPECT_EQ(errors, std::vector<std::string>{dir / "tree/sub/mirror"});
}

TEST(DirectoryEnumerator, AStandInWithoutItsOwnFolderReadsFaultsThroughItsListingAndValues) {
    TempDir dir;
    writeFile(dir / "locked/inside.txt", "i");
    writeFile(dir / "open/.hidden", "h");
    writeFile(dir / "open/file.txt", std::string(3000, 'f'));
    writeFile(dir / "open/vanishing.txt", "v");
    auto fs = std::make_shared<ordane::testing::FaultInjectingFileSystem>();
    using Operation = ordane::testing::FaultInjectingFileSystem::Operation;
    fs->fail(Operation::listDirectory, "locked", EACCES);
    fs->fail(Operation::linkStatus, "vanishing", ENOENT);

    auto listing = fs->readDirectory(dir / "open", false);
    EXPECT_EQ(listing.hiddenNames, std::vector<std::string>{".hidden"});
    ASSERT_EQ(listing.entries.size(), 2u);
    EXPECT_EQ(listing.entries[0].status->size, 3000);
    EXPECT_EQ(listing.entries[1].statusError, ENOENT);
    auto real = FileSystem::real()->readDirectory(dir / "open", false);
    EXPECT_EQ(listing.device, real.device);
    EXPECT_EQ(listing.inode, real.inode);
    EXPECT_EQ(real.hiddenNames, listing.hiddenNames);

    std::vector<std::pair<std::string, int>> errors;
    DirectoryEnumerator enumerator(fs, dir.path(), {.skipsHiddenFiles = true}, [&](const std::string& path, int error) {
        errors.emplace_back(path, error);
        return true;
    });
    EXPECT_EQ(walkAll(enumerator, dir.path()),
              (std::vector<std::string>{"locked", "open", "open/file.txt", "open/vanishing.txt"}));
    EXPECT_EQ(errors, (std::vector<std::pair<std::string, int>>{{dir / "locked", EACCES}}));
}
