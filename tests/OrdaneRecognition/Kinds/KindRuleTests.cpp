#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdaneRecognition/Kinds/KindRule.hpp"
#include "RecognitionFixtures.hpp"

using namespace ordane;

namespace {

const KindRule& rule(DocKind kind) {
    for (const KindRule& candidate : KindRule::all()) {
        if (candidate.kind == kind) return candidate;
    }
    throw std::logic_error("no rule");
}

KindRule::Evaluation evaluate(DocKind kind, const std::string& raw) {
    return rule(kind).evaluate(PreparedText::prepare(raw));
}

}  // namespace

// A pattern that does not compile would silently never match, so the whole table is compiled here.
TEST(KindRule, TableCoversEveryKindInOrderAndEveryPatternCompiles) {
    const auto& table = KindRule::all();
    ASSERT_EQ(table.size(), allCases<DocKind>().size() - 1);
    std::vector<std::string> failures;
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].kind, allCases<DocKind>()[i]);
        std::vector<TextMatcher> matchers = table[i].anchors;
        for (const RuleSignal& signal : table[i].signals) matchers.push_back(signal.matcher);
        for (const TextMatcher& matcher : matchers) {
            const auto* pattern = std::get_if<TextMatcher::Pattern>(&matcher.value);
            if (!pattern) continue;
            try {
                platform::text::Regex(pattern->pattern, pattern->options);
            } catch (const platform::text::RegexError& error) {
                failures.push_back(error.what());
            }
        }
    }
    EXPECT_EQ(failures, std::vector<std::string>{});
}

TEST(KindRule, AnchorsGateSignalsAndScoresAreShareOfTotalWeight) {
    struct Case {
        DocKind kind;
        std::string text;
        double score;
        std::vector<std::string> notes;
    };
    const std::string filler(420, '-');
    const Case cases[] = {
        {DocKind::letter, "Dear Ms. Novak,\nThank you.\nSincerely,\nTom", 1.0,
         {"it opens like a letter", "it closes like a letter"}},
        {DocKind::letter, "Thank you.\nSincerely,\nTom", 0, {}},
        {DocKind::resume, "Resume\nAna Ruiz, designer", 2.0 / 3.5,
         {"it has resume-style sections like Experience and Education"}},
        {DocKind::resume, filler + "\nresume", 0, {}},
        {DocKind::resume, "Ana Ruiz\nEducation\nState University", 0, {}},
        {DocKind::resume, "Ana Ruiz\nEducation\nBA\n  Skills  \nWelding\n2014 – 2019 Acme\n2019-present Beta", 3.0 / 3.5,
         {"it has resume-style sections like Experience and Education", "it lists employment-style date ranges"}},
        {DocKind::ticketItinerary, "Boarding pass\nDeparture 09:10, arrival 11:00\nSFO → JFK", 3.5 / 4.5,
         {"it reads like travel or event paperwork", "it shows a route between airports"}},
        {DocKind::ticketItinerary, "Boarding pass\nDeparture 09:10, arrival 11:00\nsfo → jfk", 2.0 / 4.5,
         {"it reads like travel or event paperwork"}},
        {DocKind::recipe, "Ingredients:\n2 onions\nSauté the onions and stir well.", 1.0,
         {"it has an ingredients list", "it reads like cooking directions"}},
        {DocKind::recipe, "Ingredients\n2 onions\nSauté the onions.", 2.0 / 3.0, {"it has an ingredients list"}},
        {DocKind::idCertificate, "Certificate of Completion\nThe estate of the late owner", 2.5 / 4.0,
         {"it's worded like a certificate or ID"}},
    };
    for (const Case& c : cases) {
        const KindRule::Evaluation evaluation = evaluate(c.kind, c.text);
        EXPECT_EQ(evaluation.anchorHit, c.score > 0) << c.text;
        EXPECT_DOUBLE_EQ(evaluation.score, c.score) << c.text;
        EXPECT_EQ(evaluation.notes, c.notes) << c.text;
    }
}

// Matchers may take shortcuts (alternatives one by one, long runs shortened); every pattern of the
// table must still answer as the whole expression over the raw text does.
TEST(KindRule, PatternMatchersAnswerAsTheWholeExpression) {
    std::vector<std::string> texts{"Passport no. 1; Driver's License; /s/ J. Doe", "SSN ***-**-1234 and 123-45-6789",
                                   "signature: here\nBy: me", "this is to certify that", "nothing at all"};
    for (const auto& document : fixtures::kindDocuments()) texts.push_back(document.text);
    for (const KindRule& rule : KindRule::all()) {
        std::vector<TextMatcher> matchers = rule.anchors;
        for (const RuleSignal& signal : rule.signals) matchers.push_back(signal.matcher);
        for (const TextMatcher& matcher : matchers) {
            const auto* pattern = std::get_if<TextMatcher::Pattern>(&matcher.value);
            if (!pattern) continue;
            const platform::text::Regex whole(pattern->pattern, pattern->options);
            for (const std::string& text : texts) {
                const PreparedText prepared = PreparedText::prepare(text);
                const bool expected =
                    static_cast<long long>(whole.countMatches(prepared.unfolded(pattern->region))) >= pattern->minHits;
                EXPECT_EQ(matcher.matches(prepared), expected) << pattern->pattern << " in " << text.substr(0, 30);
            }
        }
    }
}
