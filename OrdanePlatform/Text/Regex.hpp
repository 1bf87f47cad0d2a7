#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ordane::platform::text {

// Options of a compiled expression, as bits; the raw values are stable (caches key on them).
enum class RegexOptions : uint32_t {
    none = 0,
    caseInsensitive = 1,
    anchorsMatchLines = 16,  // "^" and "$" also match at line breaks
};

constexpr RegexOptions operator|(RegexOptions a, RegexOptions b) {
    return static_cast<RegexOptions>(static_cast<uint32_t>(a) | static_cast<uint32_t>(b));
}
constexpr bool contains(RegexOptions set, RegexOptions option) {
    return (static_cast<uint32_t>(set) & static_cast<uint32_t>(option)) != 0;
}

// A pattern that does not compile, a replacement template that is not valid, or a match that
// ran out of ICU's backtracking stack.
class RegexError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One match: byte offsets into the searched text, and the matched text as valid UTF-8.
struct RegexMatch {
    size_t begin = 0;
    size_t end = 0;
    std::string text;

    bool operator==(const RegexMatch&) const = default;
};

// A text decoded once for ICU, so that several expressions can search it without decoding it
// again each time. Copies share the decoded text; like a string, search it from one thread at a
// time.
class RegexText {
public:
    RegexText();
    explicit RegexText(std::string_view text);

private:
    friend class Regex;
    struct Decoded;
    std::shared_ptr<const Decoded> decoded_;
};

// An ICU regular expression, compiled once. Copies share the compiled pattern, which is immutable:
// one Regex may be used from many threads at once (each call makes its own matcher).
//
// Matches never overlap and are found scanning from the start; an empty match is counted too.
// A text that is not valid UTF-8 is searched as if each ill-formed sequence were U+FFFD; offsets
// still refer to the bytes as given.
class Regex {
public:
    // Throws RegexError when the pattern is not a valid ICU regular expression.
    explicit Regex(std::string_view pattern, RegexOptions options = RegexOptions::none);

    const std::string& pattern() const;
    RegexOptions options() const;

    size_t countMatches(std::string_view text) const;
    size_t countMatches(const RegexText& text) const;
    // Counts the matches inside the bytes [begin, end) of the text, as if the text were cut there
    // (anchors and word boundaries see the cut). Offsets beyond the text are clamped; an offset
    // inside a multi-byte character moves to the next character.
    size_t countMatches(std::string_view text, size_t begin, size_t end) const;

    std::optional<RegexMatch> firstMatch(std::string_view text) const;
    std::vector<RegexMatch> matches(std::string_view text) const;

    // Replaces every match by the replacement template: "$1" inserts group 1, "\" escapes the next
    // character. Throws RegexError for a template that refers to a missing group.
    std::string replacingAll(std::string_view text, std::string_view replacement) const;

private:
    struct Compiled;
    std::shared_ptr<const Compiled> compiled_;
};

}  // namespace ordane::platform::text
