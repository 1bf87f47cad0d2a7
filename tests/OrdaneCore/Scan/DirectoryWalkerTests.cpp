#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <limits>
#include <map>
#include <set>

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Scan/DirectoryWalker.hpp"
#include "Support/FolderFaultFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::FolderFaultFileSystem;
using ordane::testing::TempDir;
using ordane::testing::makeDirectories;
using ordane::testing::writeFile;

namespace {

struct Walked {
    std::vector<FileRecord> records;
    std::vector<ScanProgress> progress;
    std::optional<ScanSummary> summary;
    size_t eventsAfterSummary = 0;

    const FileRecord* find(const std::string& path) const {
        for (const auto& record : records) {
            if (record.url.path() == path) return &record;
        }
        return nullptr;
    }
    std::vector<std::string> paths() const {
        std::vector<std::string> result;
        for (const auto& record : records) result.push_back(record.url.path());
        return result;
    }
    std::vector<ScanIssue::Kind> issueKinds() const {
        std::vector<ScanIssue::Kind> kinds;
        for (const auto& issue : summary->issues) kinds.push_back(issue.kind);
        return kinds;
    }
};

DirectoryWalker::Emit collector(Walked& walked) {
    return [&walked](ScanEvent event) {
        if (walked.summary) ++walked.eventsAfterSummary;
        if (auto* record = std::get_if<FileRecord>(&event.value)) walked.records.push_back(*record);
        if (auto* progress = std::get_if<ScanProgress>(&event.value)) walked.progress.push_back(*progress);
        if (auto* summary = std::get_if<ScanSummary>(&event.value)) walked.summary = *summary;
        ASSERT_FALSE(std::holds_alternative<ScanIssue>(event.value)) << "issues travel in the summary only";
    };
}

// A home folder with the standard rules.
struct Home {
    TempDir dir;
    URL url = URL::fileURL(dir.path(), true);
    ScanRules rules = ScanRules::standard(url);

    std::string operator/(const std::string& relative) const { return dir / relative; }
    URL folder(const std::string& relative) const { return URL::fileURL(dir / relative, true); }

    Walked walk(const std::vector<URL>& roots,
                std::shared_ptr<platform::FileSystem> fs = platform::FileSystem::real()) const {
        DirectoryWalker walker(rules, url, std::move(fs));
        Walked walked;
        walker.walk(roots, collector(walked));
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

std::optional<URL> projectRootOf(const FileRecord& record) {
    if (!record.projectContext) return std::nullopt;
    if (auto* source = std::get_if<ProjectContext::SourceOfProject>(&record.projectContext->value)) return source->root;
    return std::nullopt;
}

}  // namespace

TEST(DirectoryWalker, ProjectsAndRecreatableFolders) {
    Home home;
    writeFile(home / "Documents/app/package.json", "{}");
    writeFile(home / "Documents/app/src/lib/deep.js", "x");
    writeFile(home / "Documents/app/node_modules/left-pad/index.js", std::string(9000, 'p'));
    writeFile(home / "Documents/app/node_modules/.bin/tool", "hidden inside, still sized");
    writeFile(home / "Documents/app/.git/HEAD", "ref");
    writeFile(home / "Documents/app/.venv/lib/site.py", "hidden recreatable folder");
    writeFile(home / "Documents/loose/node_modules/x.js", "x");
    writeFile(home / "Documents/sibling/notes.txt", "n");
    writeFile(home / "Documents/gitonly/.git", "gitdir: elsewhere");
    writeFile(home / "Documents/gitonly/main.c", "c");
    makeDirectories(home / "Documents/fake");
    std::filesystem::create_symlink(home / "nowhere", home / "Documents/fake/package.json");
    writeFile(home / "Documents/fake/notes.txt", "n");
    makeDirectories(home / "Documents/ios/App.xcodeproj");
    writeFile(home / "Documents/ios/App.xcodeproj/project.pbxproj", "p");
    writeFile(home / "Documents/ios/Sources/main.swift", "s");

    Walked walked = home.walk({home.folder("Documents")});
    EXPECT_EQ(walked.paths(), (std::vector<std::string>{
                                  home / "Documents/app/node_modules", home / "Documents/app/package.json",
                                  home / "Documents/app/src/lib/deep.js", home / "Documents/fake/notes.txt",
                                  home / "Documents/gitonly/main.c", home / "Documents/ios/App.xcodeproj",
                                  home / "Documents/ios/Sources/main.swift", home / "Documents/loose/node_modules",
                                  home / "Documents/sibling/notes.txt"}));

    URL app = home.folder("Documents/app");
    const FileRecord* modules = walked.find(home / "Documents/app/node_modules");
    ASSERT_NE(modules, nullptr);
    EXPECT_EQ(modules->projectContext, ProjectContext::recreatable("node_modules", app));
    EXPECT_TRUE(modules->isDirectory);
    EXPECT_FALSE(modules->isPackage);
    EXPECT_EQ(modules->typeBucket(), TypeBucket::folders);
    EXPECT_EQ(modules->size, allocatedBelow(home / "Documents/app/node_modules"));
    EXPECT_EQ(modules->allocatedSize, modules->size);
    EXPECT_GE(modules->size, 9000);

    EXPECT_EQ(projectRootOf(*walked.find(home / "Documents/app/package.json")), app);
    EXPECT_EQ(projectRootOf(*walked.find(home / "Documents/app/src/lib/deep.js")), app);
    EXPECT_EQ(walked.find(home / "Documents/loose/node_modules")->projectContext,
              ProjectContext::recreatable("node_modules", std::nullopt));
    EXPECT_EQ(walked.find(home / "Documents/sibling/notes.txt")->projectContext, std::nullopt);
    EXPECT_EQ(projectRootOf(*walked.find(home / "Documents/gitonly/main.c")), home.folder("Documents/gitonly"));
    EXPECT_EQ(walked.find(home / "Documents/fake/notes.txt")->projectContext, std::nullopt);

    // An Xcode project marks its folder a project and is itself a package of that project.
    URL ios = home.folder("Documents/ios");
    const FileRecord* xcode = walked.find(home / "Documents/ios/App.xcodeproj");
    EXPECT_TRUE(xcode->isPackage);
    EXPECT_EQ(projectRootOf(*xcode), ios);
    EXPECT_EQ(projectRootOf(*walked.find(home / "Documents/ios/Sources/main.swift")), ios);
}

TEST(DirectoryWalker, ARootThatIsAProjectTagsEverythingBelowIt) {
    Home home;
    writeFile(home / "Code/Cargo.toml", "[package]");
    writeFile(home / "Code/src/main.rs", "fn main() {}");
    writeFile(home / "Code/target/debug/app", "binary");
    Walked walked = home.walk({home.folder("Code/")});
    URL code = home.folder("Code");
    EXPECT_EQ(projectRootOf(*walked.find(home / "Code/src/main.rs")), code);
    EXPECT_EQ(walked.find(home / "Code/target")->projectContext, ProjectContext::recreatable("target", code));
}

TEST(DirectoryWalker, PackagesBundlesAndDeniedFolders) {
    Home home;
    writeFile(home / "Applications2/Tool.app/Contents/MacOS/tool", std::string(20000, 't'));
    writeFile(home / "Applications2/Tool.app/Contents/.hidden-resource", std::string(5000, 'h'));
    writeFile(home / "Pictures/Trip.photoslibrary/database/photos.db", std::string(7000, 'd'));
    writeFile(home / "Pictures/Photos Library.photoslibrary/database/photos.db", "denied by path");
    writeFile(home / "Pictures/beach.JPG", "jpeg");
    writeFile(home / "Music/Music/Library.db", "denied by path");
    writeFile(home / "Music/song.mp3", "mp3");
    writeFile(home / "Library/Preferences/p.plist", "never reached");

    Walked walked = home.walk({home.folder("Applications2"), home.folder("Pictures"), home.folder("Music"),
                               home.folder("Library"), home.folder("Pictures/Trip.photoslibrary")});
    EXPECT_EQ(walked.paths(),
              (std::vector<std::string>{home / "Applications2/Tool.app", home / "Pictures/Trip.photoslibrary",
                                        home / "Pictures/beach.JPG", home / "Music/song.mp3"}));
    const FileRecord* tool = walked.find(home / "Applications2/Tool.app");
    EXPECT_TRUE(tool->isPackage);
    EXPECT_TRUE(tool->isDirectory);
    EXPECT_EQ(tool->typeBucket(), TypeBucket::apps);
    EXPECT_EQ(tool->size, allocatedBelow(home / "Applications2/Tool.app"));
    EXPECT_GE(tool->size, 25000);  // hidden contents count

    const FileRecord* library = walked.find(home / "Pictures/Trip.photoslibrary");
    EXPECT_TRUE(library->isPackage);
    EXPECT_EQ(library->typeBucket(), TypeBucket::other);
    EXPECT_EQ(library->projectContext, std::nullopt);
    EXPECT_EQ(library->size, allocatedBelow(home / "Pictures/Trip.photoslibrary"));
    EXPECT_EQ(walked.find(home / "Pictures/beach.JPG")->typeBucket(), TypeBucket::photos);
    EXPECT_TRUE(walked.summary->issues.empty());
}

TEST(DirectoryWalker, SizingStopsAtTheEntryCap) {
    Home home;
    home.rules.boundedSizeEntryCap = 10;
    std::vector<std::string> names;
    for (int i = 0; i < 30; ++i) {
        std::string name = "f" + std::to_string(100 + i);
        writeFile(home / ("Documents/build/" + name), std::string(5000 + i, 'b'));
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    int64_t firstTen = 0;
    for (size_t i = 0; i < 10; ++i) firstTen += allocatedSize(home / ("Documents/build/" + names[i]));
    Walked walked = home.walk({home.folder("Documents")});
    ASSERT_EQ(walked.records.size(), 1u);
    EXPECT_EQ(walked.records[0].size, firstTen);
    EXPECT_LT(walked.records[0].size, allocatedBelow(home / "Documents/build"));
}

TEST(DirectoryWalker, LinksAreNeverFollowedAndDanglingOnesAreReported) {
    Home home;
    TempDir outside;
    writeFile(outside / "big.bin", std::string(10000, 'x'));
    writeFile(home / "Documents/real.txt", "r");
    std::filesystem::create_symlink(home / "Documents/real.txt", home / "Documents/link.txt");
    std::filesystem::create_symlink(outside.path(), home / "Documents/outside");
    std::filesystem::create_symlink(home / "Documents/gone.txt", home / "Documents/dangling.txt");
    std::filesystem::create_symlink(home / "Documents/gone.txt", home / "Documents/old\xff.lnk");
    Walked walked = home.walk({home.folder("Documents")});
    EXPECT_EQ(walked.paths(), std::vector<std::string>{home / "Documents/real.txt"});
    ASSERT_EQ(walked.summary->issues.size(), 2u);
    const ScanIssue& issue = walked.summary->issues[0];
    EXPECT_EQ(issue.kind, ScanIssue::Kind::brokenSymlink);
    EXPECT_EQ(issue.path, home / "Documents/dangling.txt");
    EXPECT_EQ(issue.message, "dangling.txt is a shortcut that points nowhere.");
    // A name that is not UTF-8 keeps its bytes in the path and reads as U+FFFD in the sentence.
    EXPECT_EQ(walked.summary->issues[1].path, home / "Documents/old\xff.lnk");
    EXPECT_EQ(walked.summary->issues[1].message, "old\xEF\xBF\xBD.lnk is a shortcut that points nowhere.");
}

TEST(DirectoryWalker, DeniedAndUnreadableFoldersBecomeIssuesAndTheWalkGoesOn) {
    Home home;
    writeFile(home / "Documents/a-private/secret.txt", "s");
    writeFile(home / "Documents/b-broken/disk.txt", "d");
    writeFile(home / "Documents/c-fine/ok.txt", "o");
    writeFile(home / "Documents/gone.txt", "g");
    std::filesystem::create_symlink(home / "nowhere", home / "Documents/raced-link");
    writeFile(home / "Desktop/x.txt", "x");
    writeFile(home / "Downloads", "a file where a folder should be");
    makeDirectories(home / "Music");
    auto fs = std::make_shared<FolderFaultFileSystem>();
    // The walk reads folders under the root as given.
    fs->failures[home / "Music/../Documents/a-private"] = EACCES;
    fs->failures[home / "Music/../Documents/b-broken"] = EIO;
    fs->failures[home / "Desktop"] = EPERM;
    fs->withoutValues = {home / "Music/../Documents/gone.txt", home / "Music/../Documents/raced-link"};

    // The issue path is standardized even when the root is not.
    Walked walked = home.walk({URL::fileURL(home / "Music/../Documents", true), home.folder("Desktop"),
                               home.folder("Downloads")},
                              fs);
    EXPECT_EQ(walked.paths(), std::vector<std::string>{home / "Music/../Documents/c-fine/ok.txt"});
    using Kind = ScanIssue::Kind;
    // Issues met item by item come first, then those of the enumeration, per root.
    EXPECT_EQ(walked.issueKinds(), (std::vector<Kind>{Kind::vanished, Kind::brokenSymlink, Kind::permissionDenied,
                                                      Kind::unreadable, Kind::permissionDenied, Kind::unreadable}));
    const auto& issues = walked.summary->issues;
    ASSERT_EQ(issues.size(), 6u);
    EXPECT_EQ(issues[0].path, home / "Documents/gone.txt");
    EXPECT_EQ(issues[0].message, "gone.txt changed or disappeared while I was looking.");
    EXPECT_EQ(issues[1].path, home / "Documents/raced-link");
    EXPECT_EQ(issues[2].path, home / "Documents/a-private");
    EXPECT_EQ(issues[2].message, "Couldn't look inside a-private, so it was skipped.");
    EXPECT_EQ(issues[3].path, home / "Documents/b-broken");
    EXPECT_EQ(issues[4].path, home / "Desktop");
    EXPECT_EQ(issues[4].message, "Couldn't look inside Desktop, so it was skipped.");
    EXPECT_EQ(issues[5].path, home / "Downloads");
    EXPECT_EQ(issues[5].message, "Couldn't open Downloads at all.");
    std::set<UUID> ids;
    for (const auto& issue : issues) ids.insert(issue.id);
    EXPECT_EQ(ids.size(), issues.size());
}

TEST(DirectoryWalker, CloudPlaceholdersAndProviders) {
    Home home;
    std::string oneDrive = home / "Library/CloudStorage/OneDrive-Personal";
    writeFile(oneDrive + "/placeholder.docx", "");
    ASSERT_EQ(::truncate((oneDrive + "/placeholder.docx").c_str(), 5000), 0);  // sparse: no blocks
    if (allocatedSize(oneDrive + "/placeholder.docx") != 0) GTEST_SKIP() << "this file system has no sparse files";
    writeFile(oneDrive + "/downloaded.docx", std::string(5000, 'd'));
    writeFile(oneDrive + "/empty.txt", "");
    writeFile(oneDrive + "/Keynote.key/Data/slide.bin", "");
    ASSERT_EQ(::truncate((oneDrive + "/Keynote.key/Data/slide.bin").c_str(), 9000), 0);
    writeFile(home / "Library/CloudStorage/Box-Box/report.pdf", "");
    ASSERT_EQ(::truncate((home / "Library/CloudStorage/Box-Box/report.pdf").c_str(), 100), 0);
    writeFile(home / "Dropbox/sparse.pdf", "");
    ASSERT_EQ(::truncate((home / "Dropbox/sparse.pdf").c_str(), 100), 0);
    writeFile(home / "Library/Mobile Documents/com~apple~CloudDocs/sparse.pages", "");
    ASSERT_EQ(::truncate((home / "Library/Mobile Documents/com~apple~CloudDocs/sparse.pages").c_str(), 100), 0);
    writeFile(home / "Documents/sparse.bin", "");
    ASSERT_EQ(::truncate((home / "Documents/sparse.bin").c_str(), 100), 0);
    writeFile(home / "Documents/synced.txt", "s");
    writeFile(home / "Documents/offloaded.txt", "o");

    auto fs = std::make_shared<FolderFaultFileSystem>();
    fs->ubiquitous[home / "Documents/synced.txt"] = platform::DownloadingStatus::current;
    fs->ubiquitous[home / "Documents/offloaded.txt"] = platform::DownloadingStatus::notDownloaded;
    Walked walked = home.walk({URL::fileURL(oneDrive, true), home.folder("Library/CloudStorage/Box-Box"),
                               home.folder("Dropbox"), home.folder("Library/Mobile Documents/com~apple~CloudDocs"),
                               home.folder("Documents")},
                              fs);
    auto state = [&](const std::string& path) {
        const FileRecord* record = walked.find(path);
        if (!record) throw std::runtime_error("no record of " + path);
        return std::pair{record->cloud, record->cloudProvider};
    };
    using P = CloudProvider;
    using S = CloudState;
    EXPECT_EQ(state(oneDrive + "/placeholder.docx"), std::pair(S::cloudOnly, std::optional(P::oneDrive)));
    EXPECT_EQ(state(oneDrive + "/downloaded.docx"), std::pair(S::cloudDownloaded, std::optional(P::oneDrive)));
    EXPECT_EQ(state(oneDrive + "/empty.txt"), std::pair(S::cloudDownloaded, std::optional(P::oneDrive)));
    // A package of nothing but placeholders is still not taken for one.
    EXPECT_EQ(walked.find(oneDrive + "/Keynote.key")->size, 0);
    EXPECT_EQ(state(oneDrive + "/Keynote.key"), std::pair(S::cloudDownloaded, std::optional(P::oneDrive)));
    EXPECT_EQ(state(home / "Library/CloudStorage/Box-Box/report.pdf"), std::pair(S::cloudOnly, std::optional(P::other)));
    EXPECT_EQ(state(home / "Dropbox/sparse.pdf"), std::pair(S::cloudOnly, std::optional(P::dropbox)));
    EXPECT_EQ(state(home / "Library/Mobile Documents/com~apple~CloudDocs/sparse.pages"),
              std::pair(S::local, std::optional(P::iCloudDrive)));
    EXPECT_EQ(state(home / "Documents/sparse.bin"), std::pair(S::local, std::optional<P>()));
    EXPECT_EQ(state(home / "Documents/synced.txt"), std::pair(S::cloudDownloaded, std::optional(P::iCloudDrive)));
    EXPECT_EQ(state(home / "Documents/offloaded.txt"), std::pair(S::cloudOnly, std::optional(P::iCloudDrive)));
    EXPECT_TRUE(walked.find(home / "Documents/offloaded.txt")->isCloudOnly());
}

TEST(DirectoryWalker, SummaryAddsUpAndListsEveryRoot) {
    Home home;
    writeFile(home / "Documents/a.pdf", std::string(1234, 'a'));
    writeFile(home / "Documents/b.PDF", std::string(10, 'b'));
    writeFile(home / "Documents/c.mov", std::string(300, 'c'));
    writeFile(home / "Documents/d", "");
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
    EXPECT_EQ(summary.totalFiles, static_cast<int64_t>(walked.records.size()));
    EXPECT_EQ(walked.records.size(), 8u);
    int64_t bytes = 0;
    for (const auto& record : walked.records) bytes += record.size;
    EXPECT_EQ(summary.totalBytes, bytes);
    int64_t countByType = 0, bytesByType = 0;
    for (const auto& [bucket, stat] : summary.byType) {
        countByType += stat.count;
        bytesByType += stat.bytes;
    }
    EXPECT_EQ(countByType, summary.totalFiles);
    EXPECT_EQ(bytesByType, summary.totalBytes);
    EXPECT_EQ(summary.byType.at(TypeBucket::documents), (CategoryStat{4, 1234 + 10 + 31 + 1}));
    EXPECT_EQ(summary.byType.at(TypeBucket::folders).count, 1);
    EXPECT_LE(summary.startedAt, summary.finishedAt);

    EXPECT_NE(walked.find(home / "Documents/bad\xff name.txt"), nullptr);
    const FileRecord* pipe = walked.find(home / "Documents/pipe");
    ASSERT_NE(pipe, nullptr);
    EXPECT_EQ(pipe->typeBucket(), TypeBucket::other);
    const FileRecord* stamped = walked.find(home / "Documents/stamped.txt");
    EXPECT_EQ(stamped->modified, Date::fromUnix(1000000000.25));
    EXPECT_EQ(stamped->size, 1);
    EXPECT_FALSE(stamped->url.isDirectory());
    EXPECT_TRUE(walked.find(home / "Documents/dist")->url.isDirectory());
    std::set<UUID> ids;
    for (const auto& record : walked.records) ids.insert(record.id);
    EXPECT_EQ(ids.size(), walked.records.size());
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
    EXPECT_EQ(walked.find(home / "Documents/node_modules")->size, largest);
    EXPECT_EQ(walked.summary->totalBytes, largest);
    EXPECT_EQ(walked.summary->byType.at(TypeBucket::other).bytes, largest);
}

TEST(DirectoryWalker, ProgressIsThrottledAndNamesTheLastFolderMet) {
    Home home;
    writeFile(home / "Documents/a.txt", "a");
    writeFile(home / "Documents/b/c.txt", "c");
    writeFile(home / "Documents/node_modules/m.js", "m");
    writeFile(home / "Documents/z.txt", "z");
    // Each reading of the clock (the first when the walker is made) moves it on by 60 ms.
    auto now = std::chrono::steady_clock::time_point{};
    DirectoryWalker walker(home.rules, home.url, platform::FileSystem::real(), [&now] {
        now += std::chrono::milliseconds(60);
        return now;
    });
    Walked walked;
    walker.walk({home.folder("Documents")}, collector(walked));
    // Checks: a.txt (120 ms, too soon), b (180), b/c.txt (240, too soon), z.txt (300); the
    // recreatable node_modules makes no check but becomes the current folder.
    ASSERT_EQ(walked.progress.size(), 2u);
    EXPECT_EQ(walked.progress[0].currentFolder, "b");
    EXPECT_EQ(walked.progress[0].filesSeen, 1);
    EXPECT_EQ(walked.progress[1].currentFolder, "node_modules");
    EXPECT_EQ(walked.progress[1].filesSeen, 4);

    DirectoryWalker everyTime(home.rules, home.url, platform::FileSystem::real(), [&now] {
        now += std::chrono::milliseconds(101);
        return now;
    });
    Walked all;
    everyTime.walk({home.folder("Documents")}, collector(all));
    std::vector<std::string> folders;
    for (const auto& progress : all.progress) {
        folders.push_back(progress.currentFolder);
        EXPECT_TRUE(std::holds_alternative<ScanProgress::Walking>(progress.phase));
    }
    EXPECT_EQ(folders, (std::vector<std::string>{"Documents", "b", "b", "node_modules"}));
    EXPECT_EQ(all.progress.back().bytesSeen, all.summary->totalBytes);
}

TEST(DirectoryWalker, CancellationStopsTheWalkWithoutASummary) {
    Home home;
    for (int i = 0; i < 1000; ++i) writeFile(home / ("Documents/f" + std::to_string(i)), "x");
    std::stop_source stop;
    DirectoryWalker walker(home.rules, home.url);
    Walked walked;
    auto collect = collector(walked);
    EXPECT_THROW(walker.walk({home.folder("Documents")},
                             [&](ScanEvent event) {
                                 collect(std::move(event));
                                 if (walked.records.size() == 50) stop.request_stop();
                             },
                             stop.get_token()),
                 CancellationError);
    EXPECT_FALSE(walked.summary);
    EXPECT_GE(walked.records.size(), 50u);
    EXPECT_LT(walked.records.size(), 200u);
}

TEST(DirectoryWalker, CancellationIsNoticedWhileSizingABigFolder) {
    Home home;
    for (int i = 0; i < 600; ++i) writeFile(home / ("Documents/node_modules/m" + std::to_string(i)), "");
    std::stop_source stop;
    stop.request_stop();
    DirectoryWalker walker(home.rules, home.url);
    Walked walked;
    EXPECT_THROW(walker.walk({home.folder("Documents")}, collector(walked), stop.get_token()), CancellationError);
    EXPECT_TRUE(walked.records.empty());
    EXPECT_FALSE(walked.summary);
}

TEST(DirectoryWalker, ABindMountLoopIsWalkedOnceAndReported) {
    Home home;
    writeFile(home / "Documents/file.txt", "f");
    makeDirectories(home / "Documents/sub/mirror");
    auto fs = std::make_shared<FolderFaultFileSystem>();
    fs->sameFolderAs[home / "Documents/sub/mirror"] = home / "Documents";
    Walked walked = home.walk({home.folder("Documents")}, fs);
    EXPECT_EQ(walked.paths(), std::vector<std::string>{home / "Documents/file.txt"});
    ASSERT_EQ(walked.summary->issues.size(), 1u);
    EXPECT_EQ(walked.summary->issues[0].kind, ScanIssue::Kind::unreadable);
    EXPECT_EQ(walked.summary->issues[0].path, home / "Documents/sub/mirror");
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
    std::map<std::string, bool> expected{{"rust", true},    {"xcode", true},  {"git", true},
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
