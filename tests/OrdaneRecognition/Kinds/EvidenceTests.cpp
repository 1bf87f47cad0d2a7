#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "OrdaneRecognition/Kinds/EvidenceFusion.hpp"
#include "OrdaneRecognition/Kinds/EvidenceScorer.hpp"

using namespace ordane;

namespace {

using F = EvidenceFamily;
using K = DocKind;

void expectScores(const KindScores& actual, const KindScores& expected, const std::string& context) {
    ASSERT_EQ(actual.size(), expected.size()) << context;
    for (const auto& [kind, value] : expected) EXPECT_NEAR(score(actual, kind), value, 1e-12) << context;
}

}  // namespace

TEST(EvidenceScorer, TablesHoldTheWeightsOfTheTestsThatHoldAndFilenameHints) {
    StructuralFeatures manual;
    manual.pageCount = 25;
    manual.tocDotLeaderCount = 3;
    expectScores(EvidenceScorer::structuralScores(manual), {{K::manualGuide, 1.0}}, "manual");

    EntitySignature ticket;
    ticket.yearMentions = {1975, 2100};
    ticket.airportCodePairCount = 1;
    ticket.documentIDCount = 2;
    ticket.organizationCount = 1;
    expectScores(EvidenceScorer::entityScores(ticket),
                 {{K::ticketItinerary, 1.0}, {K::idCertificate, 0.6}, {K::resume, 0.1}, {K::bankStatement, 0.4},
                  {K::taxDocument, 0.4}},
                 "ticket");

    const std::pair<const char*, KindScores> names[] = {
        {"User_Guide-final", {{K::manualGuide, 1.0}}},
        {"tax invoice", {{K::taxDocument, 1.0}, {K::invoiceReceipt, 1.0}}},
        {"Taxi ACVB", {{K::taxDocument, 1.0}, {K::resume, 1.0}}},
        {"Résumé", {{K::resume, 1.0}}},
        {"holiday photo", {}},
    };
    for (const auto& [stem, expected] : names) expectScores(EvidenceScorer::filenameScores(stem), expected, stem);
}

TEST(EvidenceFusion, WeighsFamiliesIntoKindAndTier) {
    const FusionConstants defaults;
    const std::set<F> noLexical{F::lexical};
    struct Case {
        const char* name;
        FamilyTables tables;
        std::set<K> anchoredKinds;
        std::set<F> unavailable;
        K kind;
        ConfidenceTier tier;
        std::vector<F> agreeing;
    };
    const double resumeRule = 2.0 / 3.5;
    const Case cases[] = {
        {"no tables", {}, {}, noLexical, K::unknown, ConfidenceTier::unknown, {}},
        {"nothing available", {{F::rule, {{K::letter, 1.0}}}}, {K::letter},
         {F::rule, F::lexical, F::structural, F::entity, F::filename}, K::unknown, ConfidenceTier::unknown, {}},
        {"anchored letter with its filename", {{F::rule, {{K::letter, 1.0}}}, {F::filename, {{K::letter, 1.0}}}},
         {K::letter}, noLexical, K::letter, ConfidenceTier::confident, {F::rule, F::filename}},
        {"anchored resume alone", {{F::rule, {{K::resume, resumeRule}}}}, {K::resume}, noLexical, K::resume,
         ConfidenceTier::tentative, {F::rule}},
        {"a tie stays undecided", {{F::structural, {{K::resume, 0.8}, {K::bankStatement, 0.8}}}}, {K::resume},
         noLexical, K::unknown, ConfidenceTier::unknown, {F::structural}},
        {"three agreeing families need no anchor",
         {{F::rule, {{K::recipe, 1.0}}}, {F::lexical, {{K::recipe, 1.0}}}, {F::structural, {{K::recipe, 1.0}}}},
         {}, {}, K::recipe, ConfidenceTier::confident, {F::rule, F::lexical, F::structural}},
        {"one unanchored family is too little, but is still reported",
         {{F::rule, {{K::recipe, 1.0}}}, {F::filename, {{K::recipe, 0.4}}}}, {}, noLexical, K::unknown,
         ConfidenceTier::unknown, {F::rule}},
        {"out-of-range scores are clamped",
         {{F::rule, {{K::letter, 3.0}}}, {F::filename, {{K::letter, 1.0}}},
          {F::structural, {{K::letter, -2.0}, {K::recipe, std::numeric_limits<double>::quiet_NaN()}}}},
         {}, noLexical, K::letter, ConfidenceTier::tentative, {F::rule, F::filename}},
    };
    for (const Case& c : cases) {
        const FusionOutcome outcome = EvidenceFusion::fuse(c.tables, c.anchoredKinds, c.unavailable, defaults);
        EXPECT_EQ(outcome.kind, c.kind) << c.name;
        EXPECT_EQ(outcome.tier, c.tier) << c.name;
        EXPECT_EQ(outcome.agreeingFamilies, c.agreeing) << c.name;
        EXPECT_TRUE(std::isfinite(outcome.combined) && std::isfinite(outcome.margin)) << c.name;
    }
}

// Just below and just above the combined score a confident decision needs, once through agreement
// and once through an anchor.
TEST(EvidenceFusion, ConfidenceBeginsAtSevenTenthsCombined) {
    const auto everyFamily = [](double score) {
        FamilyTables tables;
        for (F family : allCases<F>()) tables[family] = {{K::recipe, score}};
        return tables;
    };
    struct Case {
        FamilyTables tables;
        std::set<K> anchoredKinds;
        std::set<F> unavailable;
        double combined;
        ConfidenceTier tier;
    };
    const Case cases[] = {
        {everyFamily(0.69), {}, {}, 0.69, ConfidenceTier::tentative},
        {everyFamily(0.71), {}, {}, 0.71, ConfidenceTier::confident},
        {{{F::rule, {{K::recipe, 0.75}}}}, {K::recipe}, {F::lexical}, 0.675, ConfidenceTier::tentative},
        {{{F::rule, {{K::recipe, 0.8}}}}, {K::recipe}, {F::lexical}, 0.72, ConfidenceTier::confident},
    };
    for (const Case& c : cases) {
        const FusionOutcome outcome = EvidenceFusion::fuse(c.tables, c.anchoredKinds, c.unavailable, FusionConstants{});
        EXPECT_NEAR(outcome.combined, c.combined, 1e-12) << c.combined;
        EXPECT_EQ(outcome.tier, c.tier) << c.combined;
        EXPECT_EQ(outcome.kind, K::recipe) << c.combined;
    }
}
