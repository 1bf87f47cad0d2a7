#include <gtest/gtest.h>

#include <ctime>
#include <utility>

#include "ActionWorkspace.hpp"
#include "OrdaneCore/Actions/SafeMover.hpp"
#include "OrdanePlatform/FileSystem/ItemCopy.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "Support/UnprivilegedFileSystem.hpp"

using namespace ordane;
using namespace ordane::testing;
using platform::FileSystem;
using Operation = FaultInjectingFileSystem::Operation;

namespace {

URL fileURL(const std::string& path) { return URL::fileURL(path); }
URL folderURL(const std::string& path) { return URL::fileURL(path, true); }

// The sentence of the MoveError that `call` throws, "errno N" for a file error, "" for none.
std::string outcomeOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const SafeMover::MoveError& error) {
        EXPECT_EQ(error.what(), error.errorDescription());
        return error.errorDescription();
    } catch (const platform::FileSystemError& error) {
        return "errno " + std::to_string(error.errorNumber());
    }
    return "";
}

std::string moveFolder(const TempDir& dir, const std::shared_ptr<FileSystem>& fs) {
    return outcomeOf([&] { SafeMover::move(folderURL(dir / "in/folder"), folderURL(dir / "out/folder"), 0, {}, fs); });
}

// Items under dir/in can't be renamed out of it, as if dir/out were on another volume.
template <class FaultingFileSystem = FaultInjectingFileSystem>
std::shared_ptr<FaultingFileSystem> acrossVolumes(const TempDir& dir, std::shared_ptr<FileSystem> inner = FileSystem::real()) {
    auto fs = std::make_shared<FaultingFileSystem>(std::move(inner));
    fs->fail(Operation::moveNoReplace, dir / "in/", EXDEV);
    return fs;
}

// A folder of two files (one of several chunks) and a read-only subfolder, with a snapshot beside it.
void makeFolderWithSnapshot(const TempDir& dir) {
    writeFile(dir / "in/folder/a", "alpha");
    writeFile(dir / "in/folder/sub/b", std::string((2 << 20) + 1, 'b'));
    writeFile(dir / "in/folder/sub/locked/c", "c");
    FileSystem::real()->setPermissions(dir / "in/folder/sub/locked", 0555);
    platform::copyItem(*FileSystem::real(), dir / "in/folder", dir / "snapshot");
}

}  // namespace

TEST(SafeMover, TheSourceCheckRefusesMissingOrChangedItemsBeforeTouchingAnything) {
    TempDir dir;
    auto fs = FileSystem::real();
    EXPECT_EQ(outcomeOf([&] { SafeMover::move(fileURL(dir / "gone.pdf"), fileURL(dir / "new/place/gone.pdf"), 10, {}, fs); }),
              "gone.pdf isn't where it was when I looked, so I left everything alone.");
    EXPECT_FALSE(fs->exists(dir / "new"));

    writeFile(dir / "a.txt", "12345");
    fs->setModificationTime(dir / "a.txt", 1700000000);
    Date approved = Date::fromUnix(1700000000);
    const std::string changed = "a.txt changed since I looked at it, so I left it alone. Scan again to pick it up.";
    auto check = [&](int64_t size, std::optional<Date> date) {
        return outcomeOf([&] { SafeMover::checkSource(fileURL(dir / "a.txt"), size, date, *fs); });
    };
    EXPECT_EQ(check(4, approved), changed);
    EXPECT_EQ(check(5, approved.adding(-1.0)), "");
    EXPECT_EQ(check(5, approved.adding(1.5)), changed);
    EXPECT_EQ(check(5, std::nullopt), "");

    // A folder has no size test: its contents may grow while its date stays close.
    writeFile(dir / "folder/one", "1");
    fs->setModificationTime(dir / "folder", 1700000000);
    writeFile(dir / "folder/two", "2");
    fs->setModificationTime(dir / "folder", 1700000000.5);
    EXPECT_EQ(SafeMover::move(folderURL(dir / "folder"), folderURL(dir / "elsewhere/folder"), 1, approved, fs).path(),
              dir / "elsewhere/folder");
    EXPECT_EQ(readFile(dir / "elsewhere/folder/two"), "2");

    // Nor can a folder go inside itself; refused before anything is made inside it.
    EXPECT_EQ(outcomeOf([&] { SafeMover::move(folderURL(dir / "elsewhere"), folderURL(dir / "elsewhere/in/x"), 0, {}, fs); }),
              "errno " + std::to_string(EINVAL));
    EXPECT_EQ(namesIn(dir / "elsewhere"), std::vector<std::string>{"folder"});
}

TEST(SafeMover, TakenNamesBecomeFreeNamesAndNothingIsOverwritten) {
    TempDir dir;
    auto fs = FileSystem::real();
    writeFile(dir / "in/Report.pdf", "new");
    writeFile(dir / "out/Report.pdf", "old 1");
    writeFile(dir / "out/Report 2.pdf", "old 2");
    EXPECT_EQ(SafeMover::move(fileURL(dir / "in/Report.pdf"), fileURL(dir / "out/Report.pdf"), 3, {}, fs).path(),
              dir / "out/Report 3.pdf");
    EXPECT_EQ(readFile(dir / "out/Report.pdf") + readFile(dir / "out/Report 2.pdf") + readFile(dir / "out/Report 3.pdf"),
              "old 1old 2new");

    writeFile(dir / "out/Notes", "");
    writeFile(dir / "out/Scan.PDF", "");
    EXPECT_EQ(SafeMover::uniqueDestination(fileURL(dir / "out/Notes"), *fs).path(), dir / "out/Notes 2");
    EXPECT_EQ(SafeMover::uniqueDestination(fileURL(dir / "out/Scan.PDF"), *fs).path(), dir / "out/Scan 2.PDF");
    EXPECT_EQ(SafeMover::uniqueDestination(fileURL(dir / "out/Free.pdf"), *fs).path(), dir / "out/Free.pdf");

    // After 98 taken numbers, the seconds since 1970.
    for (int n = 4; n <= 99; ++n) writeFile(dir / ("out/Report " + std::to_string(n) + ".pdf"), "");
    long long before = std::time(nullptr);
    std::string name = SafeMover::uniqueDestination(fileURL(dir / "out/Report.pdf"), *fs).lastPathComponent();
    ASSERT_TRUE(name.starts_with("Report ") && name.ends_with(".pdf")) << name;
    long long seconds = std::stoll(name.substr(7, name.size() - 11));
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, std::time(nullptr));
}

// The name is free when the copy starts, but someone takes it before the verified copy gets it.
TEST(SafeMover, AVerifiedCopyKeepsModesAndTimesUnderAFreeNameEvenOneTakenDuringTheCopy) {
    struct TakesTheName : FaultInjectingFileSystem {
        using FaultInjectingFileSystem::FaultInjectingFileSystem;
        std::string name;
        void syncFolder(const std::string& path) override {
            // Once the copy's own hidden folder is flushed, someone else takes its final name.
            if (!name.empty() && path.find("/.") != std::string::npos) writeFile(std::exchange(name, ""), "theirs");
            FaultInjectingFileSystem::syncFolder(path);
        }
    };
    TempDir dir;
    auto fs = acrossVolumes<TakesTheName>(dir);
    fs->name = dir / "out/folder 2";
    makeFolderWithSnapshot(dir);
    fs->setPermissions(dir / "in/folder", 0750);
    fs->setModificationTime(dir / "in/folder", 1400000000);
    writeFile(dir / "out/folder/own", "someone's own folder of that name");
    URL moved = SafeMover::move(folderURL(dir / "in/folder"), folderURL(dir / "out/folder"), 0, {}, fs);
    EXPECT_EQ(moved.path(), dir / "out/folder 3");
    EXPECT_EQ(treeDifference(dir / "snapshot", moved.path()), std::nullopt);
    EXPECT_EQ(fs->linkStatus(moved.path()).mode, 0750u);
    EXPECT_DOUBLE_EQ(fs->linkStatus(moved.path()).modified, 1400000000);
    EXPECT_EQ(fs->linkStatus(moved.path() + "/sub/locked").mode, 0555u);
    EXPECT_EQ(namesIn(dir / "out"), (std::vector<std::string>{"folder", "folder 2", "folder 3"}));
    EXPECT_EQ(namesIn(dir / "out/folder"), std::vector<std::string>{"own"});
    EXPECT_EQ(readFile(dir / "out/folder 2"), "theirs");
    EXPECT_FALSE(fs->exists(dir / "in/folder"));
    // The copy's new name is on disk before the source goes.
    std::vector<std::string> calls = fs->calls();
    auto flushed = std::find(calls.begin(), calls.end(), "syncFolder " + dir / "out");
    EXPECT_LT(flushed, std::find(calls.begin(), calls.end(), "removeItem " + dir / "in/folder/a"));
}

// Every failure of a move across volumes: the source stays whole, and nothing is left in the
// destination folder, not even the hidden copy, unless the copy was verified and given its name.
TEST(SafeMover, AFailedOrUnverifiedCopyLeavesNothingBehindAndTheSourceWhole) {
    struct Case {
        const char* fault;
        std::function<void(FaultInjectingFileSystem&, const TempDir&)> inject;
        std::string outcome;
        std::vector<std::string> leftInOut = {};
    };
    const std::string unverified = "I couldn't verify the copy of folder arrived intact, so the original stayed put.";
    const std::vector<Case> cases = {
        {"corrupted bytes deep inside", [](auto& fs, auto&) { fs.corruptWrites("/sub/locked/c"); }, unverified},
        {"corrupted chunks of a large file", [](auto& fs, auto&) { fs.corruptWrites("/sub/b"); }, unverified},
        {"disk full half way", [](auto& fs, auto&) { fs.fail(Operation::write, "/out/", ENOSPC, 1, 1); }, "errno 28"},
        {"read error of the source", [](auto& fs, auto& dir) { fs.fail(Operation::read, dir / "in/folder/a", EIO); },
         "errno 5"},
        {"the copy's rename", [](auto& fs, auto& dir) { fs.fail(Operation::moveNoReplace, "-> " + dir / "out", EIO); },
         "errno 5"},
        // Then both stay, and the failure is reported.
        {"the source's removal", [](auto& fs, auto& dir) { fs.fail(Operation::removeItem, dir / "in/folder/a", EIO); },
         "errno 5", {"folder"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        TempDir dir;
        makeFolderWithSnapshot(dir);
        // As an ordinary user, who must open up the read-only folder of the copy to remove it.
        auto fs = acrossVolumes(dir, std::make_shared<UnprivilegedFileSystem>());
        c.inject(*fs, dir);
        EXPECT_EQ(moveFolder(dir, fs), c.outcome);
        EXPECT_EQ(namesIn(dir / "out"), c.leftInOut);
        EXPECT_EQ(treeDifference(dir / "snapshot", dir / "in/folder"), std::nullopt);
        EXPECT_TRUE(c.leftInOut.empty() || !treeDifference(dir / "snapshot", dir / "out/folder"));
    }

    // 100,000,000 bytes: equal sizes alone must not pass a copy this large.
    TempDir dir;
    auto fs = acrossVolumes(dir);
    writeFile(dir / "in/big.bin", "");
    ASSERT_EQ(::truncate((dir / "in/big.bin").c_str(), 100000000), 0);
    fs->corruptWrites("/out/");
    EXPECT_EQ(outcomeOf([&] { SafeMover::move(fileURL(dir / "in/big.bin"), fileURL(dir / "out/big.bin"), 100000000, {}, fs); }),
              "I couldn't verify the copy of big.bin arrived intact, so the original stayed put.");
    EXPECT_EQ(fs->linkStatus(dir / "in/big.bin").size, 100000000);
    EXPECT_TRUE(namesIn(dir / "out").empty());
}

// Another program writes into the item while it moves to another volume: nothing that was not
// part of the verified copy, or that changed after it was copied, is ever removed.
TEST(SafeMover, ChangesMadeToTheSourceDuringACopyStayInTheSource) {
    // Appends "+" to one path once: when `folder` is flushed, or at the first removal of a path containing `removed`.
    struct Meddling : FaultInjectingFileSystem {
        using FaultInjectingFileSystem::FaultInjectingFileSystem;
        std::string synced, removed, changed;
        void meddleIf(bool now) {
            if (!now || changed.empty()) return;
            std::string path = std::exchange(changed, "");
            writeFile(path, (FileSystem::real()->exists(path) ? readFile(path) : "") + "+");
        }
        void syncFolder(const std::string& path) override {
            FaultInjectingFileSystem::syncFolder(path);
            meddleIf(path == synced);
        }
        void removeItem(const std::string& path) override {
            meddleIf(!removed.empty() && path.find(removed) != std::string::npos);
            FaultInjectingFileSystem::removeItem(path);
        }
        void removeTree(const std::string& path) override {
            meddleIf(!removed.empty() && path.find(removed) != std::string::npos);
            FaultInjectingFileSystem::removeTree(path);
        }
    };
    // When the copy got its name, or at the first removal inside the source; the item; what changes below in/.
    const std::vector<std::tuple<bool, std::string, std::string>> cases = {
        {false, "folder", "folder/sub/new"}, {false, "folder", "folder/a"}, {false, "a.txt", "a.txt"},
        {true, "folder", "folder/sub/new"},  {true, "folder", "folder/sub/b"},
    };
    for (const auto& [atRemoval, item, changedPart] : cases) {
        SCOPED_TRACE(changedPart);
        TempDir dir;
        makeFolderWithSnapshot(dir);
        writeFile(dir / "in/a.txt", "text");
        auto fs = acrossVolumes<Meddling>(dir);
        const std::string changed = dir / ("in/" + changedPart);
        if (atRemoval) fs->removed = dir / "in/";
        else fs->synced = dir / "out";
        fs->changed = changed;
        bool isFolder = item == "folder";
        URL from = isFolder ? folderURL(dir / "in/folder") : fileURL(dir / "in/a.txt");
        URL to = isFolder ? folderURL(dir / "out/folder") : fileURL(dir / "out/a.txt");
        EXPECT_EQ(outcomeOf([&] { SafeMover::move(from, to, isFolder ? 0 : 4, {}, fs); }),
                  item + (atRemoval
                              ? " changed while I moved it. The copy arrived, and the original folder still holds what changed."
                              : " changed since I looked at it, so I left it alone. Scan again to pick it up."));
        EXPECT_TRUE(readFile(changed).ends_with("+"));
        if (atRemoval) {
            EXPECT_EQ(treeDifference(dir / "snapshot", dir / "out/folder"), std::nullopt);
            // Only what changed, and the folders that lead to it, are left.
            EXPECT_EQ(namesIn(dir / "in/folder"), std::vector<std::string>{"sub"});
            EXPECT_EQ(namesIn(dir / "in/folder/sub"), std::vector<std::string>{platform::path::lastComponent(changed)});
        } else {
            EXPECT_EQ(namesIn(dir / "out"), std::vector<std::string>{});
            EXPECT_TRUE(FileSystem::real()->exists(from.path()));
        }
    }
}

// A crash of the process, or a power failure that loses what was not flushed, at any step.
TEST(SafeMover, ACrashAtAnyStepShowsNoPartialCopyAndNeverLosesTheItem) {
    atEveryCrashPoint([](const CrashPoint& point) {
        TempDir dir;
        makeFolderWithSnapshot(dir);
        writeFile(dir / "in/big.bin", std::string((2 << 20) + 7, 'x'));
        writeFile(dir / "big.snapshot", std::string((2 << 20) + 7, 'x'));
        auto fs = acrossVolumes(dir);
        point.arm(*fs);
        bool crashed = crashes([&] {
            // Into folders that don't exist yet.
            SafeMover::move(fileURL(dir / "in/big.bin"), fileURL(dir / "out/new/big.bin"), (2 << 20) + 7, {}, fs);
            SafeMover::move(folderURL(dir / "in/folder"), folderURL(dir / "out/new/folder"), 0, {}, fs);
        });
        for (std::string name : {"big.bin", "folder"}) {
            std::string snapshot = dir / (name == "folder" ? "snapshot" : "big.snapshot");
            bool copyWhole = !treeDifference(snapshot, dir / ("out/new/" + name));
            bool shown = FileSystem::real()->exists(dir / ("out/new/" + name));
            EXPECT_TRUE(copyWhole || !shown) << "a partial " << name << " shown, " << point.when();
            EXPECT_TRUE(copyWhole || !treeDifference(snapshot, dir / ("in/" + name))) << name << " lost, " << point.when();
        }
        if (!crashed) {
            EXPECT_EQ(namesIn(dir / "out/new"), (std::vector<std::string>{"big.bin", "folder"}));
            EXPECT_EQ(namesIn(dir / "in"), std::vector<std::string>{});
        }
        return crashed;
    });
}
