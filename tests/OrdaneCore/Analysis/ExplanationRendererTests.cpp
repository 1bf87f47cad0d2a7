#include <gtest/gtest.h>

#include <cmath>

#include "OrdaneCore/Analysis/ExplanationRenderer.hpp"

using namespace ordane;

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
