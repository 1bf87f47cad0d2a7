#include "OrdaneCore/Foundation/JsonReader.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace ordane {

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }

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
    char c = peek();
    ++position_;
    if (c == ',') return true;
    if (c == close) return false;
    fail(std::string("expected ',' or '") + close + "'");
}

std::string JsonReader::readKey() {
    if (peek() != '"') fail("expected a key");
    std::string key = readString();
    expect(':');
    return key;
}

void JsonReader::finish() {
    skipWhitespace();
    if (position_ != text_.size()) fail("text after the value");
}

Json JsonReader::readValue() { return readValue(0); }

Json JsonReader::readValue(int depth) {
    if (depth > maxDepth) fail("nested too deeply");
    char c = peek();
    switch (c) {
        case '{': {
            ++position_;
            Json object = Json::object();
            if (closeIfEmpty('}')) return object;
            do {
                std::string key = readKey();
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
            return Json(readString());
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

std::string JsonReader::readString() {
    ++position_;  // the opening quote
    std::string out;
    for (;;) {
        size_t start = position_;
        while (position_ < text_.size()) {
            auto c = static_cast<unsigned char>(text_[position_]);
            if (c == '"' || c == '\\' || c < 0x20) break;
            ++position_;
        }
        out.append(text_.data() + start, position_ - start);
        if (position_ >= text_.size()) fail("unterminated string");
        char c = text_[position_++];
        if (c == '"') break;
        if (c != '\\') fail("control character in a string");
        appendEscape(out);
    }
    if (!json::isValidUTF8(out)) fail("string is not valid UTF-8");
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

Json JsonReader::readNumber() {
    // JSON's grammar exactly: no "+", no leading zeros, digits on both sides of ".", no "inf".
    const size_t start = position_;
    const size_t end = text_.size();
    bool negative = text_[position_] == '-';
    if (negative) ++position_;
    auto digits = [&] {
        size_t first = position_;
        while (position_ < end && isDigit(text_[position_])) ++position_;
        if (position_ == first) fail("expected a digit");
    };
    bool integral = true;
    if (position_ < end && text_[position_] == '0') {
        ++position_;
    } else {
        digits();
    }
    if (position_ < end && text_[position_] == '.') {
        integral = false;
        ++position_;
        digits();
    }
    if (position_ < end && (text_[position_] == 'e' || text_[position_] == 'E')) {
        integral = false;
        ++position_;
        if (position_ < end && (text_[position_] == '+' || text_[position_] == '-')) ++position_;
        digits();
    }
    const char* first = text_.data() + start;
    const char* last = text_.data() + position_;
    if (integral) {
        if (negative) {
            int64_t value = 0;
            if (std::from_chars(first, last, value).ec == std::errc()) return Json(value);
        } else {
            uint64_t value = 0;
            if (std::from_chars(first, last, value).ec == std::errc()) return Json(value);
        }
        // Too large for 64 bits: a double, as the tree parser gives.
    }
    double value = 0;
    auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) fail("number out of range");
    return Json(value);
}

}  // namespace ordane
