#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct UConverter;

namespace ordane::platform {

// A small reader of RTF's plain text, fed in pieces of any size. It knows groups, control words
// and symbols, \uN (its fallback characters skipped as \ucN says), \'hh bytes (read through the
// document's code page, \ansicpgN, Windows-1252 by default) and \binN data. Destinations that
// hold no body text (font, colour and style tables, document information, pictures, headers,
// footers, footnotes, comments, field instructions and every \* destination) are skipped, and so
// are hidden text (\v) and tracked deletions. Paragraph and line ends become "\n", tabs "\t".
// Groups are kept on a list, not the call stack, so deep or unbalanced nesting is harmless.
class RtfReader {
public:
    RtfReader();
    ~RtfReader();
    RtfReader(const RtfReader&) = delete;
    RtfReader& operator=(const RtfReader&) = delete;

    void feed(std::string_view bytes);
    // The text read; nothing when the input does not begin with "{\rtf".
    std::optional<std::string> finish();

    // The whole document at once.
    static std::optional<std::string> readText(std::string_view document);

private:
    enum class State { start, text, escape, word, parameter, hexHigh, hexLow, binary };
    struct Group {
        bool skipped = false;  // a destination that is not body text
        bool hidden = false;   // \v
        bool deleted = false;  // \deleted: a tracked deletion
        int fallbackLength = 1;  // \ucN
        bool shown() const { return !skipped && !hidden && !deleted; }
    };

    void byte(char c);
    void controlWord();
    void controlSymbol(char c);
    void plainByte(char c);
    void appendUTF8(std::string_view utf8);
    void appendCodePoint(char32_t c);
    void flushCodePageBytes();
    void setCodePage(int64_t codePage);
    Group& group() { return groups_.back(); }
    bool countsAsFallback();

    State state_ = State::start;
    std::string startSeen_;
    bool isRtf_ = false;
    std::vector<Group> groups_;
    bool groupJustOpened_ = false;
    std::string word_;
    std::string parameter_;
    int hex_ = 0;
    int64_t binaryLeft_ = 0;
    int64_t fallbackLeft_ = 0;
    char16_t highSurrogate_ = 0;
    bool codePageChosen_ = false;
    std::string codePageBytes_;
    UConverter* converter_ = nullptr;
    std::string text_;
};

}  // namespace ordane::platform
