#include <gtest/gtest.h>

#include <cmath>

#include "OrdaneCore/Analysis/AnalysisFixtures.hpp"
#include "OrdaneCore/Analysis/Classifier.hpp"
#include "OrdaneCore/Analysis/ExplanationRenderer.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {

Classifier classifier() { return Classifier(paperFolders(), ScanRules::fixture(), fixtureNow); }

Finding finding(const FileRecord& record, Recommendation recommendation, std::optional<std::string> detail = "d") {
    Finding result = makeFinding(record, FindingCategory::duplicates, recommendation, "Reason.", std::move(detail));
    result.groupID = UUID::random();
    return result;
}

}  // namespace

TEST(RecognitionFinding, ConfidentInsightWithAFolderFilesTheDocumentInPlaceOfOnlyAnOrganizeSuggestion) {
    FileRecord record = fileRecord("Downloads/scan 12.pdf", 10000, fixtureNow.adding(-40 * 86400.0));
    ContentInsight insight = insightFor(record.url(), DocKind::taxDocument, ConfidenceTier::confident);
    insight.suggestedFolder = URL::fileURL("/home/ann/Documents/Taxes/2023", true);
    insight.provenance = {EvidenceClaim::ruleAnchor(DocKind::taxDocument, "it mentions a tax year")};

    auto findings = classifier().classify({record}, {}, {{record.url(), insight}});
    ASSERT_EQ(findings.size(), 1u);  // replaces the Downloads organize suggestion
    const Finding& f = findings[0];
    EXPECT_EQ(role(f), Role(FindingCategory::organizeSuggestion, Recommendation::organize,
                            "I can put this in Documents → Taxes → 2023. It just gets moved, never deleted, and you "
                            "can undo it. From the text inside, this looks like a tax document. It mentions a tax year."));
    EXPECT_EQ(f.suggestedDestination->path(), "/home/ann/Documents/Taxes/2023/scan 12.pdf");
    EXPECT_EQ(f.recognitionKind, "taxDocument");

    insight.tier = ConfidenceTier::tentative;
    EXPECT_FALSE(classifier().recognitionFinding(record, &insight));
    insight.tier = ConfidenceTier::confident;
    insight.suggestedFolder.reset();
    EXPECT_FALSE(classifier().recognitionFinding(record, &insight));

    // Only organize suggestions, or no finding at all, are replaced.
    FileRecord installer = fileRecord("Downloads/setup.dmg", 10000, fixtureNow.adding(-40 * 86400.0));
    insight = insightFor(installer.url(), DocKind::manualGuide, ConfidenceTier::confident);
    insight.suggestedFolder = URL::fileURL("/home/ann/Documents/Manuals", true);
    findings = classifier().classify({installer}, {}, {{installer.url(), insight}});
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].category, FindingCategory::downloadsCleanup);

    // A file the rules pass over (inside Documents, young) still gets the recognition finding.
    FileRecord letter = fileRecord("Documents/letter.pdf", 10000, fixtureNow);
    insight.url = letter.url();
    findings = classifier().classify({letter}, {}, {{letter.url(), insight}});
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].category, FindingCategory::organizeSuggestion);
}

TEST(DocumentsRelativeLabel, OnlyDocumentsAndWhatLiesBelowIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/ann/Documents/Taxes/2023", "Documents → Taxes → 2023"},
        {"/home/ann/Documents//Taxes/./x/", "Documents → Taxes → x"}, {"/home/ann/Pictures/Trips", "Trips"}};
    for (auto [folder, label] : cases) EXPECT_EQ(classifier().documentsRelativeLabel(URL::fileURL(folder, true)), label);
}

TEST(ScreenshotRename, TopicAndDestination) {
    FileRecord shot = fileRecord("Desktop/Screenshot 2024-03-05 at 10.12.png", 10000, fixtureNow);
    ContentInsight insight = insightFor(shot.url(), DocKind::ticketItinerary, ConfidenceTier::tentative);
    insight.suggestedName = "Screenshot - Flight booking (2024-03-05).png";
    auto findings = classifier().classify({shot}, {}, {{shot.url(), insight}});
    ASSERT_EQ(findings.size(), 1u);
    const Finding& f = findings[0];
    EXPECT_EQ(std::pair(f.category, f.recommendation), std::pair(FindingCategory::screenshotNaming, Recommendation::organize));
    EXPECT_EQ(f.suggestedDestination->path(), "/home/ann/Desktop/Screenshot - Flight booking (2024-03-05).png");
    EXPECT_EQ(f.recognitionKind, "ticketItinerary");
    // A proposed name that would put the file somewhere else is no rename.
    for (const char* name : {"../Lunch.png", "a/b.png", "", ".."}) {
        insight.suggestedName = name;
        EXPECT_FALSE(classifier().screenshotRename(shot, &insight)) << name;
    }
}

TEST(CloudWarning, OnlyActionsThatWouldSyncAreHeldBack) {
    FileRecord record = fileRecord("Documents/Dropbox/a.pdf");
    record.setCloudProvider(CloudProvider::dropbox);
    // The whole sentence is in the analyzer's test.
    for (Recommendation held : {Recommendation::probablySafeToRemove, Recommendation::organize}) {
        Finding original = finding(record, held);
        original.recognitionKind = "letter";
        original.suggestedDestination = URL::fileURL("/home/ann/Documents/Letters/a.pdf");
        Finding warned = Classifier::cloudWarning(original);
        EXPECT_EQ(std::pair(warned.recommendation, warned.recognitionKind),
                  std::pair(Recommendation::review, std::optional<FindingText>()));
        EXPECT_EQ(std::tie(warned.id, warned.groupID, warned.suggestedDestination),
                  std::tie(original.id, original.groupID, original.suggestedDestination));
    }
    for (Recommendation unchanged : {Recommendation::keep, Recommendation::review, Recommendation::leaveAlone}) {
        Finding f = finding(record, unchanged);
        EXPECT_EQ(Classifier::cloudWarning(f), f);
    }
}

TEST(RecognitionNote, SensitiveDocumentsAreNeverSuggestedForRemovalAndOtherTiersAddOnlyTheirSource) {
    FileRecord record = fileRecord("Downloads/w2.pdf");
    ContentInsight insight = insightFor(record.url(), DocKind::taxDocument, ConfidenceTier::confident);
    auto note = [&](Recommendation recommendation, std::optional<std::string> detail = "d") {
        return Classifier::recognitionNote(finding(record, recommendation, std::move(detail)), &insight);
    };
    // The analyzer's test has the whole sentence and detail of a sensitive copy.
    EXPECT_EQ(std::pair(note(Recommendation::probablySafeToRemove).recommendation, note(Recommendation::keep).recommendation),
              std::pair(Recommendation::review, Recommendation::keep));
    EXPECT_EQ(note(Recommendation::probablySafeToRemove).recognitionKind, "taxDocument");
    insight.kind = DocKind::idCertificate;
    EXPECT_EQ(note(Recommendation::probablySafeToRemove).recommendation, Recommendation::review);
    insight.kind = DocKind::invoiceReceipt;  // not sensitive
    EXPECT_EQ(note(Recommendation::probablySafeToRemove).recommendation, Recommendation::probablySafeToRemove);

    insight.kind = DocKind::letter;
    insight.tier = ConfidenceTier::unknown;
    Finding original = finding(record, Recommendation::review, std::nullopt);
    EXPECT_EQ(Classifier::recognitionNote(original, &insight), original);
    EXPECT_EQ(Classifier::recognitionNote(original, nullptr), original);
    insight.tier = ConfidenceTier::tentative;
    insight.analyzerID = "imported-v2";
    insight.provenance = {EvidenceClaim::filename("the name says letter")};
    Finding noted = Classifier::recognitionNote(original, &insight);
    EXPECT_EQ(std::tie(noted.reason, noted.recognitionKind), std::tuple("Reason.", "letter"));
    EXPECT_NE(noted.detail->str().find("using imported-v2."), std::string::npos);
}

// The kind or title with its article, the strongest reason, and a closing line when all kinds of content agree.
TEST(ExplanationRenderer, SummaryNamesTheKindAndTheStrongestReason) {
    const std::string opening = "From the text inside, this looks like ";
    const std::string allMatch = " The wording, the layout, and the details inside all match.";
    auto invoice = EvidenceClaim::ruleAnchor(DocKind::invoiceReceipt, "it's laid out like an invoice or receipt");
    auto signals = EvidenceClaim::ruleSignals(DocKind::resume, {"it lists work experience", "it has a skills part"});
    auto anchor = EvidenceClaim::ruleAnchor(DocKind::resume, "it is headed Curriculum Vitae");
    const std::vector<std::tuple<DocKind, std::vector<EvidenceClaim>, std::optional<std::string>, std::string>> cases = {
        {DocKind::invoiceReceipt, {invoice, EvidenceClaim::lexical(0.8)}, {},
         "an invoice or receipt. It's laid out like an invoice or receipt."},
        // A signal after an anchor adds no reason, but counts as content.
        {DocKind::resume, {anchor, signals, EvidenceClaim::entityShape({})}, {},
         "a resume. It is headed Curriculum Vitae." + allMatch},
        // A note that is not UTF-8 is repaired, not cut short.
        {DocKind::resume, {EvidenceClaim::ruleAnchor(DocKind::resume, "\xFF" "ab")}, {}, "a resume. \uFFFD" "ab."},
        // No anchor and no signal notes: the opening alone, however many other claims.
        {DocKind::resume, {EvidenceClaim::ruleSignals(DocKind::resume, {}), EvidenceClaim::lexical(0.9),
                           EvidenceClaim::structural({}), EvidenceClaim::filename("x")}, {}, "a resume."},
        {DocKind::resume, {}, "Ann Lee's resume", "Ann Lee's resume."},
    };
    for (const auto& [kind, claims, title, expected] : cases) {
        EXPECT_EQ(ExplanationRenderer::render(kind, title, claims), opening + expected);
    }
}

TEST(ExplanationRenderer, OddSimilaritiesStillGiveAPercentage) {
    auto lines = ExplanationRenderer::renderClaims(
        {EvidenceClaim::lexical(0.999), EvidenceClaim::lexical(std::nan("")), EvidenceClaim::lexical(7.5),
         EvidenceClaim::lexical(-1), EvidenceClaim::folderSimilarity("Letters", 0.873)},
        "the text inside the file");
    auto wording = [](const char* percent) {
        return "The wording is a lot like other documents of this kind (" + std::string(percent) + "% match).";
    };
    EXPECT_EQ(lines, (std::vector<std::string>{
                         wording("99"), wording("0"), wording("100"), wording("0"),
                         "It reads a lot like the files you already keep in Letters (87% match).",
                         "All of this happened on your computer using the text inside the file. Nothing was uploaded "
                         "anywhere."}));
}
