#include <gtest/gtest.h>
#include <unicode/locid.h>

#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace text = ordane::platform::text;

namespace {
const std::string combiningE = "e\u0301";             // e + combining acute
const std::string flag = "\U0001F1EB\U0001F1F7";       // two regional indicators
const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
}  // namespace

TEST(TextCharacters, CountsUserPerceivedCharacters) {
    EXPECT_EQ(text::characterCount(""), 0u);
    EXPECT_EQ(text::characterCount("abc"), 3u);
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
    EXPECT_EQ(text::prefix("abc", 0), "");
    EXPECT_EQ(text::prefix("abc", 10), "abc");
    EXPECT_EQ(text::prefix("", 3), "");
    EXPECT_EQ(text::prefix("a\r\nb", 2), "a\r\n");
    EXPECT_EQ(text::prefix("a\r\nb\u00e9", 2), "a\r\n");
    std::string longText;
    for (int i = 0; i < 500; ++i) longText += "\u00e9";
    EXPECT_EQ(text::characterCount(text::prefix(longText, 400)), 400u);
    EXPECT_EQ(text::prefix(longText, 400).size(), 800u);
}

TEST(TextInvalidUTF8, IllFormedSequencesReadAsReplacementCharacters) {
    const std::string replacement = "\uFFFD";
    EXPECT_TRUE(text::isValidUTF8("plain \u00e9 \U0001F600"));
    EXPECT_FALSE(text::isValidUTF8("a\xFF" "b"));
    EXPECT_FALSE(text::isValidUTF8("\xC0\xAF"));          // overlong "/"
    EXPECT_FALSE(text::isValidUTF8("\xED\xA0\x80"));      // encoded surrogate
    EXPECT_FALSE(text::isValidUTF8("\xE2\x82"));          // cut short

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

TEST(TextCodePoints, RoundTripAndRejectNonScalars) {
    const std::string sample = "a\u00e9\u20ac\U0001F600";
    EXPECT_EQ(text::codePoints(sample), std::u32string(U"a\u00e9\u20ac\U0001F600"));
    EXPECT_EQ(text::fromCodePoints(text::codePoints(sample)), sample);
    EXPECT_EQ(text::fromCodePoints(std::u32string{U'a', char32_t(0xD800), char32_t(0x110000)}),
              "a\uFFFD\uFFFD");
}

TEST(TextFolding, RemovesCaseAndDiacritics) {
    EXPECT_EQ(text::folded("Jos\u00e9"), "jose");
    EXPECT_EQ(text::folded("Jos" + combiningE), "jose");
    EXPECT_EQ(text::folded("\u00c9va R\u00f3sa Lind-Holm"), "eva rosa lind-holm");
    EXPECT_EQ(text::folded("Stra\u00dfe"), "strasse");
    EXPECT_EQ(text::folded("\uFB01le"), "file");                  // ligature
    EXPECT_EQ(text::folded("\u0130stanbul"), "istanbul");         // dotted capital I
    EXPECT_EQ(text::folded("\u00c5ngstr\u00f6m SAUT\u00c9"), "angstrom saute");
    EXPECT_EQ(text::folded("\u0395\u039b\u039b\u0391\u03a3"), "\u03b5\u03bb\u03bb\u03b1\u03c3");
    EXPECT_EQ(text::folded("\ud55c\uad6d"), "\ud55c\uad6d");      // Hangul recomposes unchanged
    EXPECT_EQ(text::folded("Curriculum-Vitae 2024.pdf"), "curriculum-vitae 2024.pdf");
    EXPECT_EQ(text::folded(""), "");
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
    EXPECT_EQ(text::upperCased("WORK experience"), "WORK EXPERIENCE");
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
    EXPECT_TRUE(text::isLetter(U'a'));
    EXPECT_TRUE(text::isLetter(U'\u00e9'));
    EXPECT_TRUE(text::isLetter(U'\u0301'));   // a mark counts with its letter
    EXPECT_TRUE(text::isLetter(U'\u4e2d'));
    EXPECT_FALSE(text::isLetter(U'1'));
    EXPECT_FALSE(text::isLetter(U'-'));
    EXPECT_FALSE(text::isLetter(char32_t(0x110000)));

    EXPECT_TRUE(text::isNumber(U'7'));
    EXPECT_TRUE(text::isNumber(U'\u00bd'));   // vulgar fraction one half
    EXPECT_TRUE(text::isNumber(U'\u0663'));   // Arabic-Indic three
    EXPECT_TRUE(text::isNumber(U'\u216b'));   // Roman numeral twelve
    EXPECT_FALSE(text::isNumber(U'a'));
    EXPECT_FALSE(text::isNumber(U'.'));

    EXPECT_TRUE(text::isAlphanumeric(U'\u00b2'));
    EXPECT_TRUE(text::isAlphanumeric(U'Z'));
    EXPECT_FALSE(text::isAlphanumeric(U'_'));
    EXPECT_FALSE(text::isAlphanumeric(U' '));

    EXPECT_TRUE(text::isUpperCase(U'A'));
    EXPECT_TRUE(text::isUpperCase(U'\u00c9'));
    EXPECT_FALSE(text::isUpperCase(U'a'));
    EXPECT_FALSE(text::isUpperCase(U'1'));

    EXPECT_TRUE(text::isWhitespace(U' '));
    EXPECT_TRUE(text::isWhitespace(U'\t'));
    EXPECT_TRUE(text::isWhitespace(U'\u00a0'));
    EXPECT_FALSE(text::isWhitespace(U'\n'));
    EXPECT_FALSE(text::isWhitespace(U'\u2028'));
    EXPECT_TRUE(text::isWhitespaceOrNewline(U'\n'));
    EXPECT_TRUE(text::isWhitespaceOrNewline(U'\r'));
    EXPECT_TRUE(text::isWhitespaceOrNewline(U'\u0085'));
    EXPECT_TRUE(text::isWhitespaceOrNewline(U'\u2028'));
    EXPECT_TRUE(text::isWhitespaceOrNewline(U'\t'));
    EXPECT_FALSE(text::isWhitespaceOrNewline(U'x'));
}

TEST(TextTrimming, TrimsOnlyTheChosenCodePointsAtBothEnds) {
    EXPECT_EQ(text::trimming(" \t caf\u00e9 au lait\u00a0 ", text::isWhitespace), "caf\u00e9 au lait");
    EXPECT_EQ(text::trimming("\n x \n", text::isWhitespace), "\n x \n");
    EXPECT_EQ(text::trimming("\n x \n", text::isWhitespaceOrNewline), "x");
    EXPECT_EQ(text::trimming(" \t ", text::isWhitespace), "");
    EXPECT_EQ(text::trimming("", text::isWhitespace), "");
    EXPECT_EQ(text::trimming("12ab34", text::isNumber), "ab");
    EXPECT_EQ(text::trimming("\u00e9x\u00e9", text::isLetter), "");
}

TEST(PathExtension, LowerCasesNonASCIIExtensions) {
    namespace path = ordane::platform::path;
    EXPECT_EQ(path::extension("/a/Fichier.\u00c9T\u00c9"), "\u00e9t\u00e9");
    EXPECT_EQ(path::extension("/a/x.JP\u00c9G"), "jp\u00e9g");
    EXPECT_EQ(path::extension("/a/x.\u03a3\u0391"), "\u03c3\u03b1");
    EXPECT_EQ(path::extension("/a/x.DOCX"), "docx");
}
