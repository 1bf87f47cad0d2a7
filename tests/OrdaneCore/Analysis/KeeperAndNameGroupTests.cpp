#include <gtest/gtest.h>

#include <algorithm>

#include "OrdaneCore/Analysis/AnalysisFixtures.hpp"
#include "OrdaneCore/Analysis/DuplicateFinder.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {

DuplicateFinder finder() { return DuplicateFinder(paperFolders()); }

std::vector<std::string> paths(const DuplicateGroup& group) {
    std::vector<std::string> result;
    for (const FileRecord& member : group.members()) result.push_back(member.url.lastPathComponent());
    return result;
}

}  // namespace

TEST(KeeperChoice, AFiledCopyWinsOverLooseOnes) {
    auto choice = finder().chooseKeeper({fileRecord("Documents/Taxes/return.pdf"), fileRecord("Downloads/return.pdf")});
    EXPECT_EQ(choice.keepIndex, 0);
    EXPECT_EQ(choice.keepReason, "I'd keep this copy. It's the one already filed in Documents.");

    // Only the lowest code counts: directly on the Desktop (3) beats Downloads (4).
    choice = finder().chooseKeeper({fileRecord("Desktop/a.pdf"), fileRecord("Downloads/a.pdf")});
    EXPECT_EQ(choice.keepIndex, 0);
    EXPECT_EQ(choice.keepReason, "I'd keep this copy. It's the one already filed in Desktop.");

    // Music, Movies and Pictures share a code, so two of them tie and the next rule decides.
    choice = finder().chooseKeeper({fileRecord("Music/a copy.mp3"), fileRecord("Pictures/a.mp3")});
    EXPECT_EQ(choice.keepIndex, 1);
    EXPECT_EQ(choice.keepReason, "I'd keep this copy. Its name looks like the original.");
}

TEST(KeeperChoice, OriginalLookingNameThenOldestThenShallowest) {
    auto choice = finder().chooseKeeper({fileRecord("Downloads/Invoice copy.pdf"), fileRecord("Downloads/Invoice.pdf")});
    EXPECT_EQ(choice.keepIndex, 1);
    EXPECT_EQ(choice.keepReason, "I'd keep this copy. Its name looks like the original.");

    choice = finder().chooseKeeper({fileRecord("Downloads/Photo (1).jpg", 10, day(5), day(3)),
                                    fileRecord("Downloads/Photo (2).jpg", 10, day(1), day(2))});
    EXPECT_EQ(choice.keepIndex, 1);
    EXPECT_EQ(choice.keepReason, "I'd keep this copy. It's the oldest one, so it's probably the original.");

    // No creation date: the modification date competes; no date at all is later than any date.
    choice = finder().chooseKeeper({fileRecord("Downloads/x (1).jpg"), fileRecord("Downloads/x (2).jpg", 10, day(900)),
                                    fileRecord("Downloads/x (3).jpg")});
    EXPECT_EQ(choice.keepIndex, 1);

    choice = finder().chooseKeeper({fileRecord("Downloads/deep/er/a (1).txt", 10, day(1)),
                                    fileRecord("Downloads/deep/a (2).txt", 10, day(1))});
    EXPECT_EQ(choice.keepIndex, 1);
    EXPECT_EQ(choice.keepReason, "The copies are all the same, so I picked one to keep. At least one always stays.");

    choice = finder().chooseKeeper({fileRecord("Downloads/a/x (1).txt"), fileRecord("Downloads/b/x (1).txt")});
    EXPECT_EQ(choice.keepIndex, 0);
}

TEST(NormalizedStem, SuffixesComeOffRepeatedly) {
    EXPECT_EQ(DuplicateFinder::normalizedStem("Report final copy 2.pdf"), "report");
    EXPECT_EQ(DuplicateFinder::normalizedStem("Budget (1).xlsx"), "budget");
    EXPECT_EQ(DuplicateFinder::normalizedStem("Thesis_v3 edited.docx"), "thesis");
    EXPECT_EQ(DuplicateFinder::normalizedStem("Plan-DRAFT2.pdf"), "plan");
    EXPECT_EQ(DuplicateFinder::normalizedStem("a.tar.gz"), "a.tar");
    EXPECT_EQ(DuplicateFinder::normalizedStem("copy.txt"), "copy");
    EXPECT_EQ(DuplicateFinder::normalizedStem("draft.txt"), "draft");
    EXPECT_EQ(DuplicateFinder::normalizedStem(" copy.txt"), "");
    EXPECT_EQ(DuplicateFinder::normalizedStem("Copyright.txt"), "copyright");
    EXPECT_EQ(DuplicateFinder::normalizedStem("Élan copy.txt"), "élan");
    EXPECT_EQ(DuplicateFinder::normalizedStem("Report COPY.txt"), "report");
    EXPECT_EQ(DuplicateFinder::normalizedStem("Report_V12.txt"), "report");
    EXPECT_EQ(DuplicateFinder::normalizedStem("Report copy \u0663.txt"), "report");  // an Arabic-Indic three
    EXPECT_EQ(DuplicateFinder::normalizedStem("Notes (\u0661\u0662).txt"), "notes");
}

TEST(NameGroups, VersionAndCopyNamesInOneFolder) {
    std::vector<FileRecord> records = {
        fileRecord("Documents/Report_v2.pdf", 6000), fileRecord("Documents/Report copy.pdf", 5000),
        fileRecord("Documents/Report.pdf", 5000),    fileRecord("Documents/Notes.txt", 9000),
        fileRecord("Documents/Notes (1).txt", 9000), fileRecord("Documents/Notes (1).md", 9000),
        fileRecord("Desktop/Notes (2).txt", 9000),
    };
    auto groups = finder().nameGroups(records, {});
    ASSERT_EQ(groups.size(), 2u);
    // The report group frees 11,000 bytes, the notes group 9,000.
    EXPECT_EQ(groups[0].kind(), DuplicateKind::versionSeries);
    EXPECT_EQ(paths(groups[0]), (std::vector<std::string>{"Report copy.pdf", "Report.pdf", "Report_v2.pdf"}));
    EXPECT_EQ(groups[0].keeper().url.lastPathComponent(), "Report.pdf");
    EXPECT_FALSE(groups[0].sha256());
    EXPECT_EQ(groups[0].keepReason(),
              "These look related but they aren't identical, so I won't guess. Take a look at them yourself before "
              "removing anything.");
    EXPECT_EQ(groups[1].kind(), DuplicateKind::similarName);
    EXPECT_EQ(paths(groups[1]), (std::vector<std::string>{"Notes (1).txt", "Notes.txt"}));
    EXPECT_EQ(groups[1].keepIndex(), 1);
}

TEST(NameGroups, CaseOfStemAndExtensionDoesNotSeparate) {
    auto groups = finder().nameGroups({fileRecord("Documents/Plan.PDF"), fileRecord("Documents/plan copy.pdf")}, {});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].keeper().url.lastPathComponent(), "Plan.PDF");
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
    cloudA.cloud = cloudB.cloud = CloudState::cloudOnly;
    EXPECT_TRUE(finder().nameGroups({cloudA, cloudB}, {}).empty());
    EXPECT_TRUE(finder().nameGroups({fileRecord("Documents/ copy.txt"), fileRecord("Documents/ (1).txt")}, {}).empty());
    FileRecord project = fileRecord("Documents/c copy.txt");
    project.projectContext = ProjectContext::sourceOfProject(URL::fileURL("/home/ann/Documents", true));
    EXPECT_TRUE(finder().nameGroups({fileRecord("Documents/c.txt"), project}, {}).empty());
    EXPECT_TRUE(finder().nameGroups({folderRecord("Documents/d"), folderRecord("Documents/d copy")}, {}).empty());
}
