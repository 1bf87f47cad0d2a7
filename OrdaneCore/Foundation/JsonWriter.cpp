#include "OrdaneCore/Foundation/JsonWriter.hpp"

#include <charconv>
#include <cmath>

namespace ordane::json {

namespace {
template <class Integer>
void appendInteger(std::string& out, Integer value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

bool needsEscape(unsigned char c) { return c == '"' || c == '\\' || c < 0x20; }
}  // namespace

void appendString(std::string& out, std::string_view text) {
    if (!isValidUTF8(text)) throw EncodingError("Text is not valid UTF-8");
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (!needsEscape(c)) continue;
        out.append(text.data() + start, i - start);
        start = i + 1;
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
    out.append(text.data() + start, text.size() - start);
    out += '"';
}

void appendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) throw EncodingError("Cannot write a number that is not finite");
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string_view digits(buffer, static_cast<size_t>(result.ptr - buffer));
    out += digits;
    // Keep a whole double a double when read back.
    if (digits.find_first_of(".e") == std::string_view::npos) out += ".0";
}

void appendCompact(std::string& out, const Json& value) {
    switch (value.type()) {
        case Json::value_t::null:
            out += "null";
            return;
        case Json::value_t::boolean:
            out += value.get<bool>() ? "true" : "false";
            return;
        case Json::value_t::number_integer:
            appendInteger(out, value.get<int64_t>());
            return;
        case Json::value_t::number_unsigned:
            appendInteger(out, value.get<uint64_t>());
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
