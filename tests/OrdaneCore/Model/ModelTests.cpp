#include <gtest/gtest.h>

#include <cmath>

#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Model/ContentSample.hpp"
#include "OrdaneCore/Model/DocKind.hpp"
#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "OrdaneCore/Model/Finding.hpp"
#include "OrdaneCore/Model/ProposalSource.hpp"
#include "Support/StoredJson.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {
FileRecord sized(int64_t size, int64_t allocated = 0) {
    FileRecord r;
    r.id = UUID::random();
    r.url = URL::fileURL("/a/" + std::to_string(size));
    r.size = size;
    r.allocatedSize = allocated;
    return r;
}

DuplicateGroup group(std::vector<FileRecord> members, int keepIndex) {
    return DuplicateGroup(UUID::random(), DuplicateKind::exact, std::move(members), keepIndex, "Kept.", std::nullopt);
}
}  // namespace

TEST(Enumerations, RawValuesAreExactCaseNamesInDeclaredOrder) {
    EXPECT_EQ(enumFromRaw<DocKind>("taxDocument"), DocKind::taxDocument);
    EXPECT_FALSE(enumFromRaw<DocKind>("TaxDocument"));
    EXPECT_FALSE(enumFromRaw<DocKind>("taxdocument"));
    std::vector<DocKind> sensitive;
    for (DocKind kind : allCases<DocKind>()) {
        if (isSensitive(kind)) sensitive.push_back(kind);
    }
    EXPECT_EQ(sensitive, (std::vector<DocKind>{DocKind::taxDocument, DocKind::bankStatement, DocKind::medical,
                                               DocKind::legalContract, DocKind::idCertificate}));
    EXPECT_EQ(displayNoun(DocKind::unknown), "document");
    EXPECT_EQ(allCases<FindingCategory>().front(), FindingCategory::biggestFiles);
    EXPECT_EQ(allCases<FindingCategory>().back(), FindingCategory::recreatable);
    const auto sources = allCases<ProposalSource>();
    ASSERT_EQ(sources.size(), 6u);
    EXPECT_EQ(rawValue(sources.front()), "recognition");
    EXPECT_EQ(rawValue(sources.back()), "fromDownloads");
}

TEST(Finding, JsonRoundTripOmitsAbsentFields) {
    Finding finding{UUID::random(), sized(10), FindingCategory::screenshots, Recommendation::probablySafeToRemove,
                    "Old screenshot.", std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    Json encoded = finding.toJson();
    for (const char* key : {"detail", "suggestedDestination", "groupID", "recognitionKind"}) {
        EXPECT_FALSE(encoded.contains(key)) << key;
    }
    EXPECT_EQ(encoded["recommendation"], "probablySafeToRemove");
    EXPECT_EQ(Finding::fromJson(encoded), finding);

    finding.detail = "a → b";
    finding.suggestedDestination = URL::fileURL("/Users/a/Documents/Taxes/x.pdf");
    finding.groupID = UUID::random();
    finding.recognitionKind = "taxDocument";
    EXPECT_EQ(Finding::fromJson(json::parse(json::dumpCompact(finding.toJson()))), finding);

    encoded["category"] = "BiggestFiles";
    EXPECT_THROW(Finding::fromJson(encoded), DecodingError);
}

TEST(DuplicateGroup, NonKeptMembersGoByPositionAndCountLogicalSizesAndInvalidGroupsAreRefused) {
    FileRecord same = sized(100, 8192);
    DuplicateGroup three = group({same, same, sized(7)}, 1);
    EXPECT_EQ(three.nonKeptMembers(), (std::vector<FileRecord>{same, three.members()[2]}));
    EXPECT_EQ(three.reclaimableBytes(), 107);  // logical sizes, not allocated ones
    // Sizes come back from stored files; a damaged one must not overflow the sum.
    EXPECT_EQ(group({sized(1), sized(INT64_MAX), sized(5)}, 0).reclaimableBytes(), INT64_MAX);

    EXPECT_THROW(group({}, 0), std::invalid_argument);
    EXPECT_THROW(group({sized(1)}, 1), std::invalid_argument);
    EXPECT_THROW(group({sized(1)}, -1), std::invalid_argument);
    DuplicateGroup versions(UUID::random(), DuplicateKind::versionSeries, {sized(1), sized(2)}, 0, "Newest.", std::nullopt);
    Json encoded = versions.toJson();
    EXPECT_FALSE(encoded.contains("sha256"));
    EXPECT_EQ(DuplicateGroup::fromJson(encoded), versions);
    expectEachRefused<DuplicateGroup>(encoded, {{"/keepIndex", 2}, {"/members", Json::array()}});
}

TEST(EvidenceClaim, StoredFormOfEveryCase) {
    const std::vector<std::pair<EvidenceClaim, const char*>> cases = {
        {EvidenceClaim::ruleAnchor(DocKind::resume, "it has a work experience section"),
         R"({"ruleAnchor":{"kind":"resume","note":"it has a work experience section"}})"},
        {EvidenceClaim::ruleSignals(DocKind::bankStatement, {"balance", "account number"}),
         R"({"ruleSignals":{"kind":"bankStatement","notes":["balance","account number"]}})"},
        {EvidenceClaim::lexical(0.42), R"({"lexical":{"similarity":0.42}})"},
        {EvidenceClaim::structural({"money amounts"}), R"({"structural":{"notes":["money amounts"]}})"},
        {EvidenceClaim::entityShape({}), R"({"entityShape":{"notes":[]}})"},
        {EvidenceClaim::filename("the name says invoice"), R"({"filename":{"note":"the name says invoice"}})"},
        {EvidenceClaim::metadata("Kind: PDF"), R"({"metadata":{"note":"Kind: PDF"}})"},
        {EvidenceClaim::folderSimilarity("Taxes", 0.8125), R"({"folderSimilarity":{"folderName":"Taxes","similarity":0.8125}})"},
        {EvidenceClaim::filingHistory(3, "Receipts"), R"({"filingHistory":{"acceptCount":3,"folderName":"Receipts"}})"},
        {EvidenceClaim::family(4), R"({"family":{"memberCount":4}})"},
    };
    ASSERT_EQ(cases.size(), std::variant_size_v<decltype(EvidenceClaim::value)>);
    for (const auto& [claim, text] : cases) expectStoredForm(claim, text);
    EXPECT_NE(EvidenceClaim::ruleSignals(DocKind::resume, {}), EvidenceClaim::ruleSignals(DocKind::resume, {""}));
}

TEST(EvidenceClaim, BadValuesAreNeitherReadNorWritten) {
    expectEachRefused<EvidenceClaim>({
        R"({"familly":{"memberCount":2}})",                      // unknown case
        R"({"family":{"memberCount":2},"lexical":{"similarity":1}})",
        R"({"family":{}})",                                      // missing field
        R"({"family":{"memberCount":2.5}})",                     // not an integer
        R"({"lexical":{"similarity":"high"}})",                  // not a number
        R"({"ruleAnchor":{"kind":"Resume","note":"x"}})",        // not a DocKind case name
        R"({"ruleSignals":{"kind":"resume","notes":"x"}})",      // not a list
        R"({"ruleSignals":{"kind":"resume","notes":["x",1]}})",  // not a list of texts
        R"({"filingHistory":{"acceptCount":1}})",                // missing folder name
        R"({"structural":[]})",                                  // case payload not an object
    });
    EXPECT_THROW(EvidenceClaim::lexical(std::nan("")).toJson(), EncodingError);
    EXPECT_THROW(EvidenceClaim::folderSimilarity("x", INFINITY).toJson(), EncodingError);
}

TEST(ContentInsight, StoredForms) {
    ContentInsight insight{URL::fileURL("/home/a/Documents/cv.pdf"), DocKind::resume, ConfidenceTier::tentative,
                           std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, {}, "rules-v1"};
    // No optionals, empty provenance.
    expectStoredForm(insight, R"({"url": "file:///home/a/Documents/cv.pdf", "kind": "resume", "tier": "tentative",
                                  "provenance": [], "analyzerID": "rules-v1"})");
    insight.tier = ConfidenceTier::confident;
    insight.title = "Résumé of Ana Pérez";
    insight.subjectName = "Ana Pérez";
    insight.groupKey = "family|1f3a";
    insight.suggestedName = "Ana Pérez CV.pdf";
    insight.suggestedFolder = URL::fileURL("/home/a/Documents/Career", true);
    insight.provenance = {EvidenceClaim::ruleAnchor(DocKind::resume, "it lists work experience"),
                          EvidenceClaim::lexical(0.1 + 0.2), EvidenceClaim::family(2)};
    expectStoredForm(insight, R"({"url": "file:///home/a/Documents/cv.pdf", "kind": "resume", "tier": "confident",
        "title": "Résumé of Ana Pérez", "subjectName": "Ana Pérez", "groupKey": "family|1f3a",
        "suggestedName": "Ana Pérez CV.pdf", "suggestedFolder": "file:///home/a/Documents/Career/",
        "provenance": [{"ruleAnchor": {"kind": "resume", "note": "it lists work experience"}},
                       {"lexical": {"similarity": 0.30000000000000004}}, {"family": {"memberCount": 2}}],
        "analyzerID": "rules-v1"})");
    // Doubles come back bit for bit, the folder keeps its directory flag.
    EXPECT_EQ(reread(insight), insight);

    expectEachRefused<ContentInsight>(
        insight.toJson(), {{"/tier", "sure"}, {"/kind", "taxdocument"}, {"/url", "file:relative"}, {"/suggestedFolder", 1},
                           {"/title", Json::array()}, {"/provenance/1", Json::object()}, {"/analyzerID", removed}});
}

TEST(ContentSample, StoredForms) {
    ContentSample sample{"Invoice\nTotal 12.50", SampleSource::ocr,
                         {TextLine{"Invoice", 0.1, 0.9, 0.5, 0.05, 0.98}, TextLine{"Total 12.50", 0.1, 0.8, 0.4, 0.05, 1}},
                         true, 2};
    expectStoredForm(sample, R"({"text": "Invoice\nTotal 12.50", "source": "ocr", "truncated": true, "pageCount": 2,
        "lines": [{"string": "Invoice", "x": 0.1, "y": 0.9, "width": 0.5, "height": 0.05, "confidence": 0.98},
                  {"string": "Total 12.50", "x": 0.1, "y": 0.8, "width": 0.4, "height": 0.05, "confidence": 1}]})");
    expectStoredForm(ContentSample{"hello", SampleSource::plainText, {}, false, std::nullopt},
                     R"({"text":"hello","source":"plainText","lines":[],"truncated":false})");
    expectEachRefused<ContentSample>(sample.toJson(), {{"/source", "OCR"}, {"/lines/1/confidence", "high"},
                                                       {"/pageCount", 2.5}, {"/truncated", "yes"}});
}
