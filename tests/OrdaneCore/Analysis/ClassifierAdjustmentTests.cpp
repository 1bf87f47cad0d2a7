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

const std::string closing =
    "All of this happened on your computer using the text inside the file. Nothing was uploaded anywhere.";

}  // namespace

TEST(RecognitionFinding, ConfidentInsightWithAFolderFilesTheDocumentInPlaceOfOnlyAnOrganizeSuggestion) {
    FileRecord record = fileRecord("Downloads/scan 12.pdf", 10000, fixtureNow.adding(-40 * 86400.0));
    ContentInsight insight = insightFor(record.url, DocKind::taxDocument, ConfidenceTier::confident);
    insight.suggestedFolder = URL::fileURL("/home/ann/Documents/Taxes/2023", true);
    insight.provenance = {EvidenceClaim::ruleAnchor(DocKind::taxDocument, "it mentions a tax year")};

    auto findings = classifier().classify({record}, {}, {{record.url, insight}});
    ASSERT_EQ(findings.size(), 1u);  // replaces the Downloads organize suggestion
    const Finding& f = findings[0];
    EXPECT_EQ(role(f), Role(FindingCategory::organizeSuggestion, Recommendation::organize,
                            "I can put this in Documents → Taxes → 2023. It just gets moved, never deleted, and you "
                            "can undo it. From the text inside, this looks like a tax document. It mentions a tax year."));
    EXPECT_EQ(f.suggestedDestination->path(), "/home/ann/Documents/Taxes/2023/scan 12.pdf");
    EXPECT_EQ(f.recognitionKind, "taxDocument");
    EXPECT_EQ(*f.detail, "/home/ann/Downloads/scan 12.pdf → /home/ann/Documents/Taxes/2023/scan 12.pdf\n"
                         "Recognized as: tax document\nStrong sign: it mentions a tax year.\n" + closing);

    insight.tier = ConfidenceTier::tentative;
    EXPECT_FALSE(classifier().recognitionFinding(record, &insight));
    insight.tier = ConfidenceTier::confident;
    insight.suggestedFolder.reset();
    EXPECT_FALSE(classifier().recognitionFinding(record, &insight));

    // Only organize suggestions, or no finding at all, are replaced.
    FileRecord installer = fileRecord("Downloads/setup.dmg", 10000, fixtureNow.adding(-40 * 86400.0));
    insight = insightFor(installer.url, DocKind::manualGuide, ConfidenceTier::confident);
    insight.suggestedFolder = URL::fileURL("/home/ann/Documents/Manuals", true);
    findings = classifier().classify({installer}, {}, {{installer.url, insight}});
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].category, FindingCategory::downloadsCleanup);

    // A file the rules pass over (inside Documents, young) still gets the recognition finding.
    FileRecord letter = fileRecord("Documents/letter.pdf", 10000, fixtureNow);
    insight.url = letter.url;
    insight.title = "Letter from the bank";
    findings = classifier().classify({letter}, {}, {{letter.url, insight}});
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].detail->find("\nRecognized as: Letter from the bank\n"), std::string::npos);
}

TEST(DocumentsRelativeLabel, OnlyDocumentsAndWhatLiesBelowIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/ann/Documents/Taxes/2023", "Documents → Taxes → 2023"},
        {"/home/ann/Documents", "Documents"},
        {"/home/ann/Documents//Taxes/./x/", "Documents → Taxes → x"},
        {"/home/ann/Pictures/Trips", "Trips"},
        // A sibling whose name merely begins with "Documents" is a folder of its own.
        {"/home/ann/DocumentsOld/Taxes", "Taxes"}};
    for (auto [folder, label] : cases) EXPECT_EQ(classifier().documentsRelativeLabel(URL::fileURL(folder, true)), label);
}

TEST(ScreenshotRename, TopicAndDestination) {
    FileRecord shot = fileRecord("Desktop/Screenshot 2024-03-05 at 10.12.png", 10000, fixtureNow);
    ContentInsight insight = insightFor(shot.url, DocKind::ticketItinerary, ConfidenceTier::tentative);
    insight.suggestedName = "Screenshot - Flight booking (2024-03-05).png";
    auto findings = classifier().classify({shot}, {}, {{shot.url, insight}});
    ASSERT_EQ(findings.size(), 1u);
    const Finding& f = findings[0];
    EXPECT_EQ(role(f), Role(FindingCategory::screenshotNaming, Recommendation::organize,
                            "I read the text in this screenshot. Looks like it's about \"Flight booking\". I can rename "
                            "it so you can find it later. The picture itself doesn't change."));
    EXPECT_EQ(f.suggestedDestination->path(), "/home/ann/Desktop/Screenshot - Flight booking (2024-03-05).png");
    EXPECT_EQ(f.recognitionKind, "ticketItinerary");
    EXPECT_EQ(f.detail->substr(0, f.detail->find('\n')),
              "Screenshot 2024-03-05 at 10.12.png → Screenshot - Flight booking (2024-03-05).png");

    insight.kind = DocKind::unknown;
    insight.suggestedName = "Lunch menu (2024-03-05).png";
    auto unknown = classifier().screenshotRename(shot, &insight);
    ASSERT_TRUE(unknown);
    EXPECT_NE(unknown->reason.find("about \"Lunch menu\""), std::string::npos);
    EXPECT_FALSE(unknown->recognitionKind);
    // A proposed name that would put the file somewhere else is no rename.
    for (const char* name : {"../Lunch.png", "a/b.png", "", ".."}) {
        insight.suggestedName = name;
        EXPECT_FALSE(classifier().screenshotRename(shot, &insight)) << name;
    }
}

TEST(CloudWarning, OnlyActionsThatWouldSyncAreHeldBack) {
    FileRecord record = fileRecord("Documents/Dropbox/a.pdf");
    record.cloudProvider = CloudProvider::dropbox;
    Finding remove = finding(record, Recommendation::probablySafeToRemove);
    remove.recognitionKind = "letter";
    // The whole sentence is in the analyzer's test.
    Finding warned = Classifier::cloudWarning(remove);
    EXPECT_EQ(warned.recommendation, Recommendation::review);
    EXPECT_EQ(std::pair(warned.id, warned.groupID), std::pair(remove.id, remove.groupID));
    EXPECT_FALSE(warned.recognitionKind);

    record.cloudProvider = CloudProvider::iCloudDrive;
    Finding organize = finding(record, Recommendation::organize);
    organize.suggestedDestination = URL::fileURL("/home/ann/Documents/Letters/a.pdf");
    warned = Classifier::cloudWarning(organize);
    EXPECT_EQ(warned.recommendation, Recommendation::review);
    EXPECT_EQ(warned.suggestedDestination, organize.suggestedDestination);
    EXPECT_NE(warned.reason.find("syncs with iCloud Drive."), std::string::npos);

    for (Recommendation unchanged : {Recommendation::keep, Recommendation::review, Recommendation::leaveAlone}) {
        Finding f = finding(record, unchanged);
        EXPECT_EQ(Classifier::cloudWarning(f), f);
    }
    record.cloudProvider = CloudProvider::other;
    EXPECT_NE(Classifier::cloudWarning(finding(record, Recommendation::organize)).reason.find("a cloud service."),
              std::string::npos);
}

TEST(RecognitionNote, SensitiveDocumentsAreNeverSuggestedForRemovalAndOtherTiersAddOnlyTheirSource) {
    FileRecord record = fileRecord("Downloads/w2.pdf");
    ContentInsight insight = insightFor(record.url, DocKind::taxDocument, ConfidenceTier::confident);
    auto note = [&](Recommendation recommendation, std::optional<std::string> detail = "d") {
        return Classifier::recognitionNote(finding(record, recommendation, std::move(detail)), &insight);
    };
    // The analyzer's test has the whole sentence and detail of a sensitive copy.
    EXPECT_EQ(std::pair(note(Recommendation::probablySafeToRemove).recommendation, note(Recommendation::keep).recommendation),
              std::pair(Recommendation::review, Recommendation::keep));
    EXPECT_EQ(note(Recommendation::probablySafeToRemove).recognitionKind, "taxDocument");
    EXPECT_EQ(note(Recommendation::keep).reason.find("Since this looks like"), std::string::npos);
    insight.kind = DocKind::idCertificate;
    EXPECT_NE(note(Recommendation::probablySafeToRemove).reason.find("Since this looks like a certificate or ID,"), std::string::npos);
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
    EXPECT_EQ(*noted.detail, "And the name says letter.\nAll of this happened on your computer using imported-v2. "
                             "Nothing was uploaded anywhere.");
}

// The kind or title with its article, the strongest reason, and a closing line when all kinds of content agree.
TEST(ExplanationRenderer, SummaryNamesTheKindAndTheStrongestReason) {
    const std::string opening = "From the text inside, this looks like ";
    const std::string allMatch = " The wording, the layout, and the details inside all match.";
    auto invoice = EvidenceClaim::ruleAnchor(DocKind::invoiceReceipt, "it's laid out like an invoice or receipt");
    auto signals = EvidenceClaim::ruleSignals(DocKind::resume, {"it lists work experience", "it has a skills part"});
    auto anchor = EvidenceClaim::ruleAnchor(DocKind::resume, "it is headed Curriculum Vitae");
    const std::vector<std::tuple<DocKind, std::vector<EvidenceClaim>, std::optional<std::string>, std::string>> cases = {
        {DocKind::invoiceReceipt, {invoice}, {}, "an invoice or receipt. It's laid out like an invoice or receipt."},
        {DocKind::invoiceReceipt, {invoice, EvidenceClaim::lexical(0.8), EvidenceClaim::structural({"x"})}, {},
         "an invoice or receipt. It's laid out like an invoice or receipt." + allMatch},
        {DocKind::invoiceReceipt, {invoice, EvidenceClaim::lexical(0.8)}, {},
         "an invoice or receipt. It's laid out like an invoice or receipt."},
        {DocKind::resume, {signals}, {}, "a resume. It lists work experience."},
        // A signal after an anchor adds no reason, but counts as content.
        {DocKind::resume, {anchor, signals, EvidenceClaim::entityShape({})}, {},
         "a resume. It is headed Curriculum Vitae." + allMatch},
        // A note that is not UTF-8 is repaired, not cut short.
        {DocKind::resume, {EvidenceClaim::ruleAnchor(DocKind::resume, "\xFF" "ab")}, {}, "a resume. \uFFFD" "ab."},
        {DocKind::resume, {EvidenceClaim::ruleAnchor(DocKind::resume, "\xFF")}, {}, "a resume. \uFFFD."},
        // No anchor and no signal notes: the opening alone, however many other claims.
        {DocKind::resume, {EvidenceClaim::ruleSignals(DocKind::resume, {}), EvidenceClaim::lexical(0.9),
                           EvidenceClaim::structural({}), EvidenceClaim::filename("x")}, {}, "a resume."},
        {DocKind::unknown, {}, {}, "a document."},
        {DocKind::resume, {}, "2023 tax summary", "2023 tax summary."},
        {DocKind::resume, {}, "Ann Lee's resume", "Ann Lee's resume."},
        {DocKind::resume, {}, "", "a ."},
    };
    for (const auto& [kind, claims, title, expected] : cases) {
        EXPECT_EQ(ExplanationRenderer::render(kind, title, claims), opening + expected);
    }
    for (auto [noun, expected] : {std::pair{"Invoice", "a Invoice"}, {"½ page note", "½ page note"}, {"élan", "a élan"}}) {
        EXPECT_EQ(ExplanationRenderer::withArticle(noun), expected);
    }
}

TEST(ExplanationRenderer, EvidenceLinesPerClaim) {
    auto lines = ExplanationRenderer::renderClaims(
        {EvidenceClaim::ruleAnchor(DocKind::letter, "it opens with Dear"),
         EvidenceClaim::ruleSignals(DocKind::letter, {"a", "b", "c"}), EvidenceClaim::lexical(0.999),
         EvidenceClaim::lexical(0.5), EvidenceClaim::structural({"n"}), EvidenceClaim::entityShape({"n"}),
         EvidenceClaim::filename("its name says letter"), EvidenceClaim::metadata("Author: Ann."),
         EvidenceClaim::folderSimilarity("Letters", 0.873), EvidenceClaim::filingHistory(4, "Letters"),
         EvidenceClaim::family(3), EvidenceClaim::lexical(std::nan("")), EvidenceClaim::lexical(7.5),
         EvidenceClaim::lexical(-1)},
        "the text inside the file");
    auto wording = [](const char* percent) {
        return "The wording is a lot like other documents of this kind (" + std::string(percent) + "% match).";
    };
    std::vector<std::string> expected = {
        "Strong sign: it opens with Dear.",
        "Also: a.",
        "Also: b.",
        "Also: c.",
        wording("99"),
        wording("50"),
        "The layout fits this kind of document.",
        "The names, dates, and numbers inside fit.",
        "And its name says letter.",
        "Author: Ann.",
        "It reads a lot like the files you already keep in Letters (87% match).",
        "You've filed your last 4 like this in Letters.",
        "3 files read like versions of the same document.",
        // Odd similarities still give a percentage.
        wording("0"),
        wording("100"),
        wording("0"),
        "All of this happened on your computer using the text inside the file. Nothing was uploaded anywhere.",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(ExplanationRenderer::renderClaims({}, "x").size(), 1u);
}
