#include <gtest/gtest.h>

#include <cmath>

#include "OrdaneCore/Analysis/ExplanationRenderer.hpp"

using namespace ordane;

namespace {

std::string render(DocKind kind, const std::vector<EvidenceClaim>& claims, std::optional<std::string> title = std::nullopt) {
    return ExplanationRenderer::render(kind, title, claims);
}

const std::string allMatch = " The wording, the layout, and the details inside all match.";

}  // namespace

TEST(ExplanationRenderer, SummaryNamesTheKindAndTheStrongestReason) {
    auto anchor = EvidenceClaim::ruleAnchor(DocKind::invoiceReceipt, "it's laid out like an invoice or receipt");
    const std::string invoice =
        "From the text inside, this looks like an invoice or receipt. It's laid out like an invoice or receipt.";
    EXPECT_EQ(render(DocKind::invoiceReceipt, {anchor}), invoice);
    EXPECT_EQ(render(DocKind::invoiceReceipt, {anchor, EvidenceClaim::lexical(0.8), EvidenceClaim::structural({"x"})}),
              invoice + allMatch);
    EXPECT_EQ(render(DocKind::invoiceReceipt, {anchor, EvidenceClaim::lexical(0.8)}), invoice);
}

TEST(ExplanationRenderer, ReasonsComeFromAnchorsOrAFirstSignal) {
    const std::string resume = "From the text inside, this looks like a resume.";
    auto signals = EvidenceClaim::ruleSignals(DocKind::resume, {"it lists work experience", "it has a skills part"});
    EXPECT_EQ(render(DocKind::resume, {signals}), resume + " It lists work experience.");
    // A signal after an anchor adds no reason, but counts as content.
    auto anchor = EvidenceClaim::ruleAnchor(DocKind::resume, "it is headed Curriculum Vitae");
    EXPECT_EQ(render(DocKind::resume, {anchor, signals, EvidenceClaim::entityShape({})}),
              resume + " It is headed Curriculum Vitae." + allMatch);
    // A note that is not UTF-8 is repaired, not cut short.
    EXPECT_EQ(render(DocKind::resume, {EvidenceClaim::ruleAnchor(DocKind::resume, "\xFF" "ab")}), resume + " \uFFFD" "ab.");
    EXPECT_EQ(render(DocKind::resume, {EvidenceClaim::ruleAnchor(DocKind::resume, "\xFF")}), resume + " \uFFFD.");
    // No anchor and no signal notes: the opening alone, however many other claims.
    EXPECT_EQ(render(DocKind::resume, {EvidenceClaim::ruleSignals(DocKind::resume, {}), EvidenceClaim::lexical(0.9),
                                       EvidenceClaim::structural({}), EvidenceClaim::filename("x")}),
              resume);
}

TEST(ExplanationRenderer, ArticlesBeforeNounsAndTitles) {
    const std::string opening = "From the text inside, this looks like ";
    EXPECT_EQ(render(DocKind::unknown, {}), opening + "a document.");
    EXPECT_EQ(render(DocKind::resume, {}, "2023 tax summary"), opening + "2023 tax summary.");
    EXPECT_EQ(render(DocKind::resume, {}, "Ann Lee's resume"), opening + "Ann Lee's resume.");
    EXPECT_EQ(render(DocKind::resume, {}, ""), opening + "a .");
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
