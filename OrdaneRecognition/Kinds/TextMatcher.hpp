#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdaneRecognition/Kinds/PreparedText.hpp"

namespace ordane {

// A small declarative test of a document's text: at least N of a set of phrases occur, or a
// regular expression matches at least N times, in the head of the text or in all of it.
struct TextMatcher {
    // How a phrase must sit in the text to count.
    enum class Boundary {
        anywhere,   // a plain substring
        wordStart,  // starts where a word starts, may end inside one: "gate" is found in "gates", not in "navigate"
    };

    // Phrases are searched in the prepared (folded, lower-cased) text and stored exactly as
    // written, so a phrase with a diacritic never occurs. Each distinct phrase counts once; at
    // least one must occur even when `minHits` is below 1.
    struct Phrases {
        std::vector<std::string> phrases;
        TextRegion region = TextRegion::all;
        int minHits = 1;
        Boundary boundary = Boundary::anywhere;
        bool operator==(const Phrases&) const = default;
    };
    // An ICU pattern counted over the raw text (its first 400 characters for `head`), in the
    // prepared form that bounds long runs; an expression that does not compile never matches.
    struct Pattern {
        std::string pattern;
        platform::text::RegexOptions options = platform::text::RegexOptions::none;
        TextRegion region = TextRegion::all;
        int minHits = 1;
        bool operator==(const Pattern&) const = default;
    };

    std::variant<Phrases, Pattern> value;

    static TextMatcher phrases(std::initializer_list<std::string_view> phrases, TextRegion region, int minHits,
                               Boundary boundary = Boundary::anywhere);
    static TextMatcher regex(std::string_view pattern, platform::text::RegexOptions options, TextRegion region,
                             int minHits);

    bool matches(const PreparedText& prepared) const;
    // The same with patterns searching `rawText` (for callers with patterns only, which need not
    // prepare the folded text).
    bool matches(const PreparedText& prepared, std::string_view rawText) const;

    // The alternatives of a pattern's outermost "|", each with the pattern's leading flags; empty
    // when it has none, or when splitting could change their meaning (flags set part-way, free
    // spacing, quoted stretches). At least one match of the pattern is one of an alternative.
    static std::vector<std::string> topLevelAlternatives(std::string_view pattern);

    // True when `word` occurs in `text` with no letter or digit right before or right after it.
    // Both are compared byte for byte, so give them in the same (folded) form.
    static bool containsWord(std::string_view text, std::string_view word);
    // True when `word` occurs in `text` with no letter or digit right before it; it may run on
    // into a longer word ("seat" in "seats").
    static bool containsWordStart(std::string_view text, std::string_view word);

    bool operator==(const TextMatcher&) const = default;
};

}  // namespace ordane
