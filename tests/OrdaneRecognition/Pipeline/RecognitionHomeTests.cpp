#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>

#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/RecognitionHome.hpp"
#include "Support/SeededRandom.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;
namespace fs = std::filesystem;

namespace {

using HomeRun = std::map<std::string, ContentInsight>;  // relative path → insight

HomeRun index(const std::string& home, const std::vector<ContentInsight>& insights) {
    HomeRun run;
    for (const ContentInsight& insight : insights) {
        EXPECT_TRUE(run.emplace(insight.url.path().substr(home.size() + 1), insight).second) << "one insight per file";
    }
    return run;
}

bool hasClaim(const ContentInsight& insight, const EvidenceClaim& claim) {
    return std::find(insight.provenance.begin(), insight.provenance.end(), claim) != insight.provenance.end();
}

// Counting stand-ins around the real readers, so a run can show it read nothing.
struct CountedReaders {
    struct Counting : TextExtractor {
        explicit Counting(const TextExtractor* inner) : inner(inner) {}
        bool canHandle(const FileRecord& record) const override { return inner->canHandle(record); }
        std::optional<ContentSample> extract(const FileRecord& record, const ExtractionBudget& budget,
                                             std::stop_token stop) const override {
            ++calls;
            return inner->extract(record, budget, stop);
        }
        const TextExtractor* inner;
        mutable std::atomic<int> calls{0};
    };
    std::vector<std::unique_ptr<Counting>> counters;

    RecognitionPipeline::Readers readers() {
        RecognitionPipeline::Readers result = RecognitionPipeline::Readers::standard();
        auto wrap = [&](const TextExtractor*& extractor) {
            counters.push_back(std::make_unique<Counting>(extractor));
            extractor = counters.back().get();
        };
        for (auto& extractor : result.documents) wrap(extractor);
        for (auto& extractor : result.scannedPDFs) wrap(extractor);
        wrap(result.screenshots);
        return result;
    }
    int calls() const {
        int sum = 0;
        for (const auto& counter : counters) sum += counter->calls;
        return sum;
    }
};

}  // namespace

TEST(RecognitionHome, AHomeOfRealDocumentsIsRecognisedThenAnsweredFromTheCache) {
    TempDir dir;
    const std::string home = dir / "home";
    writeRecognitionHome(home);
    const auto records = scanRecords(home);
    AnalysisCache cache(URL::fileURL(dir / "support/analysis-cache.json"));
    FolderCentroidStore centroids(URL::fileURL(dir / "support/folder-centroids.json"));
    const UserFolders folders(URL::fileURL(home, true));
    const RecognitionPipeline::DestinationContext context{folders, &centroids, {}, {}, OrganizeScope{folders, true}};
    RecognitionPipeline pipeline(OwnerIdentity(recognitionHomeOwner), cache);
    const HomeRun first = index(home, pipeline.run(records, context, {}));

    // The loose recipe reads like the learned folder of recipes.
    const ContentInsight& bread = first.at("Downloads/Banana Bread.txt");
    EXPECT_EQ(bread.kind, DocKind::recipe);
    EXPECT_EQ(bread.suggestedFolder, URL::fileURL(home + "/Documents/Recipes", true));
    ASSERT_FALSE(bread.provenance.empty());
    auto similarity = std::get_if<EvidenceClaim::FolderSimilarity>(&bread.provenance.back().value);
    ASSERT_TRUE(similarity);
    EXPECT_EQ(similarity->folderName, "Documents \u203A Recipes");

    // Monthly statements are a series, the two résumés versions of one document (key forms are the units').
    const ContentInsight& january = first.at("Downloads/Checking Statement 2024-01.pdf");
    EXPECT_EQ(january.kind, DocKind::bankStatement);
    EXPECT_TRUE(hasClaim(january, EvidenceClaim::family(3)));
    ASSERT_TRUE(january.groupKey && january.groupKey->starts_with("series|"));
    EXPECT_EQ(first.at("Downloads/Checking Statement 2024-03.pdf").groupKey, january.groupKey);
    const ContentInsight& resume = first.at("Desktop/Resume Ann Lee.docx");
    EXPECT_EQ(resume.kind, DocKind::resume);
    ASSERT_TRUE(resume.groupKey && resume.groupKey->starts_with("family|"));
    EXPECT_EQ(first.at("Desktop/Resume Ann Lee v2.docx").groupKey, resume.groupKey);

    // The receipt screenshot gets a name with the date of its old one; the blank one none.
    EXPECT_TRUE(first.at("Desktop/Screenshot 2024-03-07 at 10.15.22.png").suggestedName.value_or("").ends_with(" (2024-03-07).png"));
    EXPECT_FALSE(first.contains("Desktop/Screenshot 2024-05-01 at 09.00.00.png"));

    auto entry = [&](const std::string& relative) {
        for (const FileRecord& record : records) {
            if (record.path() == home + "/" + relative) return cache.cachedEntry(record);
        }
        throw std::runtime_error("no record for " + relative);
    };
    // Tax forms are recognised but their text is never kept; the scanned lease was read by OCR.
    for (int year : {2019, 2023}) {
        const std::string relative = "Documents/Taxes/W-2 " + std::to_string(year) + ".pdf";
        EXPECT_EQ(first.at(relative).kind, DocKind::taxDocument) << year;
        auto cached = entry(relative);
        ASSERT_TRUE(cached && cached->insight && cached->fingerprint) << year;
        EXPECT_FALSE(cached->sampleText) << year;
    }
    EXPECT_TRUE(first.contains("Downloads/Lease scan.pdf"));
    auto damaged = entry("Downloads/damaged.pdf");
    ASSERT_TRUE(damaged);
    EXPECT_FALSE(damaged->fingerprint || damaged->sampleText || damaged->insight);
    ASSERT_TRUE(entry("Desktop/Screenshot 2024-05-01 at 09.00.00.png"));
    for (const char* never : {"Downloads/short.txt", "Documents/Code/notes.txt"}) {
        EXPECT_FALSE(entry(never)) << never;
        EXPECT_FALSE(first.contains(never)) << never;
    }
    std::set<std::string> learned;
    for (const auto& folder : centroids.allEntries()) learned.insert(folder.path.substr(home.size() + 1));
    EXPECT_EQ(learned, (std::set<std::string>{"Documents/Recipes", "Documents/Taxes"}));

    // The next scan reads nothing and keeps what it learned, sensitive folders included.
    AnalysisCache reloaded(URL::fileURL(dir / "support/analysis-cache.json"));
    RecognitionPipeline next(OwnerIdentity(recognitionHomeOwner), reloaded);
    CountedReaders nextReaders;
    next.readers = nextReaders.readers();
    const HomeRun second = index(home, next.run(records, context, {}));
    EXPECT_EQ(nextReaders.calls(), 0);
    // The same answers, but for the similarity to the learned folder (weighed against another batch).
    auto withoutSimilarity = [&](HomeRun run) {
        run.at("Downloads/Banana Bread.txt").provenance.pop_back();
        return run;
    };
    EXPECT_EQ(withoutSimilarity(second), withoutSimilarity(first));
    EXPECT_EQ(centroids.allEntries().size(), 2u);
}

TEST(RecognitionHome, DamagedDocumentsAndPicturesAreUnreadableNotFatal) {
    TempDir dir;
    const std::string originals = dir / "originals";
    fs::create_directories(originals);
    writeTextPdf(originals + "/a.pdf", {{"Quarterly report", "Revenue grew in every region."}, {"Page two"}});
    writeScannedPdf(originals + "/b.pdf", {{"Scanned page", "with a few words"}});
    Screenshot shot;
    shot.lines = {{"Order #42", 40, 40, 40, true}, {"Total $9.99", 40, 120, 30}};
    writeScreenshotPng(originals + "/c.png", shot);
    writeScreenshotJpeg(originals + "/d.jpg", shot);
    writeDocx(originals + "/e.docx", {"A letter", "Dear Ms. Novak, thank you for your visit."});

    SeededRandom random{0xDA3A6Eull};
    const std::string home = dir / "home";
    fs::create_directories(home + "/Downloads");
    int made = 0;
    for (const auto& original : fs::directory_iterator(originals)) {
        const std::string bytes = readFile(original.path().string());
        for (int variant = 0; variant < 6; ++variant) {
            std::string damaged = bytes;
            switch (variant % 3) {
                case 0: damaged.resize(1024 + random.below(damaged.size() - 1024)); break;  // cut short
                case 1:
                    for (int flip = 0; flip < 40; ++flip) damaged[random.below(damaged.size())] ^= char(1 + random.below(255));
                    break;
                default: {  // a run of noise in the middle
                    const size_t start = random.below(damaged.size() / 2);
                    for (size_t k = start; k < std::min(damaged.size(), start + 512); ++k) damaged[k] = char(random.next());
                }
            }
            const std::string name = "Screenshot damaged " + std::to_string(made++) + original.path().extension().string();
            writeFile(home + "/Downloads/" + name, damaged);
        }
    }
    const auto records = scanRecords(home);
    AnalysisCache cache(URL::fileURL(dir / "cache.json"));
    RecognitionPipeline pipeline(OwnerIdentity(recognitionHomeOwner), cache);
    auto insights = pipeline.run(records, std::nullopt, {});
    EXPECT_LE(insights.size(), records.size());
    // Every damaged file got its verdict, so none is read again.
    CountedReaders readers;
    pipeline.readers = readers.readers();
    pipeline.run(records, std::nullopt, {});
    EXPECT_EQ(readers.calls(), 0);
}
