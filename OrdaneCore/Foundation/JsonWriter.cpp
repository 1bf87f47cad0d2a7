#include "OrdaneCore/Foundation/JsonWriter.hpp"

#include "OrdaneCore/Foundation/JsonReader.hpp"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace ordane::json {

namespace {
void appendDigits(std::string& out, std::string_view digits) {
    out += digits;
    // Keep a whole number a floating-point number when read back.
    if (digits.find_first_of(".e") == std::string_view::npos) out += ".0";
}

template <class Integer>
void appendDecimal(std::string& out, Integer value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

bool needsEscape(unsigned char c) { return c == '"' || c == '\\' || c < 0x20; }
}  // namespace

size_t plainRunLength(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i lastControl = _mm_set1_epi8(0x1F);
    for (; i + 16 <= n; i += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        // Unsigned bytes up to 0x1F are the ones max(byte, 0x1F) leaves at 0x1F.
        __m128i control = _mm_cmpeq_epi8(_mm_max_epu8(bytes, lastControl), lastControl);
        __m128i found = _mm_or_si128(control, _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)));
        if (int mask = _mm_movemask_epi8(found)) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    while (i < n && !needsEscape(static_cast<unsigned char>(text[i]))) ++i;
    return i;
}

void appendString(std::string& out, std::string_view text) {
    if (!isValidUTF8(text)) throw EncodingError("Text is not valid UTF-8");
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    size_t i = 0;
    for (;;) {
        size_t run = plainRunLength(text.substr(i));
        out.append(text.data() + i, run);
        i += run;
        if (i >= text.size()) break;
        auto c = static_cast<unsigned char>(text[i++]);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0xF];
        }
    }
    out += '"';
}

void appendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) throw EncodingError("Cannot write a number that is not finite");
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    appendDigits(out, std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

void appendFloat32(std::string& out, float value) {
    if (!std::isfinite(value)) throw EncodingError("Cannot write a number that is not finite");
    // Term weights come from few distinct counts (1.0, 1 + ln 2, ...), so the text of recent
    // values is kept: the shortest form costs tens of nanoseconds, millions of times per save.
    struct Remembered {
        uint32_t bits = 0;
        uint8_t length = 0;  // 0: empty
        char text[31];
    };
    thread_local std::array<Remembered, 256> recent{};
    const auto bits = std::bit_cast<uint32_t>(value);
    Remembered& slot = recent[(bits * 0x9E3779B1u) >> 24];
    if (slot.length > 0 && slot.bits == bits) {
        out.append(slot.text, slot.length);
        return;
    }
    const size_t start = out.size();
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string_view digits(buffer, static_cast<size_t>(result.ptr - buffer));
    // Readers round the decimal to a double and then to a float; for a few floats the second
    // rounding lands on the neighbour. Those are written as their exact value instead.
    if (static_cast<float>(JsonReader::parseDouble(digits)) == value) {
        appendDigits(out, digits);
    } else {
        appendNumber(out, static_cast<double>(value));
    }
    if (out.size() - start <= sizeof slot.text) {
        slot.bits = bits;
        slot.length = static_cast<uint8_t>(out.size() - start);
        std::memcpy(slot.text, out.data() + start, slot.length);
    }
}

void appendInteger(std::string& out, int64_t value) { appendDecimal(out, value); }

void appendInteger(std::string& out, uint64_t value) { appendDecimal(out, value); }

void appendCompact(std::string& out, const Json& value) {
    switch (value.type()) {
        case Json::value_t::null:
            out += "null";
            return;
        case Json::value_t::boolean:
            out += value.get<bool>() ? "true" : "false";
            return;
        case Json::value_t::number_integer:
            appendDecimal(out, value.get<int64_t>());
            return;
        case Json::value_t::number_unsigned:
            appendDecimal(out, value.get<uint64_t>());
            return;
        case Json::value_t::number_float:
            appendNumber(out, value.get<double>());
            return;
        case Json::value_t::string:
            appendString(out, value.get_ref<const std::string&>());
            return;
        case Json::value_t::array: {
            out += '[';
            bool first = true;
            for (const Json& element : value) {
                if (!first) out += ',';
                first = false;
                appendCompact(out, element);
            }
            out += ']';
            return;
        }
        case Json::value_t::object: {
            out += '{';
            bool first = true;
            for (auto it = value.begin(); it != value.end(); ++it) {
                if (!first) out += ',';
                first = false;
                appendString(out, it.key());
                out += ':';
                appendCompact(out, it.value());
            }
            out += '}';
            return;
        }
        case Json::value_t::binary:
        case Json::value_t::discarded:
            break;
    }
    throw EncodingError("Cannot write this kind of JSON value");
}

}  // namespace ordane::json
