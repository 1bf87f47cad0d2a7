#include "OrdanePlatform/Text/Text.hpp"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "OrdanePlatform/Text/IcuText.hpp"

namespace ordane::platform::text {

using icu_text::check;
using icu_text::checkedLength;
using icu_text::toUnicode;
using icu_text::toUTF8;

namespace {

const uint8_t* bytesOf(std::string_view text) { return reinterpret_cast<const uint8_t*>(text.data()); }

bool isASCII(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// Calls `f` with the text itself when it is valid UTF-8, otherwise with its repaired copy.
template <class F>
auto withValidUTF8(std::string_view text, F&& f) {
    if (isValidUTF8(text)) return f(text);
    const std::string repaired = validUTF8(text);
    return f(std::string_view(repaired));
}

// Grapheme boundaries are found by one iterator per thread: creating one is costly and an
// iterator must not be shared between threads.
icu::BreakIterator& characterBreaks() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        check(status, "character break iterator");
        return made;
    }();
    return *iterator;
}

// Calls `atEnd` with the byte offset where each character of valid UTF-8 text ends, in order,
// for as long as it returns true. In ASCII only CR LF is a character of two bytes.
template <class F>
void forEachCharacterEnd(std::string_view validText, F&& atEnd) {
    if (isASCII(validText)) {
        for (size_t i = 0; i < validText.size();) {
            i += (validText[i] == '\r' && i + 1 < validText.size() && validText[i + 1] == '\n') ? 2 : 1;
            if (!atEnd(i)) return;
        }
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UText, decltype(&utext_close)> utext(
        utext_openUTF8(nullptr, validText.data(), checkedLength(validText), &status), &utext_close);
    check(status, "open text");
    icu::BreakIterator& breaks = characterBreaks();
    breaks.setText(utext.get(), status);
    check(status, "set break iterator text");
    breaks.first();
    for (int32_t next = breaks.next(); next != icu::BreakIterator::DONE; next = breaks.next()) {
        if (!atEnd(static_cast<size_t>(next))) return;  // UTF-8 text: boundaries are byte offsets
    }
}

// Byte length of the first `count` characters of valid UTF-8 text.
size_t characterPrefixLength(std::string_view validText, size_t count, size_t& seen) {
    seen = 0;
    size_t length = 0;
    if (count == 0) return length;
    forEachCharacterEnd(validText, [&](size_t end) {
        length = end;
        return ++seen < count;
    });
    return length;
}

const icu::Normalizer2& normalizer(const icu::Normalizer2* (*instance)(UErrorCode&)) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* result = instance(status);
    check(status, "normalizer");
    return *result;
}

icu::UnicodeString withoutNonspacingMarks(const icu::UnicodeString& text) {
    // Collected in a plain buffer: appending to a UnicodeString one character at a time is slow.
    const char16_t* units = text.getBuffer();
    const int32_t length = text.length();
    std::u16string kept;
    kept.reserve(static_cast<size_t>(length));
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c;
        U16_NEXT(units, i, length, c);
        if (c < 0x80 || u_charType(c) != U_NON_SPACING_MARK) kept.append(units + start, units + i);
    }
    return icu::UnicodeString(kept.data(), static_cast<int32_t>(kept.size()));
}

bool inCategories(char32_t c, uint32_t mask) {
    return c <= 0x10FFFF && (U_GET_GC_MASK(static_cast<UChar32>(c)) & mask) != 0;
}

}  // namespace

bool isValidUTF8(std::string_view text) {
    const int32_t length = checkedLength(text);
    const uint8_t* bytes = bytesOf(text);
    for (int32_t i = 0; i < length;) {
        // Runs of ASCII, the common case in large stored files, eight bytes at a time.
        uint64_t word;
        while (i + 8 <= length && (std::memcpy(&word, bytes + i, 8), (word & 0x8080808080808080ull) == 0)) i += 8;
        if (i >= length) break;
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) return false;
    }
    return true;
}

std::string validUTF8(std::string_view text) {
    if (isValidUTF8(text)) return std::string(text);
    return toUTF8(toUnicode(text));
}

std::u32string codePoints(std::string_view text) {
    const int32_t length = checkedLength(text);
    const uint8_t* bytes = bytesOf(text);
    std::u32string result;
    result.reserve(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        result.push_back(c < 0 ? U'\uFFFD' : static_cast<char32_t>(c));
    }
    return result;
}

std::string fromCodePoints(std::u32string_view codePoints) {
    std::string result;
    result.reserve(codePoints.size());
    for (char32_t c : codePoints) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        uint8_t buffer[U8_MAX_LENGTH];
        int32_t length = 0;
        U8_APPEND_UNSAFE(buffer, length, static_cast<UChar32>(c));
        result.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(length));
    }
    return result;
}

std::string fromLatin1(std::string_view bytes) {
    std::u32string codePoints(bytes.size(), 0);
    for (size_t i = 0; i < bytes.size(); ++i) codePoints[i] = static_cast<unsigned char>(bytes[i]);
    return fromCodePoints(codePoints);
}

size_t characterCount(std::string_view text) {
    return withValidUTF8(text, [](std::string_view valid) {
        size_t seen = 0;
        characterPrefixLength(valid, valid.size(), seen);
        return seen;
    });
}

std::string prefix(std::string_view text, size_t count) {
    return withValidUTF8(text, [count](std::string_view valid) {
        size_t seen = 0;
        return std::string(valid.substr(0, characterPrefixLength(valid, count, seen)));
    });
}

std::vector<std::string> characters(std::string_view text) {
    return withValidUTF8(text, [](std::string_view valid) {
        std::vector<std::string> result;
        size_t start = 0;
        forEachCharacterEnd(valid, [&](size_t end) {
            result.emplace_back(valid.substr(start, end - start));
            start = end;
            return true;
        });
        return result;
    });
}

std::string folded(std::string_view text) {
    // ASCII has no marks to drop and folds to its lower case: no need to go through UTF-16.
    if (isASCII(text)) {
        std::string result(text);
        for (char& c : result) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
        }
        return result;
    }
    static const icu::Locale enUS("en_US");
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString decomposed =
        normalizer(icu::Normalizer2::getNFDInstance).normalize(toUnicode(text), status);
    check(status, "NFD");
    icu::UnicodeString result =
        normalizer(icu::Normalizer2::getNFCInstance).normalize(withoutNonspacingMarks(decomposed), status);
    check(status, "NFC");
    result.foldCase(U_FOLD_CASE_DEFAULT);
    result.toLower(enUS);
    return toUTF8(result);
}

std::string upperCased(std::string_view text) {
    icu::UnicodeString string = toUnicode(text);
    string.toUpper(icu::Locale::getRoot());
    return toUTF8(string);
}

std::string lowerCased(std::string_view text) {
    icu::UnicodeString string = toUnicode(text);
    string.toLower(icu::Locale::getRoot());
    return toUTF8(string);
}

std::string normalizedNFC(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString result = normalizer(icu::Normalizer2::getNFCInstance).normalize(toUnicode(text), status);
    check(status, "NFC");
    return toUTF8(result);
}

bool canonicallyEquivalent(std::string_view a, std::string_view b) {
    if (a == b) return true;
    if (!isValidUTF8(a) || !isValidUTF8(b)) return false;
    return normalizedNFC(a) == normalizedNFC(b);
}

bool isLetter(char32_t c) { return inCategories(c, U_GC_L_MASK | U_GC_M_MASK); }

bool isNumber(char32_t c) {
    return c <= 0x10FFFF && u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

bool isAlphanumeric(char32_t c) { return inCategories(c, U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK); }

bool isUpperCase(char32_t c) {
    return c <= 0x10FFFF && u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_UPPERCASE);
}

bool isLowerCase(char32_t c) {
    return c <= 0x10FFFF && u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_LOWERCASE);
}

bool isWhitespace(char32_t c) { return c == U'\t' || inCategories(c, U_GC_ZS_MASK); }

bool isWhitespaceOrNewline(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x85 || inCategories(c, U_GC_Z_MASK);
}

std::string trimming(std::string_view text, bool (*isTrimmed)(char32_t)) {
    return withValidUTF8(text, [isTrimmed](std::string_view valid) {
        const uint8_t* bytes = bytesOf(valid);
        int32_t begin = 0;
        int32_t end = checkedLength(valid);
        while (begin < end) {
            int32_t next = begin;
            UChar32 c;
            U8_NEXT(bytes, next, end, c);
            if (!isTrimmed(static_cast<char32_t>(c))) break;
            begin = next;
        }
        while (end > begin) {
            int32_t previous = end;
            UChar32 c;
            U8_PREV(bytes, begin, previous, c);
            if (!isTrimmed(static_cast<char32_t>(c))) break;
            end = previous;
        }
        return std::string(valid.substr(static_cast<size_t>(begin), static_cast<size_t>(end - begin)));
    });
}

}  // namespace ordane::platform::text
