#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "OrdaneCore/Scan/CloudStatus.hpp"
#include "OrdaneCore/Scan/ExistingFolders.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Scan/ScanEvent.hpp"
#include "OrdaneCore/Scan/ScanRules.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;
using platform::DownloadingStatus;

namespace {
URL file(const std::string& path) { return URL::fileURL(path); }

FileRecord record(const std::string& path, bool isDirectory = false, bool isPackage = false) {
    FileRecord r;
    r.setID(UUID::random());
    r.setURL(URL::fileURL(path, isDirectory));
    r.setIsDirectory(isDirectory);
    r.setIsPackage(isPackage);
    return r;
}

std::vector<std::string> sortedPaths(const ExistingFolders& folders) {
    std::vector<std::string> paths;
    for (const auto& folder : folders.folders()) paths.push_back(folder.path);
    std::sort(paths.begin(), paths.end());
    return paths;
}
}  // namespace

TEST(UserFolders, LocationCodesAndContainingFoldersBelowAStandardizedHome) {
    UserFolders folders(URL::fileURL("/Users/a/./x/../", true));
    const std::pair<const char*, int> codes[] = {
        {"Documents/x.pdf", 0},  {"Documents", 2},  // the folder is not inside itself
        {"Music/Albums/a.mp3", 1}, {"Desktop/x.pdf", 3}, {"Desktop/sub/x.pdf", 2}, {"Downloads/x.pdf", 4},
        {"Downloads/../Documents/x.pdf", 0}};
    for (auto [relative, code] : codes) EXPECT_EQ(folders.locationCode(file("/Users/a/" + std::string(relative))), code) << relative;
    EXPECT_EQ(folders.containingFolderName(file("/Users/a/Music/Albums/a.mp3")), "Music");
    EXPECT_EQ(folders.containingFolderName(file("/Volumes/Disk/St\xFF/a.mp3")), "St\uFFFD");
    EXPECT_TRUE(folders.isInsideDownloads(file("/Users/a/Downloads/deep/er/x.zip")));
    EXPECT_TRUE(folders.isInsideDesktop(file("/Users/a/Desktop/x")));
}

TEST(UserFolders, AreTheFoldersUserDirsNamesWithDebiansDefaultsForTheRest) {
    const URL home = URL::fileURL("/home/jo", true);
    const UserFolders folders(home, {{"VIDEOS", "/srv/Filme"}, {"MUSIC", "/home/jo/Musik"}});
    EXPECT_EQ(folders.movies.path(), "/srv/Filme");
    EXPECT_EQ(folders.documents.path(), "/home/jo/Documents");
    EXPECT_EQ(UserFolders(home).movies.path(), "/home/jo/Videos");
    EXPECT_EQ(folders.containingFolderName(file("/srv/Filme/a.mkv")), "Filme");
    EXPECT_EQ(folders.locationCode(file("/srv/Filme/a.mkv")), 1);
}

TEST(ScanRules, DeniedPathsAreWholePaths) {
    auto rules = ScanRules::standard(URL::fileURL("/Users/a/", true));
    for (const char* denied : {"/Users/a/Library", "/Users/a/Pictures/Photos Library.photoslibrary", "/usr"}) {
        EXPECT_TRUE(rules.isDenied(file(denied))) << denied;
    }
    EXPECT_FALSE(rules.isDenied(file("/Users/a/Library2")));
    EXPECT_FALSE(rules.isDenied(file("/Users/a/Library/Caches")));
    EXPECT_TRUE(ScanRules::fixture({"/tmp/denied"}).isDenied(file("/tmp/denied")));
    EXPECT_TRUE(rules.isAppManagedBundle(file("/x/My.PhotosLibrary")));
    EXPECT_TRUE(rules.isRecreatableDirName("node_modules"));
    EXPECT_FALSE(rules.isRecreatableDirName("Node_Modules"));
}

TEST(FileRecord, TypeBuckets) {
    EXPECT_EQ(record("/a/photos.zip", true).typeBucket(), TypeBucket::folders);
    EXPECT_EQ(record("/a/Tool.app", true, true).typeBucket(), TypeBucket::apps);
    // Linux installers and office files; an AppImage is the program itself.
    for (auto [extension, bucket] : {std::pair{"deb", TypeBucket::installers}, {"rpm", TypeBucket::installers},
                                     {"run", TypeBucket::installers}, {"AppImage", TypeBucket::apps},
                                     {"odt", TypeBucket::documents}, {"ODG", TypeBucket::documents}}) {
        EXPECT_EQ(typeBucketForExtension(extension), bucket) << extension;
    }
    // What is not a plain extension is read as a name's: the part after its last dot, if any.
    for (auto [extension, bucket] : {std::pair{"tar.GZ", TypeBucket::archives}, {"photos/jpg", TypeBucket::other},
                                     {"", TypeBucket::other}, {"jpg.", TypeBucket::other},
                                     {"JPEG", TypeBucket::photos}, {"J\xc3\x89PG", TypeBucket::other}}) {
        EXPECT_EQ(typeBucketForExtension(extension), bucket) << extension;
    }
    EXPECT_EQ(record("/a/b/x.txt").parentFolderName(), "b");
}

// A walk sets a record's path as it found it instead of making a URL first: the record is the
// same in every respect, for odd names as for plain ones.
TEST(FileRecord, APathSetDirectlyMakesTheSameRecordAsItsURL) {
    const std::string longName = std::string(300, 'n') + ".Pdf";
    for (const std::string& path :
         {std::string("/home/a/Documents/report.pdf"), "/a/" + longName, "/a/" + std::string(40, 'd') + "/" + longName,
          std::string("/a/\xff\xfe name.\xc3\x89PUB"), std::string("/a/.hidden"), std::string("/a/..."),
          std::string("/a/.tar.gz"), std::string("/p/package.json"), std::string("/p/.git"),
          std::string("/p/App.XcodeProj"), std::string("/p/node_modules"), std::string("/file.txt"), std::string("/"),
          std::string("/a/b/"), std::string("a/b.txt"), std::string("")}) {
        for (bool isDirectory : {false, true}) {
            UUID id = UUID::random();
            FileRecord fromURL;
            fromURL.setURL(URL::fileURL(path, isDirectory)).setID(id).setSize(7).setIsDirectory(isDirectory);
            fromURL.setAllocatedSize(4096).setModified(Date{12.5}).setIsPackage(isDirectory);
            fromURL.setCloud(CloudState::cloudDownloaded).setCloudProvider(CloudProvider::dropbox);
            fromURL.setProjectContext(ProjectContext::sourceOfProject(URL::fileURL("/p", true)));
            FileRecord fromPath;
            fromPath.setPath(path, isDirectory).setID(id).setSize(7).setIsDirectory(isDirectory);
            fromPath.setAllocatedSize(4096).setModified(Date{12.5}).setIsPackage(isDirectory);
            fromPath.setCloud(CloudState::cloudDownloaded).setCloudProvider(CloudProvider::dropbox);
            fromPath.setProjectContext(ProjectContext::sourceOfProject(URL::fileURL("/p", true)));
            // In one step, as a walk builds them, from the values alone or with their URL.
            FileRecord::Fields values = fromURL.fields();
            FileRecord::Fields withoutURL = values;
            withoutURL.url = URL::fileURL("/elsewhere/else.txt");
            SCOPED_TRACE(path + (isDirectory ? " (folder)" : ""));
            EXPECT_EQ(FileRecord(path, isDirectory, withoutURL), fromURL);
            EXPECT_EQ(FileRecord(path, isDirectory, withoutURL).toJson(), fromURL.toJson());
            EXPECT_EQ(FileRecord(values), fromURL);
            EXPECT_EQ(fromPath, fromURL);
            EXPECT_EQ(fromPath.url(), fromURL.url());
            EXPECT_EQ(fromPath.path(), fromURL.path());
            EXPECT_EQ(fromPath.name(), fromURL.name());
            EXPECT_EQ(fromPath.folderPath(), fromURL.folderPath());
            EXPECT_EQ(fromPath.ext(), fromURL.ext());
            EXPECT_EQ(fromPath.typeBucket(), fromURL.typeBucket());
            EXPECT_EQ(fromPath.parentFolderName(), fromURL.parentFolderName());
            EXPECT_EQ(fromPath.toJson(), fromURL.toJson());
        }
    }
}

// The bucket of a record's own extension is looked up without lower-casing a copy when it is
// ASCII; it must be the bucket of the lower-cased extension all the same.
TEST(FileRecord, TypeBucketIsTheBucketOfTheLowerCasedExtension) {
    for (auto [name, bucket] : {std::pair{"a.PDF", TypeBucket::documents}, {"a.flatpakref", TypeBucket::installers},
                                {"a.FlatpakRef", TypeBucket::installers}, {"a.flatpakrefs", TypeBucket::other},
                                {"a.AppImage", TypeBucket::apps}, {"archive.tar.GZ", TypeBucket::archives},
                                {"a.", TypeBucket::other}, {"noextension", TypeBucket::other},
                                {".bashrc", TypeBucket::other}, {"a.J\xc3\x89PG", TypeBucket::other},
                                // The Kelvin sign lower-cases to an ASCII "k".
                                {"notes.\xe2\x84\xaa" "EY", TypeBucket::documents},
                                {"a.\xff", TypeBucket::other}, {"Holiday photo 2024.JPEG", TypeBucket::photos},
                                {"\xc3\xa9t\xc3\xa9 2024.mp3", TypeBucket::audio},
                                {"a.\xe2\x84\xaa" "eynote-archive", TypeBucket::other},
                                {"release-notes.tar.gz.partial", TypeBucket::other},
                                // Letters at both ends of A-Z, and in both numbers of the packed key.
                                {"a.ZIP", TypeBucket::archives}, {"a.AAC", TypeBucket::audio}, {"a.7Z", TypeBucket::archives},
                                {"a.MPKG", TypeBucket::installers}, {"a.FLATPAKREF", TypeBucket::installers}}) {
        FileRecord r = record(std::string("/a/") + name);
        EXPECT_EQ(r.typeBucket(), bucket) << name;
        EXPECT_EQ(r.typeBucket(), typeBucketForExtension(r.ext())) << name;
    }
    EXPECT_EQ(typeBucketForExtension("FLATPAKREF"), TypeBucket::installers);
    EXPECT_EQ(typeBucketForExtension("flatpakrefx"), TypeBucket::other);
}

// Default and moved-from records share one item that no change may reach.
TEST(FileRecord, ChangingADefaultOrMovedFromRecordLeavesEveryOtherAlone) {
    FileRecord untouched;
    FileRecord changed;
    changed.setSize(5).setIsDirectory(true);
    FileRecord copied(untouched);
    copied = untouched;
    copied.setPath("/a/b.txt", false);
    EXPECT_EQ(untouched, FileRecord());
    EXPECT_EQ(untouched.size(), 0);
    EXPECT_FALSE(untouched.isDirectory());
    EXPECT_EQ(untouched.path(), "/");

    FileRecord source = record("/a/c.txt");
    FileRecord moved(std::move(source));
    EXPECT_EQ(moved.path(), "/a/c.txt");
    source.setSize(9);  // NOLINT(bugprone-use-after-move): a moved-from record is a default one
    EXPECT_EQ(source.size(), 9);
    EXPECT_EQ(FileRecord().size(), 0);
    FileRecord assigned = record("/a/d.txt");
    assigned = std::move(moved);
    EXPECT_EQ(assigned.path(), "/a/c.txt");
}

// Records are cut from blocks their making thread fills: they must outlive that thread and be
// dropped on any other, in any order, with long names (allocated on their own) among them, and
// copies made by setters on yet another thread.
TEST(FileRecord, RecordsOutliveTheThreadThatMadeThemAndGoOnAnyOther) {
    std::vector<FileRecord> made;
    std::thread maker([&] {
        for (int i = 0; i < 3000; ++i) {
            std::string name = i % 500 == 7 ? std::string(2000, 'n') : "file" + std::to_string(i) + ".txt";
            FileRecord::Fields fields;
            fields.size = i;
            if (i % 3 == 0) fields.projectContext = ProjectContext::sourceOfProject(URL::fileURL("/p", true));
            made.emplace_back("/walk/folder" + std::to_string(i / 100) + "/" + name, false, std::move(fields));
        }
    });
    maker.join();  // its last block is given up: what it made must stay
    for (int i = 0; i < 3000; ++i) {
        const FileRecord& r = made[static_cast<size_t>(i)];
        ASSERT_EQ(r.size(), i);
        ASSERT_EQ(r.folderPath(), "/walk/folder" + std::to_string(i / 100));
        ASSERT_EQ(r.name().size(), i % 500 == 7 ? 2000u : ("file" + std::to_string(i) + ".txt").size());
        ASSERT_EQ(r.projectContext() != nullptr, i % 3 == 0);
    }
    std::vector<FileRecord> copies(made.begin(), made.begin() + 1000);
    std::thread changer([&] {
        for (auto& r : copies) r.setSize(r.size() + 1);  // new items, cut on this thread
        // Every second one dropped here, the rest on the main thread.
        for (size_t i = 0; i < made.size(); i += 2) made[i] = FileRecord();
    });
    changer.join();
    for (size_t i = 0; i < copies.size(); ++i) EXPECT_EQ(copies[i].size(), static_cast<int64_t>(i) + 1);
    for (size_t i = 1; i < made.size(); i += 2) EXPECT_EQ(made[i].size(), static_cast<int64_t>(i));
    std::reverse(made.begin(), made.end());
    made.clear();
    copies.clear();
}

TEST(CloudStatus, ProviderByPath) {
    const std::pair<const char*, std::optional<CloudProvider>> cases[] = {
        {"/home/ada/Library/Mobile Documents/com~apple~CloudDocs/a.txt", CloudProvider::iCloudDrive},
        {"/home/ada/Library/CloudStorage/GoogleDrive-ada@example.com/My Drive/a", CloudProvider::googleDrive},
        {"/home/ada/Library/CloudStorage/Box-Box/a.txt", CloudProvider::other},
        // The storage folder's own first level counts too: the component runs to the end.
        {"/home/ada/Library/CloudStorage/OneDrive-Work", CloudProvider::oneDrive},
        {"/home/ada/Dropbox/taxes/2023.pdf", CloudProvider::dropbox},
        {"/home/ada/Dropbox", std::nullopt},
        {"/home/ada/Documents/a.txt", std::nullopt},
        // Paths are standardized before the test, the home too.
        {"/home/ada/Documents/../Dropbox/a.txt", CloudProvider::dropbox}};
    for (auto [path, provider] : cases) {
        EXPECT_EQ(CloudStatus::provider(URL::fileURL(path), URL::fileURL("/home/ada", true)), provider) << path;
    }
    EXPECT_EQ(CloudStatus::provider(URL::fileURL("/home/ada/Dropbox/a"), URL::fileURL("/home/x/../ada/", true)),
              CloudProvider::dropbox);
}

// Items met one after another, as the walk meets them, get the answer their path alone gives:
// siblings directly in CloudStorage each their own, and a sync folder found between two
// items of one folder counts from the next item on.
TEST(CloudStatus, ProviderOfItemsMetInTurnIsTheirPaths) {
    CloudStatus status(URL::fileURL("/home/ada", true));
    const std::pair<const char*, std::optional<CloudProvider>> before[] = {
        {"/home/ada/Library/CloudStorage/Box-Box", CloudProvider::other},
        {"/home/ada/Library/CloudStorage/Dropbox", CloudProvider::dropbox},
        {"/home/ada/Library/CloudStorage/OneDrive-Work", CloudProvider::oneDrive},
        {"/home/ada/Library/CloudStorage/OneDrive-Work/a", CloudProvider::oneDrive},
        {"/home/ada/Dropbox", std::nullopt},
        {"/home/ada/Dropbox/a", CloudProvider::dropbox},
        {"/home/ada/Dropbox/b", CloudProvider::dropbox},
        {"/home/ada/Sync/a", std::nullopt},
        {"/a", std::nullopt}};
    for (auto [path, provider] : before) EXPECT_EQ(status.providerOfStandardizedItem(path), provider) << path;

    EXPECT_EQ(status.providerOfStandardizedItem("/home/ada/Sync/a"), std::nullopt);
    status.addSyncFolder("/home/ada/Sync", CloudProvider::other);
    EXPECT_EQ(status.providerOfStandardizedItem("/home/ada/Sync/b"), CloudProvider::other);
    status.addSyncFolder("/home/ada/Dropbox/b", CloudProvider::oneDrive);
    EXPECT_EQ(status.providerOfStandardizedItem("/home/ada/Dropbox/c"), CloudProvider::dropbox);
    EXPECT_EQ(status.providerOfStandardizedItem("/home/ada/Dropbox/b/x"), CloudProvider::oneDrive);
    status.addSyncFolder("/", CloudProvider::googleDrive);
    EXPECT_EQ(status.providerOfStandardizedItem("/b"), CloudProvider::googleDrive);
}

// The walk's test covers these rules on real sparse files; here what it can't give: the
// platform's cloud values, and the one case where the file system has no sparse files.
TEST(CloudStatus, StateOfSyncedItems) {
    EXPECT_EQ(CloudStatus::state(true, DownloadingStatus::current, 5000, 0, true), CloudState::cloudDownloaded);
    EXPECT_EQ(CloudStatus::state(false, std::nullopt, 5000, 0, true), CloudState::cloudOnly);
}

// Placeholders of the sync clients are told by their extension, in any case; most names are
// passed over by the extension's length, which must not let a near miss through.
TEST(CloudStatus, PlaceholdersByTheirExtensionInAnyCase) {
    TempDir dir;
    CloudStatus status(URL::fileURL(dir.path(), true));
    const std::vector<std::pair<std::string, bool>> expected{
        {"Film.mp4.nextcloud", true}, {"Notes.OWNCLOUD", true},    {"a.NextCloud", true},
        {"a.nextclou", false},        {"a.nextclouds", false},     {"a.owncloudx", false},
        {".nextcloud", false},        {"nextcloud", false},        {"a.nextcloud.txt", false},
        {"a.cloud", false},           {"a.\u00e9owncloud", false}, {"a.nextcl\u00f6ud", false},
        {"a.owncl\u00f6\u00f0", false}, {"a.nextcloud ", false},    {"a.nextclouD", true}};
    for (const auto& [name, elsewhere] : expected) EXPECT_EQ(status.isElsewhere(name, UINT64_MAX), elsewhere) << name;
}

TEST(CloudStatus, CloudRootsInTheOrderFoundEachOnce) {
    TempDir dir;
    auto fs = platform::FileSystem::real();
    URL home = URL::fileURL(dir.path(), true);
    EXPECT_TRUE(CloudStatus::cloudRoots(home, *fs).empty());
    makeDirectories(dir / "Dropbox");
    EXPECT_EQ(CloudStatus::cloudRoots(home, *fs), std::vector<CloudProvider>{CloudProvider::dropbox});

    for (const char* folder : {"Library/Mobile Documents/com~apple~CloudDocs", "Library/CloudStorage/OneDrive-Personal",
                               "Library/CloudStorage/OneDrive-Work", "Library/CloudStorage/Dropbox",
                               "Library/CloudStorage/Box-Box"}) {
        makeDirectories(dir / folder);
    }
    // Listing order is bytewise: Box-Box, Dropbox, OneDrive-Personal, OneDrive-Work.
    EXPECT_EQ(CloudStatus::cloudRoots(home, *fs),
              (std::vector<CloudProvider>{CloudProvider::iCloudDrive, CloudProvider::dropbox, CloudProvider::oneDrive}));

    // A broken link is no folder.
    TempDir other;
    fs->createSymlink(other / "missing", other / "Dropbox");
    EXPECT_TRUE(CloudStatus::cloudRoots(URL::fileURL(other.path(), true), *fs).empty());
}

TEST(ExistingFolders, EveryAncestorUpToItsRootAndTheDirectoryRecords) {
    const std::vector<URL> roots = {URL::fileURL("/home/ada/Documents", true), URL::fileURL("/home/ada/Music/", true)};
    const std::vector<FileRecord> records = {
        record("/home/ada/Documents/Work/Invoices/2023/a.pdf"),
        record("/home/ada/Documents/Work/b.pdf"),  // its folders are already held
        record("/home/ada/Documents/./Taxes/../Letters/c.txt"),
        record("/home/ada/Documents/Code/node_modules", true),  // a directory record adds itself too
        record("/home/ada/Music/x.mp3"),
        record("/elsewhere/odd/z.txt"),           // under no root: no ancestor is known
        record("/elsewhere/Volume/Bundle", true),  // still a directory the scan saw
    };
    const ExistingFolders folders = ExistingFolders::fromScan(records, roots);
    EXPECT_EQ(sortedPaths(folders), (std::vector<std::string>{
                                        "/elsewhere/Volume/Bundle",
                                        "/home/ada/Documents",
                                        "/home/ada/Documents/Code",
                                        "/home/ada/Documents/Code/node_modules",
                                        "/home/ada/Documents/Letters",
                                        "/home/ada/Documents/Work",
                                        "/home/ada/Documents/Work/Invoices",
                                        "/home/ada/Documents/Work/Invoices/2023",
                                        "/home/ada/Music",
                                    }));
    EXPECT_TRUE(folders.contains("/home/ada/Documents/Work/Invoices/2023/.."));
    EXPECT_FALSE(folders.contains("/home/ada/documents/work/invoices"));  // case matters on Linux
    EXPECT_FALSE(folders.contains("/home/ada"));
    EXPECT_TRUE(ExistingFolders::fromScan(records, {}).contains("/elsewhere/Volume/Bundle"));
    EXPECT_EQ(ExistingFolders::fromScan(records, {}).size(), 2u);
}

TEST(ExistingFolders, NestedRootsStopAtTheDeepestAndKeysAreLowerCasedBesideTheRealPath) {
    const std::vector<URL> roots = {URL::fileURL("/home/ada", true), URL::fileURL("/home/ada/Documents", true)};
    const ExistingFolders folders = ExistingFolders::fromScan(
        {record("/home/ada/Documents/ÄRZTE/Brief.pdf"), record("/home/ada/Documents/Invoices/x.pdf"),
         record("/home/ada/Documents/invoices/y.pdf"), record("/home/ada/Documents/Bad\xFF/z.pdf")},
        roots);
    EXPECT_FALSE(folders.contains("/home/ada"));  // the deeper root bounds the climb
    EXPECT_EQ(folders.size(), 5u);
    // Two real folders share one key; a key that is itself a real path gives that one.
    EXPECT_EQ(*folders.pathWithKey("/home/ada/documents/invoices"), "/home/ada/Documents/Invoices");
    EXPECT_EQ(*folders.pathWithKey("/home/ada/Documents/invoices"), "/home/ada/Documents/invoices");
    EXPECT_EQ(*folders.pathWithKey("/home/ada/documents/ärzte"), "/home/ada/Documents/ÄRZTE");
    EXPECT_EQ(*folders.pathWithKey("/home/ada/documents/bad\uFFFD"), "/home/ada/Documents/Bad\xFF");
    EXPECT_EQ(folders.pathWithKey("/home/ada/documents/taxes"), nullptr);
}
