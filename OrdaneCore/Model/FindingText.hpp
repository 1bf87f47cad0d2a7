#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "OrdaneCore/Scan/FileRecord.hpp"

namespace ordane {

// A text a finding carries: immutable and shared, one pointer. A home of a million files has
// hundreds of thousands of findings, most of them saying one of a few sentences (every copy in a
// group, every recent screenshot): a copy of a text shares its characters. A text that is a
// record's path keeps the record itself and builds the path when asked for.
class FindingText {
public:
    FindingText() noexcept = default;  // ""
    FindingText(std::string_view text);
    FindingText(const std::string& text) : FindingText(std::string_view(text)) {}
    FindingText(const char* text) : FindingText(std::string_view(text)) {}
    // The path of the record. A path that is not UTF-8 is kept as text, with the bad bytes
    // replaced, since what a person reads and what is stored must be UTF-8.
    static FindingText pathOf(const FileRecord& record);

    FindingText(const FindingText& other) noexcept;
    FindingText(FindingText&& other) noexcept : bits_(other.bits_) { other.bits_ = 0; }
    FindingText& operator=(const FindingText& other) noexcept;
    FindingText& operator=(FindingText&& other) noexcept;
    ~FindingText();

    std::string str() const;
    operator std::string() const { return str(); }
    bool empty() const;
    // The characters as kept, without a copy; none for a record's path.
    std::optional<std::string_view> stored() const;
    // Both hold the same characters in the same place (a copy of one another).
    bool sharesStorageWith(const FindingText& other) const { return bits_ == other.bits_; }

    FindingText& operator+=(std::string_view more);

    friend bool operator==(const FindingText& a, const FindingText& b);
    friend bool operator==(const FindingText& a, std::string_view b);
    friend bool operator==(const FindingText& a, const std::string& b) { return a == std::string_view(b); }
    friend bool operator==(const FindingText& a, const char* b) { return a == std::string_view(b); }
    friend std::string operator+(const FindingText& a, std::string_view b);
    friend std::ostream& operator<<(std::ostream& stream, const FindingText& text);

private:
    struct Block;
    static constexpr uintptr_t recordTag = 1;

    bool isRecord() const { return (bits_ & recordTag) != 0; }
    const Block* block() const { return isRecord() ? nullptr : reinterpret_cast<const Block*>(bits_); }
    FileRecord record() const;
    void release() noexcept;

    uintptr_t bits_ = 0;  // a Block (0 for ""), or a record's item with recordTag set
};

}  // namespace ordane
