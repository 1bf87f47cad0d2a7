#include <gtest/gtest.h>

#include "OrdaneRecognition/Learning/DestinationPredictor.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::TempDir;

namespace {

struct PredictorTest : ::testing::Test {
    TempDir dir;
    URL home = URL::fileURL(dir.path(), true);
    DestinationPredictor predictor{UserFolders(home), {}, {}, std::nullopt};
    SparseVector vector = SparseVector::checkedPair({1, 2}, {1, 0});

    FileRecord loose(const std::string& relative = "Downloads/scan.pdf") const {
        FileRecord record;
        record.setURL(URL::fileURL(dir / relative));
        record.setSize(5000);
        return record;
    }
    static ContentInsight insight(DocKind kind, std::optional<std::string> title = std::nullopt,
                                  ConfidenceTier tier = ConfidenceTier::confident) {
        ContentInsight result;
        result.kind = kind;
        result.tier = tier;
        result.title = std::move(title);
        return result;
    }
    // A folder whose centroid has the given cosine with `vector`.
    FolderCentroidStore::FolderEntry centroid(const std::string& relative, double cosine, double cohesion = 0.5) const {
        FolderCentroidStore::FolderEntry entry;
        entry.path = dir / relative;
        entry.cohesion = cohesion;
        entry.centroid = SparseVector::checkedPair({1, 2}, {float(cosine), float(std::sqrt(1 - cosine * cosine))});
        entry.centroidNorm = SparseVector::norm(entry.centroid);
        return entry;
    }
    FilingPriorsStore::Row prior(DocKind kind, const std::string& relative, int64_t accepts, int64_t rejects) const {
        return {std::string(rawValue(kind)), dir / relative, accepts, rejects, Date{}};
    }
};

}  // namespace

TEST_F(PredictorTest, SourcesAreTriedInOrderCentroidsPriorsStandardFolder) {
    ordane::testing::makeDirectories(dir / "Documents/Money");
    predictor.priors = {prior(DocKind::bankStatement, "Documents/Money", 9, 0)};
    predictor.centroids = {centroid("Documents/Banking/Old", 0.9)};

    auto byCentroid = predictor.predict(insight(DocKind::bankStatement), loose(), vector);
    ASSERT_TRUE(byCentroid);
    EXPECT_EQ(byCentroid->folder, URL::fileURL(dir / "Documents/Banking/Old", true));
    const auto& similarity = std::get<EvidenceClaim::FolderSimilarity>(byCentroid->claim.value);
    EXPECT_EQ(similarity.folderName, "Documents \u203A Banking \u203A Old");
    EXPECT_NEAR(similarity.similarity, 0.9, 1e-6);

    auto byPrior = predictor.predict(insight(DocKind::bankStatement), loose(), std::nullopt);
    ASSERT_TRUE(byPrior);
    EXPECT_EQ(byPrior->claim, EvidenceClaim::filingHistory(9, "Documents \u203A Money"));

    auto standard = predictor.predict(insight(DocKind::medical), loose(), std::nullopt);
    ASSERT_TRUE(standard);
    EXPECT_EQ(standard->folder, URL::fileURL(dir / "Documents/Medical", true));
    EXPECT_EQ(standard->claim, EvidenceClaim::metadata("suggested a standard spot"));
    EXPECT_EQ(standard->reasonSentence,
              "I can put it in Documents \u203A Medical. It just gets moved, never deleted, and you can undo it.");

    EXPECT_FALSE(predictor.predict(insight(DocKind::letter), loose(), std::nullopt));
    EXPECT_FALSE(predictor.predict(insight(DocKind::bankStatement, {}, ConfidenceTier::tentative), loose(), vector));
}

TEST_F(PredictorTest, OnlyFilesOnTheDesktopOrInDownloadsOrInTheScopeAreFiled) {
    // The scope's own rules are OrganizeScope's; this is its wiring.
    EXPECT_TRUE(predictor.isInScope(loose("Downloads/a/b/x.pdf")));
    EXPECT_FALSE(predictor.isInScope(loose("Documents/x.pdf")));
    predictor.scope = OrganizeScope{UserFolders(home), false};
    EXPECT_FALSE(predictor.predict(insight(DocKind::medical), loose("Downloads/a/x.pdf"), vector));
}

TEST_F(PredictorTest, ACentroidMatchNeedsScoreMarginAndCohesion) {
    struct Case {
        std::vector<std::pair<double, double>> folders;  // cosine, cohesion
        std::optional<size_t> match;
    };
    const Case cases[] = {
        {{{0.62, 0.5}, {0.55, 0.5}}, std::nullopt},  // margin 0.07
        {{{0.62, 0.5}, {0.50, 0.5}}, 0},
        {{{0.40, 0.5}, {0.70, 0.5}}, 1},
        {{{0.44, 0.1}}, std::nullopt},               // below 0.45
        {{{0.50, 0.7}}, std::nullopt},               // 0.7 × 0.8 = 0.56 > 0.5
        {{{0.50, 0.6}}, 0},
        {{{0.80, 0.5}, {0.80, 0.5}}, std::nullopt},  // a tie has no margin
    };
    for (const Case& c : cases) {
        predictor.centroids.clear();
        for (size_t i = 0; i < c.folders.size(); ++i) {
            predictor.centroids.push_back(centroid("F" + std::to_string(i), c.folders[i].first, c.folders[i].second));
        }
        auto match = predictor.bestCentroidMatch(vector);
        ASSERT_EQ(match.has_value(), c.match.has_value()) << c.folders[0].first;
        if (match) {
            EXPECT_EQ(match->first.path, predictor.centroids[*c.match].path);
        }
    }
    EXPECT_FALSE(predictor.bestCentroidMatch(SparseVector{}));
}

TEST_F(PredictorTest, PriorsNeedThreeDecisionsThreeQuartersAcceptanceAndAnExistingFolder) {
    for (const char* folder : {"Two", "Three", "Six", "Eight"}) ordane::testing::makeDirectories(dir / folder);
    predictor.priors = {prior(DocKind::resume, "Two", 2, 0), prior(DocKind::resume, "Three", 3, 0),
                        prior(DocKind::letter, "Eight", 8, 0), prior(DocKind::resume, "Gone", 9, 0),
                        prior(DocKind::resume, "Six", 6, 0)};
    auto best = predictor.bestPrior(DocKind::resume);
    ASSERT_TRUE(best);
    EXPECT_EQ(best->destinationPath, dir / "Six");
    predictor.priors.push_back(prior(DocKind::resume, "Eight", 8, 0));
    EXPECT_EQ(predictor.bestPrior(DocKind::resume)->destinationPath, dir / "Eight");
    EXPECT_FALSE(predictor.bestPrior(DocKind::medical));
}

TEST_F(PredictorTest, StandardFoldersAddTheTitlesYearForTaxesAndReceipts) {
    const std::string documents = dir / "Documents";
    const std::tuple<DocKind, std::optional<std::string>, std::optional<std::string>> cases[] = {
        {DocKind::taxDocument, "2023 Form W-2", documents + "/Taxes/2023"},
        {DocKind::taxDocument, "Form W-2 2023", documents + "/Taxes"},
        {DocKind::invoiceReceipt, "2024", documents + "/Receipts/2024"},
        {DocKind::bankStatement, "2024 statement", documents + "/Statements"},
        {DocKind::recipe, std::nullopt, std::nullopt},
    };
    for (const auto& [kind, title, expected] : cases) {
        auto folder = predictor.standardFolder(insight(kind, title));
        EXPECT_EQ(folder ? std::optional(folder->path()) : std::nullopt, expected) << rawValue(kind);
    }
}

TEST_F(PredictorTest, DisplayNamesOutsideDocumentsAreTheLastNameInValidUTF8) {
    EXPECT_EQ(predictor.displayName(dir / "Downloads/Bad\xff"), "Bad\uFFFD");
}
