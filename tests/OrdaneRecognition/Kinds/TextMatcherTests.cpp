#include <gtest/gtest.h>

#include <string>

#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdaneRecognition/Kinds/RegexCache.hpp"
#include "OrdaneRecognition/Kinds/TextMatcher.hpp"

using namespace ordane;
using platform::text::RegexOptions;

namespace {

bool matches(const TextMatcher& matcher, const std::string& raw) {
    return matcher.matches(PreparedText::prepare(raw));
}

const std::string filler(420, '.');  // pushes what follows out of the 400-character head

}  // namespace

TEST(TextMatcher, PhraseSetsCountDistinctPhrasesInTheirRegion) {
    using M = TextMatcher;
    const auto words = M::Boundary::wholeWords;
    struct Case {
        M matcher;
        std::string text;
        bool expected;
    };
    const Case cases[] = {
        {M::phrases({"tax year", "tax return"}, TextRegion::all, 2), "Tax year, tax year and TAX YEAR", false},
        {M::phrases({"tax year", "tax return"}, TextRegion::all, 2), "tax return for the tax year", true},
        {M::phrases({"tax year"}, TextRegion::all, 0), "nothing of the kind", false},
        {M::phrases({"tax year"}, TextRegion::all, 0), "the TAX YEAR", true},
        // Folded text holds "saute"; the phrase with its accent never occurs.
        {M::phrases({"sauté", "saute"}, TextRegion::all, 2), "Sauté the onions, then sauté the garlic", false},
        {M::phrases({"sauté"}, TextRegion::all, 1), "Sauté the onions", false},
        {M::phrases({"saute"}, TextRegion::all, 1), "SAUTÉ the onions", true},
        {M::phrases({"receipt"}, TextRegion::head, 1), filler + "receipt", false},
        {M::phrases({"receipt"}, TextRegion::all, 1), filler + "receipt", true},
        {M::phrases({"receipt"}, TextRegion::head, 1), "short receipt", true},
        {M::phrases({"gate"}, TextRegion::all, 1), "navigate the aggregate", true},
        {M::phrases({"gate"}, TextRegion::all, 1, words), "navigate the aggregate", false},
        {M::phrases({"gate"}, TextRegion::all, 1, words), "Boarding at GATE B12", true},
        {M::phrases({"gate"}, TextRegion::all, 1, words), "gate2 or gateé", false},
        {M::phrases({"state of"}, TextRegion::all, 1, words), "the estate of the late", false},
        {M::phrases({"state of"}, TextRegion::all, 1, words), "State of Ohio", true},
        {M::phrases({"resume"}, TextRegion::all, 1, words), "Work resumed on Monday", false},
        {M::phrases({"resume"}, TextRegion::all, 1, words), "RÉSUMÉ — Ana Ruiz", true},
        {M::phrases({"irs"}, TextRegion::all, 1, words), "first, theirs", false},
        {M::phrases({"irs"}, TextRegion::all, 1, words), "(IRS)", true},
        {M::phrases({"anything"}, TextRegion::all, 1), "", false},
    };
    for (const Case& c : cases) EXPECT_EQ(matches(c.matcher, c.text), c.expected) << c.text;
}

TEST(TextMatcher, PatternsCountOverTheRawTextOrItsHead) {
    using M = TextMatcher;
    struct Case {
        M matcher;
        std::string text;
        bool expected;
    };
    const Case cases[] = {
        {M::regex(R"(\bW-?2\b)", RegexOptions::none, TextRegion::head, 1), filler + "Form W-2", false},
        {M::regex(R"(\bW-?2\b)", RegexOptions::none, TextRegion::all, 1), filler + "Form W-2", true},
        {M::regex(R"(\bW-?2\b)", RegexOptions::none, TextRegion::all, 1), "form w-2", false},
        {M::regex(R"(\bW-?2\b)", RegexOptions::caseInsensitive, TextRegion::all, 1), "form w-2", true},
        {M::regex(R"((?im)^education\s*$)", RegexOptions::none, TextRegion::all, 2), "Education\nwork\n", false},
        {M::regex(R"((?im)^education\s*$)", RegexOptions::none, TextRegion::all, 2), "Education\nEDUCATION\n", true},
        // Regex matchers see the raw text, never the folded one.
        {M::regex("café", RegexOptions::none, TextRegion::all, 1), "Le Café", false},
        {M::regex("Café", RegexOptions::none, TextRegion::all, 1), "Le Café", true},
        // A count of zero needs no match at all; a pattern that does not compile never matches.
        {M::regex("absent", RegexOptions::none, TextRegion::all, 0), "text", true},
        {M::regex("(unclosed", RegexOptions::none, TextRegion::all, 0), "(unclosed", false},
    };
    for (const Case& c : cases) {
        const auto& pattern = std::get<TextMatcher::Pattern>(c.matcher.value).pattern;
        EXPECT_EQ(matches(c.matcher, c.text), c.expected) << pattern << " in " << c.text.substr(0, 40);
    }
}

TEST(RegexCache, OneEntryPerPatternAndOptionsAndNoneForABadPattern) {
    RegexCache& cache = RegexCache::shared();
    const std::string pattern = R"(cache-test-\d+)";
    const size_t before = cache.size();
    auto plain = cache.regex(pattern, RegexOptions::none);
    auto folded = cache.regex(pattern, RegexOptions::caseInsensitive);
    ASSERT_TRUE(plain && folded);
    EXPECT_EQ(cache.size(), before + 2);
    EXPECT_EQ(plain->countMatches("CACHE-TEST-1 cache-test-2"), 1u);
    EXPECT_EQ(folded->countMatches("CACHE-TEST-1 cache-test-2"), 2u);
    EXPECT_TRUE(cache.regex(pattern, RegexOptions::none));
    EXPECT_EQ(cache.size(), before + 2);
    for (int attempt = 0; attempt < 2; ++attempt) EXPECT_FALSE(cache.regex("[unclosed", RegexOptions::none));
    EXPECT_EQ(cache.size(), before + 2);
    EXPECT_EQ(RegexCache::key("a|b", RegexOptions::caseInsensitive), "1|a|b");
    EXPECT_EQ(RegexCache::key("x", RegexOptions::none), "0|x");
}

TEST(PreparedText, LongRunsOfSpaceOrFullStopsKeepTheirEndsAndTheirLineBreak) {
    const std::string spaces64(64, ' ');
    const std::string ideographic = "\u3000";
    std::string wide;
    for (int i = 0; i < 100; ++i) wide += ideographic;
    std::string wideKept;
    for (int i = 0; i < 64; ++i) wideKept += ideographic;
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"a" + std::string(64, ' ') + "b", "a" + spaces64 + "b"},
        {"a" + std::string(100, ' ') + "b", "a" + spaces64 + "b"},
        {"a" + std::string(50, ' ') + "\r\n" + std::string(50, '\t') + "b",
         "a" + std::string(32, ' ') + "\n" + std::string(32, '\t') + "b"},
        {std::string(40, ' ') + "\v" + std::string(40, ' '), std::string(40, ' ') + "\v" + std::string(40, ' ')},
        {"x" + wide + "y", "x" + wideKept + "y"},
        {std::string(200, '.') + " 4", std::string(64, '.') + " 4"},
        {std::string(40, '.') + std::string(40, ' ') + std::string(40, '.'),
         std::string(40, '.') + std::string(40, ' ') + std::string(40, '.')},
    };
    for (const Case& c : cases) EXPECT_EQ(PreparedText::shortenedRuns(c.text), c.expected) << c.text.size();
}

// Patterns see the same matches with long runs shortened: the letter still opens after ten
// thousand blank lines, a heading after 500 of them still lies outside the head, and leaders of
// any length still make a table of contents.
TEST(TextMatcher, PatternsFindTheSameMatchesPastLongRuns) {
    using M = TextMatcher;
    const auto none = RegexOptions::none;
    std::string contents;
    for (const char* entry : {"Setup ", "Cleaning ", "Warranty "}) contents += entry + std::string(300, '.') + " 12\n";
    struct Case {
        M matcher;
        std::string text;
        bool expected;
    };
    const Case cases[] = {
        {M::regex(R"((?im)^\s*dear\s+[A-Z][^,\n]{1,40},)", none, TextRegion::all, 1),
         std::string(10'000, '\n') + "  Dear Ann,\n", true},
        {M::regex(R"((?im)^\s*(invoice|receipt)\s*$)", none, TextRegion::head, 1),
         "x" + std::string(500, '\n') + "INVOICE\n", false},
        {M::regex(R"((?im)^\s*(invoice|receipt)\s*$)", none, TextRegion::head, 1),
         "x" + std::string(300, '\n') + "INVOICE\n", true},
        {M::regex(R"((?m)\.{5,}\s*\d+\s*$)", none, TextRegion::all, 3), contents, true},
        {M::regex(R"((?i)\btotal[: ]*[$€£]\s?\d)", none, TextRegion::all, 1), "Total" + std::string(300, ' ') + "$5",
         true},
    };
    for (const Case& c : cases) EXPECT_EQ(matches(c.matcher, c.text), c.expected) << c.text.size();
}

TEST(TextMatcher, TopLevelAlternativesKeepTheLeadingFlagsAndRefuseWhatSplittingWouldChange) {
    using Alternatives = std::vector<std::string>;
    EXPECT_EQ(TextMatcher::topLevelAlternatives(R"((?i)a|b(c|d)|[|\]]|e\|f)"),
              (Alternatives{"(?i)a", "(?i)b(c|d)", R"((?i)[|\]])", R"((?i)e\|f)"}));
    EXPECT_EQ(TextMatcher::topLevelAlternatives("(?im)^x|(?:y|z)"), (Alternatives{"(?im)^x", "(?im)(?:y|z)"}));
    for (const char* whole : {"(a|b)", "plain", R"(a\|b)", "a(?i)b|c", R"((a)|\1)", R"(\Qa|b\E)", "(?x)a # |\n|b"}) {
        EXPECT_EQ(TextMatcher::topLevelAlternatives(whole), Alternatives{}) << whole;
    }
}
