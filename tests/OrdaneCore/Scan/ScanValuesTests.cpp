#include <gtest/gtest.h>

#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Scan/ScanEvent.hpp"
#include "OrdaneCore/Scan/ScanRules.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"

using namespace ordane;

namespace {
URL file(const std::string& path) { return URL::fileURL(path); }

FileRecord record(const std::string& path, bool isDirectory = false, bool isPackage = false) {
    FileRecord r;
    r.id = UUID::random();
    r.url = URL::fileURL(path, isDirectory);
    r.isDirectory = isDirectory;
    r.isPackage = isPackage;
    return r;
}
}  // namespace

TEST(UserFolders, StandardizedFoldersAndLocationCodes) {
    UserFolders folders(URL::fileURL("/Users/a/./x/../", true));
    std::vector<std::string> paths;
    for (const URL& folder : folders.all()) paths.push_back(folder.path());
    EXPECT_EQ(paths, (std::vector<std::string>{"/Users/a/Desktop", "/Users/a/Documents", "/Users/a/Downloads",
                                               "/Users/a/Movies", "/Users/a/Music", "/Users/a/Pictures"}));
    const std::pair<const char*, int> codes[] = {
        {"Documents/x.pdf", 0},  {"Documents", 2},  // the folder is not inside itself
        {"Music/Albums/a.mp3", 1}, {"Desktop/x.pdf", 3}, {"Desktop/sub/x.pdf", 2}, {"Downloads/x.pdf", 4},
        {"DocumentsOld/x.pdf", 2}, {"Downloads/../Documents/x.pdf", 0}};
    for (auto [relative, code] : codes) EXPECT_EQ(folders.locationCode(file("/Users/a/" + std::string(relative))), code) << relative;
}

TEST(UserFolders, ContainingFolderNameAndInsideTests) {
    UserFolders folders(URL::fileURL("/Users/a", true));
    EXPECT_EQ(folders.containingFolderName(file("/Users/a/Music/Albums/a.mp3")), "Music");
    EXPECT_EQ(folders.containingFolderName(file("/Volumes/Disk/Stuff/a.mp3")), "Stuff");
    EXPECT_EQ(folders.containingFolderName(file("/Volumes/Disk/St\xFF/a.mp3")), "St\uFFFD");
    EXPECT_TRUE(folders.isInsideDownloads(file("/Users/a/Downloads/deep/er/x.zip")));
    EXPECT_FALSE(folders.isInsideDownloads(file("/Users/a/Downloads")));
    EXPECT_FALSE(folders.isInsideDownloads(file("/Users/a/Downloads2/x.zip")));
    EXPECT_TRUE(folders.isInsideDesktop(file("/Users/a/Desktop/x")));
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
    EXPECT_EQ(record("/a/x.PDF").typeBucket(), TypeBucket::documents);
    EXPECT_EQ(record("/a/README").typeBucket(), TypeBucket::other);
    EXPECT_EQ(record("/a/photos.zip", true).typeBucket(), TypeBucket::folders);
    EXPECT_EQ(record("/a/Tool.app", true, true).typeBucket(), TypeBucket::apps);
    EXPECT_EQ(record("/a/P.photoslibrary", true, true).typeBucket(), TypeBucket::other);
    EXPECT_EQ(typeBucketForExtension("JPEG"), TypeBucket::photos);
    EXPECT_EQ(record("/a/b/x.txt").parentFolderName(), "b");
    EXPECT_EQ(displayName(TypeBucket::photos), "Photos & images");
}

TEST(FileRecord, JsonRoundTripAndShape) {
    FileRecord r = record("/Users/a/My Projects/app/node_modules", true);
    r.size = 123;
    r.allocatedSize = 4096;
    r.modified = Date{700000000.5};
    r.cloud = CloudState::cloudDownloaded;
    r.cloudProvider = CloudProvider::dropbox;
    r.projectContext = ProjectContext::recreatable("node_modules", URL::fileURL("/Users/a/My Projects/app", true));
    Json encoded = r.toJson();
    EXPECT_FALSE(encoded.contains("created"));
    EXPECT_EQ(encoded["projectContext"],
              json::parse(R"({"recreatable":{"kind":"node_modules","root":"file:///Users/a/My%20Projects/app/"}})"));
    EXPECT_EQ(FileRecord::fromJson(json::parse(json::dumpCompact(encoded))), r);

    r.projectContext = ProjectContext::recreatable("dist", std::nullopt);
    EXPECT_EQ(r.toJson()["projectContext"], json::parse(R"({"recreatable":{"kind":"dist"}})"));
    r.projectContext = ProjectContext::sourceOfProject(URL::fileURL("/p", true));
    EXPECT_EQ(FileRecord::fromJson(r.toJson()), r);
}

TEST(FileRecord, DecodingRejectsWrongTypes) {
    Json good = record("/a/x.txt").toJson();
    for (auto [key, bad] : std::vector<std::pair<std::string, Json>>{
             {"size", 1.5}, {"cloud", "Local"}, {"isDirectory", 0}, {"url", "/a/x.txt"}, {"id", "xyz"},
             {"projectContext", json::parse(R"({"recreatable":{"kind":"a"},"sourceOfProject":{"root":"file:///p/"}})")}}) {
        Json broken = good;
        broken[key] = bad;
        EXPECT_THROW(FileRecord::fromJson(broken), DecodingError) << key;
    }
}

TEST(ScanSummary, JsonRoundTrip) {
    ScanSummary summary;
    summary.startedAt = Date{1};
    summary.finishedAt = Date{2.25};
    summary.roots = {URL::fileURL("/Users/a/Documents", true)};
    summary.totalFiles = 2;
    summary.totalBytes = 30;
    summary.byType[TypeBucket::documents].add(record("/a/x.pdf"));
    summary.issues.push_back(ScanIssue{UUID::random(), ScanIssue::Kind::permissionDenied, "/x", "No access."});
    Json encoded = summary.toJson();
    EXPECT_EQ(encoded["byType"], json::parse(R"({"documents":{"bytes":0,"count":1}})"));
    EXPECT_EQ(ScanSummary::fromJson(encoded), summary);
    encoded["byType"] = json::parse(R"({"Documents":{"bytes":0,"count":1}})");
    EXPECT_THROW(ScanSummary::fromJson(encoded), DecodingError);
}
