#include <gtest/gtest.h>

#include "OrdaneCore/Model/SanitizedFolderName.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "PlannerFixture.hpp"

using namespace ordane;
using ordane::testing::folderAt;
using ordane::testing::memberNames;
using ordane::testing::PlannerFixture;
using Names = std::vector<std::string>;

namespace {

const Date in2021 = Date::fromUnix(1623000000);  // June 2021
const Date in1985 = Date::fromUnix(490000000);

// A home as a scan finds it: files only, the folders they lie in implied.
PlannerFixture scannedHome() {
    PlannerFixture home;
    home.add("Documents/Invoices/2022-12.pdf");  // the walk reports no folder record for Invoices
    home.add("Documents/Taxes/2022 return.pdf");
    for (const char* name : {"Invoice 2023-01.pdf", "Invoice 2023-02.pdf", "invoice 2023-03.pdf", "Invoice 2023-04.pdf"}) {
        home.add(std::string("Documents/") + name, 2000);
    }
    for (int i = 1; i <= 5; ++i) home.add("Pictures/IMG_000" + std::to_string(i) + ".jpg", 5000, in2021);
    for (int i = 1; i <= 5; ++i) home.add("Pictures/old" + std::to_string(i) + ".png", 1, in1985);  // too old
    for (int i = 1; i <= 4; ++i) home.add("Videos/clip" + std::to_string(i) + ".mov", 1, in2021);  // too few
    for (const char* name : {"Report draft.docx", "Report v2.docx", "Report final.docx"}) {
        home.add(std::string("Desktop/") + name, 300);
        home.insight(std::string("Desktop/") + name).groupKey = "family|A1";
    }
    for (const char* name : {"W2 employer.pdf", "1099 bank.pdf"}) {
        home.add(std::string("Documents/") + name, 700);
        ContentInsight& insight = home.insight(std::string("Documents/") + name);
        insight.kind = DocKind::taxDocument;
        insight.suggestedFolder = URL::fileURL("/home/ada/Documents/Taxes", true);
    }
    home.add("Downloads/manual.pdf", 10);
    home.add("Downloads/sub/deep.pdf", 20);
    home.add("Desktop/notes.txt", 30);
    home.add("Documents/Work/nested.pdf");
    home.add("Documents/copy of a.pdf");
    home.finding("Downloads/manual.pdf", FindingCategory::organizeSuggestion, "Documents/From Downloads/manual.pdf");
    home.finding("Downloads/sub/deep.pdf", FindingCategory::organizeSuggestion, "Documents/From Downloads/deep.pdf");
    // A suggestion for a file outside Downloads is no Downloads filing suggestion.
    home.finding("Desktop/notes.txt", FindingCategory::organizeSuggestion, "Documents/From Downloads/notes.txt");
    home.finding("Documents/Invoice 2023-01.pdf", FindingCategory::oldFiles);
    home.finding("Documents/copy of a.pdf", FindingCategory::duplicates);
    return home;
}

}  // namespace

TEST(OrganizePlanner, AScannedHomeGivesEachGroupersFolderWithItsRationaleAndCounts) {
    const PlannerFixture home = scannedHome();
    const auto outcome = home.plan();

    struct Expected {
        std::string path;
        ProposalSource source;
        bool isNew;
        Names members;
    };
    const Expected expected[] = {
        {"/home/ada/Documents/Taxes", ProposalSource::recognition, false, {"1099 bank.pdf", "W2 employer.pdf"}},
        {"/home/ada/Documents/Report", ProposalSource::versions, true,
         {"Report draft.docx", "Report v2.docx", "Report final.docx"}},
        // Reused with its real spelling: on Linux "invoices" would be a second folder.
        {"/home/ada/Documents/Invoices", ProposalSource::filenamePattern, false,
         {"Invoice 2023-01.pdf", "Invoice 2023-02.pdf", "Invoice 2023-04.pdf", "invoice 2023-03.pdf"}},
        {"/home/ada/Pictures/2021", ProposalSource::mediaDate, true,
         {"IMG_0001.jpg", "IMG_0002.jpg", "IMG_0003.jpg", "IMG_0004.jpg", "IMG_0005.jpg"}},
        {"/home/ada/Documents/From Downloads", ProposalSource::fromDownloads, true, {"manual.pdf", "deep.pdf"}},
    };
    ASSERT_EQ(outcome.proposal.folders.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const ProposedFolder& folder = outcome.proposal.folders[i];
        SCOPED_TRACE(expected[i].path);
        EXPECT_EQ(folder.destination.path(), expected[i].path);
        EXPECT_TRUE(folder.destination.isDirectory());
        EXPECT_EQ(folder.source, expected[i].source);
        EXPECT_EQ(folder.isNew, expected[i].isNew);
        EXPECT_EQ(memberNames(folder), expected[i].members);
        for (const Finding& member : folder.members) {
            EXPECT_EQ(member.suggestedDestination, URL::fileURL(expected[i].path + "/" + member.record.url().lastPathComponent()));
        }
    }
    EXPECT_EQ(outcome.proposal.folders[0].rationale,
              "These 2 files read like tax documents. You already keep files like this in Taxes.");
    // In scope: everything but the nested file, the duplicate and the two already filed.
    EXPECT_EQ(outcome.proposal.scopedFileCount, 26);
    EXPECT_EQ(outcome.proposal.leftoverCount, 10);  // notes.txt and the media that make no year
    // The old-files finding is replaced by its file's membership; the Desktop suggestion stays.
    EXPECT_EQ(outcome.supersededIDs, (std::unordered_set<UUID>{home.findings[0].id, home.findings[1].id,
                                                                home.findings[3].id}));
}

TEST(OrganizePlanner, AFamilyFollowsRecognitionOnlyWhenHalfOfItIsSuggestedOneFolder) {
    struct Case {
        std::vector<const char*> suggestions;  // per file, "" for none
        std::string expectedFolder;
        ProposalSource source;
        Names members;
        bool isNew;
    };
    const Names all = {"Statement 1.pdf", "Statement 2.pdf", "Statement 3.pdf", "Statement 4.pdf"};
    const Case cases[] = {
        {{"Documents/Taxes", "Documents/Taxes", "Documents/Bills", ""}, "/home/ada/Documents/Taxes",
         ProposalSource::recognition, all, true},
        {{"Documents/Taxes", "", "", ""}, "/home/ada/Documents/Statement", ProposalSource::series, all, true},
        // Files already lying in the suggested folder stay where they are.
        {{"Documents", "Documents", "", ""}, "/home/ada/Documents", ProposalSource::recognition,
         {"Statement 1.pdf", "Statement 4.pdf"}, false},
    };
    for (const Case& test : cases) {
        PlannerFixture home;
        const char* paths[] = {"Desktop/Statement 1.pdf", "Documents/Statement 2.pdf", "Documents/Statement 3.pdf",
                               "Downloads/Statement 4.pdf"};
        for (size_t i = 0; i < 4; ++i) {
            home.add(paths[i]);
            ContentInsight& insight = home.insight(paths[i]);
            insight.groupKey = "series|FF";
            insight.kind = DocKind::bankStatement;
            if (*test.suggestions[i]) insight.suggestedFolder = URL::fileURL("/home/ada/" + std::string(test.suggestions[i]), true);
        }
        const auto outcome = home.plan();
        SCOPED_TRACE(test.expectedFolder);
        ASSERT_EQ(outcome.proposal.folders.size(), 1u);
        const ProposedFolder& folder = outcome.proposal.folders.front();
        EXPECT_EQ(folder.destination.path(), test.expectedFolder);
        EXPECT_EQ(folder.source, test.source);
        EXPECT_EQ(memberNames(folder), test.members);
        EXPECT_EQ(folder.isNew, test.isNew);
    }
}

TEST(OrganizePlanner, OneFolderSpelledTwiceIsMergedUnderItsSpellingOnDiskOrTheStrongerSources) {
    PlannerFixture home;
    // Recognition names a lower-cased spelling; the shared-name grouper reuses the real Invoices.
    home.add("Documents/Invoices/a.pdf");
    home.add("Desktop/bill.pdf", 5);
    home.insight("Desktop/bill.pdf").suggestedFolder = URL::fileURL("/home/ada/documents/invoices", true);
    for (int i = 1; i <= 4; ++i) home.add("Documents/Invoice " + std::to_string(i) + ".pdf");
    // Two spellings of a folder that does not exist yet: the stronger source's spelling for all.
    home.add("Desktop/boarding pass.pdf", 1);
    home.insight("Desktop/boarding pass.pdf").suggestedFolder = URL::fileURL("/home/ada/Documents/journey", true);
    for (int i = 1; i <= 4; ++i) home.add("Documents/Journey " + std::to_string(i) + ".pdf", 1);
    const auto outcome = home.plan();

    // One folder, in its spelling on disk: a move into the lower-cased one would make a second folder.
    const ProposedFolder* merged = folderAt(outcome, "/home/ada/Documents/Invoices");
    ASSERT_TRUE(merged);
    EXPECT_EQ(merged->source, ProposalSource::recognition);
    EXPECT_FALSE(merged->isNew);
    for (const Finding& member : merged->members) {
        EXPECT_EQ(member.suggestedDestination->deletingLastPathComponent().path(), "/home/ada/Documents/Invoices");
    }
    EXPECT_EQ(memberNames(*merged), (Names{"bill.pdf", "Invoice 1.pdf", "Invoice 2.pdf", "Invoice 3.pdf", "Invoice 4.pdf"}));
    const ProposedFolder* journey = folderAt(outcome, "/home/ada/Documents/journey");
    ASSERT_TRUE(journey);
    EXPECT_EQ(journey->members.size(), 5u);
    for (const Finding& member : journey->members) {
        EXPECT_EQ(member.suggestedDestination->deletingLastPathComponent(), journey->destination);
        EXPECT_EQ(member.reason, "This looks like the same kind of document. A journey folder keeps them together.");
    }
    EXPECT_EQ(outcome.proposal.folders.size(), 2u);
    // Same source: the larger folder first.
    EXPECT_EQ(outcome.proposal.folders.front().destination, merged->destination);
}

TEST(OrganizePlanner, BadInputGivesAValidPlanWithUsableNames) {
    PlannerFixture home;
    for (int i = 1; i <= 4; ++i) home.add("Documents/Re\xFFport " + std::to_string(i) + ".pdf");  // not UTF-8
    for (const char* name : {".pdf", "2023 .pdf", "!!!.txt", "_ _.md"}) {
        home.add(std::string("Desktop/") + name);
        home.insight(std::string("Desktop/") + name).groupKey = "family|0";
    }
    for (int i = 0; i < 10000; ++i) home.add("Downloads/bulk/report-" + std::to_string(i % 7) + "x" + std::to_string(i) + ".pdf");
    home.add("Desktop/odd\xC3.pdf").setCreated(Date{std::numeric_limits<double>::quiet_NaN()});

    for (bool excludeEverything : {false, true}) {
        SCOPED_TRACE(excludeEverything);
        PlannerFixture scoped = home;
        if (excludeEverything) scoped.folders = UserFolders(URL::fileURL("/nowhere", true));
        const auto outcome = scoped.plan();
        int64_t placed = 0;
        for (const ProposedFolder& folder : outcome.proposal.folders) {
            placed += static_cast<int64_t>(folder.members.size());
            const std::string name = folder.destination.lastPathComponent();
            EXPECT_EQ(sanitizedFolderName(name), name) << name;
            EXPECT_TRUE(platform::text::isValidUTF8(folder.displayPath + folder.rationale));
            EXPECT_NO_THROW((void)folder.toJson());
        }
        EXPECT_EQ(outcome.proposal.leftoverCount, outcome.proposal.scopedFileCount - placed);
        if (excludeEverything) {
            EXPECT_EQ(outcome.proposal, OrganizationProposal{});
        } else {
            // The 10,000 share the word "report" and go to one folder.
            const ProposedFolder* report = folderAt(outcome, "/home/ada/Documents/Report");
            ASSERT_TRUE(report);
            EXPECT_EQ(report->members.size(), 10000u);
        }
    }
}
