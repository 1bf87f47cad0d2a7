#include <gtest/gtest.h>

#include "OrdaneCore/Analysis/AnalysisFixtures.hpp"
#include "OrdaneCore/Analysis/AnalysisResult.hpp"

using namespace ordane;
using namespace ordane::testing;

TEST(AnalysisResult, CategoriesTotalsAndRemovableBytes) {
    auto make = [](int64_t size, FindingCategory category, Recommendation recommendation) {
        return makeFinding(fileRecord("Documents/x", size), category, recommendation);
    };
    AnalysisResult result;
    result.findings = {make(10, FindingCategory::duplicates, Recommendation::keep),
                       make(30, FindingCategory::duplicates, Recommendation::probablySafeToRemove),
                       make(10, FindingCategory::duplicates, Recommendation::probablySafeToRemove),
                       make(7, FindingCategory::downloadsCleanup, Recommendation::probablySafeToRemove),
                       make(5, FindingCategory::screenshots, Recommendation::probablySafeToRemove),
                       make(1000, FindingCategory::biggestFiles, Recommendation::review)};
    auto duplicates = result.findingsInCategory(FindingCategory::duplicates);
    // Largest first.
    EXPECT_EQ(duplicates, (std::vector<Finding>{result.findings[1], result.findings[0], result.findings[2]}));
    EXPECT_EQ(result.categoryTotals(FindingCategory::duplicates), (AnalysisResult::CategoryTotals{3, 50}));
    EXPECT_EQ(result.categoryTotals(FindingCategory::oldFiles), (AnalysisResult::CategoryTotals{0, 0}));
    EXPECT_EQ(result.removableBytes(), 52);
}

TEST(AnalysisResult, ReplacingTheOrganizationKeepsGroupsAndAppendsMembers) {
    auto make = [](const std::string& name) {
        return makeFinding(fileRecord(name), FindingCategory::organizeSuggestion, Recommendation::organize);
    };
    AnalysisResult result;
    result.findings = {make("Downloads/a.pdf"), make("Downloads/b.pdf")};
    result.nameGroups.emplace_back(UUID::random(), DuplicateKind::similarName,
                                   std::vector<FileRecord>{fileRecord("a"), fileRecord("b")}, 0, "", std::nullopt);
    ProposedFolder folder;
    folder.id = UUID::random();
    folder.destination = URL::fileURL("/home/ann/Documents/Receipts", true);
    folder.displayPath = "Documents → Receipts";
    folder.members = {make("Downloads/b.pdf"), make("Downloads/c.pdf")};
    OrganizationProposal proposal;
    proposal.folders = {folder};

    AnalysisResult kept = result.replacingOrganization(proposal, {});
    ASSERT_EQ(kept.findings.size(), 4u);
    EXPECT_EQ(kept.findings[2], folder.members[0]);
    EXPECT_EQ(kept.nameGroups, result.nameGroups);
    EXPECT_EQ(kept.organization, proposal);

    AnalysisResult replaced = kept.replacingOrganization(proposal, {result.findings[1].id, folder.members[0].id});
    ASSERT_EQ(replaced.findings.size(), 4u);  // a, c (earlier proposal), then b and c again
    EXPECT_EQ(replaced.findings[0], result.findings[0]);
    EXPECT_EQ(replaced.findings[1], folder.members[1]);
}
