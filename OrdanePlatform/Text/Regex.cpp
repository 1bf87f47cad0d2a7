#include "OrdanePlatform/Text/Regex.hpp"

#include <unicode/regex.h>

#include <algorithm>

#include "OrdanePlatform/Text/IcuText.hpp"

namespace ordane::platform::text {

using icu_text::toUnicode;
using icu_text::toUTF8;

struct RegexText::Decoded {
    icu::UnicodeString string;
};

RegexText::RegexText() : decoded_(std::make_shared<const Decoded>()) {}

RegexText::RegexText(std::string_view text) : decoded_(std::make_shared<const Decoded>(Decoded{toUnicode(text)})) {}

struct Regex::Compiled {
    std::string pattern;
    RegexOptions options;
    std::unique_ptr<icu::RegexPattern> icuPattern;
};

namespace {

using Matcher = std::unique_ptr<icu::RegexMatcher>;

// `input` must outlive the matcher, which keeps a reference to it.
Matcher makeMatcher(const icu::RegexPattern& pattern, const icu::UnicodeString& input) {
    UErrorCode status = U_ZERO_ERROR;
    Matcher matcher(pattern.matcher(input, status));
    icu_text::check(status, "regular expression matcher");
    return matcher;
}

void checkMatching(UErrorCode status) {
    if (U_FAILURE(status)) throw RegexError(std::string("Regular expression matching failed: ") + u_errorName(status));
}

RegexMatch currentMatch(const icu::RegexMatcher& matcher, const icu_text::MappedText& text) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t start = matcher.start(status);
    int32_t end = matcher.end(status);
    checkMatching(status);
    return RegexMatch{text.byteOffset(start), text.byteOffset(end),
                      toUTF8(text.string.tempSubStringBetween(start, end))};
}

size_t countAll(icu::RegexMatcher& matcher) {
    UErrorCode status = U_ZERO_ERROR;
    size_t count = 0;
    while (matcher.find(status)) ++count;
    checkMatching(status);
    return count;
}

}  // namespace

Regex::Regex(std::string_view pattern, RegexOptions options) {
    uint32_t flags = 0;
    if (contains(options, RegexOptions::caseInsensitive)) flags |= UREGEX_CASE_INSENSITIVE;
    if (contains(options, RegexOptions::anchorsMatchLines)) flags |= UREGEX_MULTILINE;
    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(toUnicode(pattern), flags, parseError, status));
    if (U_FAILURE(status)) {
        throw RegexError("Invalid regular expression \"" + std::string(pattern) + "\": " + u_errorName(status) +
                         " at offset " + std::to_string(parseError.offset));
    }
    compiled_ = std::make_shared<const Compiled>(Compiled{std::string(pattern), options, std::move(compiled)});
}

const std::string& Regex::pattern() const { return compiled_->pattern; }

RegexOptions Regex::options() const { return compiled_->options; }

size_t Regex::countMatches(std::string_view text) const {
    const icu::UnicodeString input = toUnicode(text);
    Matcher matcher = makeMatcher(*compiled_->icuPattern, input);
    return countAll(*matcher);
}

size_t Regex::countMatches(const RegexText& text) const {
    Matcher matcher = makeMatcher(*compiled_->icuPattern, text.decoded_->string);
    return countAll(*matcher);
}

size_t Regex::countMatches(std::string_view text, size_t begin, size_t end) const {
    end = std::min(end, text.size());
    begin = std::min(begin, end);
    const icu_text::MappedText mapped = icu_text::toMappedUnicode(text);
    Matcher matcher = makeMatcher(*compiled_->icuPattern, mapped.string);
    UErrorCode status = U_ZERO_ERROR;
    matcher->region(mapped.utf16Index(begin), mapped.utf16Index(end), status);
    icu_text::check(status, "regular expression region");
    return countAll(*matcher);
}

std::optional<RegexMatch> Regex::firstMatch(std::string_view text) const {
    const icu_text::MappedText mapped = icu_text::toMappedUnicode(text);
    Matcher matcher = makeMatcher(*compiled_->icuPattern, mapped.string);
    UErrorCode status = U_ZERO_ERROR;
    if (!matcher->find(status)) {
        checkMatching(status);
        return std::nullopt;
    }
    return currentMatch(*matcher, mapped);
}

std::vector<RegexMatch> Regex::matches(std::string_view text) const {
    const icu_text::MappedText mapped = icu_text::toMappedUnicode(text);
    Matcher matcher = makeMatcher(*compiled_->icuPattern, mapped.string);
    std::vector<RegexMatch> result;
    UErrorCode status = U_ZERO_ERROR;
    while (matcher->find(status)) result.push_back(currentMatch(*matcher, mapped));
    checkMatching(status);
    return result;
}

std::string Regex::replacingAll(std::string_view text, std::string_view replacement) const {
    const icu::UnicodeString input = toUnicode(text);
    Matcher matcher = makeMatcher(*compiled_->icuPattern, input);
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString result = matcher->replaceAll(toUnicode(replacement), status);
    if (U_FAILURE(status)) {
        throw RegexError("Cannot replace with \"" + std::string(replacement) + "\": " + u_errorName(status));
    }
    return toUTF8(result);
}

}  // namespace ordane::platform::text
