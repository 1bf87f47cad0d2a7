#include <gtest/gtest.h>

#include <cmath>

#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Model/ContentSample.hpp"

using namespace ordane;

namespace {

template <class T>
T reread(const T& value) {
    return T::fromJson(json::parse(json::dumpCompact(value.toJson())));
}

ContentInsight bareInsight() {
    return ContentInsight{URL::fileURL("/home/a/Documents/cv.pdf"),
                          DocKind::resume,
                          ConfidenceTier::tentative,
                          std::nullopt,
                          std::nullopt,
                          std::nullopt,
                          std::nullopt,
                          std::nullopt,
                          {},
                          "rules-v1"};
}

std::string decodingMessage(const Json& value) {
    try {
        EvidenceClaim::fromJson(value);
    } catch (const DecodingError& error) {
        return error.what();
    }
    return "decoded";
}

}  // namespace

TEST(EvidenceClaim, EveryCaseHasItsShape) {
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
    for (const auto& [claim, text] : cases) {
        EXPECT_EQ(claim.toJson(), json::parse(text)) << text;
        EXPECT_EQ(EvidenceClaim::fromJson(json::parse(text)), claim) << text;
        EXPECT_EQ(reread(claim), claim) << text;
    }
}

TEST(EvidenceClaim, EqualityTakesCaseAndEveryField) {
    EXPECT_NE(EvidenceClaim::ruleSignals(DocKind::resume, {}), EvidenceClaim::ruleSignals(DocKind::resume, {""}));
    EXPECT_NE(EvidenceClaim::structural({"a"}), EvidenceClaim::entityShape({"a"}));
    EXPECT_NE(EvidenceClaim::filename("x"), EvidenceClaim::metadata("x"));
    EXPECT_NE(EvidenceClaim::ruleAnchor(DocKind::resume, "x"), EvidenceClaim::ruleAnchor(DocKind::letter, "x"));
    EXPECT_EQ(EvidenceClaim::family(2), EvidenceClaim::family(2));
}

TEST(EvidenceClaim, StrictDecoding) {
    EXPECT_EQ(decodingMessage(json::parse(R"({})")), "Invalid number of keys found, expected one.");
    EXPECT_EQ(decodingMessage(json::parse(R"({"family":{"memberCount":2},"lexical":{"similarity":1}})")),
              "Invalid number of keys found, expected one.");
    for (const char* text : {
             R"({"familly":{"memberCount":2}})",                        // unknown case
             R"({"family":{}})",                                        // missing field
             R"({"family":{"memberCount":2.5}})",                       // not an integer
             R"({"lexical":{"similarity":"high"}})",                    // not a number
             R"({"ruleAnchor":{"kind":"Resume","note":"x"}})",          // not a DocKind case name
             R"({"ruleSignals":{"kind":"resume","notes":"x"}})",        // not a list
             R"({"ruleSignals":{"kind":"resume","notes":["x",1]}})",    // not a list of texts
             R"({"filingHistory":{"acceptCount":1}})",                  // missing folder name
             R"({"structural":[]})",                                    // case payload not an object
             R"(["family"])",
         }) {
        EXPECT_NE(decodingMessage(json::parse(text)), "decoded") << text;
    }
}

TEST(EvidenceClaim, NonFiniteSimilarityIsNeverWritten) {
    EXPECT_THROW(EvidenceClaim::lexical(std::nan("")).toJson(), EncodingError);
    EXPECT_THROW(EvidenceClaim::folderSimilarity("x", INFINITY).toJson(), EncodingError);
}

TEST(ContentInsight, AbsentOptionalsAndEmptyProvenance) {
    ContentInsight insight = bareInsight();
    EXPECT_EQ(insight.toJson(), json::parse(R"({
        "url": "file:///home/a/Documents/cv.pdf",
        "kind": "resume",
        "tier": "tentative",
        "provenance": [],
        "analyzerID": "rules-v1"
    })"));
    EXPECT_EQ(reread(insight), insight);
}

TEST(ContentInsight, FullShapeRoundTrips) {
    ContentInsight insight = bareInsight();
    insight.tier = ConfidenceTier::confident;
    insight.title = "Résumé of Ana Pérez";
    insight.subjectName = "Ana Pérez";
    insight.groupKey = "family|1f3a";
    insight.suggestedName = "Ana Pérez CV.pdf";
    insight.suggestedFolder = URL::fileURL("/home/a/Documents/Career", true);
    insight.provenance = {EvidenceClaim::ruleAnchor(DocKind::resume, "it lists work experience"),
                          EvidenceClaim::lexical(0.1 + 0.2), EvidenceClaim::family(2)};
    EXPECT_EQ(insight.toJson(), json::parse(R"({
        "url": "file:///home/a/Documents/cv.pdf",
        "kind": "resume",
        "tier": "confident",
        "title": "Résumé of Ana Pérez",
        "subjectName": "Ana Pérez",
        "groupKey": "family|1f3a",
        "suggestedName": "Ana Pérez CV.pdf",
        "suggestedFolder": "file:///home/a/Documents/Career/",
        "provenance": [
            {"ruleAnchor": {"kind": "resume", "note": "it lists work experience"}},
            {"lexical": {"similarity": 0.30000000000000004}},
            {"family": {"memberCount": 2}}
        ],
        "analyzerID": "rules-v1"
    })"));
    // Doubles come back bit for bit, the folder keeps its directory flag.
    EXPECT_EQ(reread(insight), insight);
    EXPECT_TRUE(reread(insight).suggestedFolder->isDirectory());

    ContentInsight other = insight;
    other.provenance.pop_back();
    EXPECT_NE(other, insight);
}

TEST(ContentInsight, BadValueAnywhereFailsTheInsight) {
    ContentInsight insight = bareInsight();
    insight.provenance = {EvidenceClaim::family(2)};
    const Json good = insight.toJson();
    auto decodesWith = [&](const char* key, const Json& replacement) {
        Json changed = good;
        changed[key] = replacement;
        ContentInsight::fromJson(changed);
    };
    EXPECT_THROW(decodesWith("tier", "sure"), DecodingError);
    EXPECT_THROW(decodesWith("kind", "taxdocument"), DecodingError);
    EXPECT_THROW(decodesWith("url", "file:relative"), DecodingError);
    EXPECT_THROW(decodesWith("suggestedFolder", 1), DecodingError);
    EXPECT_THROW(decodesWith("title", Json::array()), DecodingError);
    EXPECT_THROW(decodesWith("provenance", json::parse(R"([{"family":{"memberCount":2}},{}])")), DecodingError);
    Json missing = good;
    missing.erase("analyzerID");
    EXPECT_THROW(ContentInsight::fromJson(missing), DecodingError);
}

TEST(ContentSample, ShapeAndRoundTrip) {
    ContentSample sample{"Invoice\nTotal 12.50", SampleSource::ocr,
                         {TextLine{"Invoice", 0.1, 0.9, 0.5, 0.05, 0.98}, TextLine{"Total 12.50", 0.1, 0.8, 0.4, 0.05, 1}},
                         true, 2};
    EXPECT_EQ(sample.toJson(), json::parse(R"({
        "text": "Invoice\nTotal 12.50",
        "source": "ocr",
        "lines": [
            {"string": "Invoice", "x": 0.1, "y": 0.9, "width": 0.5, "height": 0.05, "confidence": 0.98},
            {"string": "Total 12.50", "x": 0.1, "y": 0.8, "width": 0.4, "height": 0.05, "confidence": 1}
        ],
        "truncated": true,
        "pageCount": 2
    })"));
    EXPECT_EQ(reread(sample), sample);

    ContentSample plain{"hello", SampleSource::plainText, {}, false, std::nullopt};
    EXPECT_EQ(plain.toJson(), json::parse(R"({"text":"hello","source":"plainText","lines":[],"truncated":false})"));
    EXPECT_EQ(reread(plain), plain);

    Json bad = sample.toJson();
    bad["source"] = "OCR";
    EXPECT_THROW(ContentSample::fromJson(bad), DecodingError);
    bad = sample.toJson();
    bad["lines"][1]["confidence"] = "high";
    EXPECT_THROW(ContentSample::fromJson(bad), DecodingError);
    bad = sample.toJson();
    bad["pageCount"] = 2.5;
    EXPECT_THROW(ContentSample::fromJson(bad), DecodingError);
    bad = sample.toJson();
    bad["truncated"] = "yes";
    EXPECT_THROW(ContentSample::fromJson(bad), DecodingError);
}
