#include <gtest/gtest.h>
#include <unicode/locid.h>

#include "OrdanePlatform/Text/Text.hpp"

namespace text = ordane::platform::text;

namespace {
const std::string combiningE = "e\u0301";             // e + combining acute
const std::string flag = "\U0001F1EB\U0001F1F7";       // two regional indicators
const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
}  // namespace

TEST(TextCharacters, CountAndPrefixGoByUserPerceivedCharacters) {
    EXPECT_EQ(text::characterCount("Caf" + combiningE), 4u);
    EXPECT_EQ(text::characterCount(flag + family + "x"), 3u);
    // CR LF is one character, both in the ASCII shortcut and through the break iterator.
    EXPECT_EQ(text::characterCount("a\r\n\r\nb\r"), 5u);
    EXPECT_EQ(text::characterCount("a\r\n\r\nb\r\u00e9"), 6u);
    EXPECT_EQ(text::prefix(family + flag + "z", 2), family + flag);
    EXPECT_EQ(text::prefix("abc", 0) + text::prefix("", 3), "");
    EXPECT_EQ(text::prefix("abc", 10), "abc");
    EXPECT_EQ(text::prefix("a\r\nb", 2), "a\r\n");
    EXPECT_EQ(text::prefix("a\r\nb\u00e9", 2), "a\r\n");
}

TEST(TextInvalidUTF8, IllFormedSequencesReadAsReplacementCharacters) {
    const std::string replacement = "\uFFFD";
    EXPECT_TRUE(text::isValidUTF8("plain \u00e9 \U0001F600"));
    // A stray byte, an overlong "/", an encoded surrogate, a sequence cut short.
    for (const char* bad : {"a\xFF" "b", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82"}) EXPECT_FALSE(text::isValidUTF8(bad));
    EXPECT_EQ(text::validUTF8("a\xFF" "b"), "a" + replacement + "b");
    // A truncated sequence is one ill-formed subpart, so one replacement character.
    EXPECT_EQ(text::validUTF8("\xE2\x82" "x"), replacement + "x");
    EXPECT_EQ(text::validUTF8("ok \u00e9"), "ok \u00e9");

    EXPECT_EQ(text::characterCount("a\xFF\xFE" "b"), 4u);
    EXPECT_EQ(text::prefix("\xFF\xFE" "abc", 2), replacement + replacement);
    EXPECT_EQ(text::codePoints("a\xFF"), std::u32string(U"a\uFFFD"));
    EXPECT_EQ(text::folded("Jos\xC3"), "jos" + replacement);
    EXPECT_EQ(text::upperCased("a\x80"), "A" + replacement);
    EXPECT_EQ(text::trimming(" \xFF ", text::isWhitespace), replacement);
    EXPECT_TRUE(text::isValidUTF8(text::normalizedNFC("\xF4\x90\x80\x80")));  // above U+10FFFF
}

TEST(TextInvalidUTF8, CodePointsRoundTripAndNonScalarsAreReplaced) {
    const std::string sample = "a\u00e9\u20ac\U0001F600";
    EXPECT_EQ(text::codePoints(sample), std::u32string(U"a\u00e9\u20ac\U0001F600"));
    EXPECT_EQ(text::fromCodePoints(text::codePoints(sample)), sample);
    EXPECT_EQ(text::fromCodePoints(std::u32string{U'a', char32_t(0xD800), char32_t(0x110000)}),
              "a\uFFFD\uFFFD");
}

TEST(TextCaseMapping, UsesTheRootLocaleWhateverTheUserLocale) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale previous = icu::Locale::getDefault();
    icu::Locale::setDefault(icu::Locale("tr_TR"), status);
    ASSERT_TRUE(U_SUCCESS(status));
    EXPECT_EQ(text::upperCased("istanbul"), "ISTANBUL");
    EXPECT_EQ(text::lowerCased("ISTANBUL"), "istanbul");
    EXPECT_EQ(text::folded("ISTANBUL"), "istanbul");
    icu::Locale::setDefault(previous, status);

    EXPECT_EQ(text::folded("Jos" + combiningE + " Stra\u00dfe"), "jose strasse");
}

TEST(TextNormalization, ComparesCanonicalEquivalents) {
    EXPECT_EQ(text::normalizedNFC("Caf" + combiningE), "Caf\u00e9");
    EXPECT_TRUE(text::canonicallyEquivalent("/h/Caf" + combiningE, "/h/Caf\u00e9"));
    EXPECT_FALSE(text::canonicallyEquivalent("/h/caf\u00e9", "/h/Caf\u00e9"));
    // Two different undecodable names must not both become U+FFFD and compare equal.
    EXPECT_FALSE(text::canonicallyEquivalent("/h/\xFF", "/h/\xFE"));
    EXPECT_FALSE(text::canonicallyEquivalent("/h/\xFF", "/h/\uFFFD"));
    EXPECT_TRUE(text::canonicallyEquivalent("/h/\xFF", "/h/\xFF"));
}

TEST(TextTrimming, TrimsOnlyTheChosenCodePointsAtBothEnds) {
    EXPECT_EQ(text::trimming(" \t caf\u00e9 au lait\u00a0 ", text::isWhitespace), "caf\u00e9 au lait");
    EXPECT_EQ(text::trimming("\n x \n", text::isWhitespace), "\n x \n");
    EXPECT_EQ(text::trimming("\n x \n", text::isWhitespaceOrNewline), "x");
    EXPECT_EQ(text::trimming(" \t ", text::isWhitespace) + text::trimming("", text::isWhitespace), "");
}
