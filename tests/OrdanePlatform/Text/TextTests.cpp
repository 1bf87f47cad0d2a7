#include <gtest/gtest.h>
#include <unicode/locid.h>

#include "OrdanePlatform/Text/Text.hpp"

namespace text = ordane::platform::text;

namespace {
const std::string combiningE = "e\u0301";             // e + combining acute
const std::string flag = "\U0001F1EB\U0001F1F7";       // two regional indicators
const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
}  // namespace

TEST(TextCharacters, CountsUserPerceivedCharacters) {
    EXPECT_EQ(text::characterCount(""), 0u);
    EXPECT_EQ(text::characterCount("Caf" + combiningE), 4u);
    EXPECT_EQ(text::characterCount(flag + family + "x"), 3u);
    EXPECT_EQ(text::characterCount("\u1100\u1161\u11A8"), 1u);  // one Hangul syllable from jamo
    // CR LF is one character, both in the ASCII shortcut and through the break iterator.
    EXPECT_EQ(text::characterCount("a\r\n\r\nb\r"), 5u);
    EXPECT_EQ(text::characterCount("a\r\n\r\nb\r\u00e9"), 6u);
}

TEST(TextCharacters, PrefixCutsAtCharacterBoundaries) {
    EXPECT_EQ(text::prefix("Caf" + combiningE + " au lait", 4), "Caf" + combiningE);
    EXPECT_EQ(text::prefix(family + flag + "z", 2), family + flag);
    EXPECT_EQ(text::prefix("abc", 0) + text::prefix("", 3), "");
    EXPECT_EQ(text::prefix("abc", 10), "abc");
    EXPECT_EQ(text::prefix("a\r\nb", 2), "a\r\n");
    EXPECT_EQ(text::prefix("a\r\nb\u00e9", 2), "a\r\n");
    std::string longText(250, 'x');
    for (int i = 0; i < 250; ++i) longText += "\u00e9";
    EXPECT_EQ(text::prefix(longText, 400), longText.substr(0, 550));
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

TEST(TextFolding, RemovesCaseAndDiacritics) {
    const std::pair<std::string, std::string> cases[] = {
        {"Jos\u00e9", "jose"},
        {"Jos" + combiningE, "jose"},
        {"Stra\u00dfe", "strasse"},
        {"\uFB01le", "file"},                   // ligature
        {"\u0130stanbul", "istanbul"},          // dotted capital I
        {"\ud55c\uad6d", "\ud55c\uad6d"},       // Hangul recomposes unchanged
        {"", ""}};
    for (const auto& [text, folded] : cases) EXPECT_EQ(text::folded(text), folded) << text;
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

    EXPECT_EQ(text::upperCased("stra\u00dfe"), "STRASSE");
    EXPECT_EQ(text::lowerCased("\u039f\u0394\u039f\u03a3"), "\u03bf\u03b4\u03bf\u03c2");  // final sigma
}

TEST(TextNormalization, ComparesCanonicalEquivalents) {
    EXPECT_EQ(text::normalizedNFC("Caf" + combiningE), "Caf\u00e9");
    EXPECT_TRUE(text::canonicallyEquivalent("/h/Caf" + combiningE, "/h/Caf\u00e9"));
    EXPECT_FALSE(text::canonicallyEquivalent("/h/Cafe", "/h/Caf\u00e9"));
    EXPECT_FALSE(text::canonicallyEquivalent("/h/caf\u00e9", "/h/Caf\u00e9"));
    // Two different undecodable names must not both become U+FFFD and compare equal.
    EXPECT_FALSE(text::canonicallyEquivalent("/h/\xFF", "/h/\xFE"));
    EXPECT_FALSE(text::canonicallyEquivalent("/h/\xFF", "/h/\uFFFD"));
    EXPECT_TRUE(text::canonicallyEquivalent("/h/\xFF", "/h/\xFF"));
}

TEST(TextCharacterClasses, FollowUnicodeCategories) {
    // Each class against the code points it takes in and those it leaves out.
    const std::tuple<bool (*)(char32_t), std::u32string, std::u32string> classes[] = {
        {text::isLetter, U"a\u00e9\u0301\u4e2d", U"1-"},  // a mark counts with its letter
        {text::isNumber, U"7\u00bd\u0663\u216b", U"a."},  // ½, an Arabic-Indic three, Roman twelve
        {text::isAlphanumeric, U"\u00b2Z", U"_ "},
        {text::isUpperCase, U"A\u00c9", U"a1"},
        {text::isWhitespace, U" \t\u00a0", U"\n\u2028"},
        {text::isWhitespaceOrNewline, U"\n\r\u0085\u2028\t", U"x"}};
    for (const auto& [isInClass, members, others] : classes) {
        for (char32_t c : members) EXPECT_TRUE(isInClass(c)) << std::hex << uint32_t(c);
        for (char32_t c : others) EXPECT_FALSE(isInClass(c)) << std::hex << uint32_t(c);
    }
    EXPECT_FALSE(text::isLetter(char32_t(0x110000)));
}

TEST(TextTrimming, TrimsOnlyTheChosenCodePointsAtBothEnds) {
    EXPECT_EQ(text::trimming(" \t caf\u00e9 au lait\u00a0 ", text::isWhitespace), "caf\u00e9 au lait");
    EXPECT_EQ(text::trimming("\n x \n", text::isWhitespace), "\n x \n");
    EXPECT_EQ(text::trimming("\n x \n", text::isWhitespaceOrNewline), "x");
    EXPECT_EQ(text::trimming(" \t ", text::isWhitespace) + text::trimming("", text::isWhitespace), "");
    EXPECT_EQ(text::trimming("12ab34", text::isNumber), "ab");
    EXPECT_EQ(text::trimming("\u00e9x\u00e9", text::isLetter), "");
}
