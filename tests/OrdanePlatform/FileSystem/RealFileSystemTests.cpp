#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/FileSystem/RealFileSystem.hpp"
#include "Support/TempDir.hpp"

using ordane::platform::FileSystem;
using ordane::platform::FileSystemError;
using ordane::platform::OpenFolder;
using ordane::platform::RealFileSystem;
using ordane::testing::TempDir;
using ordane::testing::writeFile;

TEST(RealFileSystem, AtomicWriteReplacesWholeFileAndLeavesNoTemporary) {
    TempDir dir;
    auto fs = FileSystem::real();
    fs->writeFileAtomically(dir / "store.json", "first version, longer");
    fs->writeFileAtomically(dir / "store.json", "second");
    EXPECT_EQ(fs->readFile(dir / "store.json"), "second");
    EXPECT_THROW(fs->writeFileAtomically(dir / "missing/store.json", "x"), FileSystemError);
    EXPECT_EQ(fs->listDirectory(dir.path()), std::vector<std::string>{"store.json"});

    // In pieces: all of them land in order; a producer that fails part way leaves the old file.
    fs->writePiecesAtomically(dir / "store.json", [](const auto& write) {
        for (const char* piece : {"thi", "", "rd ", "version"}) write(piece);
    });
    EXPECT_EQ(fs->readFile(dir / "store.json"), "third version");
    EXPECT_THROW(fs->writePiecesAtomically(dir / "store.json",
                                           [](const auto& write) {
                                               write("half");
                                               throw FileSystemError(ENOSPC, "write", "store.json");
                                           }),
                 FileSystemError);
    EXPECT_EQ(fs->readFile(dir / "store.json"), "third version");
    EXPECT_EQ(fs->listDirectory(dir.path()), std::vector<std::string>{"store.json"});
}

TEST(RealFileSystem, LargeFilesReadWholeGiveTheSameBytes) {
    TempDir dir;
    auto fs = FileSystem::real();
    for (size_t size : {size_t{0}, size_t{5}, (size_t{16} << 20) + 12345}) {
        SCOPED_TRACE(size);
        std::string text(size, '\0');
        for (size_t k = 0; k < size; ++k) text[k] = static_cast<char>((k * 2654435761u) >> 13);
        ordane::testing::writeFile(dir / "large.bin", text);
        std::string bytes = fs->readFile(dir / "large.bin");
        EXPECT_TRUE(bytes == text);
        // Moved, the bytes stay, also those a short string keeps inside itself.
        std::string moved = std::move(bytes);
        EXPECT_TRUE(moved == text);
    }
    EXPECT_THROW(fs->readFile(dir.path()), FileSystemError);
    EXPECT_THROW(fs->readFile(dir / "missing"), FileSystemError);
}

TEST(RealFileSystem, MoveNeverReplaces) {
    TempDir dir;
    auto fs = FileSystem::real();
    ordane::testing::writeFile(dir / "a", "A");
    ordane::testing::writeFile(dir / "b", "B");
    EXPECT_THROW(fs->moveNoReplace(dir / "a", dir / "b"), FileSystemError);
    EXPECT_EQ(fs->readFile(dir / "a") + fs->readFile(dir / "b"), "AB");
}

TEST(RealFileSystem, StatusDoesNotFollowLinks) {
    TempDir dir;
    auto fs = FileSystem::real();
    ordane::testing::writeFile(dir / "file", std::string(5000, 'x'));
    fs->createSymlink(dir / "file", dir / "link");
    fs->createSymlink(dir / "nowhere", dir / "broken");
    EXPECT_TRUE(fs->linkStatus(dir / "link").isSymlink());
    EXPECT_TRUE(fs->exists(dir / "broken"));
    EXPECT_GE(fs->linkStatus(dir / "file").allocatedSize, 4096);

    // A folder's listing tells, for its links only, whether they lead anywhere.
    fs->createSymlink("link", dir / "chained");
    std::map<std::string, std::optional<bool>> leads;
    for (const auto& entry : fs->readDirectory(dir.path(), true).entries) leads[entry.name] = entry.linkLeadsSomewhere;
    EXPECT_EQ(leads, (std::map<std::string, std::optional<bool>>{
                         {"broken", false}, {"chained", true}, {"file", std::nullopt}, {"link", true}}));
}

// Names sharing their first eight or sixteen bytes, shorter than that, and with bytes above 0x7f come in
// plain unsigned byte order, hidden names too (a folder's names are sorted by a prefix first).
TEST(RealFileSystem, ListingsAreInBytewiseOrderWhateverThePrefixesTheNamesShare) {
    TempDir dir;
    auto fs = FileSystem::real();
    std::vector<std::string> names = {"abcdefgh", "abcdefgh0", "abcdefgi", "abcdefg", "abcdefgh\xff", "abcdefgh~",
                                      "B", "a", "\xc3\xa9t\xc3\xa9", "\x7f", "zz", "\xff\xfe", "abcdefgh\x01",
                                      // Around sixteen bytes, the two numbers of the sort's key.
                                      "abcdefghijklmnop", "abcdefghijklmno", "abcdefghijklmnop\xff", "abcdefghijklmnopq",
                                      "abcdefghijklmnoq", "abcdefghijklmnop\x01", "abcdefghijklmno\xff", "abcdefghijklmnoP"};
    std::vector<std::string> hidden = {".b", ".a", ".abcdefgh1", ".abcdefgh0", ".\xff"};
    // Enough names with long common prefixes that the sort goes past its small-range path.
    uint32_t state = 12345;
    for (int i = 0; i < 300; ++i) {
        state = state * 1103515245 + 12345;
        std::string name = "common-prefix-" + std::string(1 + state % 3, static_cast<char>('a' + (state >> 8) % 3));
        name += std::to_string(state % 997);
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    for (const auto& name : names) ordane::testing::writeFile(dir / name, "x");
    for (const auto& name : hidden) ordane::testing::writeFile(dir / name, "x");

    std::vector<std::string> visible = names;
    std::sort(visible.begin(), visible.end());
    std::sort(hidden.begin(), hidden.end());
    auto listing = fs->readDirectory(dir.path(), false);
    std::vector<std::string> listed;
    for (const auto& entry : listing.entries) listed.push_back(entry.name);
    EXPECT_EQ(listed, visible);
    EXPECT_EQ(listing.hiddenNames, hidden);

    std::vector<std::string> all = visible;
    all.insert(all.end(), hidden.begin(), hidden.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(fs->listDirectory(dir.path()), all);

    // A folder too large to list in one read: every name, once, in order.
    fs->createDirectories(dir / "many");
    std::vector<std::string> many;
    for (int i = 2999; i >= 0; --i) {
        many.push_back("a-rather-long-name-to-fill-the-buffer-" + std::to_string(i * 7919 % 3001));
        ordane::testing::writeFile(dir / ("many/" + many.back()), "");
    }
    std::sort(many.begin(), many.end());
    EXPECT_EQ(fs->listDirectory(dir / "many"), many);
}

TEST(RealFileSystem, ALargeFolderReadInPartsGivesEveryEntryItsOwnValues) {
    // Past the size read in parts side by side; files of different sizes, with folders and links,
    // good and dangling, spread through every part.
    TempDir dir;
    const int count = 9000;
    for (int i = 0; i < count; ++i) {
        std::string name = "e" + std::to_string(100000 + i);
        if (i % 997 == 0) {
            std::filesystem::create_directory(dir / name);
        } else if (i % 1009 == 0) {
            std::filesystem::create_symlink(i % 2 ? "nowhere" : "e100001", dir / name);
        } else {
            writeFile(dir / name, std::string(static_cast<size_t>(i % 50), 'x'));
        }
    }
    auto fs = FileSystem::real();
    auto listing = fs->readDirectory(dir.path(), true);
    ASSERT_EQ(listing.entries.size(), static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto& entry = listing.entries[static_cast<size_t>(i)];
        ASSERT_EQ(entry.name, "e" + std::to_string(100000 + i));
        ASSERT_TRUE(entry.status) << entry.name;
        auto expected = fs->linkStatus(dir / entry.name);
        EXPECT_EQ(entry.status->inode, expected.inode) << entry.name;
        EXPECT_EQ(entry.status->type, expected.type) << entry.name;
        EXPECT_EQ(entry.status->size, expected.size) << entry.name;
        if (expected.isSymlink()) {
            EXPECT_EQ(entry.linkLeadsSomewhere, std::optional<bool>(i % 2 == 0)) << entry.name;
        } else {
            EXPECT_FALSE(entry.linkLeadsSomewhere) << entry.name;
        }
    }
}

TEST(RealFileSystem, RemoveTreeRemovesLinksWithoutFollowingThem) {
    TempDir dir;
    TempDir outside;
    auto fs = FileSystem::real();
    ordane::testing::writeFile(outside / "keep.txt", "keep");
    ordane::testing::writeFile(dir / "tree/sub/a.txt", "a");
    fs->createSymlink(outside.path(), dir / "tree/sub/link");
    fs->removeTree(dir / "tree");
    EXPECT_FALSE(fs->exists(dir / "tree"));
    EXPECT_EQ(fs->readFile(outside / "keep.txt"), "keep");
}

TEST(RealFileSystem, CreateDirectoriesFailsWhereNoFolderCanBe) {
    TempDir dir;
    auto fs = FileSystem::real();
    fs->createDirectories(dir / "a/b/c/");
    EXPECT_TRUE(fs->status(dir / "a/b/c").isDirectory());
    ordane::testing::writeFile(dir / "file", "x");
    EXPECT_THROW(fs->createDirectories(dir / "file"), FileSystemError);
    EXPECT_THROW(fs->createDirectories(dir / "file/below"), FileSystemError);
    // A broken link takes the name: mkdir can't create the folder, and no folder exists after.
    fs->createSymlink(dir / "nowhere", dir / "broken");
    EXPECT_THROW(fs->createDirectories(dir / "broken"), FileSystemError);
    EXPECT_THROW(fs->createDirectories(dir / "broken/below"), FileSystemError);
    EXPECT_FALSE(fs->exists(dir / "nowhere"));
}

// Skipping moves the reading position as reading would, says how much there was past the end, and
// a reader that only knows how to read (the base) skips the same way.
TEST(RealFileSystem, SkipMovesOnLikeReadingAndStopsAtTheEnd) {
    TempDir dir;
    auto fs = FileSystem::real();
    ordane::testing::writeFile(dir / "ten.txt", "0123456789");
    struct ReadOnly : ordane::platform::ReadableFile {
        std::unique_ptr<ordane::platform::ReadableFile> inner;
        size_t read(char* buffer, size_t count) override { return inner->read(buffer, std::min<size_t>(count, 3)); }
    };
    for (bool base : {false, true}) {
        SCOPED_TRACE(base);
        std::unique_ptr<ordane::platform::ReadableFile> file = fs->openForReading(dir / "ten.txt");
        if (base) {
            auto readOnly = std::make_unique<ReadOnly>();
            readOnly->inner = std::move(file);
            file = std::move(readOnly);
        }
        char buffer[16] = {};
        EXPECT_EQ(file->skip(0), 0u);
        EXPECT_EQ(file->skip(4), 4u);
        ASSERT_EQ(file->read(buffer, 2), 2u);
        EXPECT_EQ(std::string(buffer, 2), "45");
        EXPECT_EQ(file->skip(100), 4u);
        EXPECT_EQ(file->read(buffer, sizeof buffer), 0u);
        EXPECT_EQ(file->skip(1), 0u);
    }
}

namespace {

size_t openDescriptors() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

std::vector<std::string> names(const ordane::platform::DirectoryListing& listing) {
    std::vector<std::string> result;
    for (const auto& entry : listing.entries) result.push_back(entry.name);
    return result;
}

}  // namespace

// A folder read from its held parent is that parent's entry, wherever the parent is now. A link
// put in its place is followed neither from there nor by path, even to the folder itself moved;
// only readDirectory, which reads a walk's root, follows it.
TEST(RealFileSystem, ASubfolderIsReadFromItsHeldParentAndNeverThroughALinkThatTookItsPlace) {
    TempDir dir;
    writeFile(dir / "p/sub/x.txt", "x");
    writeFile(dir / "p/file.txt", "f");
    auto fs = std::make_shared<RealFileSystem>();
    size_t before = openDescriptors();
    {
        std::shared_ptr<const OpenFolder> parent;
        EXPECT_EQ(names(fs->readDirectoryFrom(nullptr, dir / "p", true, &parent)),
                  (std::vector<std::string>{"file.txt", "sub"}));
        ASSERT_TRUE(parent);
        std::shared_ptr<const OpenFolder> leaf;
        auto sub = fs->readDirectoryFrom(parent.get(), dir / "p/sub", true, &leaf);
        EXPECT_EQ(names(sub), std::vector<std::string>{"x.txt"});
        EXPECT_FALSE(leaf) << "a folder without subfolders is not held";
        EXPECT_EQ(openDescriptors(), before + 1);

        std::filesystem::rename(dir / "p/sub", dir / "p/sub-moved");
        std::filesystem::create_directory_symlink(dir / "p/sub-moved", dir / "p/sub");
        for (const OpenFolder* from : {parent.get(), static_cast<const OpenFolder*>(nullptr)}) {
            try {
                fs->readDirectoryFrom(from, dir / "p/sub", true, nullptr);
                ADD_FAILURE() << "read through the link, from a parent: " << (from != nullptr);
            } catch (const FileSystemError& error) {
                EXPECT_EQ(error.errorNumber(), ENOTDIR);
            }
        }
        EXPECT_EQ(names(fs->readDirectory(dir / "p/sub", true)), std::vector<std::string>{"x.txt"});
        std::filesystem::remove(dir / "p/sub");
        std::filesystem::rename(dir / "p/sub-moved", dir / "p/sub");

        // Moved away, the parent still leads to its own subfolder; by path it is gone.
        std::filesystem::rename(dir / "p", dir / "q");
        EXPECT_THROW(fs->readDirectory(dir / "p/sub", true), FileSystemError);
        auto moved = fs->readDirectoryFrom(parent.get(), dir / "p/sub", true, nullptr);
        EXPECT_EQ(names(moved), std::vector<std::string>{"x.txt"});
        EXPECT_EQ(std::pair(moved.device, moved.inode), std::pair(sub.device, sub.inode));
    }
    EXPECT_EQ(openDescriptors(), before) << "closed with its last holder";
}

// Past the bound no folder is held, and the reads go on by path; a folder let go makes room.
TEST(RealFileSystem, FoldersHeldOpenStayWithinTheirBound) {
    TempDir dir;
    const size_t most = RealFileSystem::maxFoldersHeldOpen();
    ASSERT_GT(most, 0u);
    for (size_t i = 0; i <= most; ++i) std::filesystem::create_directories(dir / ("f" + std::to_string(i) + "/d"));
    auto fs = std::make_shared<RealFileSystem>();
    size_t before = openDescriptors();
    {
        std::vector<std::shared_ptr<const OpenFolder>> held(most + 1);
        for (size_t i = 0; i <= most; ++i) {
            auto listing = fs->readDirectoryFrom(nullptr, dir / ("f" + std::to_string(i)), true, &held[i]);
            ASSERT_EQ(names(listing), std::vector<std::string>{"d"});
        }
        EXPECT_EQ(std::count(held.begin(), held.end(), nullptr), 1);
        EXPECT_FALSE(held[most]);
        EXPECT_LE(openDescriptors(), before + most);
        held[0].reset();
        std::shared_ptr<const OpenFolder> again;
        fs->readDirectoryFrom(nullptr, dir / ("f" + std::to_string(most)), true, &again);
        EXPECT_TRUE(again);
    }
    EXPECT_EQ(openDescriptors(), before);
}

// A folder held on a file system in memory reads promptly; one of the kernel's own is not
// counted on (only disks and memory are).
TEST(RealFileSystem, AFolderHeldInMemoryReadsPromptlyAndOneOfTheKernelsIsNotCountedOn) {
    auto fs = std::make_shared<RealFileSystem>();
    std::shared_ptr<const OpenFolder> process;
    fs->readDirectoryFrom(nullptr, "/proc", true, &process);
    ASSERT_TRUE(process);
    EXPECT_FALSE(process->readsEndPromptly());

    if (!std::filesystem::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm here";
    std::string base = "/dev/shm/ordane-test-XXXXXX";
    ASSERT_NE(::mkdtemp(base.data()), nullptr);
    std::filesystem::create_directories(base + "/p/sub");
    {
        std::shared_ptr<const OpenFolder> held;
        fs->readDirectoryFrom(nullptr, base + "/p", true, &held);
        ASSERT_TRUE(held);
        EXPECT_TRUE(held->readsEndPromptly());
    }
    std::filesystem::remove_all(base);
}

// A stand-in that changes readDirectory is asked by readDirectoryFrom too.
TEST(RealFileSystem, AStandInThatChangesFolderReadsIsAskedForReadsFromAParent) {
    struct Renaming : RealFileSystem {
        ordane::platform::DirectoryListing readDirectory(const std::string& path, bool includeHidden) override {
            auto listing = RealFileSystem::readDirectory(path, includeHidden);
            for (auto& entry : listing.entries) entry.name += "!";
            return listing;
        }
    };
    TempDir dir;
    writeFile(dir / "p/sub/x.txt", "x");
    auto fs = std::make_shared<Renaming>();
    std::shared_ptr<const OpenFolder> parent;
    EXPECT_EQ(names(fs->readDirectoryFrom(nullptr, dir / "p", true, &parent)), std::vector<std::string>{"sub!"});
    EXPECT_FALSE(parent);
}
