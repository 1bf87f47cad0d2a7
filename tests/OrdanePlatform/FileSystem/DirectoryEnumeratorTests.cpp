#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>

#include "OrdanePlatform/FileSystem/DirectoryEnumerator.hpp"
#include "OrdanePlatform/FileSystem/RealFileSystem.hpp"
#include "Support/TempDir.hpp"

using ordane::platform::DirectoryEnumerator;
using ordane::platform::FileSystem;
using ordane::testing::TempDir;
using ordane::testing::makeDirectories;
using ordane::testing::writeFile;
using Paths = std::vector<std::string>;
using Errors = std::vector<std::pair<std::string, int>>;

namespace {

// Walks below `root` and gives the items' paths relative to it; `onItem` may skip descendants.
Paths walkAll(DirectoryEnumerator& enumerator, const std::string& root,
              const std::function<void(DirectoryEnumerator&, const DirectoryEnumerator::Item&)>& onItem = {}) {
    Paths paths;
    while (const auto* item = enumerator.next()) {
        paths.push_back(item->path.substr(root.size() + 1));
        if (onItem) onItem(enumerator, *item);
    }
    return paths;
}

// A walk whose error handler records each error and goes on.
struct RecordingWalk {
    Errors errors;
    Paths paths;
    RecordingWalk(std::shared_ptr<FileSystem> fs, const std::string& root) {
        DirectoryEnumerator enumerator(std::move(fs), root, {}, [this](const std::string& path, int error) {
            errors.emplace_back(path, error);
            return true;
        });
        paths = walkAll(enumerator, root);
    }
};

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
    // A trailing "/" on the root changes nothing in the item paths.
    DirectoryEnumerator slashed(FileSystem::real(), dir.path() + "/", {});
    EXPECT_EQ(walkAll(slashed, dir.path()), (Paths{"B", "B/z.txt", "a", "a/sub", "a/sub/y.txt", "a/x.txt", "b.txt",
                                                   "bad\xff.txt", "\xc3\xa9t\xc3\xa9.txt"}));

    // Skipping applies to the item just returned: a folder is not entered, a file changes nothing.
    DirectoryEnumerator skipping(FileSystem::real(), dir.path(), {});
    auto skip = [](DirectoryEnumerator& enumerator, const DirectoryEnumerator::Item& item) {
        if (item.name() == "sub" || item.name() == "z.txt") enumerator.skipDescendants();
    };
    EXPECT_EQ(walkAll(skipping, dir.path(), skip),
              (Paths{"B", "B/z.txt", "a", "a/sub", "a/x.txt", "b.txt", "bad\xff.txt", "\xc3\xa9t\xc3\xa9.txt"}));

    // A root given as a link is walked under the link's path.
    std::filesystem::create_symlink(dir / "a/sub", dir / "link");
    DirectoryEnumerator linked(FileSystem::real(), dir / "link", {});
    EXPECT_EQ(walkAll(linked, dir / "link"), Paths{"y.txt"});
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
    RecordingWalk walk(fs, dir.path());
    EXPECT_EQ(walk.paths, (Paths{"a", "a/sub"}));
    EXPECT_EQ(walk.errors, (Errors{{dir / "a/sub", ESTALE}}));
}

TEST(DirectoryEnumerator, ARealBindMountCycleEndsTheDescent) {
    TempDir dir;
    writeFile(dir / "tree/file.txt", "f");
    makeDirectories(dir / "tree/sub/mirror");
    if (::mount((dir / "tree").c_str(), (dir / "tree/sub/mirror").c_str(), nullptr, MS_BIND, nullptr) != 0) {
        GTEST_SKIP() << "bind mounts are not permitted here";
    }
    std::optional<RecordingWalk> walk;
    try {
        walk.emplace(FileSystem::real(), dir / "tree");
    } catch (...) {
    }
    ::umount2((dir / "tree/sub/mirror").c_str(), MNT_DETACH);
    ASSERT_TRUE(walk);
    EXPECT_EQ(walk->paths, (Paths{"file.txt", "sub", "sub/mirror"}));
    EXPECT_EQ(walk->errors, (Errors{{dir / "tree/sub/mirror", ELOOP}}));
}
