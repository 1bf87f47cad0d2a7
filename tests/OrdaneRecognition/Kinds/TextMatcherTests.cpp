#include <gtest/gtest.h>

#include <string>

#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdaneRecognition/Kinds/RegexCache.hpp"
#include "OrdaneRecognition/Kinds/TextMatcher.hpp"

using namespace ordane;
using platform::text::RegexOptions;

namespace {

struct Case {
    TextMatcher matcher;
    std::string text;
    bool expected;
};

void expectAnswers(std::initializer_list<Case> cases) {
    for (const Case& c : cases) EXPECT_EQ(c.matcher.matches(PreparedText::prepare(c.text)), c.expected) << c.text;
}

const std::string filler(420, '-');  // pushes what follows out of the 400-character head

}  // namespace

TEST(TextMatcher, PhraseSetsCountDistinctFoldedPhrasesInTheirRegion) {
    using M = TextMatcher;
    const auto all = TextRegion::all;
    const auto wordStart = M::Boundary::wordStart;
    expectAnswers({
        {M::phrases({"tax year", "tax return"}, all, 2), "Tax year, tax year and TAX YEAR", false},
        {M::phrases({"tax year", "tax return"}, all, 2), "tax return for the tax year", true},
        {M::phrases({"tax year"}, all, 0), "nothing of the kind", false},
        {M::phrases({"tax year"}, all, 0), "the TAX YEAR", true},
        // Folded text holds "saute"; the phrase with its accent never occurs.
        {M::phrases({"sauté", "saute"}, all, 2), "Sauté the onions, then sauté the garlic", false},
        {M::phrases({"saute"}, all, 1), "SAUTÉ the onions", true},
        {M::phrases({"receipt"}, TextRegion::head, 1), filler + "receipt", false},
        {M::phrases({"receipt"}, all, 1), filler + "receipt", true},
        {M::phrases({"gate"}, all, 1), "navigate the aggregate", true},
        // A phrase must start a word but may end inside one, so endings count and inner hits do not.
        {M::phrases({"gate", "state of"}, all, 1, wordStart), "navigate the aggregate, the estate of Al", false},
        {M::phrases({"irs"}, all, 1, wordStart), "first, theirs, stairs", false},
        {M::phrases({"gate"}, all, 1, wordStart), "Boarding at GATE B12", true},
        {M::phrases({"resume"}, all, 1, wordStart), "RÉSUMÉ — Ana Ruiz", true},
        {M::phrases({"seat", "gate", "fare"}, all, 3, wordStart), "Seats 4A, 4B; gates close early; fares: $90", true},
        {M::phrases({"gate", "resume"}, all, 2, wordStart), "gate2 and the resumed talks", true},
        {M::phrases({"gate", "resume"}, all, 2, wordStart), "gate and the unresumed talks", false},
        {M::phrases({"admit one"}, all, 1, wordStart), "readmit one; admit ones", true},
        {M::phrases({"admit one"}, all, 1, wordStart), "readmit one", false},
        {M::phrases({"gate"}, all, 1, wordStart), "Ωgate, 4gate", false},  // letters and digits of any script
        {M::phrases({"gate"}, all, 1, wordStart), "Ω-gates", true},
        {M::phrases({"anything"}, all, 1), "", false},
    });
}

TEST(TextMatcher, PatternsCountOverTheRawTextOrItsHead) {
    using M = TextMatcher;
    const auto none = RegexOptions::none;
    const auto all = TextRegion::all;
    expectAnswers({
        {M::regex(R"(\bW-?2\b)", none, TextRegion::head, 1), filler + "Form W-2", false},
        {M::regex(R"(\bW-?2\b)", none, all, 1), filler + "Form W-2", true},
        {M::regex(R"(\bW-?2\b)", none, all, 1), "form w-2", false},
        {M::regex(R"(\bW-?2\b)", RegexOptions::caseInsensitive, all, 1), "form w-2", true},
        {M::regex(R"((?im)^education\s*$)", none, all, 2), "Education\nwork\n", false},
        {M::regex(R"((?im)^education\s*$)", none, all, 2), "Education\nEDUCATION\n", true},
        {M::regex("Café", none, all, 1), "Le Café", true},  // the raw text, not the folded one
        // A count of zero needs no match; a pattern that does not compile never matches.
        {M::regex("absent", none, all, 0), "text", true},
        {M::regex("(unclosed", none, all, 0), "(unclosed", false},
        {M::regex(R"((?im)^\s*dear\s+[A-Z][^,\n]{1,40},)", none, all, 1), std::string(10'000, '\n') + "Dear Ann,",
         true},
    });
}

TEST(RegexCache, OneEntryPerPatternAndOptionsAndNoneForABadPattern) {
    RegexCache& cache = RegexCache::shared();
    const std::string pattern = R"(cache-test-\d+)";
    const size_t before = cache.size();
    auto plain = cache.regex(pattern, RegexOptions::none);
    auto folded = cache.regex(pattern, RegexOptions::caseInsensitive);
    ASSERT_TRUE(plain && folded);
    EXPECT_EQ(plain->countMatches("CACHE-TEST-1 cache-test-2"), 1u);
    EXPECT_EQ(folded->countMatches("CACHE-TEST-1 cache-test-2"), 2u);
    EXPECT_TRUE(cache.regex(pattern, RegexOptions::none));
    for (int attempt = 0; attempt < 2; ++attempt) EXPECT_FALSE(cache.regex("[unclosed", RegexOptions::none));
    EXPECT_EQ(cache.size(), before + 2);
    EXPECT_EQ(RegexCache::key("a|b", RegexOptions::caseInsensitive), "1|a|b");
}

TEST(PreparedText, LongRunsOfSpaceOrFullStopsKeepTheirEndsAndTheirLineBreak) {
    std::string wide;
    for (int i = 0; i < 100; ++i) wide += "\u3000";
    const std::pair<std::string, std::string> cases[] = {
        {"a" + std::string(64, ' ') + "b", "a" + std::string(64, ' ') + "b"},
        {"a" + std::string(50, ' ') + "\r\n" + std::string(50, '\t') + "b",
         "a" + std::string(32, ' ') + "\n" + std::string(32, '\t') + "b"},
        {std::string(40, ' ') + "\v" + std::string(40, ' '), std::string(40, ' ') + "\v" + std::string(40, ' ')},
        {"x" + wide + "y", "x" + wide.substr(0, 64 * 3) + "y"},
        {std::string(200, '.') + std::string(40, ' ') + "4", std::string(64, '.') + std::string(40, ' ') + "4"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(PreparedText::shortenedRuns(text), expected) << text.size();
}

TEST(TextMatcher, TopLevelAlternativesKeepTheLeadingFlagsAndRefuseWhatSplittingWouldChange) {
    using Alternatives = std::vector<std::string>;
    EXPECT_EQ(TextMatcher::topLevelAlternatives(R"((?i)a|b(c|d)|[|\]]|e\|f)"),
              (Alternatives{"(?i)a", "(?i)b(c|d)", R"((?i)[|\]])", R"((?i)e\|f)"}));
    for (const char* whole : {"(a|b)", R"(a\|b)", "a(?i)b|c", R"((a)|\1)", R"(\Qa|b\E)", "(?x)a # |\n|b"}) {
        EXPECT_EQ(TextMatcher::topLevelAlternatives(whole), Alternatives{}) << whole;
    }
}
