#include <gtest/gtest.h>

#include <cmath>

#include "OrdaneCore/Analysis/ExplanationRenderer.hpp"

using namespace ordane;

TEST(ExplanationRenderer, SummaryNamesTheKindAndTheStrongestReason) {
    auto anchor = EvidenceClaim::ruleAnchor(DocKind::invoiceReceipt, "it's laid out like an invoice or receipt");
    EXPECT_EQ(ExplanationRenderer::render(DocKind::invoiceReceipt, std::nullopt, {anchor}),
              "From the text inside, this looks like an invoice or receipt. It's laid out like an invoice or receipt.");
    EXPECT_EQ(ExplanationRenderer::render(DocKind::invoiceReceipt, std::nullopt,
                                          {anchor, EvidenceClaim::lexical(0.8), EvidenceClaim::structural({"x"})}),
              "From the text inside, this looks like an invoice or receipt. It's laid out like an invoice or receipt. "
              "The wording, the layout, and the details inside all match.");
    EXPECT_EQ(ExplanationRenderer::render(DocKind::invoiceReceipt, std::nullopt, {anchor, EvidenceClaim::lexical(0.8)}),
              "From the text inside, this looks like an invoice or receipt. It's laid out like an invoice or receipt.");
}

TEST(ExplanationRenderer, ReasonsComeFromAnchorsOrAFirstSignal) {
    auto signals = EvidenceClaim::ruleSignals(DocKind::resume, {"it lists work experience", "it has a skills part"});
    EXPECT_EQ(ExplanationRenderer::render(DocKind::resume, std::nullopt, {signals}),
              "From the text inside, this looks like a resume. It lists work experience.");
    // A signal after an anchor adds no reason, but counts as content.
    auto anchor = EvidenceClaim::ruleAnchor(DocKind::resume, "it is headed Curriculum Vitae");
    EXPECT_EQ(ExplanationRenderer::render(DocKind::resume, std::nullopt, {anchor, signals, EvidenceClaim::entityShape({})}),
              "From the text inside, this looks like a resume. It is headed Curriculum Vitae. The wording, the layout, "
              "and the details inside all match.");
    // A note that is not UTF-8 is repaired, not cut short.
    EXPECT_EQ(ExplanationRenderer::render(DocKind::resume, std::nullopt,
                                          {EvidenceClaim::ruleAnchor(DocKind::resume, "\xFF" "ab")}),
              "From the text inside, this looks like a resume. \uFFFD" "ab.");
    EXPECT_EQ(ExplanationRenderer::render(DocKind::resume, std::nullopt,
                                          {EvidenceClaim::ruleAnchor(DocKind::resume, "\xFF")}),
              "From the text inside, this looks like a resume. \uFFFD.");
    // No anchor and no signal notes: the opening alone, however many other claims.
    EXPECT_EQ(ExplanationRenderer::render(DocKind::resume, std::nullopt,
                                          {EvidenceClaim::ruleSignals(DocKind::resume, {}), EvidenceClaim::lexical(0.9),
                                           EvidenceClaim::structural({}), EvidenceClaim::filename("x")}),
              "From the text inside, this looks like a resume.");
}

TEST(ExplanationRenderer, ArticlesBeforeNounsAndTitles) {
    EXPECT_EQ(ExplanationRenderer::render(DocKind::unknown, std::nullopt, {}),
              "From the text inside, this looks like a document.");
    EXPECT_EQ(ExplanationRenderer::render(DocKind::resume, "2023 tax summary", {}),
              "From the text inside, this looks like 2023 tax summary.");
    EXPECT_EQ(ExplanationRenderer::render(DocKind::resume, "Ann Lee's resume", {}),
              "From the text inside, this looks like Ann Lee's resume.");
    EXPECT_EQ(ExplanationRenderer::render(DocKind::resume, "", {}), "From the text inside, this looks like a .");
    EXPECT_EQ(ExplanationRenderer::withArticle("Invoice"), "a Invoice");
    EXPECT_EQ(ExplanationRenderer::withArticle("½ page note"), "½ page note");
    EXPECT_EQ(ExplanationRenderer::withArticle("élan"), "a élan");
}

TEST(ExplanationRenderer, EvidenceLinesPerClaim) {
    auto lines = ExplanationRenderer::renderClaims(
        {EvidenceClaim::ruleAnchor(DocKind::letter, "it opens with Dear"),
         EvidenceClaim::ruleSignals(DocKind::letter, {"a", "b", "c"}), EvidenceClaim::lexical(0.999),
         EvidenceClaim::lexical(0.5), EvidenceClaim::structural({"n"}), EvidenceClaim::entityShape({"n"}),
         EvidenceClaim::filename("its name says letter"), EvidenceClaim::metadata("Author: Ann."),
         EvidenceClaim::folderSimilarity("Letters", 0.873), EvidenceClaim::filingHistory(4, "Letters"),
         EvidenceClaim::family(3)},
        "the text inside the file");
    std::vector<std::string> expected = {
        "Strong sign: it opens with Dear.",
        "Also: a.",
        "Also: b.",
        "Also: c.",
        "The wording is a lot like other documents of this kind (99% match).",
        "The wording is a lot like other documents of this kind (50% match).",
        "The layout fits this kind of document.",
        "The names, dates, and numbers inside fit.",
        "And its name says letter.",
        "Author: Ann.",
        "It reads a lot like the files you already keep in Letters (87% match).",
        "You've filed your last 4 like this in Letters.",
        "3 files read like versions of the same document.",
        "All of this happened on your computer using the text inside the file. Nothing was uploaded anywhere.",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(ExplanationRenderer::renderClaims({}, "x").size(), 1u);
}

TEST(ExplanationRenderer, OddSimilaritiesStillGiveAPercentage) {
    auto lines = ExplanationRenderer::renderClaims(
        {EvidenceClaim::lexical(std::nan("")), EvidenceClaim::lexical(7.5), EvidenceClaim::lexical(-1)}, "x");
    EXPECT_EQ(lines[0], "The wording is a lot like other documents of this kind (0% match).");
    EXPECT_EQ(lines[1], "The wording is a lot like other documents of this kind (100% match).");
    EXPECT_EQ(lines[2], "The wording is a lot like other documents of this kind (0% match).");
}
