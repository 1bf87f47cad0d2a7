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
    StructuralFeatures onePage;
    onePage.pageCount = 1;
    expectScores(EvidenceScorer::structuralScores(onePage), {{K::invoiceReceipt, 0.3}, {K::taxDocument, 0.3}}, "page");
    StructuralFeatures manual;
    manual.pageCount = 25;
    manual.tocDotLeaderCount = 3;
    expectScores(EvidenceScorer::structuralScores(manual), {{K::manualGuide, 1.0}}, "manual");

    EntitySignature person;
    person.personNearTop = true;
    person.yearMentions = {1975, 1989};
    expectScores(EvidenceScorer::entityScores(person), {{K::resume, 0.4}}, "person, old years");
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
        {"Form 1099-INT", {{K::taxDocument, 1.0}}},
        {"Résumé", {{K::resume, 1.0}}},
        {"holiday photo", {}},
    };
    for (const auto& [stem, expected] : names) expectScores(EvidenceScorer::filenameScores(stem), expected, stem);
}

TEST(EvidenceFusion, WeighsFamiliesIntoTierKindAndMargin) {
    const FusionConstants defaults;
    const std::set<F> noLexical{F::lexical};
    struct Case {
        const char* name;
        FamilyTables tables;
        std::set<K> anchoredKinds;
        std::set<F> unavailable;
        K kind;
        ConfidenceTier tier;
        double combined;
        double margin;
        std::vector<F> agreeing;
        bool anchored;
    };
    const double resumeRule = 2.0 / 3.5;
    const Case cases[] = {
        {"no tables", {}, {}, noLexical, K::unknown, ConfidenceTier::unknown, 0, 0, {}, false},
        {"nothing available",
         {{F::rule, {{K::letter, 1.0}}}},
         {K::letter},
         {F::rule, F::lexical, F::structural, F::entity, F::filename},
         K::unknown, ConfidenceTier::unknown, 0, 0, {}, false},
        {"anchored letter with its filename",
         {{F::rule, {{K::letter, 1.0}}}, {F::filename, {{K::letter, 1.0}}}, {F::structural, {}}},
         {K::letter}, noLexical, K::letter, ConfidenceTier::confident, 0.9, 0.5 / 0.75, {F::rule, F::filename}, true},
        {"anchored letter alone",
         {{F::rule, {{K::letter, 1.0}, {K::recipe, 0.5}}}},
         {K::letter, K::recipe}, noLexical, K::letter, ConfidenceTier::confident, 0.9, 0.2 / 0.75, {F::rule}, true},
        {"anchored resume alone",
         {{F::rule, {{K::resume, resumeRule}}}},
         {K::resume}, noLexical, K::resume, ConfidenceTier::tentative, resumeRule * 0.9, 0.4 * resumeRule / 0.75,
         {F::rule}, true},
        {"an empty table still counts in the weights",
         {{F::rule, {{K::resume, resumeRule}}}, {F::lexical, {}}},
         {K::resume}, {}, K::resume, ConfidenceTier::tentative, resumeRule * 0.9, 0.4 * resumeRule, {F::rule}, true},
        {"a tie goes to the raw value that sorts first, and stays undecided",
         {{F::structural, {{K::resume, 0.8}, {K::bankStatement, 0.8}}}},
         {K::resume}, noLexical, K::unknown, ConfidenceTier::unknown, 0.6 * 0.12 / 0.75, 0, {F::structural}, false},
        {"three agreeing families need no anchor",
         {{F::rule, {{K::recipe, 1.0}}}, {F::lexical, {{K::recipe, 1.0}}}, {F::structural, {{K::recipe, 1.0}}}},
         {}, {}, K::recipe, ConfidenceTier::confident, 0.8, 0.8, {F::rule, F::lexical, F::structural}, false},
        {"one unanchored family is too little, but is still reported",
         {{F::rule, {{K::recipe, 1.0}}}, {F::filename, {{K::recipe, 0.4}}}},
         {}, noLexical, K::unknown, ConfidenceTier::unknown, 0.6 * 0.44 / 0.75, 0.44 / 0.75, {F::rule}, false},
        {"out-of-range scores are clamped",
         {{F::rule, {{K::letter, 3.0}}}, {F::filename, {{K::letter, 1.0}}},
          {F::structural, {{K::letter, -2.0}, {K::recipe, std::numeric_limits<double>::quiet_NaN()}}}},
         {}, noLexical, K::letter, ConfidenceTier::tentative, 0.8 * 0.5 / 0.75, 0.5 / 0.75, {F::rule, F::filename},
         false},
    };
    for (const Case& c : cases) {
        const FusionOutcome outcome = EvidenceFusion::fuse(c.tables, c.anchoredKinds, c.unavailable, defaults);
        EXPECT_EQ(outcome.kind, c.kind) << c.name;
        EXPECT_EQ(outcome.tier, c.tier) << c.name;
        EXPECT_NEAR(outcome.combined, c.combined, 1e-9) << c.name;
        EXPECT_NEAR(outcome.margin, c.margin, 1e-9) << c.name;
        EXPECT_EQ(outcome.agreeingFamilies, c.agreeing) << c.name;
        EXPECT_EQ(outcome.anchored, c.anchored) << c.name;
    }
}
