#include <gtest/gtest.h>

#include "OrdaneCore/Analysis/AnalysisFixtures.hpp"
#include "OrdaneCore/Analysis/Classifier.hpp"
#include "OrdaneCore/Analysis/OrganizeSuggester.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;
using C = FindingCategory;
using R = Recommendation;

namespace {

Date daysAgo(double days) { return fixtureNow.adding(-days * 86400.0); }

Classifier paperClassifier() {
    ScanRules rules = ScanRules::fixture();
    rules.appManagedBundleExtensions.insert("photoslibrary");
    return Classifier(paperFolders(), rules, fixtureNow);
}

std::optional<Finding> classifyOne(const FileRecord& record, const Classifier& classifier = paperClassifier()) {
    auto findings = classifier.classify({record}, {}, {});
    if (findings.empty()) return std::nullopt;
    EXPECT_EQ(findings.size(), 1u);
    return findings.front();
}

FileRecord aged(const std::string& path, double days, int64_t size = 10000) {
    return fileRecord(path, size, daysAgo(days));
}

using Kind = std::pair<FindingCategory, Recommendation>;
std::optional<Kind> kindOf(const std::optional<Finding>& finding) {
    return finding ? std::optional(Kind(finding->category, finding->recommendation)) : std::nullopt;
}

}  // namespace

TEST(Classifier, SoftwareProjectsAreLeftAloneAndOnlyBigFilesMentioned) {
    URL root = URL::fileURL("/home/ann/Documents/code/site", true);
    FileRecord big = aged("Documents/code/site/assets/video.mp4", 400, 600'000'000);
    big.setProjectContext(ProjectContext::sourceOfProject(root));
    auto finding = classifyOne(big);
    EXPECT_EQ(kindOf(finding), Kind(C::biggestFiles, R::leaveAlone));

    // Small files there get nothing from the rules, duplicates and old screenshots included.
    FileRecord shot = aged("Downloads/site/Screenshot 1.png", 400);
    shot.setProjectContext(ProjectContext::sourceOfProject(root));
    DuplicateGroup group(UUID::random(), DuplicateKind::exact, {aged("Documents/Screenshot 1.png", 400), shot}, 0,
                         "Kept.", std::string(64, '0'));
    EXPECT_TRUE(paperClassifier().classify({shot}, {group}, {}).empty());
}

TEST(Classifier, RulesByPlaceAgeAndSize) {
    const std::optional<Kind> none;
    struct Row { const char* path; double days; int64_t size; std::optional<Kind> kind; };
    for (const Row& row : std::vector<Row>{
             {"Documents/a.bin", 1, 499'999'999, none},
             {"Downloads/Tool.DMG", 7, 10000, Kind(C::downloadsCleanup, R::probablySafeToRemove)},
             {"Downloads/deep/down/Tool.pkg", 40, 10000, Kind(C::downloadsCleanup, R::probablySafeToRemove)},
             {"Downloads/x.rpm", 8, 10000, Kind(C::downloadsCleanup, R::probablySafeToRemove)},
             {"Downloads/x.flatpakref", 8, 10000, Kind(C::downloadsCleanup, R::probablySafeToRemove)},
             {"Downloads/x.snap", 8, 10000, Kind(C::downloadsCleanup, R::probablySafeToRemove)},
             {"Downloads/x.run", 8, 10000, Kind(C::downloadsCleanup, R::probablySafeToRemove)},
             // Younger installers go on to the later rules; a program to run is no installer.
             {"Downloads/Tool.dmg", 6, 700'000'000, Kind(C::biggestFiles, R::review)},
             {"Desktop/Tool.dmg", 60, 10000, none},
             {"Downloads/Tool.AppImage", 40, 10000, none},
             {"Desktop/Screenshot 2024-01-01.png", 89, 10000, Kind(C::screenshots, R::review)},
             // Big, old and movable: still only a screenshot.
             {"Documents/Screen Recording 1.mov", 122, 900'000'000, Kind(C::screenshots, R::probablySafeToRemove)},
             {"Documents/screenshot.png", 400, 10000, none},
             {"Videos/Screencast from 2024-01-05 10-00-00.webm", 400, 10000, Kind(C::screenshots, R::probablySafeToRemove)},
             {"Videos/Screencast_20240105_100000.webm", 400, 10000, Kind(C::screenshots, R::probablySafeToRemove)},
             {"Documents/Screencasting notes.txt", 800, 10000, none},
             {"Downloads/lease.pdf", 30, 10000, Kind(C::organizeSuggestion, R::organize)},
             {"Downloads/lease.pdf", 29.9, 10000, none},  // 29.9 days is 29 whole days
             {"Desktop/notes/todo.txt", 1535, 100, Kind(C::oldFiles, R::review)},
             {"Desktop/todo.txt", 729, 10000, none},
             {"Documents/todo.txt", 2000, 10000, none}}) {
        EXPECT_EQ(kindOf(classifyOne(aged(row.path, row.days, row.size))), row.kind) << row.path << " " << row.days;
    }
    EXPECT_EQ(classifyOne(aged("Downloads/tool_1.0_amd64.deb", 7))->detail,
              "DEB installer in Downloads, last changed March 2024.");
    EXPECT_EQ(classifyOne(aged("Downloads/lease.pdf", 30))->suggestedDestination->path(),
              "/home/ann/Documents/From Downloads/lease.pdf");
    EXPECT_EQ(classifyOne(aged("Downloads/song.mp3", 31))->reason.str().substr(0, 30), "This looks like an audio file ");
    EXPECT_EQ(paperClassifier().ageInDays(aged("a", -3)), 0);  // never a negative age
}

TEST(Classifier, FoldersBundlesAndLogicalSize) {
    FileRecord record = aged("Documents/a.bin", 1, 500'000'000);
    record.setAllocatedSize(4096);  // the threshold is on the logical size
    EXPECT_EQ(kindOf(classifyOne(record)), Kind(C::biggestFiles, R::review));
    EXPECT_FALSE(classifyOne(folderRecord("Documents/Big folder", 9'000'000'000)));
    EXPECT_EQ(kindOf(classifyOne(folderRecord("Pictures/Photos Library.photoslibrary", 2'000'000'000, true))),
              Kind(C::biggestFiles, R::leaveAlone));
    FileRecord folder = folderRecord("Documents/code/site/node_modules", 1'250'000);
    folder.setProjectContext(ProjectContext::recreatable("node_modules", URL::fileURL("/home/ann/Documents/code/site", true)));
    EXPECT_EQ(kindOf(classifyOne(folder)), Kind(C::recreatable, R::review));
    FileRecord shots = folderRecord("Documents/Screenshots");
    shots.setModified(daysAgo(400));
    EXPECT_FALSE(classifyOne(shots));
}

TEST(Classifier, ExactDuplicatesGetTheirRoles) {
    FileRecord kept = aged("Documents/Taxes/return.pdf", 3);
    FileRecord copy = aged("Downloads/return.pdf", 3);
    FileRecord cloudCopy = aged("Desktop/return.pdf", 3);
    cloudCopy.setCloud(CloudState::cloudOnly);
    DuplicateGroup group(UUID::random(), DuplicateKind::exact, {kept, copy, cloudCopy}, 0,
                         "I'd keep this copy. It's the one already filed in Documents.", std::string(64, 'a'));
    auto findings = paperClassifier().classify({kept, copy, cloudCopy}, {group}, {});
    ASSERT_EQ(findings.size(), 2u);  // the cloud-only copy gets nothing
    EXPECT_EQ(role(findings[0]), Role(C::duplicates, R::keep, group.keepReason()));
    EXPECT_EQ(role(findings[1]),
              Role(C::duplicates, R::probablySafeToRemove,
                   "This is an exact copy of the one in Documents. If you remove it, that one stays put."));
    EXPECT_EQ(findings[1].groupID, group.id());

    // Name groups give no roles.
    DuplicateGroup named(UUID::random(), DuplicateKind::similarName, {kept, copy}, 0, "", std::nullopt);
    EXPECT_TRUE(paperClassifier().classify({copy}, {named}, {}).empty());
}

TEST(Classifier, AFileMetInTwoGroupsTakesItsPlaceInTheLaterOne) {
    FileRecord twice = aged("Documents/a.pdf", 3);
    FileRecord keptFirst = aged("Documents/Taxes/a.pdf", 3);
    FileRecord keptLater = aged("Pictures/a.pdf", 3);
    DuplicateGroup first(UUID::random(), DuplicateKind::exact, {twice, keptFirst}, 0, "First.", std::string(64, 'a'));
    DuplicateGroup later(UUID::random(), DuplicateKind::exact, {keptLater, twice}, 0, "Later.", std::string(64, 'b'));
    // Same name and size, another folder: in no group.
    FileRecord namesake = aged("Downloads/a.pdf", 3);
    auto findings = paperClassifier().classify({twice, namesake}, {first, later}, {});
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].record, twice);
    EXPECT_EQ(findings[0].groupID, later.id());
    EXPECT_EQ(role(findings[0]), Role(C::duplicates, R::probablySafeToRemove,
                                      "This is an exact copy of the one in Pictures. If you remove it, that one stays put."));
}

TEST(Classifier, FindingsThatSayTheSameShareOneCopyOfIt) {
    FileRecord kept = aged("Documents/a.pdf", 3);
    FileRecord copy = aged("Downloads/a.pdf", 3);
    FileRecord other = aged("Documents/b.pdf", 3);
    FileRecord otherCopy = aged("Desktop/b.pdf", 3);
    FileRecord thirdCopy = aged("Desktop/b copy.pdf", 3);
    const std::string filed = "I'd keep this copy. It's the one already filed in Documents.";
    DuplicateGroup first(UUID::random(), DuplicateKind::exact, {kept, copy}, 0, filed, std::string(64, 'a'));
    DuplicateGroup second(UUID::random(), DuplicateKind::exact, {other, otherCopy, thirdCopy}, 0, filed,
                          std::string(64, 'b'));
    auto findings = paperClassifier().classify({kept, copy, other, otherCopy, thirdCopy}, {first, second}, {});
    ASSERT_EQ(findings.size(), 5u);
    EXPECT_TRUE(findings[0].reason.sharesStorageWith(findings[2].reason));  // both keepers, two groups
    for (size_t copyAt : {3u, 4u}) EXPECT_TRUE(findings[1].reason.sharesStorageWith(findings[copyAt].reason));
    EXPECT_EQ(findings[4].reason, "This is an exact copy of the one in Documents. If you remove it, that one stays put.");
    // The detail is the file's own path, kept as the record rather than as a text of its own.
    EXPECT_EQ(findings[4].detail, "/home/ann/Desktop/b copy.pdf");
    EXPECT_FALSE(findings[4].detail->stored());
    EXPECT_EQ(Finding::fromJson(findings[4].toJson()), findings[4]);
}

TEST(Classifier, ZipsInDownloadsAndTheirUnpackedCopies) {
    TempDir home;
    Classifier classifier(UserFolders(URL::fileURL(home.path(), true)), ScanRules::fixture(), fixtureNow);
    FileRecord zip = writtenFile(home, "Downloads/photos.zip", "PK", fixtureNow);
    EXPECT_EQ(kindOf(classifyOne(zip, classifier)), Kind(C::downloadsCleanup, R::review));
    makeDirectories(home / "Downloads/photos");
    EXPECT_EQ(kindOf(classifyOne(zip, classifier)), Kind(C::downloadsCleanup, R::probablySafeToRemove));

    // A crash while looking is no missing copy.
    auto crashed = std::make_shared<FaultInjectingFileSystem>();
    crashed->crashNow();
    Classifier crashing(UserFolders(URL::fileURL(home.path(), true)), ScanRules::fixture(), fixtureNow, crashed);
    EXPECT_THROW(classifyOne(zip, crashing), SimulatedCrash);
}

TEST(Classifier, NamesThatAreNotUTF8GiveReadableSentences) {
    FileRecord big = aged("Documents/\xFF\xFE.bin", 1, 600'000'000);
    FileRecord project = aged("Documents/code/a.bin", 1, 600'000'000);
    project.setProjectContext(ProjectContext::sourceOfProject(URL::fileURL("/home/ann/Documents/code/\xC3x", true)));
    FileRecord kept = aged("/mnt/disk/\xE2\x82/a.bin", 1);
    FileRecord copy = aged("Documents/a.bin", 1);
    DuplicateGroup group(UUID::random(), DuplicateKind::exact, {kept, copy}, 0, "Kept.", std::string(64, '0'));
    auto findings = paperClassifier().classify({big, project, copy}, {group}, {});
    ASSERT_EQ(findings.size(), 3u);
    EXPECT_EQ(findings[0].detail, "/home/ann/Documents/\uFFFD\uFFFD.bin");
    EXPECT_EQ(findings[1].reason, "This is part of the software project \"\uFFFDx\", so I'm leaving it alone.");
    EXPECT_EQ(findings[2].reason, "This is an exact copy of the one in \uFFFD. If you remove it, that one stays put.");
    for (const Finding& finding : findings) EXPECT_NO_THROW(json::dumpCompact(finding.toJson()));
}

// Documents: see the classifier's organize suggestion, which shows both destination and description.
TEST(OrganizeSuggester, FilesBelowDownloadsGoToTheirMediaFolderAndNothingElseDoes) {
    OrganizeSuggester suggester{paperFolders()};
    for (auto [path, folder, name] : std::vector<std::tuple<const char*, std::string, std::string>>{
             {"Downloads/trip/day 2/beach.jpeg", "Pictures", "beach.jpeg"}, {"Downloads/CLIP.MP4", "Videos", "CLIP.MP4"},
             {"Downloads/song.flac", "Music", "song.flac"}}) {
        auto suggestion = suggester.suggestion(fileRecord(path));
        ASSERT_TRUE(suggestion) << path;
        EXPECT_EQ(suggestion->destination.path(), "/home/ann/" + folder + "/From Downloads/" + name);
    }
    for (const char* path : {"Downloads/a.zip", "Downloads/Installer.dmg", "Downloads/README", "Desktop/a.pdf"}) {
        EXPECT_FALSE(suggester.suggestion(fileRecord(path))) << path;
    }
    EXPECT_FALSE(suggester.suggestion(folderRecord("Downloads/photos.jpg")));
    // A path that only reaches Downloads through ".." is still read for what it is.
    EXPECT_TRUE(suggester.suggestion(fileRecord("Desktop/../Downloads/a.pdf")));
}
