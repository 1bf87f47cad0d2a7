#include "OrdanePlatform/Text/IcuText.hpp"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <limits>
#include <new>
#include <stdexcept>

namespace ordane::platform::text::icu_text {

int32_t checkedLength(std::string_view text) {
    if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        throw std::length_error("text too long for Unicode processing");
    }
    return static_cast<int32_t>(text.size());
}

icu::UnicodeString toUnicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), checkedLength(text)));
}

std::string toUTF8(const icu::UnicodeString& text) {
    std::string result;
    text.toUTF8String(result);
    return result;
}

int32_t MappedText::utf16Index(size_t byteOffset) const {
    auto it = std::lower_bound(byteOffsets.begin(), byteOffsets.end(), static_cast<int64_t>(byteOffset),
                               [](int32_t offset, int64_t wanted) { return offset < wanted; });
    return static_cast<int32_t>(it - byteOffsets.begin());
}

MappedText toMappedUnicode(std::string_view text) {
    const int32_t length = checkedLength(text);
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    MappedText mapped;
    mapped.byteOffsets.reserve(text.size() + 1);
    // Written straight into the string's buffer: appending one code point at a time costs more
    // than the regular expressions that search the result. UTF-16 never needs more units than
    // UTF-8 has bytes.
    UChar* units = mapped.string.getBuffer(std::max(length, int32_t{1}));
    if (units == nullptr) throw std::bad_alloc();
    int32_t count = 0;
    int32_t i = 0;
    while (i < length) {
        const int32_t start = i;
        if (bytes[i] < 0x80) {
            units[count++] = bytes[i++];
            mapped.byteOffsets.push_back(start);
            continue;
        }
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) c = 0xFFFD;
        if (U16_LENGTH(c) == 2) {
            units[count++] = U16_LEAD(c);
            units[count++] = U16_TRAIL(c);
            mapped.byteOffsets.push_back(start);
        } else {
            units[count++] = static_cast<UChar>(c);
        }
        mapped.byteOffsets.push_back(start);
    }
    mapped.string.releaseBuffer(count);
    mapped.byteOffsets.push_back(length);
    return mapped;
}

void check(UErrorCode status, const char* operation) {
    if (U_FAILURE(status)) throw std::runtime_error(std::string(operation) + ": " + u_errorName(status));
}

}  // namespace ordane::platform::text::icu_text
