#pragma once

#include <string>
#include <string_view>

#include "OrdanePlatform/Text/Regex.hpp"

namespace ordane {

// Which part of a text a matcher searches: the first 400 characters, or all of it.
enum class TextRegion { head, all };

// A sample text in the forms the matchers search, made once per document.
//
// Phrase matchers search the folded form: case and diacritics removed under "en_US", lower-cased.
// Pattern matchers search the raw text, except that a run of more than 64 white-space characters
// (as ICU's "\s" sees them) or of more than 64 full stops keeps only its first and last 32, with
// one line feed between them where the dropped middle broke a line. No pattern of the kind rules
// can tell the difference, and without it an expression such as "^\s*dear" retries every line of
// a long blank stretch to its end, which grows with the square of its length.
struct PreparedText {
    static constexpr size_t headCharacters = 400;
    static constexpr size_t longestRun = 64;

    std::string all;      // folded
    std::string head;     // the first 400 characters of `all`, or all of it when shorter
    std::string raw;      // the raw text, long runs shortened
    std::string rawHead;  // the first 400 characters of the raw text, long runs shortened
    platform::text::RegexText decodedRaw;      // `raw` and `rawHead` decoded once for the patterns
    platform::text::RegexText decodedRawHead;

    static PreparedText prepare(std::string_view rawText);
    // The text with its long runs shortened; the text itself when it has none.
    static std::string shortenedRuns(std::string_view text);

    const std::string& folded(TextRegion region) const { return region == TextRegion::head ? head : all; }
    const platform::text::RegexText& decoded(TextRegion region) const {
        return region == TextRegion::head ? decodedRawHead : decodedRaw;
    }
};

}  // namespace ordane
