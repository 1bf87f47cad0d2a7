#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Kinds/KindRule.hpp"
#include "RecognitionFixtures.hpp"

using namespace ordane;

// Every pattern of the table compiles (one that did not would silently never match), and each
// matcher answers as the whole expression does over the raw text, although matchers shorten long
// runs and try top-level alternatives one at a time.
TEST(KindRule, EveryPatternCompilesAndMatchersAnswerAsTheWholeExpression) {
    const auto& table = KindRule::all();
    ASSERT_EQ(table.size(), allCases<DocKind>().size() - 1);
    std::vector<std::string> texts{"Passport no. 1; Driver's License; /s/ J. Doe", "SSN ***-**-1234 and 123-45-6789",
                                   "signature: here\nBy: me", "nothing at all",
                                   std::string(300, '\n') + "  Sincerely,\n" + std::string(90, ' ') + "\n",
                                   "Setup " + std::string(300, '.') + " 2\nCare" + std::string(90, '.') + "3\nEnd.....4",
                                   "x" + std::string(500, '\n') + "INVOICE\n"};
    for (const auto& document : fixtures::kindDocuments()) texts.push_back(document.text);
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].kind, allCases<DocKind>()[i]);
        std::vector<TextMatcher> matchers = table[i].anchors;
        for (const RuleSignal& signal : table[i].signals) matchers.push_back(signal.matcher);
        for (const TextMatcher& matcher : matchers) {
            const auto* pattern = std::get_if<TextMatcher::Pattern>(&matcher.value);
            if (!pattern) continue;
            try {
                const platform::text::Regex whole(pattern->pattern, pattern->options);
                for (const std::string& text : texts) {
                    const std::string searched = pattern->region == TextRegion::head
                                                     ? platform::text::prefix(text, PreparedText::headCharacters)
                                                     : text;
                    const bool expected = static_cast<long long>(whole.countMatches(searched)) >= pattern->minHits;
                    EXPECT_EQ(matcher.matches(PreparedText::prepare(text)), expected) << pattern->pattern << text;
                    EXPECT_EQ(matcher.matches(PreparedText{}, text), expected) << pattern->pattern << text;
                }
            } catch (const platform::text::RegexError& error) {
                ADD_FAILURE() << error.what();
            }
        }
    }
}

TEST(KindRule, AnchorsGateSignalsAndScoresAreShareOfTotalWeight) {
    struct Case {
        DocKind kind;
        std::string text;
        double score;
        std::vector<std::string> notes;
    };
    const char* const resumeNote = "it has resume-style sections like Experience and Education";
    const Case cases[] = {
        {DocKind::letter, "Dear Ms. Novak,\nThank you.\nSincerely,\nTom", 1.0,
         {"it opens like a letter", "it closes like a letter"}},
        {DocKind::letter, "Thank you.\nSincerely,\nTom", 0, {}},
        {DocKind::resume, "Resume\nAna Ruiz, designer", 2.0 / 3.5, {resumeNote}},
        {DocKind::resume, std::string(420, '-') + "\nresume", 0, {}},
        {DocKind::resume, "Ana Ruiz\nEducation\nState University", 0, {}},
        {DocKind::resume, "Ana Ruiz\nEducation\nBA\n  Skills  \nWelding\n2014 – 2019 Acme\n2019-present Beta", 3.0 / 3.5,
         {resumeNote, "it lists employment-style date ranges"}},
        {DocKind::ticketItinerary, "Boarding pass\nDeparture 09:10, arrival 11:00\nSFO → JFK", 3.5 / 4.5,
         {"it reads like travel or event paperwork", "it shows a route between airports"}},
        {DocKind::ticketItinerary, "Boarding pass\nDeparture 09:10, arrival 11:00\nsfo → jfk", 2.0 / 4.5,
         {"it reads like travel or event paperwork"}},
        {DocKind::recipe, "Ingredients\n2 onions\nSauté the onions.", 2.0 / 3.0, {"it has an ingredients list"}},
        {DocKind::idCertificate, "Certificate of Completion\nThe estate of the late owner; it expires", 2.5 / 4.0,
         {"it's worded like a certificate or ID"}},
        // Word endings count; words that merely contain a phrase do not.
        {DocKind::ticketItinerary, "Itinerary\nDeparture 09:10, arrival 11:00\nSeats 12A, 12B; gates close at 8:50",
         3.0 / 4.5, {"it reads like travel or event paperwork", "it lists seat or gate details"}},
        {DocKind::ticketItinerary, "Itinerary\nDeparture 09:10, arrival 11:00\nNavigate to the aggregate seat",
         2.0 / 4.5, {"it reads like travel or event paperwork"}},
        {DocKind::resume, "Resumes\nAna Ruiz, designer", 2.0 / 3.5, {resumeNote}},
        {DocKind::legalContract, "WHEREAS the Tenant is indemnifying the Landlord", 2.0 / 4.5,
         {"it's written in contract language"}},
        {DocKind::legalContract, "WHEREAS the rent was thereby raised", 0, {}},
        {DocKind::taxDocument, "Tax year 2023\nFirst wages paid", 2.5 / 5.0,
         {"it contains the exact wording tax forms use"}},
    };
    for (const Case& c : cases) {
        const KindRule::Evaluation evaluation =
            KindRule::all().at(static_cast<size_t>(c.kind)).evaluate(PreparedText::prepare(c.text));
        EXPECT_EQ(evaluation.anchorHit, c.score > 0) << c.text;
        EXPECT_DOUBLE_EQ(evaluation.score, c.score) << c.text;
        EXPECT_EQ(evaluation.notes, c.notes) << c.text;
    }
}

// With no signal holding, a rule scores its anchor weight over its total weight: a changed anchor
// weight shows here even where the full score stays 1.0.
TEST(KindRule, AnAnchorAloneScoresItsShareOfTheRulesTotalWeight) {
    const std::pair<DocKind, std::pair<const char*, double>> cases[] = {
        {DocKind::resume, {"Curriculum Vitae\nAna Ruiz", 2.0 / 3.5}},
        {DocKind::taxDocument, {"Your tax return for this year", 2.5 / 5.0}},
        {DocKind::bankStatement, {"Statement period: May\nEnding balance: 12.00", 2.0 / 4.0}},
        {DocKind::invoiceReceipt, {"Invoice No. 7\nThanks", 2.2 / 4.7}},
        {DocKind::medical, {"Patient: Al\nDiagnosis: flu", 2.0 / 4.5}},
        {DocKind::legalContract, {"WHEREAS the parties hereby agree", 2.0 / 4.5}},
        {DocKind::letter, {"Dear Ms. Novak,\nThank you for the tour.\nTom", 2.0 / 4.0}},
        {DocKind::recipe, {"Ingredients\n2 eggs", 2.0 / 3.0}},
        {DocKind::manualGuide, {"Quick start\nPlug in the kettle.", 2.0 / 4.5}},
        {DocKind::ticketItinerary, {"Reservation for two\nArrival at noon", 2.0 / 4.5}},
        {DocKind::idCertificate, {"This is to certify that Al swims", 2.5 / 4.0}},
    };
    ASSERT_EQ(std::size(cases), KindRule::all().size());
    for (const auto& [kind, textAndScore] : cases) {
        const KindRule& rule = KindRule::all().at(static_cast<size_t>(kind));
        const KindRule::Evaluation evaluation = rule.evaluate(PreparedText::prepare(textAndScore.first));
        EXPECT_TRUE(evaluation.anchorHit) << textAndScore.first;
        EXPECT_DOUBLE_EQ(evaluation.score, textAndScore.second) << textAndScore.first;
        EXPECT_EQ(evaluation.notes, std::vector<std::string>{rule.anchorNote}) << textAndScore.first;
    }
}
