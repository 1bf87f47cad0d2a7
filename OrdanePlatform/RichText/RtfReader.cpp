#include "OrdanePlatform/RichText/RtfReader.hpp"

#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <charconv>

#include "OrdanePlatform/Text/Text.hpp"

namespace ordane::platform {

namespace {

constexpr std::string_view rtfStart = "{\\rtf";
constexpr size_t longestWord = 32;       // no control word is longer; longer runs are garbage
constexpr size_t longestParameter = 11;  // a sign and ten digits

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Destinations whose text is not part of the body: tables, document information, pictures and
// objects, headers and footers, footnotes and their separators, comments, index and contents
// entries, old-style numbering definitions (the number itself is in \pntext), field instructions
// (their shown result is in \fldrslt).
bool isSkippedDestination(std::string_view word) {
    static constexpr std::array<std::string_view, 38> words{
        "fonttbl",   "colortbl",          "stylesheet", "info",         "pict",     "nonshppict", "object",
        "header",    "headerl",           "headerr",    "headerf",      "footer",   "footerl",    "footerr",
        "footerf",   "listtable",         "revtbl",     "rsidtbl",      "xmlnstbl", "filetbl",    "themedata",
        "datastore", "listoverridetable", "template",   "latentstyles", "fldinst",  "footnote",   "ftnsep",
        "ftnsepc",   "ftncn",             "aftnsep",    "aftnsepc",     "aftncn",   "annotation", "xe",
        "tc",        "tcn",               "pn"};
    for (std::string_view skipped : words) {
        if (word == skipped) return true;
    }
    return false;
}

// Control words that stand for one character.
char32_t characterOf(std::string_view word) {
    static constexpr std::array<std::pair<std::string_view, char32_t>, 19> characters{{
        {"par", U'\n'},       {"line", U'\n'},      {"sect", U'\n'},      {"page", U'\n'},     {"row", U'\n'},
        {"tab", U'\t'},       {"cell", U'\t'},      {"emdash", U'\u2014'}, {"endash", U'\u2013'}, {"bullet", U'\u2022'},
        {"lquote", U'\u2018'}, {"rquote", U'\u2019'}, {"ldblquote", U'\u201C'}, {"rdblquote", U'\u201D'},
        {"emspace", U'\u2003'}, {"enspace", U'\u2002'}, {"qmspace", U'\u2005'}, {"zwj", U'\u200D'}, {"zwnj", U'\u200C'},
    }};
    for (const auto& [name, character] : characters) {
        if (word == name) return character;
    }
    return 0;
}

}  // namespace

RtfReader::RtfReader() { groups_.push_back(Group{}); }

RtfReader::~RtfReader() {
    if (converter_) ucnv_close(converter_);
}

std::optional<std::string> RtfReader::readText(std::string_view document) {
    RtfReader reader;
    reader.feed(document);
    return reader.finish();
}

void RtfReader::feed(std::string_view bytes) {
    for (char c : bytes) {
        if (state_ == State::start) {
            if (startSeen_.size() >= rtfStart.size()) return;  // not RTF: nothing more to read
            startSeen_ += c;
            if (startSeen_.size() < rtfStart.size()) continue;
            if (startSeen_ != rtfStart) return;
            isRtf_ = true;
            state_ = State::text;
            for (char seen : rtfStart) byte(seen);
            continue;
        }
        byte(c);
    }
}

std::optional<std::string> RtfReader::finish() {
    if (!isRtf_) return std::nullopt;
    if (state_ == State::word || state_ == State::parameter) controlWord();
    state_ = State::text;
    flushCodePageBytes();
    if (highSurrogate_) appendCodePoint(0xFFFD);
    return text_;
}

void RtfReader::byte(char c) {
    switch (state_) {
        case State::start:
        case State::text:
            if (c == '\\') {
                state_ = State::escape;
            } else if (c == '{') {
                groups_.push_back(group());
                groupJustOpened_ = true;
                fallbackLeft_ = 0;
            } else if (c == '}') {
                if (groups_.size() > 1) groups_.pop_back();
                groupJustOpened_ = false;
                fallbackLeft_ = 0;
            } else if (c != '\r' && c != '\n') {
                plainByte(c);
            }
            return;
        case State::escape:
            if (isLetter(c)) {
                word_.assign(1, c);
                parameter_.clear();
                state_ = State::word;
            } else if (c == '\'') {
                state_ = State::hexHigh;
            } else {
                state_ = State::text;
                controlSymbol(c);
            }
            return;
        case State::word:
        case State::parameter:
            if (state_ == State::word && isLetter(c) && word_.size() < longestWord) {
                word_ += c;
                return;
            }
            if ((isDigit(c) || (c == '-' && state_ == State::word)) && parameter_.size() < longestParameter) {
                parameter_ += c;
                state_ = State::parameter;
                return;
            }
            state_ = State::text;
            controlWord();
            if (state_ == State::binary) {
                // The space after \binN delimits it; any other byte is already data.
                if (c != ' ' && --binaryLeft_ <= 0) state_ = State::text;
            } else if (c != ' ') {
                byte(c);
            }
            return;
        case State::hexHigh:
        case State::hexLow: {
            const int value = hexValue(c);
            if (value < 0) {  // a broken escape: read the byte as text
                state_ = State::text;
                byte(c);
                return;
            }
            if (state_ == State::hexHigh) {
                hex_ = value;
                state_ = State::hexLow;
                return;
            }
            state_ = State::text;
            groupJustOpened_ = false;
            if (countsAsFallback() || !group().shown()) return;
            codePageBytes_ += static_cast<char>(hex_ * 16 + value);
            return;
        }
        case State::binary:
            if (--binaryLeft_ <= 0) state_ = State::text;
            return;
    }
}

bool RtfReader::countsAsFallback() {
    if (fallbackLeft_ <= 0) return false;
    --fallbackLeft_;
    return true;
}

void RtfReader::plainByte(char c) {
    groupJustOpened_ = false;
    if (countsAsFallback() || !group().shown()) return;
    const auto value = static_cast<unsigned char>(c);
    if (value >= 0x80) {
        codePageBytes_ += c;  // raw bytes some writers leave unescaped
    } else if (c == '\t' || value >= 0x20) {
        appendCodePoint(static_cast<char32_t>(value));
    }
}

void RtfReader::controlWord() {
    std::optional<int64_t> parameter;
    int64_t value = 0;
    if (!parameter_.empty() &&
        std::from_chars(parameter_.data(), parameter_.data() + parameter_.size(), value).ec == std::errc()) {
        parameter = value;
    }
    const std::string_view word = word_;
    const bool first = groupJustOpened_;
    groupJustOpened_ = false;

    if (word == "bin") {  // binary data is skipped in every group, or its bytes would be read as RTF
        if (parameter && *parameter > 0) {
            binaryLeft_ = *parameter;
            state_ = State::binary;
        }
        return;
    }
    if (countsAsFallback()) return;
    if (first && isSkippedDestination(word)) group().skipped = true;
    if (group().skipped) return;

    // Hidden and deleted (tracked) text is character formatting: it lasts to its switch-off with a
    // zero parameter, to \plain, or to the end of the group.
    if (word == "v") {
        group().hidden = parameter.value_or(1) != 0;
    } else if (word == "deleted") {
        group().deleted = parameter.value_or(1) != 0;
    } else if (word == "plain") {
        group().hidden = group().deleted = false;
    } else if (word == "u" && parameter) {
        const int64_t unit = *parameter < 0 ? *parameter + 65536 : *parameter;
        if (group().shown()) appendCodePoint(unit >= 0 && unit <= 0xFFFF ? static_cast<char32_t>(unit) : 0xFFFD);
        fallbackLeft_ = group().fallbackLength;
    } else if (word == "uc" && parameter) {
        group().fallbackLength = static_cast<int>(std::clamp<int64_t>(*parameter, 0, 16));
    } else if (word == "ansicpg" && parameter) {
        setCodePage(*parameter);
    } else if (!codePageChosen_ && (word == "mac" || word == "pc" || word == "pca")) {
        setCodePage(word == "mac" ? 10000 : word == "pc" ? 437 : 850);
        codePageChosen_ = false;  // \ansicpg still wins
    } else if (char32_t character = characterOf(word); character && group().shown()) {
        appendCodePoint(character);
    }
}

void RtfReader::controlSymbol(char c) {
    if (c == '*') {
        group().skipped = true;
        return;
    }
    groupJustOpened_ = false;
    if (countsAsFallback() || !group().shown()) return;
    switch (c) {
        case '\\':
        case '{':
        case '}': appendCodePoint(static_cast<char32_t>(c)); break;
        case '~': appendCodePoint(U'\u00A0'); break;
        case '_': appendCodePoint(U'\u2011'); break;
        case '\n':
        case '\r': appendCodePoint(U'\n'); break;
        case '\t': appendCodePoint(U'\t'); break;
        default: break;  // \- optional hyphen, \: index entry, \| formula: nothing to show
    }
}

void RtfReader::appendCodePoint(char32_t c) {
    flushCodePageBytes();
    if (c >= 0xD800 && c <= 0xDBFF) {
        if (highSurrogate_) text_ += "\uFFFD";
        highSurrogate_ = static_cast<char16_t>(c);
        return;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) {
        if (!highSurrogate_) {
            text_ += "\uFFFD";
            return;
        }
        c = 0x10000 + ((static_cast<char32_t>(highSurrogate_) - 0xD800) << 10) + (c - 0xDC00);
        highSurrogate_ = 0;
    } else if (highSurrogate_) {
        highSurrogate_ = 0;
        text_ += "\uFFFD";
    }
    text_ += text::fromCodePoints(std::u32string_view(&c, 1));
}

void RtfReader::flushCodePageBytes() {
    if (codePageBytes_.empty()) return;
    std::string bytes;
    bytes.swap(codePageBytes_);
    if (!converter_) setCodePage(1252);
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString decoded(bytes.data(), static_cast<int32_t>(bytes.size()), converter_, status);
    if (highSurrogate_) {
        highSurrogate_ = 0;
        text_ += "\uFFFD";
    }
    if (U_SUCCESS(status)) {
        decoded.toUTF8String(text_);
    } else {
        text_ += text::fromLatin1(bytes);
    }
}

void RtfReader::setCodePage(int64_t codePage) {
    flushCodePageBytes();
    std::string name = codePage == 65001   ? "UTF-8"
                       : codePage == 10000 ? "macintosh"
                                           : "cp" + std::to_string(codePage);
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name.c_str(), &status);
    if (U_FAILURE(status) || !converter) {
        if (converter) ucnv_close(converter);
        status = U_ZERO_ERROR;
        converter = ucnv_open("windows-1252", &status);
        if (U_FAILURE(status)) return;
    }
    if (converter_) ucnv_close(converter_);
    converter_ = converter;
    codePageChosen_ = true;
}

}  // namespace ordane::platform
