#include "OrdaneCore/Foundation/JsonReader.hpp"

#include "OrdaneCore/Foundation/JsonWriter.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace ordane {

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// Exact doubles: a mantissa below 2^53 scaled by one of these is one correctly rounded operation
// on two exact doubles, so it equals what strtod gives.
constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                  1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

#ifdef __SSE2__
constexpr uint64_t wholePowersOfTen[] = {1,           10,           100,           1000,           10000,
                                         100000,      1000000,      10000000,      100000000,      1000000000,
                                         10000000000, 100000000000, 1000000000000, 10000000000000, 100000000000000,
                                         1000000000000000};

// The value of the `count` (1 to 8) decimal digits at `text`, where eight bytes may be read.
[[gnu::always_inline]] inline uint64_t eightDigitsValue(const char* text, size_t count) {
    static_assert(std::endian::native == std::endian::little);
    uint64_t word;
    std::memcpy(&word, text, 8);
    // The first digit is the lowest byte: shifted up, the digits get zeros in front and what
    // follows them falls out. A digit's low four bits are its value; three steps pair them up.
    word <<= 8 * (8 - count);
    word = ((word & 0x0F0F0F0F0F0F0F0Full) * 2561) >> 8;
    word = ((word & 0x00FF00FF00FF00FFull) * 6553601) >> 16;
    return ((word & 0x0000FFFF0000FFFFull) * 42949672960001ull) >> 32;
}

// The same for 1 to 16 digits, where at least eight bytes may be read.
[[gnu::always_inline]] inline uint64_t digitsValue(const char* text, size_t count) {
    if (count <= 8) return eightDigitsValue(text, count);
    return eightDigitsValue(text, count - 8) * 100000000 + eightDigitsValue(text + count - 8, 8);
}
#endif

// Most keys and strings are plain ASCII, valid as they are: told inline, eight bytes at a time;
// only text with a byte of 0x80 or more goes through the full UTF-8 check.
bool isValidText(std::string_view text) {
    constexpr uint64_t highBits = 0x8080808080808080ull;
    size_t i = 0;
    for (uint64_t word; i + 8 <= text.size(); i += 8) {
        std::memcpy(&word, text.data() + i, 8);
        if ((word & highBits) != 0) break;
    }
    for (; i < text.size(); ++i) {
        // What came before is ASCII, so no sequence starts there: only the rest is checked.
        if ((static_cast<unsigned char>(text[i]) & 0x80) != 0) return json::isValidUTF8(text.substr(i));
    }
    return true;
}

void appendUTF8(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}
// Whether a JSON number's magnitude is below 1: the decimal exponent of its first non-zero digit
// plus its explicit exponent is negative. Exponents are capped far beyond any double's range.
bool isBelowOne(std::string_view number) {
    constexpr int64_t cap = int64_t{1} << 40;
    size_t i = number[0] == '-' ? 1 : 0;
    int64_t leading = 0;
    bool found = false;
    for (; i < number.size() && isDigit(number[i]); ++i) {
        if (found) {
            leading = std::min(leading + 1, cap);
        } else if (number[i] != '0') {
            found = true;
        }
    }
    if (i < number.size() && number[i] == '.') {
        for (++i; i < number.size() && isDigit(number[i]); ++i) {
            if (found) continue;
            leading = std::max(leading - 1, -cap);
            if (number[i] != '0') found = true;
        }
    }
    if (!found) return true;
    int64_t exponent = 0;
    if (i < number.size()) {  // "e" or "E"
        ++i;
        bool negative = i < number.size() && number[i] == '-';
        if (i < number.size() && (number[i] == '-' || number[i] == '+')) ++i;
        for (; i < number.size(); ++i) exponent = std::min(exponent * 10 + (number[i] - '0'), cap);
        if (negative) exponent = -exponent;
    }
    return leading + exponent < 0;
}
}  // namespace

void JsonReader::fail(std::string_view message) const {
    throw DecodingError("Malformed JSON at byte " + std::to_string(position_) + ": " + std::string(message));
}

void JsonReader::skipWhitespace() {
    while (position_ < text_.size()) {
        char c = text_[position_];
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return;
        ++position_;
    }
}

char JsonReader::peek() {
    skipWhitespace();
    if (position_ >= text_.size()) fail("unexpected end");
    return text_[position_];
}

void JsonReader::expect(char c) {
    if (peek() != c) fail(std::string("expected '") + c + "'");
    ++position_;
}

void JsonReader::expectWord(std::string_view word) {
    if (text_.substr(position_, word.size()) != word) fail("unknown literal");
    position_ += word.size();
}

void JsonReader::enterObject() { expect('{'); }

bool JsonReader::closeIfEmpty(char close) {
    if (peek() != close) return false;
    ++position_;
    return true;
}

bool JsonReader::continueAfterElement(char close) {
    // Compact text: the separator comes straight after the element.
    char c = position_ < text_.size() ? text_[position_] : ' ';
    if (isSpace(c)) c = peek();
    ++position_;
    if (c == ',') return true;
    if (c == close) return false;
    fail(std::string("expected ',' or '") + close + "'");
}

std::string_view JsonReader::readKey() {
    if (peek() != '"') fail("expected a key");
    // The usual key has no escapes: read in place, with no string built.
    const size_t start = position_ + 1;
    const size_t run = json::plainRunLength(text_.substr(start));
    std::string_view key;
    if (start + run < text_.size() && text_[start + run] == '"') {
        key = text_.substr(start, run);
        position_ = start + run + 1;
        if (!isValidText(key)) fail("string is not valid UTF-8");
    } else {
        keyBuffer_ = readStringBody();
        key = keyBuffer_;
    }
    expect(':');
    return key;
}

void JsonReader::missingKey(std::string_view key) {
    throw DecodingError("Missing key \"" + std::string(key) + "\"");
}

void JsonReader::finish() {
    skipWhitespace();
    if (position_ != text_.size()) fail("text after the value");
}

Json JsonReader::readValue() { return readValue(0); }

namespace {
// The first '"', '{', '}', '[' or ']' at or after `position`: inside a container nothing else
// matters to a skim. Thirty-two bytes at a time over the numbers that fill most of a large file.
size_t nextStructural(std::string_view text, size_t position) {
    // Setting bit 0x20 folds '[' onto '{' and ']' onto '}'.
#ifdef __SSE2__
    const __m128i fold = _mm_set1_epi8(0x20);
    const __m128i open = _mm_set1_epi8('{');
    const __m128i close = _mm_set1_epi8('}');
    const __m128i quote = _mm_set1_epi8('"');
    auto found = [&](size_t at) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
        __m128i folded = _mm_or_si128(bytes, fold);
        return _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(folded, open), _mm_cmpeq_epi8(folded, close)),
                                              _mm_cmpeq_epi8(bytes, quote)));
    };
    while (position + 32 <= text.size()) {
        const auto mask = static_cast<unsigned>(found(position)) | (static_cast<unsigned>(found(position + 16)) << 16);
        if (mask != 0) return position + static_cast<size_t>(__builtin_ctz(mask));
        position += 32;
    }
#endif
    auto structural = [](char c) { return c == '"' || (c | 0x20) == '{' || (c | 0x20) == '}'; };
    while (position < text.size() && !structural(text[position])) ++position;
    return position;
}

// The first '"' or '\\' at or after `position`: where a string may end, for a skim.
size_t nextQuoteOrEscape(std::string_view text, size_t position) {
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    auto found = [&](size_t at) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
        return _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)));
    };
    while (position + 32 <= text.size()) {
        const auto mask = static_cast<unsigned>(found(position)) | (static_cast<unsigned>(found(position + 16)) << 16);
        if (mask != 0) return position + static_cast<size_t>(__builtin_ctz(mask));
        position += 32;
    }
#endif
    while (position < text.size() && text[position] != '"' && text[position] != '\\') ++position;
    return position;
}
#if defined(__x86_64__) && defined(__GNUC__)
#define ORDANE_BLOCKWISE_SKIM 1
// Where the quotes, backslashes, opening and closing brackets of 64 bytes stand, a bit a byte.
struct ByteMasks {
    uint64_t quote = 0;
    uint64_t backslash = 0;
    uint64_t open = 0;
    uint64_t close = 0;
};

// Thirty-two bytes a step: with sixteen, finding the masks costs as much as the byte-by-byte skim.
[[gnu::target("avx2"), gnu::always_inline]] inline ByteMasks masksOf(const char* bytes) {
    ByteMasks masks;
    for (int half = 0; half < 2; ++half) {
        const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 32 * half));
        // Setting bit 0x20 folds '[' onto '{' and ']' onto '}'.
        const __m256i folded = _mm256_or_si256(raw, _mm256_set1_epi8(0x20));
        const __m256i found[] = {_mm256_cmpeq_epi8(raw, _mm256_set1_epi8('"')), _mm256_cmpeq_epi8(raw, _mm256_set1_epi8('\\')),
                                 _mm256_cmpeq_epi8(folded, _mm256_set1_epi8('{')), _mm256_cmpeq_epi8(folded, _mm256_set1_epi8('}'))};
        uint64_t* const targets[] = {&masks.quote, &masks.backslash, &masks.open, &masks.close};
        for (int k = 0; k < 4; ++k) {
            *targets[k] |= static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(found[k]))) << (32 * half);
        }
    }
    return masks;
}

// Each bit set where an odd number of bits are set at or below it: the bytes from an opening
// quote up to its closing one.
[[gnu::always_inline]] inline uint64_t prefixXor(uint64_t bits) {
    for (int shift = 1; shift < 64; shift *= 2) bits ^= bits << shift;
    return bits;
}

bool hasBlockwiseSkim() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
}

// Where the container opening at `position` ends, as skimEnd finds it byte by byte, found 64
// bytes at a time from masks: escaped bytes from the backslashes, the bytes inside strings from
// the quotes left, then the depth from the brackets outside strings. npos when the text ends
// first; `unsure` when a backslash stands outside a string, which the byte-by-byte skim decides.
[[gnu::target("avx2")]] size_t blockwiseContainerEnd(std::string_view text, size_t position, bool& unsure) {
    constexpr size_t block = 64;
    const size_t end = text.size();
    size_t depth = 0;
    uint64_t escapedCarry = 0;   // bit 0: the block starts with an escaped byte
    uint64_t inStringCarry = 0;  // all bits: the block starts inside a string
    unsure = false;
    for (size_t at = position; at < end; at += block) {
        char padded[block];
        const char* bytes = text.data() + at;
        if (end - at < block) {
            // Spaces are nothing to a skim.
            std::memset(padded, ' ', block);
            std::memcpy(padded, bytes, end - at);
            bytes = padded;
        }
        const ByteMasks masks = masksOf(bytes);
        uint64_t escaped = escapedCarry;
        escapedCarry = 0;
        for (uint64_t pending = masks.backslash & ~escaped; pending != 0;) {
            const uint64_t backslash = pending & (~pending + 1);
            const uint64_t next = backslash << 1;  // none past the block's last byte
            if (next == 0) escapedCarry = 1;
            escaped |= next;
            pending &= ~(backslash | next);
        }
        const uint64_t inString = prefixXor(masks.quote & ~escaped) ^ inStringCarry;
        inStringCarry = static_cast<uint64_t>(static_cast<int64_t>(inString) >> 63);
        if ((masks.backslash & ~escaped & ~inString) != 0) {
            unsure = true;
            return std::string_view::npos;
        }
        const uint64_t opens = masks.open & ~inString;
        const uint64_t closes = masks.close & ~inString;
        if (depth > static_cast<size_t>(std::popcount(closes))) {
            // Fewer closings than open containers: this block can't end the value.
            depth += static_cast<size_t>(std::popcount(opens));
            depth -= static_cast<size_t>(std::popcount(closes));
            continue;
        }
        for (uint64_t brackets = opens | closes; brackets != 0; brackets &= brackets - 1) {
            const uint64_t bracket = brackets & (~brackets + 1);
            if ((opens & bracket) != 0) {
                ++depth;
            } else if (--depth == 0) {
                return at + static_cast<size_t>(std::countr_zero(bracket)) + 1;
            }
        }
    }
    return std::string_view::npos;
}
#endif
}  // namespace

std::string_view JsonReader::skimValue() {
    skipWhitespace();
    const size_t start = position_;
    const size_t end = skimEnd(text_, start);
    if (end == std::string_view::npos) {
        position_ = text_.size();
        fail("unexpected end");
    }
    position_ = end;
    return text_.substr(start, end - start);
}

size_t JsonReader::skimEnd(std::string_view text, size_t position) {
    constexpr size_t incomplete = std::string_view::npos;
    const size_t end = text.size();
    size_t depth = 0;
#ifdef ORDANE_BLOCKWISE_SKIM
    if (position < end && (text[position] == '{' || text[position] == '[') && hasBlockwiseSkim()) {
        bool unsure = false;
        const size_t containerEnd = blockwiseContainerEnd(text, position, unsure);
        if (!unsure) return containerEnd;
    }
#endif
    while (position < end) {
        if (depth > 0) {
            position = nextStructural(text, position);
            if (position >= end) break;
        }
        char c = text[position];
        if (c == '"') {
            ++position;
            for (;;) {
                position = nextQuoteOrEscape(text, position);
                if (position >= end) return incomplete;
                char stop = text[position++];
                if (stop == '"') break;
                if (stop != '\\') continue;
                if (position >= end) return incomplete;
                ++position;  // the escaped character, whatever it is
            }
            if (depth == 0) return position;
            continue;
        }
        if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (depth == 0) return position;  // the end of the enclosing value: a scalar ended here
            ++position;
            if (--depth == 0) return position;
            continue;
        } else if (depth == 0 && (c == ',' || c == ' ' || c == '\n' || c == '\r' || c == '\t')) {
            return position;
        }
        ++position;
    }
    return depth > 0 ? incomplete : position;
}

bool JsonReader::readNull() {
    if (peek() != 'n') return false;
    expectWord("null");
    return true;
}

Json JsonReader::readValue(int depth) {
    if (depth > maxDepth) fail("nested too deeply");
    char c = peek();
    switch (c) {
        case '{': {
            ++position_;
            Json object = Json::object();
            if (closeIfEmpty('}')) return object;
            do {
                std::string key(readKey());
                object[std::move(key)] = readValue(depth + 1);
            } while (continueAfterElement('}'));
            return object;
        }
        case '[': {
            ++position_;
            Json array = Json::array();
            if (closeIfEmpty(']')) return array;
            do {
                array.push_back(readValue(depth + 1));
            } while (continueAfterElement(']'));
            return array;
        }
        case '"':
            return Json(readStringBody());
        case 't':
            expectWord("true");
            return Json(true);
        case 'f':
            expectWord("false");
            return Json(false);
        case 'n':
            expectWord("null");
            return Json(nullptr);
        default:
            if (c == '-' || isDigit(c)) return readNumber();
            fail("unexpected character");
    }
}

bool JsonReader::readBool() {
    const char c = peek();
    if (c == 't') {
        expectWord("true");
        return true;
    }
    if (c == 'f') {
        expectWord("false");
        return false;
    }
    throw DecodingError("Expected a Boolean");
}

std::string JsonReader::readString() {
    if (peek() != '"') throw DecodingError("Expected a string");
    return readStringBody();
}

std::string JsonReader::readStringBody() {
    const size_t start = position_;
    ++position_;  // the opening quote
    std::string out;
    for (;;) {
        size_t run = json::plainRunLength(text_.substr(position_));
        if (out.empty() && position_ + run < text_.size() && text_[position_ + run] == '\\') {
            // Escapes only shorten a string: its written length is room enough, taken at once.
            const size_t end = skimEnd(text_, start);
            if (end != std::string_view::npos) out.reserve(end - start);
        }
        out.append(text_.data() + position_, run);
        position_ += run;
        if (position_ >= text_.size()) fail("unterminated string");
        char c = text_[position_++];
        if (c == '"') break;
        if (c != '\\') fail("control character in a string");
        appendEscape(out);
    }
    if (!isValidText(out)) fail("string is not valid UTF-8");
    return out;
}

void JsonReader::appendEscape(std::string& out) {
    if (position_ >= text_.size()) fail("unterminated escape");
    char c = text_[position_++];
    switch (c) {
        case '"': out += '"'; return;
        case '\\': out += '\\'; return;
        case '/': out += '/'; return;
        case 'b': out += '\b'; return;
        case 'f': out += '\f'; return;
        case 'n': out += '\n'; return;
        case 'r': out += '\r'; return;
        case 't': out += '\t'; return;
        case 'u': break;
        default: fail("unknown escape");
    }
    uint32_t codePoint = readHex4();
    if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) fail("lone low surrogate");
    if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
        if (text_.substr(position_, 2) != "\\u") fail("lone high surrogate");
        position_ += 2;
        uint32_t low = readHex4();
        if (low < 0xDC00 || low > 0xDFFF) fail("lone high surrogate");
        codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
    }
    appendUTF8(out, codePoint);
}

unsigned JsonReader::readHex4() {
    if (position_ + 4 > text_.size()) fail("short \\u escape");
    unsigned value = 0;
    auto result = std::from_chars(text_.data() + position_, text_.data() + position_ + 4, value, 16);
    if (result.ec != std::errc() || result.ptr != text_.data() + position_ + 4) fail("bad \\u escape");
    position_ += 4;
    return value;
}

JsonReader::NumberToken JsonReader::scanNumber() {
    // JSON's grammar exactly: no "+", no leading zeros, digits on both sides of ".", no "inf".
    const size_t start = position_;
    const size_t end = text_.size();
    NumberToken token;
    token.negative = text_[position_] == '-';
    if (token.negative) ++position_;
    auto digits = [&] {
        size_t first = position_;
        while (position_ < end && isDigit(text_[position_])) ++position_;
        if (position_ == first) fail("expected a digit");
    };
    if (position_ < end && text_[position_] == '0') {
        ++position_;
    } else {
        digits();
    }
    if (position_ < end && text_[position_] == '.') {
        token.integral = false;
        ++position_;
        digits();
    }
    if (position_ < end && (text_[position_] == 'e' || text_[position_] == 'E')) {
        token.integral = false;
        ++position_;
        if (position_ < end && (text_[position_] == '+' || text_[position_] == '-')) ++position_;
        digits();
    }
    token.text = text_.substr(start, position_ - start);
    return token;
}

Json JsonReader::readNumber() {
    NumberToken token = scanNumber();
    const char* first = token.text.data();
    const char* last = first + token.text.size();
    if (token.integral) {
        if (token.negative) {
            int64_t value = 0;
            if (std::from_chars(first, last, value).ec == std::errc()) return Json(value);
        } else {
            uint64_t value = 0;
            if (std::from_chars(first, last, value).ec == std::errc()) return Json(value);
        }
        // Too large for 64 bits: a double, as the tree parser gives.
    }
    return Json(parseDouble(token.text));
}

double JsonReader::parseDouble(std::string_view text) {
    // Exact fast path: a mantissa below 2^53 scaled by a power of ten up to 22 is one correctly
    // rounded operation on two exact doubles, so it equals what strtod gives.
    const auto& powers = powersOfTen;
    size_t i = 0;
    bool negative = text[0] == '-';
    if (negative) ++i;
    {
        // The usual short number ("2.0794415", "7.0e8"): at most 19 digits in all, so that every
        // digit fits the mantissa as it comes, zeros included.
        size_t k = i;
        uint64_t digits = 0;
        int64_t scale = 0;
        for (; k < text.size() && isDigit(text[k]); ++k) digits = digits * 10 + static_cast<uint64_t>(text[k] - '0');
        size_t count = k - i;
        if (k < text.size() && text[k] == '.') {
            const size_t first = ++k;
            for (; k < text.size() && isDigit(text[k]); ++k) digits = digits * 10 + static_cast<uint64_t>(text[k] - '0');
            count += k - first;
            scale = -static_cast<int64_t>(k - first);
        }
        if (k < text.size() && count <= 19) {  // exponent part, short enough to add up exactly
            ++k;
            bool negativeExponent = text[k] == '-';
            if (text[k] == '-' || text[k] == '+') ++k;
            if (text.size() - k > 4) {
                count = 20;  // too long: the general path below
            } else {
                int64_t explicitExponent = 0;
                for (; k < text.size(); ++k) explicitExponent = explicitExponent * 10 + (text[k] - '0');
                scale += negativeExponent ? -explicitExponent : explicitExponent;
            }
        }
        if (count <= 19 && digits <= (uint64_t{1} << 53) && scale >= -22 && scale <= 22) {
            double value = static_cast<double>(digits);
            value = scale < 0 ? value / powers[-scale] : value * powers[scale];
            return negative ? -value : value;
        }
    }
    uint64_t mantissa = 0;
    int significant = 0;
    int64_t exponent = 0;
    bool fast = true;
    auto addDigit = [&](char c, bool fraction) {
        if (mantissa == 0 && c == '0') {
            if (fraction) --exponent;
            return;
        }
        if (++significant > 19) {
            fast = false;
            return;
        }
        mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
        if (fraction) --exponent;
    };
    for (; i < text.size() && isDigit(text[i]); ++i) addDigit(text[i], false);
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && isDigit(text[i]); ++i) addDigit(text[i], true);
    }
    if (i < text.size()) {  // exponent part
        ++i;
        bool negativeExponent = text[i] == '-';
        if (text[i] == '-' || text[i] == '+') ++i;
        int64_t explicitExponent = 0;
        for (; i < text.size(); ++i) {
            if (explicitExponent > 100000) {
                fast = false;
                break;
            }
            explicitExponent = explicitExponent * 10 + (text[i] - '0');
        }
        exponent += negativeExponent ? -explicitExponent : explicitExponent;
    }
    if (fast && mantissa <= (uint64_t{1} << 53) && exponent >= -22 && exponent <= 22) {
        double value = static_cast<double>(mantissa);
        value = exponent < 0 ? value / powers[-exponent] : value * powers[exponent];
        return negative ? -value : value;
    }
    double value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    // Too small for a double rounds to zero, as strtod and the tree parser give; only too large is refused.
    if (result.ec == std::errc::result_out_of_range && isBelowOne(text)) return negative ? -0.0 : 0.0;
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(value)) {
        throw DecodingError("Number out of range: " + std::string(text));
    }
    return value;
}

bool JsonReader::readShortNumber(ShortNumber& number) {
    const size_t end = text_.size();
    size_t k = position_;
    number.negative = k < end && text_[k] == '-';
    if (number.negative) ++k;
    if (k >= end || !isDigit(text_[k])) return false;
    const size_t first = k;
    uint64_t digits = 0;
    if (text_[k] == '0') {
        ++k;
        if (k < end && isDigit(text_[k])) return false;  // a leading zero: the full scan says where it ends
    } else {
        for (; k < end && isDigit(text_[k]); ++k) digits = digits * 10 + static_cast<uint64_t>(text_[k] - '0');
    }
    size_t count = k - first;
    int64_t scale = 0;
    number.integral = true;
    if (k < end && text_[k] == '.') {
        const size_t fraction = ++k;
        for (; k < end && isDigit(text_[k]); ++k) digits = digits * 10 + static_cast<uint64_t>(text_[k] - '0');
        if (k == fraction) return false;
        count += k - fraction;
        scale = -static_cast<int64_t>(k - fraction);
        number.integral = false;
    }
    if (k < end && (text_[k] == 'e' || text_[k] == 'E')) {
        ++k;
        bool negativeExponent = k < end && text_[k] == '-';
        if (k < end && (text_[k] == '-' || text_[k] == '+')) ++k;
        const size_t exponent = k;
        int64_t explicitExponent = 0;
        for (; k < end && isDigit(text_[k]); ++k) {
            if (k - exponent == 4) return false;  // a long exponent goes the full way
            explicitExponent = explicitExponent * 10 + (text_[k] - '0');
        }
        if (k == exponent) return false;
        scale += negativeExponent ? -explicitExponent : explicitExponent;
        number.integral = false;
    }
    // Up to 19 digits every one fits, zeros included; more go the full way.
    if (count > 19) return false;
    number.digits = digits;
    number.scale = scale;
    position_ = k;
    return true;
}

int64_t JsonReader::readInt64() {
    if (char c = peek(); c != '-' && !isDigit(c)) throw DecodingError("Expected an integer");
    if (ShortNumber number; readShortNumber(number)) {
        if (!number.integral) throw DecodingError("Expected an integer");
        if (number.digits <= static_cast<uint64_t>(INT64_MAX)) {
            auto value = static_cast<int64_t>(number.digits);
            return number.negative ? -value : value;
        }
        if (number.negative && number.digits == static_cast<uint64_t>(INT64_MAX) + 1) return INT64_MIN;
        throw DecodingError("Integer out of range");
    }
    NumberToken token = scanNumber();
    if (!token.integral) throw DecodingError("Expected an integer");
    int64_t value = 0;
    auto result = std::from_chars(token.text.data(), token.text.data() + token.text.size(), value);
    if (result.ec != std::errc()) throw DecodingError("Integer out of range");
    return value;
}

uint64_t JsonReader::readUInt64() {
    if (char c = peek(); c != '-' && !isDigit(c)) throw DecodingError("Expected an unsigned integer");
    NumberToken token = scanNumber();
    if (!token.integral || token.negative) throw DecodingError("Expected a non-negative integer");
    uint64_t value = 0;
    auto result = std::from_chars(token.text.data(), token.text.data() + token.text.size(), value);
    if (result.ec != std::errc()) throw DecodingError("Integer out of range");
    return value;
}

size_t JsonReader::usualElementEnd(bool fractions, size_t maxDigits, ShortNumber& number) const {
    constexpr size_t unusual = std::string_view::npos;
    // Kept in locals: a store through `number` could alias the text and force it to be read again.
    const char* const text = text_.data();
    const size_t end = text_.size();
    size_t k = position_;
    const bool negative = k < end && text[k] == '-';
    if (negative) ++k;
#ifdef __SSE2__
    // Sixteen bytes at once: where the digits before and after a "." end, then the digits read
    // a word at a time, with no branch per digit. What this can't tell (a longer or unusual
    // number, the end of the text near) the byte-by-byte read below decides.
    if (k + 24 <= end) {
        const __m128i values = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + k)), _mm_set1_epi8('0'));
        const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(values, _mm_set1_epi8(9)), values);
        // Bits 16 and up are set, so a run of digits counts at most to the end of the sixteen.
        const unsigned others = ~static_cast<unsigned>(_mm_movemask_epi8(isDigit));
        const auto whole = static_cast<size_t>(__builtin_ctz(others));
        if (whole > 0 && (text[k] != '0' || whole == 1)) {
            size_t fraction = 0;
            size_t after = whole;
            if (fractions && text[k + whole] == '.') {
                fraction = static_cast<size_t>(__builtin_ctz(others >> (whole + 1)));
                after = whole + 1 + fraction;
            }
            if (after < 16 && (after == whole || fraction > 0) && whole + fraction <= maxDigits &&
                (text[k + after] == ',' || text[k + after] == ']')) {
                uint64_t digits = digitsValue(text + k, whole);
                if (fraction > 0) digits = digits * wholePowersOfTen[fraction] + digitsValue(text + k + whole + 1, fraction);
                number.negative = negative;
                number.digits = digits;
                number.scale = -static_cast<int64_t>(fraction);
                return k + after;
            }
        }
    }
#endif
    const size_t first = k;
    uint64_t digits = 0;
    if (k < end && text[k] == '0') {
        ++k;
    } else {
        const size_t last = std::min(end, first + maxDigits);
        for (; k < last && isDigit(text[k]); ++k) digits = digits * 10 + static_cast<uint64_t>(text[k] - '0');
    }
    const size_t count = k - first;
    int64_t scale = 0;
    if (fractions && count > 0 && k < end && text[k] == '.') {
        const size_t start = ++k;
        const size_t last = std::min(end, start + (maxDigits - count));
        for (; k < last && isDigit(text[k]); ++k) digits = digits * 10 + static_cast<uint64_t>(text[k] - '0');
        if (k == start) return unusual;
        scale = -static_cast<int64_t>(k - start);
    }
    if (count == 0 || k >= end || (text[k] != ',' && text[k] != ']')) return unusual;
    number.negative = negative;
    number.digits = digits;
    number.scale = scale;
    return k;
}

#ifdef __SSE2__
namespace {
// Where the digits, and the "," and "]" that end elements, stand in 64 bytes, a bit a byte.
struct NumberMasks {
    uint64_t digit = 0;
    uint64_t separator = 0;
};

NumberMasks numberMasksOf(const char* bytes) {
    NumberMasks masks;
    for (int part = 0; part < 4; ++part) {
        const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
        const __m128i values = _mm_sub_epi8(raw, _mm_set1_epi8('0'));
        const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(values, _mm_set1_epi8(9)), values);
        const __m128i separator = _mm_or_si128(_mm_cmpeq_epi8(raw, _mm_set1_epi8(',')), _mm_cmpeq_epi8(raw, _mm_set1_epi8(']')));
        masks.digit |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(digit))) << (16 * part);
        masks.separator |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(separator))) << (16 * part);
    }
    return masks;
}
}  // namespace

// Inline: a call per element costs as much as reading it.
[[gnu::always_inline]] inline bool JsonReader::usualElementIn(const char* block, size_t start, size_t end, uint64_t digits,
                                                              bool fractions, size_t maxDigits, ShortNumber& number) {
    const bool negative = block[start] == '-';
    const size_t first = start + (negative ? 1 : 0);
    if (first >= end) return false;
    size_t whole = end - first;
    size_t fraction = 0;
    // The bytes of the element after any "-" that are not digits: none, or one ".".
    if (const uint64_t others = ((uint64_t{1} << end) - (uint64_t{1} << first)) & ~digits; others != 0) {
        if (!fractions || (others & (others - 1)) != 0) return false;
        const auto point = static_cast<size_t>(std::countr_zero(others));
        if (block[point] != '.') return false;
        whole = point - first;
        fraction = end - point - 1;
        if (whole == 0 || fraction == 0) return false;
    }
    // A leading zero stands alone; sixteen digits at the most are read as words.
    if ((block[first] == '0' && whole > 1) || whole + fraction > std::min<size_t>(maxDigits, 16)) return false;
    uint64_t value = digitsValue(block + first, whole);
    if (fraction > 0) value = value * wholePowersOfTen[fraction] + digitsValue(block + first + whole + 1, fraction);
    number.negative = negative;
    number.digits = value;
    number.scale = -static_cast<int64_t>(fraction);
    return true;
}
#endif

template <class T, class Convert>
void JsonReader::readNumberArray(std::vector<T>& values, bool fractions, size_t maxDigits, Convert&& convert,
                                 T (JsonReader::*read)()) {
    values.clear();
    expect('[');
    if (closeIfEmpty(']')) return;
    for (;;) {
#ifdef __SSE2__
        // Sixty-four bytes at a time: where every element in them ends is known at once, so each
        // is read without waiting for the one before. An element that is not usual, and the
        // last bytes of the text, go one at a time below.
        while (position_ + 72 <= text_.size()) {
            const char* const block = text_.data() + position_;
            const NumberMasks masks = numberMasksOf(block);
            size_t start = 0;
            bool stopped = false;
            for (uint64_t separators = masks.separator; separators != 0; separators &= separators - 1) {
                const auto end = static_cast<size_t>(std::countr_zero(separators));
                ShortNumber number;
                if (!usualElementIn(block, start, end, masks.digit, fractions, maxDigits, number)) {
                    stopped = true;
                    break;
                }
                values.push_back(convert(number));
                start = end + 1;
                if (block[end] == ']') {
                    position_ += start;
                    return;
                }
            }
            position_ += start;
            if (stopped || start == 0) break;
        }
#endif
        ShortNumber number;
        const size_t end = usualElementEnd(fractions, maxDigits, number);
        if (end != std::string_view::npos) {
            values.push_back(convert(number));
            position_ = end + 1;
            if (text_[end] == ']') return;
            continue;
        }
        values.push_back((this->*read)());
        if (!continueAfterElement(']')) return;
    }
}

void JsonReader::readInt64Array(std::vector<int64_t>& values) {
    // Up to 18 digits fit whatever they are.
    readNumberArray(values, false, 18, [](const ShortNumber& number) {
        const auto value = static_cast<int64_t>(number.digits);
        return number.negative ? -value : value;
    }, &JsonReader::readInt64);
}

void JsonReader::readDoubleArray(std::vector<double>& values) {
    // Up to 15 digits are exact in a double, and one division by an exact power of ten rounds
    // the quotient correctly, as strtod does.
    readNumberArray(values, true, 15, [](const ShortNumber& number) {
        const double value = static_cast<double>(number.digits) / powersOfTen[-number.scale];
        return number.negative ? -value : value;
    }, &JsonReader::readDouble);
}

double JsonReader::readDouble() {
    if (char c = peek(); c != '-' && !isDigit(c)) throw DecodingError("Expected a number");
    // An integer too gives the correctly rounded double, as widening the tree parser's integer does.
    const size_t start = position_;
    if (ShortNumber number; readShortNumber(number)) {
        if (number.digits <= (uint64_t{1} << 53) && number.scale >= -22 && number.scale <= 22) {
            double value = static_cast<double>(number.digits);
            value = number.scale < 0 ? value / powersOfTen[-number.scale] : value * powersOfTen[number.scale];
            return number.negative ? -value : value;
        }
        position_ = start;
    }
    return parseDouble(scanNumber().text);
}

}  // namespace ordane
