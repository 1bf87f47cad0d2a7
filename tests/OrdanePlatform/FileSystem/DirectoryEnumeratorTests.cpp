#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>

#include "OrdanePlatform/FileSystem/DirectoryEnumerator.hpp"
#include "OrdanePlatform/FileSystem/FolderReadAhead.hpp"
#include "OrdanePlatform/FileSystem/RealFileSystem.hpp"
#include "Support/FolderFaultFileSystem.hpp"
#include "Support/TempDir.hpp"

using ordane::platform::DirectoryEnumerator;
using ordane::platform::FileSystem;
using ordane::platform::FolderReadAhead;
using ordane::testing::FolderFaultFileSystem;
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

// Whether a read of `path` has begun within a few seconds.
bool readBegins(FolderFaultFileSystem& fs, const std::string& path) {
    for (int wait = 0; wait < 1000; ++wait) {
        Paths reads = fs.reads();
        if (std::find(reads.begin(), reads.end(), path) != reads.end()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
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
        swapAfterReading(path);
        return listing;
    }

protected:
    void swapAfterReading(const std::string& path) {
        if (path != parent) return;
        std::filesystem::rename(folder, folder + "-moved");
        std::filesystem::create_directory_symlink(target, folder);
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

TEST(DirectoryEnumerator, ARootGivenWithItsValuesIsReadAsItIsWhenTheWalkGetsThere) {
    TempDir dir;
    writeFile(dir / "sized/a.txt", "a");
    writeFile(dir / "other/b.txt", "b");
    writeFile(dir / "file.txt", "f");
    auto fs = FileSystem::real();
    auto walkWith = [&](const ordane::platform::FileStatus& values) {
        DirectoryEnumerator enumerator(fs, dir / "sized", values, {});
        return walkAll(enumerator, dir / "sized");
    };
    auto before = fs->linkStatus(dir / "sized");
    EXPECT_EQ(walkWith(before), (Paths{"a.txt"}));
    // Values read before another folder took the name: what is there now is walked, as when the
    // root is given by its path alone.
    std::filesystem::rename(dir / "sized", dir / "moved");
    std::filesystem::rename(dir / "other", dir / "sized");
    EXPECT_EQ(walkWith(before), (Paths{"b.txt"}));
    try {
        walkWith(fs->linkStatus(dir / "file.txt"));
        ADD_FAILURE() << "values of a file were taken for a folder";
    } catch (const ordane::platform::FileSystemError& error) {
        EXPECT_EQ(error.errorNumber(), ENOTDIR);
    }
}

// SwappingFileSystem for a walk's readers, which open a folder from its parent held open.
class SwappingFromParentFileSystem : public SwappingFileSystem {
public:
    std::mutex mutex;
    Paths reads;                      // folders below the root, in the order their reads began
    bool folderFromParent = false;    // whether `folder` was read with its parent given

    ordane::platform::DirectoryListing readDirectoryFrom(const ordane::platform::OpenFolder* from,
                                                        const std::string& path, bool includeHidden,
                                                        std::shared_ptr<const ordane::platform::OpenFolder>* keep) override {
        {
            // Noted as begun: a read of the link fails.
            std::lock_guard lock(mutex);
            if (path == folder && from) folderFromParent = true;
            reads.push_back(path);
        }
        auto listing = readDirectoryFromOpen(from, path, includeHidden, keep);
        std::lock_guard lock(mutex);
        swapAfterReading(path);
        return listing;
    }
    bool hasRead(const std::string& path) {
        for (int wait = 0; wait < 1000; ++wait) {
            {
                std::lock_guard lock(mutex);
                if (std::find(reads.begin(), reads.end(), path) != reads.end()) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
};

TEST(DirectoryEnumerator, AFolderSwappedForALinkBeforeAReaderOpensItFromItsParentIsNotEntered) {
    TempDir dir;
    TempDir outside;
    writeFile(dir / "a/sub/mine.txt", "m");
    writeFile(outside / "inner/theirs.txt", "t");
    auto fs = std::make_shared<SwappingFromParentFileSystem>();
    fs->parent = dir / "a";
    fs->folder = dir / "a/sub";
    fs->target = outside.path();
    Errors errors;
    Paths paths;
    {
        FolderReadAhead readAhead(fs, 2);
        DirectoryEnumerator enumerator(fs, dir.path(), {}, [&](const std::string& path, int error) {
            errors.emplace_back(path, error);
            return true;
        });
        enumerator.readAheadOn(readAhead);
        ASSERT_NE(enumerator.next(), nullptr);
        // Both read ahead before the walk gets there: "a" by a reader, "a/sub" from it.
        ASSERT_TRUE(fs->hasRead(dir / "a/sub"));
        paths = walkAll(enumerator, dir.path());
    }
    EXPECT_TRUE(fs->folderFromParent);
    EXPECT_EQ(paths, Paths{"a/sub"});
    EXPECT_EQ(errors, (Errors{{dir / "a/sub", ESTALE}}));
    EXPECT_EQ(std::count(fs->reads.begin(), fs->reads.end(), outside / "inner"), 0) << "nothing below the link";
}

// FolderFaultFileSystem whose listings say every folder has no subfolders (two links), as a
// file system that counts links otherwise may.
class MiscountingFileSystem : public FolderFaultFileSystem {
public:
    ordane::platform::DirectoryListing readDirectory(const std::string& path, bool includeHidden) override {
        auto listing = FolderFaultFileSystem::readDirectory(path, includeHidden);
        for (auto& entry : listing.entries) {
            if (entry.status && entry.status->isDirectory()) entry.status->linkCount = 2;
        }
        return listing;
    }
};

// Small subfolders are read along with their parent: the walk still gets each folder's own items,
// whichever it skips or enters against the hint, and reads none again.
TEST(DirectoryEnumerator, SubfoldersReadWithTheirParentAreTheOnesTheWalkEnters) {
    TempDir dir;
    for (const char* file : {"p/a/1.txt", "p/b/2.txt", "p/c/3.txt", "p/d/4.txt", "p/e/f/g/5.txt", "p/e/6.txt",
                             "p/z.txt", "q/h/7.txt", "q/i/8.txt"}) {
        writeFile(dir / file, "x");
    }
    makeDirectories(dir / "p/empty");
    auto skipC = [](DirectoryEnumerator& walk, const DirectoryEnumerator::Item& item) {
        if (item.name() == "c") walk.skipDescendants();
    };
    Paths expected;
    {
        DirectoryEnumerator enumerator(std::make_shared<FolderFaultFileSystem>(), dir.path(), {});
        expected = walkAll(enumerator, dir.path(), skipC);
    }
    ASSERT_EQ(expected.size(), 20u);
    for (bool miscounted : {false, true}) {
        for (unsigned threads : {1u, 3u}) {
            std::shared_ptr<FolderFaultFileSystem> fs = std::make_shared<FolderFaultFileSystem>();
            if (miscounted) fs = std::make_shared<MiscountingFileSystem>();
            FolderReadAhead readAhead(fs, threads);
            DirectoryEnumerator enumerator(fs, dir.path(), {});
            // Told "a" will be skipped, the read-ahead reads it neither on its own nor with "p".
            auto hint = [](const std::string&, const ordane::platform::DirectoryEntry& entry, bool) {
                return entry.name == "a" ? FolderReadAhead::Descent::skip : FolderReadAhead::Descent::enter;
            };
            enumerator.readAheadOn(readAhead, hint);
            EXPECT_EQ(walkAll(enumerator, dir.path(), skipC), expected) << miscounted << threads;
            Paths reads = fs->reads();
            for (const auto& read : reads) EXPECT_EQ(std::count(reads.begin(), reads.end(), read), 1) << read;
        }
    }
}

// A subfolder read along with its parent and replaced before the walk gets there is not used:
// what the parent listed is gone, so it is not entered.
TEST(DirectoryEnumerator, ASubfolderReplacedAfterItWasReadWithItsParentIsNotEntered) {
    TempDir dir;
    writeFile(dir / "p/a/old.txt", "o");
    writeFile(dir / "p/b/kept.txt", "k");
    writeFile(dir / "new/new.txt", "n");
    auto fs = std::make_shared<FolderFaultFileSystem>();
    FolderReadAhead readAhead(fs, 2);
    Errors errors;
    DirectoryEnumerator enumerator(fs, dir.path(), {}, [&](const std::string& path, int error) {
        errors.emplace_back(path, error);
        return true;
    });
    enumerator.readAheadOn(readAhead);
    Paths paths = walkAll(enumerator, dir.path(), [&](DirectoryEnumerator&, const DirectoryEnumerator::Item& item) {
        // Held here until a reader has read "p", and "a" along with it: the walk takes them.
        if (item.path == dir / "new") {
            EXPECT_TRUE(readBegins(*fs, dir / "p/a"));
        }
        if (item.path != dir / "p/a") return;
        std::filesystem::rename(dir / "p/a", dir / "old");
        std::filesystem::rename(dir / "new", dir / "p/a");
    });
    // "new" was walked before it took the name; neither it nor "old.txt" is walked as "p/a".
    EXPECT_EQ(paths, (Paths{"new", "new/new.txt", "p", "p/a", "p/b", "p/b/kept.txt"}));
    EXPECT_EQ(errors, (Errors{{dir / "p/a", ESTALE}}));
}

// Folders held open for the readers are few during a walk, and all closed once it has ended,
// finished or stopped early.
TEST(DirectoryEnumerator, FoldersHeldOpenForReadersAreBoundedAndClosedWhenTheWalkEnds) {
    TempDir dir;
    for (int a = 0; a < 12; ++a) {
        for (int b = 0; b < 12; ++b) {
            writeFile(dir / ("a" + std::to_string(a) + "/b" + std::to_string(b) + "/c/f.txt"), "f");
        }
    }
    auto fs = std::make_shared<ordane::platform::RealFileSystem>();
    const size_t before = openDescriptors();
    const size_t threads = 4;
    for (size_t stopAfter : {size_t{5}, size_t{200}, SIZE_MAX}) {
        size_t items = 0;
        {
            FolderReadAhead readAhead(fs, static_cast<unsigned>(threads));
            {
                DirectoryEnumerator enumerator(fs, dir.path(), {});
                enumerator.readAheadOn(readAhead);
                while (items < stopAfter && enumerator.next()) {
                    ++items;
                    // Each reader may have its own folder open besides those held.
                    ASSERT_LE(openDescriptors(), before + ordane::platform::RealFileSystem::maxFoldersHeldOpen() + threads);
                }
            }
            // Once the readers are done with what they had begun, nothing is left open.
            size_t open = openDescriptors();
            for (int wait = 0; wait < 400 && open != before; ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                open = openDescriptors();
            }
            EXPECT_EQ(open, before) << "stopped after " << stopAfter;
        }
        EXPECT_EQ(openDescriptors(), before);
        if (stopAfter == SIZE_MAX) {
            EXPECT_EQ(items, 12u + 144u * 3u);
        }
    }
}

TEST(DirectoryEnumerator, ALargeFolderIsReadAheadBeforeTheSmallOnesThatComeFirst) {
    TempDir dir;
    for (const char* file : {"a/1.txt", "b/2.txt", "c/3.txt"}) writeFile(dir / file, "x");
    std::filesystem::create_directory(dir / "z");
    for (int i = 0; i < 4000; ++i) std::ofstream(dir / ("z/a-name-long-enough-to-fill-the-folder-" + std::to_string(i)));
    auto fs = std::make_shared<FolderFaultFileSystem>();
    if (fs->linkStatus(dir / "z").size < (int64_t{64} << 10)) GTEST_SKIP() << "folder sizes here are not by entries";
    FolderReadAhead readAhead(fs, 1);
    DirectoryEnumerator enumerator(fs, dir.path(), {});
    enumerator.readAheadOn(readAhead);
    ASSERT_NE(enumerator.next(), nullptr);  // the root read; the walk goes no further yet
    for (int wait = 0; wait < 1000 && fs->reads().size() < 2; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Paths reads = fs->reads();
    ASSERT_GE(reads.size(), 2u);
    EXPECT_EQ(reads[1], dir / "z") << "the reader's first folder";
    Paths rest = walkAll(enumerator, dir.path());
    EXPECT_EQ(rest.size(), 3u + 4000u + 3u);  // and the walk's order is its own
    EXPECT_EQ(rest[0], "a/1.txt");
    EXPECT_EQ(rest[5], "z");
}

// The walk, waiting for a folder a reader is stuck in, reads the queued small folders itself where
// reads cannot hang; where they may, it waits.
TEST(DirectoryEnumerator, AWalkWaitingForAFolderReadsQueuedOnesItselfOnlyWhereReadsEndPromptly) {
    TempDir dir;
    // "a" is read along with "top"; the one reader then takes "a/x", the nearest queued folder.
    for (const char* file : {"top/a/x/1.txt", "top/b/2.txt", "top/c/d/3.txt"}) writeFile(dir / file, "x");
    const Paths all{"top", "top/a", "top/a/x", "top/a/x/1.txt", "top/b", "top/b/2.txt", "top/c", "top/c/d",
                    "top/c/d/3.txt"};
    for (bool prompt : {true, false}) {
        SCOPED_TRACE(prompt ? "reads end promptly" : "reads may hang");
        auto fs = std::make_shared<FolderFaultFileSystem>();
        fs->readsEndPromptly = prompt;
        fs->blockReadsOf(dir / "top/a/x");
        FolderReadAhead readAhead(fs, 1);
        DirectoryEnumerator enumerator(fs, dir.path(), {});
        enumerator.readAheadOn(readAhead);
        ASSERT_NE(enumerator.next(), nullptr);  // "top"
        ASSERT_TRUE(readBegins(*fs, dir / "top/a/x"));
        std::thread opener([&] {
            if (prompt) {
                // With the one reader held, only the walk can read these.
                EXPECT_TRUE(readBegins(*fs, dir / "top/b"));
                EXPECT_TRUE(readBegins(*fs, dir / "top/c/d"));
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));  // the walk waits by now
                Paths reads = fs->reads();
                EXPECT_EQ(std::count(reads.begin(), reads.end(), dir / "top/b"), 0) << "read by the waiting walk";
            }
            fs->openGate();
        });
        Paths paths{"top"};
        for (auto& path : walkAll(enumerator, dir.path())) paths.push_back(path);
        opener.join();
        EXPECT_EQ(paths, all);
        Paths reads = fs->reads();
        for (const char* folder : {"top", "top/a", "top/a/x", "top/b", "top/c", "top/c/d"}) {
            EXPECT_EQ(std::count(reads.begin(), reads.end(), dir / folder), 1) << folder;
        }
    }
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

// A walk that reaches a folder a reader is still reading waits for that read, while the other
// reads end; a nested enumeration that stops while a reader is below it leaves that read to end
// on its own. Either way the items are those of a walk that reads every folder itself.
TEST(DirectoryEnumerator, ReadingAheadWaitsForASlowFolderAndDropsWhatAStoppedEnumerationLeft) {
    TempDir dir;
    for (const char* file : {"a/pkg/one/x.txt", "a/pkg/two/y.txt", "a/pkg/three/z.txt", "a/w.txt", "b/c/d/f.txt",
                             "e/g.txt"}) {
        writeFile(dir / file, "x");
    }
    const Paths all{"a", "a/pkg", "a/w.txt", "b", "b/c", "b/c/d", "b/c/d/f.txt", "e", "e/g.txt"};
    auto whole = [](const std::string&, const ordane::platform::DirectoryEntry& entry, bool) {
        return entry.name == "pkg" ? FolderReadAhead::Descent::whole : FolderReadAhead::Descent::enter;
    };

    // The walk waits on "a" while "b" and all below it are read.
    {
        auto fs = std::make_shared<FolderFaultFileSystem>();
        fs->blockReadsOf(dir / "a");
        FolderReadAhead readAhead(fs, 2);
        DirectoryEnumerator enumerator(fs, dir.path(), {});
        enumerator.readAheadOn(readAhead, whole);
        ASSERT_NE(enumerator.next(), nullptr);
        ASSERT_TRUE(readBegins(*fs, dir / "a"));  // by a reader: the walk has not gone there yet
        std::thread opener([&] {
            EXPECT_TRUE(readBegins(*fs, dir / "b/c/d"));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the walk is asleep by now
            fs->openGate();
        });
        Paths paths{"a"};
        for (auto& path : walkAll(enumerator, dir.path(), [](DirectoryEnumerator& walk, const auto& item) {
                 if (item.name() == "pkg") walk.skipDescendants();
             })) {
            paths.push_back(path);
        }
        opener.join();
        EXPECT_EQ(paths, all);
        Paths reads = fs->reads();
        EXPECT_EQ(std::count(reads.begin(), reads.end(), dir / "a"), 1) << "read ahead once, not again by the walk";
    }

    // The package's enumeration stops at its first item while a reader is held in "two".
    auto fs = std::make_shared<FolderFaultFileSystem>();
    fs->blockReadsOf(dir / "a/pkg/two");
    FolderReadAhead readAhead(fs, 2);
    DirectoryEnumerator enumerator(fs, dir.path(), {});
    enumerator.readAheadOn(readAhead, whole);
    Paths nested;
    auto stopEarly = [&](DirectoryEnumerator& walk, const DirectoryEnumerator::Item& item) {
        if (item.name() != "pkg") return;
        walk.skipDescendants();
        {
            DirectoryEnumerator package(fs, item.path, {});
            package.readAheadWithin(walk);
            nested.push_back(package.next()->name());
            EXPECT_TRUE(readBegins(*fs, dir / "a/pkg/two"));
        }
        fs->openGate();
    };
    EXPECT_EQ(walkAll(enumerator, dir.path(), stopEarly), all);
    EXPECT_EQ(nested, Paths{"one"});
}

// A reader of one read-ahead may itself walk with another (here from the hint it is asked for):
// what that walk reads and frees is the other read-ahead's, not this reader's.
TEST(DirectoryEnumerator, AReaderOfOneReadAheadCanWalkWithAnother) {
    TempDir dir;
    for (int outer = 0; outer < 6; ++outer) {
        for (int inner = 0; inner < 3; ++inner) {
            writeFile(dir / ("outer/o" + std::to_string(outer) + "/i" + std::to_string(inner) + "/f.txt"), "x");
        }
    }
    for (const char* file : {"inner/a/1.txt", "inner/a/b/2.txt", "inner/c/3.txt", "inner/d/e/f/4.txt"}) {
        writeFile(dir / file, "y");
    }
    auto fs = FileSystem::real();
    Paths innerExpected;
    {
        DirectoryEnumerator plain(fs, dir / "inner", {});
        innerExpected = walkAll(plain, dir / "inner");
    }
    ASSERT_EQ(innerExpected.size(), 10u);

    FolderReadAhead innerReadAhead(fs, 1);
    FolderReadAhead outerReadAhead(fs, 3);
    std::mutex mutex;
    std::vector<Paths> innerWalks;
    auto hint = [&](const std::string&, const ordane::platform::DirectoryEntry&, bool) {
        DirectoryEnumerator inner(fs, dir / "inner", {});
        inner.readAheadOn(innerReadAhead);
        Paths paths = walkAll(inner, dir / "inner");
        std::lock_guard lock(mutex);
        innerWalks.push_back(std::move(paths));
        return FolderReadAhead::Descent::enter;
    };
    DirectoryEnumerator outer(fs, dir / "outer", {});
    outer.readAheadOn(outerReadAhead, hint);
    Paths outerPaths = walkAll(outer, dir / "outer");

    EXPECT_EQ(outerPaths.size(), 6u * (1 + 3 * 2));
    ASSERT_FALSE(innerWalks.empty());
    for (const Paths& walk : innerWalks) EXPECT_EQ(walk, innerExpected);
}
