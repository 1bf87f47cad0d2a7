#pragma once

// Conversions between UTF-8 and ICU's UTF-16 strings, for the text module's own sources only.
// Ill-formed UTF-8 becomes U+FFFD, one per maximal ill-formed subsequence (ICU's substitution).

#include <unicode/unistr.h>
#include <unicode/utypes.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ordane::platform::text::icu_text {

// ICU indexes with 32-bit integers; longer texts are refused rather than silently cut.
int32_t checkedLength(std::string_view text);

icu::UnicodeString toUnicode(std::string_view text);
std::string toUTF8(const icu::UnicodeString& text);

// A decoded text that remembers, for each UTF-16 index, the byte offset in the UTF-8 it came from.
struct MappedText {
    icu::UnicodeString string;
    std::vector<int32_t> byteOffsets;  // one per UTF-16 unit, plus the end

    size_t byteOffset(int32_t utf16Index) const { return static_cast<size_t>(byteOffsets[utf16Index]); }
    // The UTF-16 index of the first code point starting at or after `byteOffset`.
    int32_t utf16Index(size_t byteOffset) const;
};

MappedText toMappedUnicode(std::string_view text);

// Throws std::runtime_error when an ICU call that cannot fail on good input did fail.
void check(UErrorCode status, const char* operation);

}  // namespace ordane::platform::text::icu_text
