#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "OrdaneCore/Analysis/AnalysisFixtures.hpp"
#include "OrdaneCore/Analysis/Analyzer.hpp"
#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Stores/AnalysisCache.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {

const Date now = Date::fromUnix(1710460800);  // 2024-03-15 00:00 UTC

std::string content(size_t size, char seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed * 31 + (i * 13) % 241);
    return bytes;
}

// A home folder with real files and the records a scan would make of them.
struct FixtureHome {
    TempDir home;
    UserFolders folders{URL::fileURL(home.path(), true)};
    std::vector<FileRecord> records;

    FileRecord& add(const std::string& relative, const std::string& bytes, double ageDays) {
        writeFile(home / relative, bytes);
        records.push_back(fileRecord(home / relative, static_cast<int64_t>(bytes.size()), now.adding(-ageDays * 86400)));
        return records.back();
    }
    FileRecord& addSparse(const std::string& relative, int64_t size, double ageDays) {
        writeFile(home / relative, "");
        std::filesystem::resize_file(home / relative, static_cast<uintmax_t>(size));
        records.push_back(fileRecord(home / relative, size, now.adding(-ageDays * 86400)));
        return records.back();
    }
    const Finding* findingFor(const std::vector<Finding>& findings, const std::string& relative) const {
        for (const Finding& finding : findings) {
            if (finding.record.url.path() == home / relative) return &finding;
        }
        return nullptr;
    }
    Analyzer analyzer() const { return Analyzer(folders, ScanRules::fixture()); }
};

ContentInsight insight(const FixtureHome& f, const std::string& relative, DocKind kind, ConfidenceTier tier) {
    ContentInsight result;
    result.url = URL::fileURL(f.home / relative);
    result.kind = kind;
    result.tier = tier;
    result.analyzerID = "rules-v1";
    return result;
}

}  // namespace

TEST(Analyzer, AFixtureHomeYieldsItsFindingsAndGroups) {
    FixtureHome f;
    std::string taxReturn = content(12'000, 1);
    f.add("Documents/Taxes/return 2023.pdf", taxReturn, 300);
    f.add("Downloads/return 2023.pdf", taxReturn, 200);
    std::string photo = content(100'000, 2);
    f.add("Pictures/beach.jpg", photo, 400);
    f.add("Desktop/Dropbox/beach.jpg", photo, 400).cloudProvider = CloudProvider::dropbox;
    f.add("Documents/Report.pdf", content(9000, 3), 10);
    f.add("Documents/Report copy.pdf", content(9000, 4), 10);
    f.add("Documents/Report_v2.pdf", content(9100, 5), 10);
    f.add("Documents/Bank/jan.pdf", content(5000, 6), 60);
    f.add("Documents/Bank/feb.pdf", content(5000, 7), 30);
    f.add("Documents/Bank/feb copy.pdf", content(5000, 8), 30);
    f.add("Downloads/Tool.dmg", content(6000, 9), 20);
    f.add("Downloads/Screenshot 2023-10-01.png", content(6000, 10), 120);
    f.add("Downloads/scan.pdf", content(7000, 11), 45);
    f.add("Downloads/song.mp3", content(7000, 12), 45);
    f.add("Desktop/old notes.txt", content(100, 13), 1000);
    f.addSparse("Movies/film.mkv", 600'000'000, 5);

    ContentInsight taxCopy = insight(f, "Downloads/return 2023.pdf", DocKind::taxDocument, ConfidenceTier::confident);
    taxCopy.provenance = {EvidenceClaim::ruleAnchor(DocKind::taxDocument, "it names a tax form")};
    ContentInsight scan = insight(f, "Downloads/scan.pdf", DocKind::invoiceReceipt, ConfidenceTier::confident);
    scan.suggestedFolder = URL::fileURL(f.home / "Documents/Receipts", true);
    ContentInsight shadow = scan;  // a second insight for the same file is ignored
    shadow.suggestedFolder = URL::fileURL(f.home / "Documents/Elsewhere", true);
    std::vector<ContentInsight> insights = {taxCopy, scan, shadow};
    for (const char* statement : {"Documents/Bank/jan.pdf", "Documents/Bank/feb.pdf", "Documents/Bank/feb copy.pdf"}) {
        ContentInsight member = insight(f, statement, DocKind::bankStatement, ConfidenceTier::tentative);
        member.groupKey = "series|a1b2";
        insights.push_back(member);
    }

    std::vector<std::pair<int64_t, int64_t>> progress;
    AnalysisResult result = f.analyzer().analyze(f.records, now, insights, nullptr,
                                                 [&](int64_t done, int64_t total) { progress.emplace_back(done, total); });

    // Exact groups: the beach photo frees more than the tax return.
    ASSERT_EQ(result.exactGroups.size(), 2u);
    EXPECT_EQ(result.exactGroups[0].keeper().url.path(), f.home / "Pictures/beach.jpg");
    EXPECT_EQ(result.exactGroups[1].keeper().url.path(), f.home / "Documents/Taxes/return 2023.pdf");
    // Only files longer than 64 KiB are read a second time, whole.
    EXPECT_EQ(progress, (std::vector<std::pair<int64_t, int64_t>>{{1, 2}, {2, 2}}));

    // The bank series comes first, then the report versions; "feb copy" belongs to the series, so
    // the name group of the two February files is dropped.
    ASSERT_EQ(result.nameGroups.size(), 2u);
    EXPECT_EQ(result.nameGroups[0].kind(), DuplicateKind::recurringSeries);
    EXPECT_EQ(result.nameGroups[0].keepReason().substr(0, 49), "These look like statements from the same account,");
    EXPECT_EQ(result.nameGroups[1].kind(), DuplicateKind::versionSeries);
    EXPECT_EQ(result.nameGroups[1].keeper().url.lastPathComponent(), "Report.pdf");

    const Finding* kept = f.findingFor(result.findings, "Documents/Taxes/return 2023.pdf");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->recommendation, Recommendation::keep);
    EXPECT_EQ(kept->reason, "I'd keep this copy. It's the one already filed in Documents.");

    // A sensitive copy is pointed out, never suggested for removal.
    const Finding* copy = f.findingFor(result.findings, "Downloads/return 2023.pdf");
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->category, FindingCategory::duplicates);
    EXPECT_EQ(copy->recommendation, Recommendation::review);
    EXPECT_EQ(copy->groupID, result.exactGroups[1].id());
    EXPECT_EQ(copy->reason,
              "This is an exact copy of the one in Documents. If you remove it, that one stays put. From the text "
              "inside, this looks like a tax document. It names a tax form. Since this looks like a tax document, "
              "I'll just point it out. I won't suggest removing it.");
    EXPECT_EQ(*copy->detail, f.home / "Downloads/return 2023.pdf" +
                                 "\nStrong sign: it names a tax form.\nAll of this happened on your computer using the "
                                 "text inside the file. Nothing was uploaded anywhere.");
    EXPECT_EQ(copy->recognitionKind, "taxDocument");

    // A copy in a synced folder is held back with the warning.
    const Finding* synced = f.findingFor(result.findings, "Desktop/Dropbox/beach.jpg");
    ASSERT_TRUE(synced);
    EXPECT_EQ(synced->recommendation, Recommendation::review);
    EXPECT_EQ(synced->reason,
              "This is an exact copy of the one in Pictures. If you remove it, that one stays put. Heads up, this "
              "folder syncs with Dropbox. Anything that happens here also happens on your other devices.");

    const Finding* tool = f.findingFor(result.findings, "Downloads/Tool.dmg");
    ASSERT_TRUE(tool);
    EXPECT_EQ(tool->detail, "DMG installer in Downloads, last changed February 2024.");
    const Finding* shot = f.findingFor(result.findings, "Downloads/Screenshot 2023-10-01.png");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->reason, "A screenshot from November 2023. Old screenshots are usually one-and-done.");

    const Finding* filed = f.findingFor(result.findings, "Downloads/scan.pdf");
    ASSERT_TRUE(filed);
    EXPECT_EQ(filed->category, FindingCategory::organizeSuggestion);
    EXPECT_EQ(filed->suggestedDestination->path(), f.home / "Documents/Receipts/scan.pdf");
    EXPECT_EQ(filed->reason.rfind("I can put this in Documents → Receipts. It", 0), 0u);

    const Finding* song = f.findingFor(result.findings, "Downloads/song.mp3");
    ASSERT_TRUE(song);
    EXPECT_EQ(song->reason,
              "This looks like an audio file that would be easier to find in Music → From Downloads. If you say yes "
              "I'll move it there. Nothing gets deleted.");

    const Finding* notes = f.findingFor(result.findings, "Desktop/old notes.txt");
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->category, FindingCategory::oldFiles);
    EXPECT_EQ(notes->reason, "You haven't changed this since 2021. I'd never remove it without asking. Just pointing it out.");

    const Finding* film = f.findingFor(result.findings, "Movies/film.mkv");
    ASSERT_TRUE(film);
    EXPECT_EQ(film->reason, "This one file takes up 600 MB. Worth a look. Only you know if it matters.");

    EXPECT_FALSE(f.findingFor(result.findings, "Documents/Report copy.pdf"));  // name groups give no findings
    EXPECT_FALSE(result.organization);

    // Findings keep record order.
    size_t last = 0;
    for (const Finding& finding : result.findings) {
        size_t position = 0;
        while (f.records[position].url != finding.record.url) ++position;
        EXPECT_GE(position, last);
        last = position;
    }
}

TEST(Analyzer, NothingToAnalyze) {
    FixtureHome f;
    AnalysisCache cache(URL::fileURL(f.home / "cache/analysis-cache.json"));
    AnalysisResult result = f.analyzer().analyze({}, now, {}, &cache, nullptr);
    EXPECT_TRUE(result.findings.empty());
    EXPECT_TRUE(result.exactGroups.empty());
    EXPECT_TRUE(result.nameGroups.empty());
    EXPECT_FALSE(result.organization);
}

TEST(Analyzer, AStopDuringWholeFileHashingIsNoFinishedAnalysis) {
    FixtureHome f;
    std::string same = content(80'000, 1);
    for (int i = 0; i < 6; ++i) f.add("Documents/copy " + std::to_string(i) + ".bin", same, 3);
    std::string cacheFile = f.home / "cache/analysis-cache.json";
    AnalysisCache cache(URL::fileURL(cacheFile));
    std::stop_source source;
    EXPECT_THROW(f.analyzer().analyze(f.records, now, {}, &cache, [&](int64_t, int64_t) { source.request_stop(); },
                                      source.get_token()),
                 CancellationError);
    EXPECT_FALSE(std::filesystem::exists(cacheFile)) << "a cancelled analysis saves no cache";

    AnalysisResult finished = f.analyzer().analyze(f.records, now, {}, &cache, nullptr);
    ASSERT_EQ(finished.exactGroups.size(), 1u);
    EXPECT_EQ(finished.exactGroups[0].members().size(), 6u);
    EXPECT_TRUE(std::filesystem::exists(cacheFile));
}
