#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "OrdanePlatform/Text/Regex.hpp"

using ordane::platform::text::Regex;
using ordane::platform::text::RegexError;
using ordane::platform::text::RegexMatch;
using ordane::platform::text::RegexOptions;

TEST(Regex, BadPatternsFailAndOptionsApply) {
    for (const char* bad : {"(abc", "[a-", "a{2,1}"}) EXPECT_THROW(Regex{bad}, RegexError) << bad;
    EXPECT_EQ(Regex("tax", RegexOptions::caseInsensitive).countMatches("Tax TAX tax"), 3u);
    EXPECT_EQ(Regex("^OK$", RegexOptions::anchorsMatchLines).countMatches("Title\nOK\nnot OK"), 1u);
    EXPECT_EQ(Regex("x*").countMatches("abc"), 4u);  // empty matches count, and the scan moves on
}

TEST(RegexCount, CountsInsideAByteRangeAsIfCut) {
    const std::string text = "aaa|aaa";
    EXPECT_EQ(Regex("a").countMatches(text, 4, 7), 3u);
    EXPECT_EQ(Regex("a").countMatches(text, 2, 5), 2u);
    EXPECT_EQ(Regex("^a").countMatches(text, 4, 7), 1u);  // the cut is an anchor
    EXPECT_EQ(Regex("a").countMatches(text, 5, 100), 2u);
    EXPECT_EQ(Regex("a").countMatches(text, 9, 3), 0u);
    // "é" is two bytes; a range starting in its middle starts at the next character.
    EXPECT_EQ(Regex(".").countMatches("\u00e9\u00e9x", 1, 5), 2u);
    EXPECT_EQ(Regex(".").countMatches("\u00e9\u00e9x", 0, 5), 3u);
}

TEST(RegexMatches, ReportByteRangesOfTheGivenText) {
    const std::string text = "\u00e91 \u00fc22 \U0001F600333";
    std::vector<RegexMatch> expected{{2, 3, "1"}, {6, 8, "22"}, {13, 16, "333"}};
    EXPECT_EQ(Regex(R"(\d+)").matches(text), expected);
    EXPECT_EQ(Regex(R"(\d+)").firstMatch(text), expected.front());
    EXPECT_EQ(Regex(R"(\d+)").firstMatch("none here"), std::nullopt);
}

TEST(RegexMatches, InvalidUTF8KeepsOffsetsOfTheOriginalBytes) {
    // The ill-formed byte is one U+FFFD for the matcher but keeps its own byte position.
    std::vector<RegexMatch> expected{{0, 1, "a"}, {1, 2, "\uFFFD"}, {2, 4, "\u00e9"}};
    EXPECT_EQ(Regex(".").matches("a\xFF\u00e9"), expected);
    std::vector<RegexMatch> digits{{0, 1, "1"}, {3, 4, "2"}};
    EXPECT_EQ(Regex(R"(\d)").matches("1\xE2\x82" "2"), digits);  // a truncated sequence
    EXPECT_EQ(Regex(R"(\d)").countMatches("1\xE2\x82" "2"), 2u);
    EXPECT_EQ(Regex("\uFFFD").countMatches("\xFF\xFEz"), 2u);
    EXPECT_EQ(Regex("a").countMatches("\xFF" "aa", 1, 3), 2u);
}

TEST(RegexReplace, ReplacesEveryMatch) {
    EXPECT_EQ(Regex(R"(\s+)").replacingAll(" Tax \n\t Returns\u2028 2024 ", " "), " Tax Returns 2024 ");
    EXPECT_EQ(Regex(R"((\d{4})-(\d{2}))").replacingAll("2024-05 and 2023-11", "$2/$1"), "05/2024 and 11/2023");
    EXPECT_EQ(Regex("b").replacingAll("a\xFF" "b", "c"), "a\uFFFDc");
    EXPECT_THROW(Regex("(a)").replacingAll("a", "$2"), RegexError);
}

TEST(RegexSharing, OneCompiledPatternServesManyThreads) {
    const Regex currency(R"([$€£]\s?\d{1,3}(,\d{3})*(\.\d{2})?|\b\d{1,3}(,\d{3})*\.\d{2}\b)");
    std::string text;
    for (int i = 0; i < 200; ++i) text += "Subtotal $1,234.56 and € 7 then 5.5 or 12.00\n";
    const size_t expected = currency.countMatches(text);
    EXPECT_EQ(expected, 600u);
    std::vector<size_t> counts(8);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < counts.size(); ++t) {
        threads.emplace_back([&, t, copy = currency] { counts[t] = copy.countMatches(text) + currency.matches(text).size(); });
    }
    for (auto& thread : threads) thread.join();
    for (size_t count : counts) EXPECT_EQ(count, 2 * expected);
}
