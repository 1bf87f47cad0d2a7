#include <gtest/gtest.h>

#include <algorithm>

#include "OrdaneCore/Analysis/AnalysisFixtures.hpp"
#include "OrdaneCore/Analysis/DuplicateFinder.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {

DuplicateFinder finder() { return DuplicateFinder(paperFolders()); }

}  // namespace

TEST(KeeperChoice, PlaceThenOriginalLookingNameThenOldestThenShallowest) {
    auto keeper = [](const std::vector<FileRecord>& members) { return finder().chooseKeeper(members).keepIndex; };
    EXPECT_EQ(finder().chooseKeeper({fileRecord("Documents/Taxes/return.pdf"), fileRecord("Downloads/return.pdf")}).keepReason,
              "I'd keep this copy. It's the one already filed in Documents.");
    // Only the lowest code counts: directly on the Desktop (3) beats Downloads (4).
    EXPECT_EQ(keeper({fileRecord("Downloads/a.pdf"), fileRecord("Desktop/a.pdf")}), 1);
    // Music, Videos and Pictures share a code, so two of them tie and the next rule decides.
    EXPECT_EQ(keeper({fileRecord("Music/a copy.mp3"), fileRecord("Pictures/a.mp3")}), 1);
    EXPECT_EQ(keeper({fileRecord("Downloads/Invoice copy.pdf"), fileRecord("Downloads/Invoice.pdf")}), 1);
    EXPECT_EQ(keeper({fileRecord("Downloads/Photo (1).jpg", 10, day(5), day(3)),
                      fileRecord("Downloads/Photo (2).jpg", 10, day(1), day(2))}), 1);
    // No creation date: the modification date competes; no date at all is later than any date.
    EXPECT_EQ(keeper({fileRecord("Downloads/x (1).jpg"), fileRecord("Downloads/x (2).jpg", 10, day(900)),
                      fileRecord("Downloads/x (3).jpg")}), 1);
    EXPECT_EQ(keeper({fileRecord("Downloads/deep/er/a (1).txt", 10, day(1)), fileRecord("Downloads/deep/a (2).txt", 10, day(1))}), 1);
    EXPECT_EQ(keeper({fileRecord("Downloads/a/x (1).txt"), fileRecord("Downloads/b/x (1).txt")}), 0);
}

TEST(NormalizedStem, SuffixesComeOffRepeatedly) {
    const std::pair<const char*, const char*> cases[] = {
        {"Report final copy 2.pdf", "report"}, {"Budget (1).xlsx", "budget"}, {"Thesis_v3 edited.docx", "thesis"},
        {"Plan-DRAFT2.pdf", "plan"},           {"a.tar.gz", "a.tar"},         {"copy.txt", "copy"},
        {" copy.txt", ""},                     {"Copyright.txt", "copyright"}, {"Élan copy.txt", "élan"},
        {"Report copy \u0663.txt", "report"},  // an Arabic-Indic three
        {"Notes (\u0661\u0662).txt", "notes"}};
    for (auto [name, stem] : cases) EXPECT_EQ(DuplicateFinder::normalizedStem(name), stem) << name;
}

TEST(NameGroups, VersionAndCopyNamesInOneFolder) {
    std::vector<FileRecord> records = {
        fileRecord("Documents/Report_v2.pdf", 6000), fileRecord("Documents/Report copy.pdf", 5000),
        fileRecord("Documents/Report.pdf", 5000),    fileRecord("Documents/Notes.txt", 9000),
        fileRecord("Documents/Notes (1).txt", 9000), fileRecord("Documents/Notes (1).md", 9000),
        fileRecord("Desktop/Notes (2).txt", 9000),   fileRecord("Documents/Plan.PDF", 5000),
        fileRecord("Documents/plan copy.pdf", 5000),
    };
    auto groups = finder().nameGroups(records, {});
    ASSERT_EQ(groups.size(), 3u);
    // The report group frees 11,000 bytes, the notes group 9,000, the plan group 5,000.
    EXPECT_EQ(groups[0].kind(), DuplicateKind::versionSeries);
    EXPECT_EQ(memberNames(groups[0]), (std::vector<std::string>{"Report copy.pdf", "Report.pdf", "Report_v2.pdf"}));
    EXPECT_EQ(groups[0].keeper().url().lastPathComponent(), "Report.pdf");
    EXPECT_FALSE(groups[0].sha256());
    EXPECT_EQ(groups[1].kind(), DuplicateKind::similarName);
    EXPECT_EQ(memberNames(groups[1]), (std::vector<std::string>{"Notes (1).txt", "Notes.txt"}));
    EXPECT_EQ(groups[1].keepIndex(), 1);
    // Neither the stem's case nor the extension's separates.
    EXPECT_EQ(groups[2].keeper().url().lastPathComponent(), "Plan.PDF");
}

TEST(NameGroups, LeavesOutExactMembersSmallCloudOnlyAndEmptyStems) {
    FileRecord report = fileRecord("Documents/Report.pdf");
    FileRecord copy = fileRecord("Documents/Report copy.pdf");
    FileRecord other = fileRecord("Documents/Elsewhere.pdf");
    DuplicateGroup exact(UUID::random(), DuplicateKind::exact, {copy, other}, 0, "", std::string(64, 'a'));
    EXPECT_TRUE(finder().nameGroups({report, copy}, {exact}).empty());

    EXPECT_TRUE(finder().nameGroups({fileRecord("Documents/a.txt", 4095), fileRecord("Documents/a copy.txt", 4095)}, {})
                    .empty());
    FileRecord cloudA = fileRecord("Documents/b.txt");
    FileRecord cloudB = fileRecord("Documents/b copy.txt");
    cloudA.setCloud(CloudState::cloudOnly);
    cloudB.setCloud(CloudState::cloudOnly);
    EXPECT_TRUE(finder().nameGroups({cloudA, cloudB}, {}).empty());
    EXPECT_TRUE(finder().nameGroups({fileRecord("Documents/ copy.txt"), fileRecord("Documents/ (1).txt")}, {}).empty());
    FileRecord project = fileRecord("Documents/c copy.txt");
    project.setProjectContext(ProjectContext::sourceOfProject(URL::fileURL("/home/ann/Documents", true)));
    EXPECT_TRUE(finder().nameGroups({fileRecord("Documents/c.txt"), project}, {}).empty());
    EXPECT_TRUE(finder().nameGroups({folderRecord("Documents/d"), folderRecord("Documents/d copy")}, {}).empty());
}
