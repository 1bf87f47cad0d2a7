#include <gtest/gtest.h>

#include <ctime>

#include "OrdaneCore/Actions/SafeMover.hpp"
#include "OrdaneCore/Hashing/FileHasher.hpp"
#include "OrdanePlatform/FileSystem/ItemCopy.hpp"
#include "OrdanePlatform/FileSystem/TreeComparison.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"
#include "Support/UnprivilegedFileSystem.hpp"

using ordane::Date;
using ordane::SafeMover;
using ordane::URL;
using ordane::platform::FileSystem;
using ordane::platform::FileSystemError;
using ordane::testing::FaultInjectingFileSystem;
using ordane::testing::readFile;
using ordane::testing::SimulatedCrash;
using ordane::testing::TempDir;
using ordane::testing::writeFile;
using MoveError = SafeMover::MoveError;
using Operation = FaultInjectingFileSystem::Operation;

namespace {

URL fileURL(const std::string& path) { return URL::fileURL(path); }

int64_t sizeOf(const std::string& path) { return FileSystem::real()->linkStatus(path).size; }

// The sentence of the MoveError that `call` throws, or "" when it throws none.
std::string refusalOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const MoveError& error) {
        return error.errorDescription();
    }
    return "";
}

std::optional<std::string> treeDifference(const std::string& a, const std::string& b) {
    ordane::FileHasher hasher;
    return ordane::platform::firstTreeDifference(*FileSystem::real(), a, b, [&](const std::string& path) {
        return hasher.sha256(URL::fileURL(path), 1 << 20);
    });
}

// Source and destination on different devices, when the machine has a second one.
struct TwoVolumes {
    TempDir here;
    std::unique_ptr<TempDir> there;
    TwoVolumes() {
        if (FileSystem::real()->status("/dev/shm").device != FileSystem::real()->status(here.path()).device) {
            there = std::make_unique<TempDir>("/dev/shm");
        }
    }
};

}  // namespace

TEST(SafeMover, RefusalsCarryTheItemsNameInTheirSentences) {
    EXPECT_STREQ(MoveError(MoveError::Kind::sourceMissing, "a.txt").what(),
                 "a.txt isn't where it was when I looked, so I left everything alone.");
    EXPECT_EQ(MoveError(MoveError::Kind::sourceChanged, "a.txt").errorDescription(),
              "a.txt changed since I looked at it, so I left it alone. Scan again to pick it up.");
    EXPECT_EQ(MoveError(MoveError::Kind::verificationFailed, "a.txt").errorDescription(),
              "I couldn't verify the copy of a.txt arrived intact, so the original stayed put.");
    EXPECT_EQ(MoveError(MoveError::Kind::trashUnavailable, "a.txt").errorDescription(),
              "This disk has no Trash for a.txt, so I did nothing. Nothing was deleted.");
}

TEST(SafeMover, AMissingItemIsRefusedBeforeAnythingIsCreated) {
    TempDir dir;
    auto fs = FileSystem::real();
    EXPECT_EQ(refusalOf([&] { SafeMover::move(fileURL(dir / "gone.pdf"), fileURL(dir / "new/place/gone.pdf"), 10, {}, fs); }),
              "gone.pdf isn't where it was when I looked, so I left everything alone.");
    EXPECT_FALSE(fs->exists(dir / "new"));
}

TEST(SafeMover, SizeAndDateTellWhetherTheItemChanged) {
    TempDir dir;
    auto fs = FileSystem::real();
    writeFile(dir / "a.txt", "12345");
    fs->setModificationTime(dir / "a.txt", 1700000000);
    Date approved = Date::fromUnix(1700000000);
    const std::string changed = "a.txt changed since I looked at it, so I left it alone. Scan again to pick it up.";

    EXPECT_EQ(refusalOf([&] { SafeMover::checkSource(fileURL(dir / "a.txt"), 4, approved, *fs); }), changed);
    EXPECT_EQ(refusalOf([&] { SafeMover::checkSource(fileURL(dir / "a.txt"), 5, approved.adding(-1.0), *fs); }), "");
    EXPECT_EQ(refusalOf([&] { SafeMover::checkSource(fileURL(dir / "a.txt"), 5, approved.adding(1.5), *fs); }), changed);
    EXPECT_EQ(refusalOf([&] { SafeMover::checkSource(fileURL(dir / "a.txt"), 5, std::nullopt, *fs); }), "");

    // A folder has no size test: its contents may grow while its date stays close.
    writeFile(dir / "folder/one", "1");
    fs->setModificationTime(dir / "folder", 1700000000);
    writeFile(dir / "folder/two", "2");
    fs->setModificationTime(dir / "folder", 1700000000.5);
    URL moved = SafeMover::move(URL::fileURL(dir / "folder", true), URL::fileURL(dir / "elsewhere/folder", true), 1,
                                approved, fs);
    EXPECT_EQ(moved.path(), dir / "elsewhere/folder");
    EXPECT_EQ(readFile(dir / "elsewhere/folder/two"), "2");
}

TEST(SafeMover, TakenNamesBecomeFreeNamesAndNothingIsOverwritten) {
    TempDir dir;
    auto fs = FileSystem::real();
    writeFile(dir / "in/Report.pdf", "new");
    writeFile(dir / "out/Report.pdf", "old 1");
    writeFile(dir / "out/Report 2.pdf", "old 2");
    URL moved = SafeMover::move(fileURL(dir / "in/Report.pdf"), fileURL(dir / "out/Report.pdf"), 3, {}, fs);
    EXPECT_EQ(moved.path(), dir / "out/Report 3.pdf");
    EXPECT_EQ(readFile(dir / "out/Report.pdf"), "old 1");
    EXPECT_EQ(readFile(dir / "out/Report 2.pdf"), "old 2");
    EXPECT_EQ(readFile(dir / "out/Report 3.pdf"), "new");

    writeFile(dir / "out/Notes", "");
    writeFile(dir / "out/Scan.PDF", "");
    EXPECT_EQ(SafeMover::uniqueDestination(fileURL(dir / "out/Notes"), *fs).path(), dir / "out/Notes 2");
    EXPECT_EQ(SafeMover::uniqueDestination(fileURL(dir / "out/Scan.PDF"), *fs).path(), dir / "out/Scan 2.PDF");
    EXPECT_EQ(SafeMover::uniqueDestination(fileURL(dir / "out/Free.pdf"), *fs).path(), dir / "out/Free.pdf");
}

TEST(SafeMover, AfterNinetyEightTakenNamesTheTimeIsUsed) {
    TempDir dir;
    auto fs = FileSystem::real();
    writeFile(dir / "Report.pdf", "");
    for (int n = 2; n <= 99; ++n) writeFile(dir / ("Report " + std::to_string(n) + ".pdf"), "");
    long long before = std::time(nullptr);
    std::string name = SafeMover::uniqueDestination(fileURL(dir / "Report.pdf"), *fs).lastPathComponent();
    long long after = std::time(nullptr);
    ASSERT_EQ(name.substr(0, 7), "Report ");
    ASSERT_EQ(name.substr(name.size() - 4), ".pdf");
    long long seconds = std::stoll(name.substr(7, name.size() - 11));
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, after);
}

TEST(SafeMover, AFolderCannotMoveIntoItself) {
    TempDir dir;
    auto fs = FileSystem::real();
    writeFile(dir / "a/file", "x");
    EXPECT_THROW(SafeMover::move(URL::fileURL(dir / "a", true), URL::fileURL(dir / "a/inner/a", true), 0, {}, fs),
                 FileSystemError);
    EXPECT_EQ(readFile(dir / "a/file"), "x");
    // Refused before anything is made inside the folder.
    EXPECT_EQ(FileSystem::real()->listDirectory(dir / "a"), std::vector<std::string>{"file"});
}

TEST(SafeMover, AcrossVolumesFilesAndFoldersAreCopiedVerifiedThenRemoved) {
    TwoVolumes volumes;
    if (!volumes.there) GTEST_SKIP() << "no second device";
    auto fs = FileSystem::real();
    writeFile(volumes.here / "doc.txt", "document");
    fs->setPermissions(volumes.here / "doc.txt", 0604);
    fs->setModificationTime(volumes.here / "doc.txt", 1500000000);
    writeFile(volumes.here / "album/a.jpg", std::string(3000000, 'a'));
    writeFile(volumes.here / "album/sub/b.jpg", "b");
    ordane::platform::copyItem(*fs, volumes.here / "album", volumes.here / "album-snapshot");

    URL file = SafeMover::move(fileURL(volumes.here / "doc.txt"), fileURL(*volumes.there / "doc.txt"), 8,
                               Date::fromUnix(1500000000), fs);
    EXPECT_EQ(readFile(file.path()), "document");
    EXPECT_EQ(fs->linkStatus(file.path()).mode, 0604u);
    EXPECT_DOUBLE_EQ(fs->linkStatus(file.path()).modified, 1500000000);
    EXPECT_FALSE(fs->exists(volumes.here / "doc.txt"));

    URL folder = SafeMover::move(URL::fileURL(volumes.here / "album", true), URL::fileURL(*volumes.there / "album", true),
                                 0, {}, fs);
    EXPECT_EQ(treeDifference(volumes.here / "album-snapshot", folder.path()), std::nullopt);
    EXPECT_FALSE(fs->exists(volumes.here / "album"));
}

TEST(SafeMover, ACorruptedCopyIsRemovedAndTheOriginalStays) {
    TempDir dir;
    auto fs = std::make_shared<FaultInjectingFileSystem>();
    writeFile(dir / "a.txt", "original");
    writeFile(dir / "folder/deep/b.txt", "inside a folder");
    // Another volume, as two mounts of one file system look to a rename.
    fs->fail(Operation::moveNoReplace, "", EXDEV);
    fs->corruptWrites("/out/");
    const std::string refusal = "I couldn't verify the copy of a.txt arrived intact, so the original stayed put.";
    EXPECT_EQ(refusalOf([&] { SafeMover::move(fileURL(dir / "a.txt"), fileURL(dir / "out/a.txt"), 8, {}, fs); }), refusal);
    EXPECT_EQ(readFile(dir / "a.txt"), "original");
    EXPECT_FALSE(fs->exists(dir / "out/a.txt"));

    // A folder whose copy differs in one file deep inside is no verified copy either.
    EXPECT_EQ(refusalOf([&] {
                  SafeMover::move(URL::fileURL(dir / "folder", true), URL::fileURL(dir / "out/folder", true), 0, {}, fs);
              }),
              "I couldn't verify the copy of folder arrived intact, so the original stayed put.");
    EXPECT_EQ(readFile(dir / "folder/deep/b.txt"), "inside a folder");
    EXPECT_FALSE(fs->exists(dir / "out/folder"));
}

TEST(SafeMover, AnUnverifiedCopyWithReadOnlyFoldersIsRemovedToo) {
    TempDir dir;
    writeFile(dir / "folder/locked/kept.txt", "kept");
    writeFile(dir / "folder/z.txt", "last");
    FileSystem::real()->setPermissions(dir / "folder/locked", 0555);
    auto fs = std::make_shared<FaultInjectingFileSystem>(std::make_shared<ordane::testing::UnprivilegedFileSystem>());
    fs->fail(Operation::moveNoReplace, "", EXDEV);
    fs->corruptWrites("/out/folder/z.txt");
    EXPECT_EQ(refusalOf([&] {
                  SafeMover::move(URL::fileURL(dir / "folder", true), URL::fileURL(dir / "out/folder", true), 0, {}, fs);
              }),
              "I couldn't verify the copy of folder arrived intact, so the original stayed put.");
    EXPECT_FALSE(fs->exists(dir / "out/folder"));
    EXPECT_EQ(readFile(dir / "folder/locked/kept.txt"), "kept");
    EXPECT_EQ(readFile(dir / "folder/z.txt"), "last");
}

TEST(SafeMover, LargeCopiesAreHashedToo) {
    TempDir dir;
    auto fs = std::make_shared<FaultInjectingFileSystem>();
    // 100,000,000 bytes: equal sizes alone must not pass a copy this large.
    writeFile(dir / "big.bin", "");
    ASSERT_EQ(::truncate((dir / "big.bin").c_str(), 100000000), 0);
    fs->fail(Operation::moveNoReplace, "", EXDEV);
    fs->corruptWrites("/out/");
    EXPECT_EQ(refusalOf([&] { SafeMover::move(fileURL(dir / "big.bin"), fileURL(dir / "out/big.bin"), 100000000, {}, fs); }),
              "I couldn't verify the copy of big.bin arrived intact, so the original stayed put.");
    EXPECT_EQ(sizeOf(dir / "big.bin"), 100000000);
    EXPECT_FALSE(fs->exists(dir / "out/big.bin"));
}

TEST(SafeMover, VerificationComparesWholeFolders) {
    TempDir dir;
    auto fs = FileSystem::real();
    writeFile(dir / "source/a", "a");
    writeFile(dir / "source/sub/b", "b");
    writeFile(dir / "copy/a", "a");
    ordane::testing::makeDirectories(dir / "copy/sub");  // b never arrived
    EXPECT_EQ(refusalOf([&] {
                  SafeMover::verifyCopy(URL::fileURL(dir / "source", true), URL::fileURL(dir / "copy", true), fs);
              }),
              "I couldn't verify the copy of source arrived intact, so the original stayed put.");
    writeFile(dir / "copy/sub/b", "b");
    EXPECT_EQ(refusalOf([&] { SafeMover::verifyCopy(URL::fileURL(dir / "source", true), URL::fileURL(dir / "copy", true), fs); }),
              "");
}

TEST(SafeMover, ACopyThatFailsHalfWayLeavesNothingAtTheDestination) {
    TempDir dir;
    auto fs = std::make_shared<FaultInjectingFileSystem>();
    writeFile(dir / "big.bin", std::string(3 << 20, 'x'));
    writeFile(dir / "folder/one", "1");
    writeFile(dir / "folder/two/three", std::string(2 << 20, '3'));
    fs->fail(Operation::moveNoReplace, "", EXDEV);
    fs->fail(Operation::write, "/out/", ENOSPC, 1, 1);
    try {
        SafeMover::move(fileURL(dir / "big.bin"), fileURL(dir / "out/big.bin"), 3 << 20, {}, fs);
        FAIL() << "a failed copy was reported as a move";
    } catch (const FileSystemError& error) {
        EXPECT_EQ(error.errorNumber(), ENOSPC);
    }
    EXPECT_FALSE(fs->exists(dir / "out/big.bin"));
    EXPECT_EQ(sizeOf(dir / "big.bin"), 3 << 20);

    fs->fail(Operation::write, "/out/folder/two/three", EIO, 1, 1);
    EXPECT_THROW(SafeMover::move(URL::fileURL(dir / "folder", true), URL::fileURL(dir / "out/folder", true), 0, {}, fs),
                 FileSystemError);
    EXPECT_FALSE(fs->exists(dir / "out/folder"));
    EXPECT_EQ(readFile(dir / "folder/one"), "1");
}

TEST(SafeMover, AFailedRemovalOfTheSourceKeepsBothAndReportsTheFailure) {
    TempDir dir;
    auto fs = std::make_shared<FaultInjectingFileSystem>();
    writeFile(dir / "a.txt", "both");
    fs->fail(Operation::moveNoReplace, "", EXDEV);
    fs->fail(Operation::removeTree, dir / "a.txt", EIO);
    EXPECT_THROW(SafeMover::move(fileURL(dir / "a.txt"), fileURL(dir / "out/a.txt"), 4, {}, fs), FileSystemError);
    EXPECT_EQ(readFile(dir / "a.txt"), "both");
    EXPECT_EQ(readFile(dir / "out/a.txt"), "both");
}

TEST(SafeMover, ACrashAtAnyStepNeverLosesTheItem) {
    for (int changes = 0;; ++changes) {
        TempDir dir;
        auto fs = std::make_shared<FaultInjectingFileSystem>();
        writeFile(dir / "folder/a", "alpha");
        writeFile(dir / "folder/sub/b", std::string(2 << 20, 'b'));
        ordane::platform::copyItem(*FileSystem::real(), dir / "folder", dir / "snapshot");
        fs->fail(Operation::moveNoReplace, "", EXDEV);
        fs->crashAfter(changes);
        bool crashed = false;
        try {
            SafeMover::move(URL::fileURL(dir / "folder", true), URL::fileURL(dir / "out/folder", true), 0, {}, fs);
        } catch (const SimulatedCrash&) {
            crashed = true;
        }
        bool sourceWhole = !treeDifference(dir / "snapshot", dir / "folder");
        bool copyWhole = !treeDifference(dir / "snapshot", dir / "out/folder");
        EXPECT_TRUE(sourceWhole || copyWhole) << "lost after " << changes << " changes";
        if (!crashed) {
            EXPECT_TRUE(copyWhole);
            EXPECT_FALSE(FileSystem::real()->exists(dir / "folder"));
            break;
        }
    }
}
