#include <gtest/gtest.h>

#include <filesystem>

#include "OrdaneCore/Analysis/AnalysisFixtures.hpp"
#include "OrdaneCore/Analysis/AnalysisResult.hpp"
#include "OrdaneCore/Analysis/Analyzer.hpp"
#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Stores/AnalysisCache.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {

// A home folder with real files and the records a scan would make of them.
struct FixtureHome {
    TempDir home;
    std::vector<FileRecord> records;

    FileRecord& add(const std::string& relative, const std::string& bytes, double ageDays) {
        return records.emplace_back(writtenFile(home, relative, bytes, fixtureNow.adding(-ageDays * 86400)));
    }
    ContentInsight insight(const std::string& relative, DocKind kind, ConfidenceTier tier) const {
        return insightFor(URL::fileURL(home / relative), kind, tier);
    }
    AnalysisResult analyze(const std::vector<ContentInsight>& insights = {}, AnalysisCache* cache = nullptr,
                           const DuplicateFinder::Progress& progress = nullptr, std::stop_token stop = {}) const {
        Analyzer analyzer(UserFolders(URL::fileURL(home.path(), true)), ScanRules::fixture());
        return analyzer.analyze(records, fixtureNow, insights, cache, progress, stop);
    }
};

}  // namespace

TEST(Analyzer, AFixtureHomeYieldsItsFindingsAndGroups) {
    FixtureHome f;
    std::string taxReturn = pattern(12'000, 1);
    f.add("Documents/Taxes/return 2023.pdf", taxReturn, 300);
    f.add("Downloads/return 2023.pdf", taxReturn, 200);
    std::string photo = pattern(100'000, 2);
    f.add("Pictures/beach.jpg", photo, 400);
    f.add("Desktop/Dropbox/beach.jpg", photo, 400).setCloudProvider(CloudProvider::dropbox);
    f.add("Documents/Report.pdf", pattern(9000, 3), 10);
    f.add("Documents/Report copy.pdf", pattern(9000, 4), 10);
    f.add("Documents/Report_v2.pdf", pattern(9100, 5), 10);
    f.add("Documents/Bank/jan.pdf", pattern(5000, 6), 60);
    f.add("Documents/Bank/feb.pdf", pattern(5000, 7), 30);
    f.add("Documents/Bank/feb copy.pdf", pattern(5000, 8), 30);
    f.add("Downloads/Tool.dmg", pattern(6000, 9), 20);
    f.add("Downloads/scan.pdf", pattern(7000, 11), 45);
    f.add("Desktop/old notes.txt", pattern(100, 13), 1000);

    ContentInsight taxCopy = f.insight("Downloads/return 2023.pdf", DocKind::taxDocument, ConfidenceTier::confident);
    taxCopy.provenance = {EvidenceClaim::ruleAnchor(DocKind::taxDocument, "it names a tax form")};
    ContentInsight scan = f.insight("Downloads/scan.pdf", DocKind::invoiceReceipt, ConfidenceTier::confident);
    scan.suggestedFolder = URL::fileURL(f.home / "Documents/Receipts", true);
    std::vector<ContentInsight> insights = {taxCopy, scan};
    for (const char* statement : {"Documents/Bank/jan.pdf", "Documents/Bank/feb.pdf", "Documents/Bank/feb copy.pdf"}) {
        insights.push_back(f.insight(statement, DocKind::bankStatement, ConfidenceTier::tentative));
        insights.back().groupKey = "series|a1b2";
    }

    std::vector<std::pair<int64_t, int64_t>> progress;
    AnalysisResult result = f.analyze(insights, nullptr, [&](int64_t done, int64_t total) { progress.emplace_back(done, total); });

    // Exact groups: the beach photo frees more than the tax return.
    ASSERT_EQ(result.exactGroups.size(), 2u);
    EXPECT_EQ(result.exactGroups[0].keeper().path(), f.home / "Pictures/beach.jpg");
    EXPECT_EQ(result.exactGroups[1].keeper().path(), f.home / "Documents/Taxes/return 2023.pdf");
    // Every member of an exact group counts once as hashed whole, short files too.
    EXPECT_EQ(progress, (std::vector<std::pair<int64_t, int64_t>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));

    // The bank series comes first, then the report versions; "feb copy" belongs to the series, so
    // the name group of the two February files is dropped.
    ASSERT_EQ(result.nameGroups.size(), 2u);
    EXPECT_EQ(result.nameGroups[0].kind(), DuplicateKind::recurringSeries);
    EXPECT_EQ(result.nameGroups[1].kind(), DuplicateKind::versionSeries);

    // One finding at most per record, in record order; name groups give none.
    std::vector<std::string> found;
    for (const Finding& finding : result.findings) found.push_back(finding.record.path().substr(f.home.path().size() + 1));
    ASSERT_EQ(found, (std::vector<std::string>{"Documents/Taxes/return 2023.pdf", "Downloads/return 2023.pdf",
                                               "Pictures/beach.jpg", "Desktop/Dropbox/beach.jpg", "Downloads/Tool.dmg",
                                               "Downloads/scan.pdf", "Desktop/old notes.txt"}));
    EXPECT_EQ(result.findings[0].recommendation, Recommendation::keep);

    // A sensitive copy is pointed out, never suggested for removal; a synced copy is held back.
    const Finding& copy = result.findings[1];
    EXPECT_EQ(copy.category, FindingCategory::duplicates);
    EXPECT_EQ(copy.recommendation, Recommendation::review);
    EXPECT_EQ(copy.groupID, result.exactGroups[1].id());
    EXPECT_EQ(copy.recognitionKind, "taxDocument");
    EXPECT_EQ(result.findings[3].recommendation, Recommendation::review);

    const Finding& filed = result.findings[5];
    EXPECT_EQ(filed.category, FindingCategory::organizeSuggestion);
    EXPECT_EQ(filed.suggestedDestination->path(), f.home / "Documents/Receipts/scan.pdf");
}

TEST(Analyzer, NothingToAnalyzeIsNoFindingAndAStopDuringHashingIsNoFinishedAnalysis) {
    FixtureHome f;
    std::string cacheFile = f.home / "cache/analysis-cache.json";
    AnalysisCache cache(URL::fileURL(cacheFile));
    EXPECT_TRUE(f.analyze({}, &cache).findings.empty());
    std::string same = pattern(80'000, 1);
    for (int i = 0; i < 6; ++i) f.add("Documents/copy " + std::to_string(i) + ".bin", same, 3);
    std::stop_source source;
    EXPECT_THROW(f.analyze({}, &cache, [&](int64_t, int64_t) { source.request_stop(); }, source.get_token()),
                 CancellationError);
    EXPECT_FALSE(std::filesystem::exists(cacheFile)) << "a cancelled analysis saves no cache";

    AnalysisResult finished = f.analyze({}, &cache);
    ASSERT_EQ(finished.exactGroups.size(), 1u);
    EXPECT_EQ(finished.exactGroups[0].members().size(), 6u);
    EXPECT_TRUE(std::filesystem::exists(cacheFile));
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
