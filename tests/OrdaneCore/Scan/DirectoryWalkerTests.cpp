#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <set>
#include <thread>
#include <tuple>

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Scan/DirectoryWalker.hpp"
#include "OrdanePlatform/FileSystem/FolderReadAhead.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "Support/FolderFaultFileSystem.hpp"
#include "Support/LoopVolume.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::FolderFaultFileSystem;
using ordane::testing::TempDir;
using ordane::testing::makeDirectories;
using ordane::testing::writeFile;
using Kind = ScanIssue::Kind;
using Paths = std::vector<std::string>;

namespace {

struct Walked {
    std::vector<FileRecord> records;
    std::vector<ScanProgress> progress;
    std::optional<ScanSummary> summary;
    size_t eventsAfterSummary = 0;

    const FileRecord& at(const std::string& path) const {
        for (const auto& record : records) {
            if (record.path() == path) return record;
        }
        throw std::runtime_error("no record of " + path);
    }
    Paths paths() const {
        Paths result;
        for (const auto& record : records) result.push_back(record.path());
        return result;
    }
    std::vector<std::pair<Kind, std::string>> issues() const {
        std::vector<std::pair<Kind, std::string>> result;
        for (const auto& issue : summary->issues) result.emplace_back(issue.kind, issue.path);
        return result;
    }
};

template <typename Items>
size_t distinctIds(const Items& items) {
    std::set<UUID> ids;
    for (const auto& item : items) {
        if constexpr (std::is_same_v<std::decay_t<decltype(item)>, FileRecord>) {
            ids.insert(item.id());
        } else {
            ids.insert(item.id);
        }
    }
    return ids.size();
}

// Each reading of the clock (the first when the walker is made) moves it on by `step`.
DirectoryWalker::Clock ticking(std::chrono::milliseconds step) {
    auto now = std::make_shared<std::chrono::steady_clock::time_point>();
    return [now, step] { return *now += step; };
}

// A home folder with the standard rules.
struct Home {
    TempDir dir;
    URL url = URL::fileURL(dir.path(), true);
    ScanRules rules = ScanRules::standard(url);

    std::string operator/(const std::string& relative) const { return dir / relative; }
    URL folder(const std::string& relative) const { return URL::fileURL(dir / relative, true); }

    Walked walk(const std::vector<URL>& roots,
                std::shared_ptr<platform::FileSystem> fs = platform::FileSystem::real(),
                DirectoryWalker::Clock clock = std::chrono::steady_clock::now, std::stop_token stop = {},
                std::function<void(const Walked&)> onEvent = {},
                unsigned readers = platform::FolderReadAhead::defaultThreads()) const {
        DirectoryWalker walker(rules, url, std::move(fs), std::move(clock), readers);
        Walked walked;
        walker.walk(roots,
                    [&](ScanEvent event) {
                        if (walked.summary) ++walked.eventsAfterSummary;
                        if (auto* record = std::get_if<FileRecord>(&event.value)) walked.records.push_back(*record);
                        if (auto* progress = std::get_if<ScanProgress>(&event.value)) walked.progress.push_back(*progress);
                        if (auto* summary = std::get_if<ScanSummary>(&event.value)) walked.summary = *summary;
                        EXPECT_FALSE(std::holds_alternative<ScanIssue>(event.value)) << "issues travel in the summary";
                        if (onEvent) onEvent(walked);
                    },
                    stop);
        return walked;
    }
};

int64_t allocatedSize(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) throw std::runtime_error("no " + path);
    return static_cast<int64_t>(st.st_blocks) * 512;
}

// The allocated bytes of every regular file below a folder, hidden ones included.
int64_t allocatedBelow(const std::string& folder) {
    int64_t total = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && !entry.is_symlink()) total += allocatedSize(entry.path());
    }
    return total;
}

// Folder reads as FolderFaultFileSystem makes them, with `top` a file system mounted on its folder.
struct DriveAt : FolderFaultFileSystem {
    std::string top;
    platform::FileStatus status(const std::string& path) override {
        platform::FileStatus result = FolderFaultFileSystem::status(path);
        if (path == top) result.device ^= 0x10000;
        return result;
    }
};

// Waits until every path has been read (or begun to be), a few seconds at most.
bool readsReach(FolderFaultFileSystem& fs, const Paths& paths) {
    for (int wait = 0; wait < 1000; ++wait) {
        Paths reads = fs.reads();
        auto read = [&](const std::string& path) { return std::find(reads.begin(), reads.end(), path) != reads.end(); };
        if (std::all_of(paths.begin(), paths.end(), read)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// FolderFaultFileSystem whose linkStatus gives whatever is at `path` the device and inode `folder`
// had: ext4 gives a removed folder's inode to the next item made.
struct InodeReusing : FolderFaultFileSystem {
    std::string path;
    platform::FileStatus folder;
    platform::FileStatus linkStatus(const std::string& at) override {
        platform::FileStatus result = FolderFaultFileSystem::linkStatus(at);
        if (at == path) std::tie(result.device, result.inode) = std::tie(folder.device, folder.inode);
        return result;
    }
};

// Walks Documents and calls `replace` at its first record: when readers read ahead, once they
// have read `readFirst`.
Walked walkReplacing(const Home& home, const std::shared_ptr<FolderFaultFileSystem>& fs, unsigned readers,
                     const Paths& readFirst, const std::function<void()>& replace) {
    bool replaced = false;
    auto replaceAtFirstRecord = [&](const Walked& walked) {
        if (replaced || walked.records.empty()) return;
        replaced = true;
        EXPECT_TRUE(readers == 0 || readsReach(*fs, readFirst)) << readers;
        replace();
    };
    return home.walk({home.folder("Documents")}, fs, std::chrono::steady_clock::now, {}, replaceAtFirstRecord, readers);
}

}  // namespace

TEST(DirectoryWalker, ProjectsAndRecreatableFolders) {
    Home home;
    for (const char* file : {"Documents/app/package.json", "Documents/app/src/lib/deep.js", "Documents/app/.git/HEAD",
                             "Documents/app/node_modules/.bin/tool", "Documents/app/.venv/lib/site.py",
                             "Documents/loose/node_modules/x.js", "Documents/sibling/notes.txt", "Documents/gitonly/main.c",
                             "Documents/fake/notes.txt", "Documents/ios/App.xcodeproj/project.pbxproj",
                             "Documents/ios/Sources/main.swift", "Code/Cargo.toml", "Code/src/main.rs", "Code/target/debug/app"}) {
        writeFile(home / file, "x");
    }
    writeFile(home / "Documents/app/node_modules/left-pad/index.js", std::string(9000, 'p'));
    writeFile(home / "Documents/gitonly/.git", "gitdir: elsewhere");
    std::filesystem::create_symlink(home / "nowhere", home / "Documents/fake/package.json");
    // Code is a root that is itself a project, given with a trailing "/".
    Walked walked = home.walk({home.folder("Documents"), home.folder("Code/")});
    using Context = std::optional<ProjectContext>;
    auto source = [&](const char* root) -> Context { return ProjectContext::sourceOfProject(home.folder(root)); };
    URL app = home.folder("Documents/app");
    const std::vector<std::pair<std::string, Context>> expected{
        {"Documents/app/node_modules", ProjectContext::recreatable("node_modules", app)},
        {"Documents/app/package.json", source("Documents/app")},
        {"Documents/app/src/lib/deep.js", source("Documents/app")},
        {"Documents/fake/notes.txt", std::nullopt},
        {"Documents/gitonly/main.c", source("Documents/gitonly")},
        // An Xcode project marks its folder a project and is itself a package of that project.
        {"Documents/ios/App.xcodeproj", source("Documents/ios")},
        {"Documents/ios/Sources/main.swift", source("Documents/ios")},
        {"Documents/loose/node_modules", ProjectContext::recreatable("node_modules", std::nullopt)},
        {"Documents/sibling/notes.txt", std::nullopt},
        {"Code/Cargo.toml", source("Code")},
        {"Code/src/main.rs", source("Code")},
        {"Code/target", ProjectContext::recreatable("target", home.folder("Code"))}};
    std::vector<std::pair<std::string, Context>> found;
    for (const auto& record : walked.records) {
        found.emplace_back(record.path().substr(home.dir.path().size() + 1), record.fields().projectContext);
    }
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(walked.at(home / "Documents/ios/App.xcodeproj").isPackage());
    const FileRecord& modules = walked.at(home / "Documents/app/node_modules");
    int64_t below = allocatedBelow(home / "Documents/app/node_modules");
    EXPECT_EQ(std::pair(modules.size(), modules.allocatedSize()), std::pair(below, below));
}

// Project roots are matched by their paths' lengths first: folders as long as a root, roots
// inside roots, and a root met again after a sibling must still give the innermost root.
TEST(DirectoryWalker, NestedProjectsGiveTheInnermostRootWhateverTheLengthsOfTheirPaths) {
    Home home;
    for (const char* file : {"Documents/p1/package.json", "Documents/p1/a.txt", "Documents/p1/p2/go.mod",
                             "Documents/p1/p2/deep/b.txt", "Documents/p1/q2/c.txt", "Documents/px/d.txt",
                             "Documents/px/p1/e.txt", "Documents/p3/Gemfile", "Documents/p3/p1/f.txt"}) {
        writeFile(home / file, "x");
    }
    Walked walked = home.walk({home.folder("Documents")});
    auto contextOf = [&](const char* file) -> std::optional<ProjectContext> {
        return walked.at(home / file).fields().projectContext;
    };
    auto source = [&](const char* root) { return ProjectContext::sourceOfProject(home.folder(root)); };
    EXPECT_EQ(contextOf("Documents/p1/a.txt"), source("Documents/p1"));
    EXPECT_EQ(contextOf("Documents/p1/p2/deep/b.txt"), source("Documents/p1/p2"));
    EXPECT_EQ(contextOf("Documents/p1/q2/c.txt"), source("Documents/p1"));
    EXPECT_EQ(contextOf("Documents/px/d.txt"), std::nullopt);
    EXPECT_EQ(contextOf("Documents/px/p1/e.txt"), std::nullopt);
    EXPECT_EQ(contextOf("Documents/p3/p1/f.txt"), source("Documents/p3"));
}

// What holds for a folder's items is looked up once for its first item: the items of a folder
// that come again after a subfolder, and the first items of a folder just found to be a project,
// must each get their own folder's answer.
TEST(DirectoryWalker, ItemsAfterASubfolderGetTheirOwnFoldersProject) {
    Home home;
    for (const char* file : {"Documents/a.txt", "Documents/m/package.json", "Documents/m/x.js", "Documents/z.txt",
                             "Documents/p/Makefile", "Documents/p/a.c", "Documents/p/q/Cargo.toml", "Documents/p/q/b.rs",
                             "Documents/p/z.c", "Documents/p/zz/Tool.app/Contents/x"}) {
        writeFile(home / file, "x");
    }
    makeDirectories(home / "Documents/p/q/target");
    Walked walked = home.walk({home.folder("Documents")});
    auto source = [&](const char* root) -> std::optional<ProjectContext> {
        return ProjectContext::sourceOfProject(home.folder(root));
    };
    const std::vector<std::pair<std::string, std::optional<ProjectContext>>> expected{
        {"a.txt", std::nullopt},
        {"m/package.json", source("Documents/m")},
        {"m/x.js", source("Documents/m")},
        {"p/Makefile", source("Documents/p")},
        {"p/a.c", source("Documents/p")},
        {"p/q/Cargo.toml", source("Documents/p/q")},
        {"p/q/b.rs", source("Documents/p/q")},
        {"p/q/target", ProjectContext::recreatable("target", home.folder("Documents/p/q"))},
        {"p/z.c", source("Documents/p")},
        {"p/zz/Tool.app", source("Documents/p")},
        {"z.txt", std::nullopt}};
    std::vector<std::pair<std::string, std::optional<ProjectContext>>> found;
    for (const auto& record : walked.records) {
        found.emplace_back(record.path().substr((home / "Documents/").size()), record.fields().projectContext);
    }
    EXPECT_EQ(found, expected);
}

TEST(DirectoryWalker, PackagesBundlesAndDeniedFolders) {
    Home home;
    for (const char* file : {"Applications2/Tool.APP/Contents/MacOS/tool", "Applications2/Tool.APP/Contents/.hidden-resource",
                             "Applications2/Setup.pkg", "Pictures/Trip.photoslibrary/database/photos.db",
                             "Pictures/Photos Library.photoslibrary/database/photos.db", "Pictures/beach.JPG",
                             "Music/Music/Library.db", "Music/song.mp3", "Library/Preferences/p.plist"}) {
        writeFile(home / file, std::string(5000, 'x'));  // the denied ones are never reached
    }
    Walked walked = home.walk({home.folder("Applications2"), home.folder("Pictures"), home.folder("Music"),
                               home.folder("Library"), home.folder("Pictures/Trip.photoslibrary")});
    EXPECT_EQ(walked.paths(), (Paths{home / "Applications2/Setup.pkg", home / "Applications2/Tool.APP",
                                     home / "Pictures/Trip.photoslibrary", home / "Pictures/beach.JPG",
                                     home / "Music/song.mp3"}));
    EXPECT_FALSE(walked.at(home / "Applications2/Setup.pkg").isPackage());
    for (const char* bundle : {"Applications2/Tool.APP", "Pictures/Trip.photoslibrary"}) {
        EXPECT_TRUE(walked.at(home / bundle).isPackage()) << bundle;
        EXPECT_EQ(walked.at(home / bundle).size(), allocatedBelow(home / bundle)) << bundle;  // hidden contents count
    }
    EXPECT_TRUE(walked.summary->issues.empty());
}

TEST(DirectoryWalker, DeniedFoldersAndBundlesBelowARootGivenRoundaboutAreKnownByTheirStandardPath) {
    Home home;
    writeFile(home / "Documents/private/secret.txt", "s");
    writeFile(home / "Documents/deep/private/kept.txt", "k");  // the same name elsewhere is walked
    writeFile(home / "Documents/Trip.PhotosLibrary/database/photos.db", std::string(5000, 'x'));
    writeFile(home / "Documents/notes.txt", "n");
    home.rules.deniedPaths.insert(home / "Documents/private");
    std::string given = home / "Music/../Documents";
    makeDirectories(home / "Music");
    for (unsigned readers : {0u, 2u}) {
        auto fs = std::make_shared<FolderFaultFileSystem>();
        Walked walked = home.walk({URL::fileURL(given, true)}, fs, std::chrono::steady_clock::now, {}, {}, readers);
        EXPECT_EQ(walked.paths(), (Paths{given + "/Trip.PhotosLibrary", given + "/deep/private/kept.txt",
                                         given + "/notes.txt"}))
            << readers << " readers";
        EXPECT_TRUE(walked.at(given + "/Trip.PhotosLibrary").isPackage());
        auto reads = fs->reads();
        EXPECT_EQ(std::count(reads.begin(), reads.end(), given + "/private"), 0) << readers << " readers";
    }
}

TEST(DirectoryWalker, SizingStopsAtTheEntryCap) {
    Home home;
    home.rules.boundedSizeEntryCap = 10;
    int64_t firstTen = 0;
    for (int i = 0; i < 30; ++i) {  // names in bytewise order
        std::string path = home / ("Documents/build/f" + std::to_string(100 + i));
        writeFile(path, std::string(5000 + i, 'b'));
        if (i < 10) firstTen += allocatedSize(path);
    }
    Walked walked = home.walk({home.folder("Documents")});
    ASSERT_EQ(walked.records.size(), 1u);
    EXPECT_EQ(walked.records[0].size(), firstTen);
}

TEST(DirectoryWalker, LinksAndUnreadableItemsBecomeIssuesAndTheWalkGoesOn) {
    Home home;
    TempDir outside;
    writeFile(outside / "big.bin", std::string(10000, 'x'));
    writeFile(home / "Documents/a-private/secret.txt", "s");
    writeFile(home / "Documents/b-broken/disk.txt", "d");
    writeFile(home / "Documents/c-fine/ok.txt", "o");
    makeDirectories(home / "Documents/c-fine/mirror");
    writeFile(home / "Documents/gone.txt", "g");
    std::filesystem::create_symlink(home / "Documents/c-fine/ok.txt", home / "Documents/link.txt");
    std::filesystem::create_symlink(outside.path(), home / "Documents/outside");
    for (const char* dangling : {"dangling.txt", "old\xff.lnk", "raced-link"}) {
        std::filesystem::create_symlink(home / "nowhere", home / "Documents/" + dangling);
    }
    writeFile(home / "Desktop/x.txt", "x");
    writeFile(home / "Downloads", "a file where a folder should be");
    makeDirectories(home / "Music");
    auto fs = std::make_shared<FolderFaultFileSystem>();
    // The walk reads folders under the root as given; issue paths are standardized.
    std::string given = home / "Music/../Documents/";
    fs->failures[given + "a-private"] = EACCES;
    fs->failures[given + "b-broken"] = EIO;
    fs->failures[home / "Desktop"] = EPERM;
    fs->withoutValues = {given + "gone.txt", given + "raced-link"};
    fs->sameFolderAs[given + "c-fine/mirror"] = home / "Documents";  // a bind-mount loop

    Walked walked = home.walk({URL::fileURL(given, true), home.folder("Desktop"), home.folder("Downloads")}, fs);
    EXPECT_EQ(walked.paths(), Paths{given + "c-fine/ok.txt"});
    // Issues met item by item come first, then those of the enumeration, per root.
    std::string docs = home / "Documents/";
    ASSERT_EQ(walked.issues(), (std::vector<std::pair<Kind, std::string>>{
                                   {Kind::brokenSymlink, docs + "dangling.txt"},
                                   {Kind::vanished, docs + "gone.txt"},
                                   {Kind::brokenSymlink, docs + "old\xff.lnk"},
                                   {Kind::brokenSymlink, docs + "raced-link"},
                                   {Kind::permissionDenied, docs + "a-private"},
                                   {Kind::unreadable, docs + "b-broken"},
                                   {Kind::unreadable, docs + "c-fine/mirror"},
                                   {Kind::permissionDenied, home / "Desktop"},
                                   {Kind::unreadable, home / "Downloads"}}));
    // A name that is not UTF-8 keeps its bytes in the path and reads as U+FFFD in the sentence.
    EXPECT_EQ(walked.summary->issues[2].message, "old\xEF\xBF\xBD.lnk is a shortcut that points nowhere.");
    EXPECT_EQ(distinctIds(walked.summary->issues), walked.summary->issues.size());
}

TEST(DirectoryWalker, CloudPlaceholdersAndProviders) {
    Home home;
    auto sparse = [&](const std::string& relative, off_t size) {
        writeFile(home / relative, "");
        ASSERT_EQ(::truncate((home / relative).c_str(), size), 0);
    };
    std::string oneDrive = "Library/CloudStorage/OneDrive-Personal/";
    sparse(oneDrive + "placeholder.docx", 5000);
    if (allocatedSize(home / oneDrive + "placeholder.docx") != 0) GTEST_SKIP() << "this file system has no sparse files";
    writeFile(home / oneDrive + "downloaded.docx", std::string(5000, 'd'));
    writeFile(home / oneDrive + "empty.txt", "");
    sparse(oneDrive + "Keynote.key/Data/slide.bin", 9000);
    sparse("Documents/sparse.bin", 100);
    writeFile(home / "Documents/offloaded.txt", "o");
    auto fs = std::make_shared<FolderFaultFileSystem>();
    fs->ubiquitous[home / "Documents/offloaded.txt"] = platform::DownloadingStatus::notDownloaded;
    Walked walked = home.walk({home.folder(oneDrive), home.folder("Documents")}, fs);
    using P = CloudProvider;
    using S = CloudState;
    const std::vector<std::tuple<std::string, S, std::optional<P>>> expected{
        {oneDrive + "placeholder.docx", S::cloudOnly, P::oneDrive},
        {oneDrive + "downloaded.docx", S::cloudDownloaded, P::oneDrive},
        {oneDrive + "empty.txt", S::cloudDownloaded, P::oneDrive},
        // A package of nothing but placeholders is still not taken for one.
        {oneDrive + "Keynote.key", S::cloudDownloaded, P::oneDrive},
        {"Documents/sparse.bin", S::local, std::nullopt},  // sparse outside a sync folder is just sparse
        {"Documents/offloaded.txt", S::cloudOnly, P::iCloudDrive}};
    for (const auto& [relative, state, provider] : expected) {
        const FileRecord& record = walked.at(home / relative);
        EXPECT_EQ(std::pair(record.cloud(), record.cloudProvider()), std::pair(state, provider)) << relative;
    }
    EXPECT_EQ(walked.at(home / oneDrive + "Keynote.key").size(), 0);
}

// A sync folder found by its mark below a root counts for its own items only, not for those the
// walk meets before or after it in the folder above.
TEST(DirectoryWalker, ASyncFolderFoundMidWalkHoldsOnlyItsOwnItems) {
    Home home;
    for (const char* file : {"Shared/a.txt", "Shared/Team/.stfolder", "Shared/Team/b.txt", "Shared/Team/Deep/c.txt",
                             "Shared/z.txt"}) {
        writeFile(home / file, "content");
    }
    Walked walked = home.walk({home.folder("Shared")});
    const std::vector<std::pair<std::string, std::optional<CloudProvider>>> expected{
        {"Shared/a.txt", std::nullopt},
        {"Shared/Team/b.txt", CloudProvider::other},
        {"Shared/Team/Deep/c.txt", CloudProvider::other},
        {"Shared/z.txt", std::nullopt}};
    for (const auto& [relative, provider] : expected) {
        EXPECT_EQ(walked.at(home / relative).cloudProvider(), provider) << relative;
    }
}

// The real file system with a mount table of the test's own.
struct MountTableFileSystem : platform::RealFileSystem {
    std::string mountInfo;
    std::string readFile(const std::string& path) override {
        return path == platform::MountTable::defaultSource ? mountInfo : RealFileSystem::readFile(path);
    }
};

TEST(DirectoryWalker, LinuxSyncFoldersByTheirMarksThroughLinksAndFilesThatAreNotHere) {
    Home home;
    auto fs = std::make_shared<MountTableFileSystem>();
    for (const char* marker : {"Nextcloud/.sync_4f2a.db", "Sync/.stfolder/x", "Work Dropbox/.dropbox", "Dropbox/.dropbox"}) {
        writeFile(home / marker, "");
    }
    for (const char* file : {"Nextcloud/report.pdf", "Nextcloud/Film.mp4.nextcloud", "Sync/notes.txt",
                             "Work Dropbox/plan.odt", "OneDrive/a.docx", "Dropbox/Documents/tax.pdf", "Loose/x.owncloud",
                             "Loose/y.txt"}) {
        writeFile(home / file, "content");
    }
    fs->createSymlink(home / "Dropbox/Documents", home / "Documents");
    Walked walked = home.walk({home.folder("Nextcloud"), home.folder("Sync"), home.folder("Work Dropbox"),
                               home.folder("OneDrive"), home.folder("Documents"), home.folder("Loose")},
                              fs);
    using P = CloudProvider;
    using S = CloudState;
    const std::vector<std::tuple<std::string, S, std::optional<P>>> expected{
        {"Nextcloud/report.pdf", S::cloudDownloaded, P::other},
        {"Nextcloud/Film.mp4.nextcloud", S::cloudOnly, P::other},
        {"Sync/notes.txt", S::cloudDownloaded, P::other},
        {"Work Dropbox/plan.odt", S::cloudDownloaded, P::dropbox},
        {"OneDrive/a.docx", S::cloudDownloaded, P::oneDrive},
        {"Documents/tax.pdf", S::cloudDownloaded, P::dropbox},  // ~/Documents links into ~/Dropbox
        {"Loose/x.owncloud", S::cloudOnly, P::other},
        {"Loose/y.txt", S::local, std::nullopt}};
    for (const auto& [relative, state, provider] : expected) {
        const FileRecord& record = walked.at(home / relative);
        EXPECT_EQ(std::pair(record.cloud(), record.cloudProvider()), std::pair(state, provider)) << relative;
    }

    // On a network mount nothing is here, whatever its sizes say.
    struct stat file {};
    ASSERT_EQ(::stat((home / "Loose/y.txt").c_str(), &file), 0);
    for (const auto& [type, state] : {std::pair{"fuse.sshfs", S::cloudOnly}, std::pair{"fuse.portal", S::local},
                                      std::pair{"ext4", S::local}}) {
        fs->mountInfo = "36 25 " + std::to_string(major(file.st_dev)) + ":" + std::to_string(minor(file.st_dev)) +
                        " / " + home.dir.path() + " rw - " + type + " remote:/ rw\n";
        EXPECT_EQ(home.walk({home.folder("Loose")}, fs).at(home / "Loose/y.txt").cloud(), state) << type;
    }
}

TEST(DirectoryWalker, SummaryAddsUpAndListsEveryRoot) {
    Home home;
    writeFile(home / "Documents/a.pdf", std::string(1234, 'a'));
    writeFile(home / "Documents/b.PDF", std::string(10, 'b'));
    writeFile(home / "Documents/c.mov", std::string(300, 'c'));
    writeFile(home / "Documents/bad\xff name.txt", "not UTF-8, scanned all the same");
    writeFile(home / "Documents/.hidden", "never recorded");
    writeFile(home / "Documents/dist/bundle.js", std::string(5000, 'j'));
    ASSERT_EQ(::mkfifo((home / "Documents/pipe").c_str(), 0600), 0);  // recorded, never opened
    writeFile(home / "Documents/stamped.txt", "t");
    platform::FileSystem::real()->setModificationTime(home / "Documents/stamped.txt", 1000000000.25);
    std::vector<URL> roots{home.folder("Missing"), home.folder("Documents")};

    Walked walked = home.walk(roots);
    ASSERT_TRUE(walked.summary);
    EXPECT_EQ(walked.eventsAfterSummary, 0u);
    const ScanSummary& summary = *walked.summary;
    EXPECT_EQ(summary.roots, roots);
    EXPECT_TRUE(summary.issues.empty());
    ASSERT_EQ(walked.records.size(), 7u);
    CategoryStat all;
    for (const auto& record : walked.records) all.add(record);
    EXPECT_EQ(std::pair(summary.totalFiles, summary.totalBytes), std::pair(all.count, all.bytes));
    EXPECT_EQ(summary.byType.at(TypeBucket::documents), (CategoryStat{4, 1234 + 10 + 31 + 1}));

    EXPECT_EQ(walked.at(home / "Documents/stamped.txt").modified(), Date::fromUnix(1000000000.25));
    EXPECT_TRUE(walked.at(home / "Documents/dist").url().isDirectory());
    EXPECT_EQ(distinctIds(walked.records), walked.records.size());
}

// Reports every file whose name starts with "huge" as a sparse file of 2^62 bytes, all of them
// allocated: sizes a real disk can't give, but a sum of several must still not overflow.
class HugeFileSystem : public platform::RealFileSystem {
public:
    platform::DirectoryListing readDirectory(const std::string& path, bool includeHidden) override {
        auto listing = RealFileSystem::readDirectory(path, includeHidden);
        for (auto& entry : listing.entries) {
            if (!entry.name.starts_with("huge") || !entry.status) continue;
            entry.status->size = entry.status->allocatedSize = int64_t{1} << 62;
        }
        return listing;
    }
};

TEST(DirectoryWalker, TotalsStopAtTheLargestSize) {
    Home home;
    for (const char* name : {"huge1", "huge2", "node_modules/huge3", "node_modules/huge4"}) {
        writeFile(home / (std::string("Documents/") + name), "h");
    }
    Walked walked = home.walk({home.folder("Documents")}, std::make_shared<HugeFileSystem>());
    constexpr int64_t largest = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(walked.at(home / "Documents/node_modules").size(), largest);
    EXPECT_EQ(walked.summary->totalBytes, largest);
    EXPECT_EQ(walked.summary->byType.at(TypeBucket::other).bytes, largest);
}

TEST(DirectoryWalker, ProgressIsThrottledAndNamesTheLastFolderMet) {
    Home home;
    writeFile(home / "Documents/a.txt", "a");
    writeFile(home / "Documents/b/c.txt", "c");
    for (int i = 0; i < 32; ++i) writeFile(home / ("Documents/files/f" + std::to_string(100 + i)), "f");
    writeFile(home / "Documents/node_modules/m.js", "m");
    for (int i = 0; i < 16; ++i) writeFile(home / ("Documents/z" + std::to_string(100 + i)), "z");
    auto real = platform::FileSystem::real();
    // The clock is read for each folder met and each 16th file since the last reading: b (120 ms,
    // too soon), files (180), f115 (240, too soon), f131 (300), z115 (360, too soon). The
    // recreatable node_modules makes no reading but becomes the current folder.
    Walked walked = home.walk({home.folder("Documents")}, real, ticking(std::chrono::milliseconds(60)));
    auto seen = [](const ScanProgress& p) { return p.currentFolder + " after " + std::to_string(p.filesSeen); };
    Paths progress;
    for (const auto& p : walked.progress) progress.push_back(seen(p));
    EXPECT_EQ(progress, (Paths{"files after 2", "files after 34"}));

    Walked all = home.walk({home.folder("Documents")}, real, ticking(std::chrono::milliseconds(101)));
    progress.clear();
    for (const auto& p : all.progress) progress.push_back(seen(p));
    EXPECT_EQ(progress, (Paths{"b after 1", "files after 2", "files after 18", "files after 34", "node_modules after 51"}));
    EXPECT_EQ(all.progress.back().bytesSeen, all.summary->totalBytes);

    // Exactly 100 ms is not yet more than the interval: every second of the five readings reports.
    EXPECT_EQ(home.walk({home.folder("Documents")}, real, ticking(std::chrono::milliseconds(100))).progress.size(), 2u);
}

TEST(DirectoryWalker, CancellationStopsTheWalkWithoutASummaryEvenWhileSizing) {
    Home home;
    for (int i = 0; i < 1000; ++i) writeFile(home / ("Documents/f" + std::to_string(i)), "x");
    for (int i = 0; i < 600; ++i) writeFile(home / ("Sized/node_modules/m" + std::to_string(i)), "");
    std::stop_source stop;
    size_t recordsAtStop = 0;
    auto stopAt50 = [&](const Walked& walked) {
        if (walked.records.size() == 50 && !stop.stop_requested()) stop.request_stop();
        recordsAtStop = walked.records.size();
        EXPECT_FALSE(walked.summary);
    };
    auto real = platform::FileSystem::real();
    EXPECT_THROW(home.walk({home.folder("Documents")}, real, std::chrono::steady_clock::now, stop.get_token(), stopAt50),
                 CancellationError);
    EXPECT_GE(recordsAtStop, 50u);
    EXPECT_LT(recordsAtStop, 200u);
    // Stopped before the walk: the 600 entries being sized are checked too, and nothing is emitted.
    EXPECT_THROW(home.walk({home.folder("Sized")}, real, std::chrono::steady_clock::now, stop.get_token(),
                           [](const Walked&) { ADD_FAILURE() << "an event after the stop"; }),
                 CancellationError);
}

TEST(ScanRules, ProjectRootFromAWalksListingAgreesWithTheLookups) {
    TempDir dir;
    auto fs = platform::FileSystem::real();
    auto rules = ScanRules::fixture();
    writeFile(dir / "rust/Cargo.toml", "");
    makeDirectories(dir / "xcode/App.XcodeProj");
    writeFile(dir / "git/.git", "gitdir: elsewhere");
    makeDirectories(dir / "gitBroken");
    fs->createSymlink(dir / "nowhere", dir / "gitBroken/.git");
    makeDirectories(dir / "gitLinked");
    fs->createSymlink(dir / "rust", dir / "gitLinked/.git");
    makeDirectories(dir / "hidden/.Secret.xcodeproj");
    writeFile(dir / "plain/readme.txt", "");
    fs->createSymlink(dir / "nowhere", dir / "plain/package.json");
    writeFile(dir / "linked/readme.txt", "");
    fs->createSymlink(dir / "rust/Cargo.toml", dir / "linked/go.mod");
    makeDirectories(dir / "empty");
    // Unpacked C and C++ source trees.
    for (const char* marker : {"cmake/CMakeLists.txt", "make/Makefile"}) writeFile(dir / marker, "");
    writeFile(dir / "makeLower/makefile.txt", "");
    std::map<std::string, bool> expected{{"cmake", true},   {"make", true},   {"makeLower", false},
                                         {"rust", true},    {"xcode", true},  {"git", true},
                                         {"gitBroken", false}, {"gitLinked", true}, {"hidden", false},
                                         {"plain", false},  {"linked", true}, {"empty", false}};
    for (const auto& [name, isRoot] : expected) {
        URL folder = URL::fileURL(dir / name, true);
        EXPECT_EQ(rules.isProjectRoot(folder, *fs), isRoot) << name;
        EXPECT_EQ(rules.isProjectRoot(folder, fs->readDirectory(folder.path(), false), *fs), isRoot) << name;
        EXPECT_EQ(rules.isProjectRoot(folder, fs->readDirectory(folder.path(), true), *fs), isRoot) << name;
    }
    EXPECT_FALSE(rules.isProjectRoot(URL::fileURL(dir / "missing", true), *fs));
}

// The listing test passes most names over by their length alone: names and extensions that differ
// from a marker only in case, by a character, or in bytes once lower-cased must still be told.
TEST(ScanRules, ProjectRootFromAListingTellsNamesCloseToTheMarkers) {
    TempDir dir;
    auto fs = platform::FileSystem::real();
    auto rules = ScanRules::fixture();
    writeFile(dir / "upper/Tool.XCWORKSPACE", "");
    writeFile(dir / "longer/App.xcodeprojs", "");
    writeFile(dir / "shorter/App.xcodepro", "");
    writeFile(dir / "noDot/xcodeproj", "");
    writeFile(dir / "leadingDot/.xcodeproj", "");
    writeFile(dir / "nameCase/Package.json", "");
    writeFile(dir / "nameLonger/package.json5", "");
    writeFile(dir / "hiddenOnly/.git", "gitdir: elsewhere");
    writeFile(dir / "many/a.txt", "");
    writeFile(dir / "many/zz.pdf", "");
    writeFile(dir / "many/pyproject.toml", "");
    std::map<std::string, bool> expected{{"upper", true},      {"longer", false},
                                         {"shorter", false},    {"noDot", false},     {"leadingDot", false},
                                         {"nameCase", false},   {"nameLonger", false}, {"hiddenOnly", true},
                                         {"many", true}};
    for (const auto& [name, isRoot] : expected) {
        URL folder = URL::fileURL(dir / name, true);
        EXPECT_EQ(rules.isProjectRoot(folder, *fs), isRoot) << name;
        EXPECT_EQ(rules.isProjectRoot(folder, fs->readDirectory(folder.path(), false), *fs), isRoot) << name;
        EXPECT_EQ(rules.isProjectRoot(folder, fs->readDirectory(folder.path(), true), *fs), isRoot) << name;
    }
    // Lower-cased, the Kelvin sign (three bytes) is a one-byte "k": the name is longer than the
    // marker it matches.
    writeFile(dir / "kelvin/App.\u212aPROJ", "");
    rules.projectMarkerExtensions = {"kproj"};
    URL kelvin = URL::fileURL(dir / "kelvin", true);
    EXPECT_TRUE(rules.isProjectRoot(kelvin, *fs));
    EXPECT_TRUE(rules.isProjectRoot(kelvin, fs->readDirectory(kelvin.path(), false), *fs));
    // With no marker extensions, names alone decide.
    rules.projectMarkerExtensions.clear();
    EXPECT_FALSE(rules.isProjectRoot(URL::fileURL(dir / "upper", true), fs->readDirectory(dir / "upper", false), *fs));
    EXPECT_TRUE(rules.isProjectRoot(URL::fileURL(dir / "many", true), fs->readDirectory(dir / "many", false), *fs));
}

// A walk's listing is sorted bytewise, and the markers are merged with it by first byte: a marker
// must be found wherever it sorts, next to names that share its first byte, and past the last
// marker name when only an extension marks the folder.
TEST(ScanRules, ProjectMarkersAreFoundAnywhereInASortedListing) {
    auto fs = platform::FileSystem::real();
    auto listing = [](Paths names) {
        std::sort(names.begin(), names.end());
        platform::DirectoryListing result;
        for (const std::string& name : names) {
            platform::DirectoryEntry entry;
            entry.name = name;
            entry.status = platform::FileStatus{};  // a plain item, not a link
            result.entries.push_back(entry);
        }
        return result;
    };
    struct Case {
        const char* what;
        Paths names;
        bool isRoot;
    };
    const std::vector<Case> cases{
        {"only", {"CMakeLists.txt"}, true},
        {"first", {"Cargo.toml", "README", "src", "zlib.c"}, true},
        {"middle", {"A", "Makefile.am", "README", "go.mod", "main.go", "zz"}, true},
        {"last", {"LICENSE", "docs", "requirements.txt"}, true},
        {"second of its first byte", {"a", "composer.json", "d"}, true},
        {"after a near miss", {"configure", "configure.ac", "configure.in"}, true},
        {"near misses only", {"CMakeLists.txt~", "Makefile.in", "cargo.toml", "go.sum", "package.json.bak", "pyproject"},
         false},
        {"before every marker", {"0", "1.txt", "Apple"}, false},
        {"after every marker", {"src", "tests", "zz.txt"}, false},
        {"an extension after the last name", {"src", "zz.xcodeproj"}, true},
        {"an extension first", {"0.XCWorkspace", "zz"}, true},
        {"an extension in capitals", {"App.XCODEPROJ", "zz"}, true},
        {"an extension's last letter alone", {"App.proj", "App.xcodepro", "App.workspace"}, false},
        {"empty", {}, false},
    };
    ScanRules rules = ScanRules::fixture();
    ProjectMarkers markers(rules);
    for (const Case& c : cases) {
        EXPECT_EQ(markers.areIn("/nowhere", listing(c.names), *fs), c.isRoot) << c.what;
    }
    // A name that ends in a byte above 0x7f may still end in a marker once lower-cased (the
    // Kelvin sign is a "k").
    rules.projectMarkerExtensions = {"projk"};
    EXPECT_TRUE(ProjectMarkers(rules).areIn("/nowhere", listing({"App.PROJ\u212a"}), *fs));
    EXPECT_FALSE(ProjectMarkers(rules).areIn("/nowhere", listing({"App.PROJ\u212b"}), *fs));
    // Without extensions the merge may stop at the last marker name.
    rules.projectMarkerExtensions.clear();
    ProjectMarkers namesOnly(rules);
    EXPECT_TRUE(namesOnly.areIn("/nowhere", listing({"a", "requirements.txt"}), *fs));
    EXPECT_FALSE(namesOnly.areIn("/nowhere", listing({"requirements.txt0", "zz.xcodeproj"}), *fs));
    // A marker of its own first byte, or an empty one, among the rules.
    rules.projectMarkerNames.insert({"", "~build"});
    ProjectMarkers unusual(rules);
    EXPECT_TRUE(unusual.areIn("/nowhere", listing({"a", "~build"}), *fs));
    EXPECT_FALSE(unusual.areIn("/nowhere", listing({"a", "~builds"}), *fs));
}

// Many folders with every kind of item and fault: reading folders ahead on other threads changes
// no event and no order.
TEST(DirectoryWalker, ReadingFoldersAheadChangesNothingTheConsumerSees) {
    Home home;
    auto fs = std::make_shared<FolderFaultFileSystem>();
    for (int a = 0; a < 8; ++a) {
        for (int b = 0; b < 12; ++b) {
            std::string folder = "Documents/a" + std::to_string(a) + "/b" + std::to_string(b);
            for (int f = 0; f < 3; ++f) writeFile(home / (folder + "/f" + std::to_string(f) + ".txt"), std::string(f * 900, 'x'));
            switch (b) {
                case 2: writeFile(home / (folder + "/package.json"), "{}"); break;
                case 3: writeFile(home / (folder + "/node_modules/m/.bin/x.js"), "m"); break;
                case 4: writeFile(home / (folder + "/Tool.app/Contents/r.png"), "r"); break;
                case 5: writeFile(home / (folder + "/.cache/c/hidden.txt"), "h"); break;
                case 6: std::filesystem::create_symlink(home / "nowhere", home / (folder + "/dangling")); break;
                case 7: fs->failures[home / folder] = a % 2 ? EACCES : EIO; break;
                case 8: fs->withoutValues.insert(home / (folder + "/f1.txt")); break;
                case 9: writeFile(home / (folder + "/deeper/still/deeper/end.txt"), "e"); break;
                case 10:  // sized up to the cap, part way through
                    for (int m = 0; m < 6; ++m) {
                        writeFile(home / (folder + "/build/m" + std::to_string(m) + "/x.o"), std::string(5000 * m, 'o'));
                    }
                    break;
            }
        }
    }
    home.rules.boundedSizeEntryCap = 7;
    auto described = [&](unsigned readers) {
        Walked walked = home.walk({home.folder("Documents"), home.folder("Missing")}, fs,
                                  ticking(std::chrono::milliseconds(35)), {}, {}, readers);
        for (auto& record : walked.records) record.setID(UUID());
        for (auto& issue : walked.summary->issues) issue.id = UUID();
        walked.summary->startedAt = walked.summary->finishedAt = Date();
        return walked;
    };
    Walked alone = described(0);
    ASSERT_GT(alone.records.size(), 250u);
    ASSERT_GT(alone.progress.size(), 20u);
    ASSERT_EQ(alone.summary->issues.size(), 8u * 3);
    for (unsigned readers : {1u, 4u}) {
        for (int run = 0; run < 3; ++run) {
            Walked ahead = described(readers);
            EXPECT_EQ(ahead.records, alone.records) << readers;
            EXPECT_EQ(ahead.progress, alone.progress) << readers;
            EXPECT_EQ(ahead.summary, alone.summary) << readers;
        }
    }
}

TEST(DirectoryWalker, AWalkReadingAheadStopsPromptly) {
    Home home;
    for (int a = 0; a < 80; ++a) {
        for (int b = 0; b < 10; ++b) writeFile(home / ("Documents/a" + std::to_string(a) + "/b" + std::to_string(b) + "/f"), "x");
    }
    auto fs = std::make_shared<FolderFaultFileSystem>();
    for (size_t stopAt : {1u, 50u, 200u}) {
        std::stop_source stop;
        size_t recordsAtStop = 0;
        auto stopping = [&](const Walked& walked) {
            if (walked.records.size() == stopAt) stop.request_stop();
            recordsAtStop = walked.records.size();
        };
        size_t readsBefore = fs->reads().size();
        EXPECT_THROW(home.walk({home.folder("Documents")}, fs, std::chrono::steady_clock::now, stop.get_token(), stopping, 4),
                     CancellationError);
        // Checked every 200 items, folders included (each "a" folder holds 21 items, 10 of them files).
        EXPECT_LT(recordsAtStop, stopAt + 100) << stopAt;
        // Beyond the folders the walk went through, no more than the read-ahead holds.
        size_t passed = 1 + 11 * (recordsAtStop / 10 + 1);
        EXPECT_LE(fs->reads().size() - readsBefore, passed + platform::FolderReadAhead::maxFoldersAhead + 4) << stopAt;
        EXPECT_LT(fs->reads().size() - readsBefore, 1 + 80 * 11u) << stopAt;
    }
}

// What another system keeps at the top of a drive is passed over there, with no record and no
// issue (an ordinary user can't open lost+found); the same names elsewhere are plain folders.
TEST(DirectoryWalker, OtherSystemsFoldersAtTheTopOfADriveArePassedOverQuietly) {
    auto fill = [](const std::string& top) {
        for (const char* file : {"lost+found/#12", "System Volume Information/IndexerVolumeGuid",
                                 "$RECYCLE.BIN/S-1-5-21/$R1.txt", "$Recycle.Bin/desktop.ini", "Photos/a.jpg",
                                 "Photos/lost+found/kept.txt"}) {
            writeFile(top + "/" + file, "x");
        }
    };
    auto fs = std::make_shared<DriveAt>();
    Home home;
    fs->top = home / "Drive";
    fill(fs->top);
    writeFile(home / "Documents/lost+found/kept.txt", "x");
    writeFile(home / "Documents/$RECYCLE.BIN/kept.txt", "x");
    fs->failures[fs->top + "/lost+found"] = EACCES;
    for (unsigned readers : {0u, 4u}) {
        Walked walked = home.walk({home.folder("Documents"), home.folder("Drive")}, fs, std::chrono::steady_clock::now,
                                  {}, {}, readers);
        EXPECT_EQ(walked.paths(), (Paths{home / "Documents/$RECYCLE.BIN/kept.txt", home / "Documents/lost+found/kept.txt",
                                         fs->top + "/Photos/a.jpg", fs->top + "/Photos/lost+found/kept.txt"}))
            << readers;
        EXPECT_TRUE(walked.issues().empty()) << readers;
    }

    // A real drive, whose lost+found its own formatting made.
    ordane::testing::LoopVolume drive;
    if (!drive.mounted()) GTEST_SKIP() << drive.whyNot();
    fill(drive.mountPoint());
    auto user = std::make_shared<FolderFaultFileSystem>();
    user->failures[drive.mountPoint() + "/lost+found"] = EACCES;
    Walked walked = home.walk({URL::fileURL(drive.mountPoint(), true)}, user);
    EXPECT_EQ(walked.paths(), (Paths{drive.mountPoint() + "/Photos/a.jpg", drive.mountPoint() + "/Photos/lost+found/kept.txt"}));
    EXPECT_TRUE(walked.issues().empty());
}

// A folder that is its own parent again (a bind mount) is read ahead no deeper than the walk
// goes: not at all below it, whichever thread reads it.
TEST(DirectoryWalker, ReadingAheadStopsAtAFolderThatIsItsOwnParent) {
    Home home;
    writeFile(home / "Documents/x/f.txt", "f");
    writeFile(home / "Documents/x/loop/below/g.txt", "g");
    writeFile(home / "Documents/x/other/h.txt", "h");
    auto fs = std::make_shared<FolderFaultFileSystem>();
    fs->sameFolderAs[home / "Documents/x/loop"] = home / "Documents/x";
    for (int run = 0; run < 5; ++run) {
        size_t readsBefore = fs->reads().size();
        Walked walked = home.walk({home.folder("Documents")}, fs, std::chrono::steady_clock::now, {}, {}, 4);
        EXPECT_EQ(walked.paths(), (Paths{home / "Documents/x/f.txt", home / "Documents/x/other/h.txt"}));
        EXPECT_EQ(walked.issues(), (std::vector<std::pair<Kind, std::string>>{{Kind::unreadable, home / "Documents/x/loop"}}));
        Paths reads = fs->reads();
        EXPECT_EQ(std::count(reads.begin() + static_cast<std::ptrdiff_t>(readsBefore), reads.end(),
                             home / "Documents/x/loop/below"),
                  0);
    }
}

// A folder replaced after it was read ahead and before the walk reaches it is not walked from that
// listing: it is reported as a folder swapped since it was listed, and a build folder is sized
// from what is there now, as when nothing reads ahead. A folder moved away with a link to it left
// at its name is not walked or sized through the link.
TEST(DirectoryWalker, AFolderReplacedAfterItWasReadAheadIsNotWalkedFromItsOldListing) {
    for (unsigned readers : {0u, 1u, 4u}) {
        Home home;
        TempDir aside;
        writeFile(home / "Documents/a/first.txt", "1");
        writeFile(home / "Documents/b/old.txt", "old");
        writeFile(home / "Documents/b/inner/deep.txt", "deep");
        writeFile(home / "Documents/a/node_modules/m/x.js", std::string(9000, 'x'));
        writeFile(home / "Documents/c/inner/deep.txt", "deep");
        writeFile(home / "Documents/a/target/t/x.o", std::string(9000, 'x'));
        auto fs = std::make_shared<FolderFaultFileSystem>();
        // A read below a folder comes only after it was read.
        Paths readFirst;
        for (const char* below : {"b/inner", "a/node_modules/m", "c/inner", "a/target/t"}) {
            readFirst.push_back(home / "Documents/" + below);
        }
        Walked walked = walkReplacing(home, fs, readers, readFirst, [&] {
            std::filesystem::rename(home / "Documents/b", aside / "b");
            writeFile(home / "Documents/b/new.txt", "new");
            std::filesystem::rename(home / "Documents/a/node_modules", aside / "node_modules");
            writeFile(home / "Documents/a/node_modules/n/y.js", "y");
            for (const char* folder : {"c", "a/target"}) {
                std::string to = aside / platform::path::lastComponent(folder);
                std::filesystem::rename(home / "Documents/" + folder, to);
                std::filesystem::create_directory_symlink(to, home / "Documents/" + folder);
            }
        });
        EXPECT_EQ(walked.paths(), (Paths{home / "Documents/a/first.txt", home / "Documents/a/node_modules",
                                         home / "Documents/a/target"}))
            << readers;
        EXPECT_EQ(walked.at(home / "Documents/a/node_modules").size(), allocatedBelow(home / "Documents/a/node_modules"))
            << readers;
        EXPECT_EQ(walked.at(home / "Documents/a/target").size(), 0) << readers;
        EXPECT_EQ(walked.issues(), (std::vector<std::pair<Kind, std::string>>{{Kind::unreadable, home / "Documents/b"},
                                                                              {Kind::unreadable, home / "Documents/c"}}))
            << readers;
    }
}

// A folder read ahead and then replaced by an item that took its inode is not walked from its old
// listing: neither a file nor a folder born later is taken for it, and what is there is read as
// when nothing reads ahead (which reports the folder as changed: here only linkStatus reuses).
TEST(DirectoryWalker, AFolderReplacedByAnItemThatTookItsInodeIsNotWalkedFromItsOldListing) {
    for (bool byFolder : {false, true}) {
        for (unsigned readers : {0u, 1u, 4u}) {
            Home home;
            TempDir aside;
            writeFile(home / "Documents/a/first.txt", "1");
            writeFile(home / "Documents/b/old.txt", "old");
            writeFile(home / "Documents/b/inner/old.txt", "old");
            auto fs = std::make_shared<InodeReusing>();
            fs->folder = fs->linkStatus(home / "Documents/b");
            fs->path = home / "Documents/b";
            if (byFolder && !fs->folder.created) GTEST_SKIP() << "no birth times here";
            do {  // born on a later tick of the clock that stamps files
                std::filesystem::remove_all(aside / "new");
                writeFile(aside / "new/new.txt", "new");
            } while (byFolder && fs->linkStatus(aside / "new").created == fs->folder.created);
            Walked walked = walkReplacing(home, fs, readers, {fs->path + "/inner"}, [&] {
                std::filesystem::remove_all(fs->path);
                if (byFolder) {
                    std::filesystem::rename(aside / "new", fs->path);
                } else {
                    writeFile(fs->path, "a file now");
                }
            });
            EXPECT_EQ(walked.paths(), Paths{home / "Documents/a/first.txt"}) << readers;
            ASSERT_EQ(walked.issues(), (std::vector<std::pair<Kind, std::string>>{{Kind::unreadable, fs->path}}))
                << readers;
            EXPECT_EQ(walked.summary->issues[0].message, "Couldn't look inside b, so it was skipped.");
        }
    }
}
