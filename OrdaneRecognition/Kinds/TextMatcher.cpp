#include "OrdaneRecognition/Kinds/TextMatcher.hpp"

#include <algorithm>
#include <cctype>

#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Kinds/RegexCache.hpp"

namespace ordane {

namespace text = platform::text;

namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The code point that ends right before byte `at`, or 0 at the start.
char32_t codePointBefore(std::string_view text, size_t at) {
    if (at == 0) return 0;
    size_t start = at - 1;
    while (start > 0 && at - start < 4 && isContinuationByte(text[start])) --start;
    const std::u32string decoded = text::codePoints(text.substr(start, at - start));
    return decoded.empty() ? 0 : decoded.back();
}

// The code point that starts at byte `at`, or 0 at the end.
char32_t codePointAt(std::string_view text, size_t at) {
    if (at >= text.size()) return 0;
    size_t end = at + 1;
    while (end < text.size() && end - at < 4 && isContinuationByte(text[end])) ++end;
    const std::u32string decoded = text::codePoints(text.substr(at, end - at));
    return decoded.empty() ? 0 : decoded.front();
}

bool isWordCharacter(char32_t c) { return c != 0 && text::isAlphanumeric(c); }

// A hit of `word` that starts a word and whose end `endsWell` accepts.
template <typename EndsWell>
bool containsFromWordStart(std::string_view text, std::string_view word, EndsWell endsWell) {
    if (word.empty()) return false;
    for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
        if (!isWordCharacter(codePointBefore(text, at)) && endsWell(at + word.size())) return true;
    }
    return false;
}

bool occurs(std::string_view searched, const std::string& phrase, TextMatcher::Boundary boundary) {
    if (boundary == TextMatcher::Boundary::wordStart) return TextMatcher::containsWordStart(searched, phrase);
    return searched.find(phrase) != std::string_view::npos;
}

bool phrasesMatch(const TextMatcher::Phrases& matcher, const PreparedText& prepared) {
    const std::string& searched = prepared.folded(matcher.region);
    if (searched.empty()) return false;
    const size_t threshold = static_cast<size_t>(std::max(matcher.minHits, 1));
    size_t hits = 0;
    for (const std::string& phrase : matcher.phrases) {
        if (occurs(searched, phrase, matcher.boundary) && ++hits >= threshold) return true;
    }
    return false;
}

bool hasMatches(std::string_view pattern, platform::text::RegexOptions options,
                const platform::text::RegexText& searched, long long minHits) {
    const auto regex = RegexCache::shared().regex(pattern, options);
    if (!regex) return false;
    try {
        return static_cast<long long>(regex->countMatches(searched)) >= minHits;
    } catch (const text::RegexError&) {
        return false;  // the engine gave up on this text (backtracking stack); no answer is a no
    }
}

bool patternMatches(const TextMatcher::Pattern& matcher, const platform::text::RegexText& searched) {
    // One hit of "A|B|C" is a hit of A, of B or of C. ICU skips ahead to where a single
    // alternative can start, but tries every alternative at every position of a list.
    if (matcher.minHits == 1 && RegexCache::shared().regex(matcher.pattern, matcher.options)) {
        const std::vector<std::string> alternatives = TextMatcher::topLevelAlternatives(matcher.pattern);
        if (alternatives.size() > 1) {
            return std::any_of(alternatives.begin(), alternatives.end(), [&](const std::string& alternative) {
                return hasMatches(alternative, matcher.options, searched, 1);
            });
        }
    }
    return hasMatches(matcher.pattern, matcher.options, searched, matcher.minHits);
}

}  // namespace

TextMatcher TextMatcher::phrases(std::initializer_list<std::string_view> phrases, TextRegion region, int minHits,
                                 Boundary boundary) {
    Phrases matcher{{}, region, minHits, boundary};
    for (std::string_view phrase : phrases) {
        // A set: a phrase listed twice still counts once.
        if (std::find(matcher.phrases.begin(), matcher.phrases.end(), phrase) == matcher.phrases.end()) {
            matcher.phrases.emplace_back(phrase);
        }
    }
    return {std::move(matcher)};
}

TextMatcher TextMatcher::regex(std::string_view pattern, platform::text::RegexOptions options, TextRegion region,
                               int minHits) {
    return {Pattern{std::string(pattern), options, region, minHits}};
}

bool TextMatcher::matches(const PreparedText& prepared) const {
    if (const auto* phrases = std::get_if<Phrases>(&value)) return phrasesMatch(*phrases, prepared);
    return patternMatches(std::get<Pattern>(value), prepared.decoded(std::get<Pattern>(value).region));
}

bool TextMatcher::matches(const PreparedText& prepared, std::string_view rawText) const {
    if (const auto* phrases = std::get_if<Phrases>(&value)) return phrasesMatch(*phrases, prepared);
    const Pattern& pattern = std::get<Pattern>(value);
    if (pattern.region == TextRegion::head) {
        const std::string head = text::prefix(rawText, PreparedText::headCharacters);
        return patternMatches(pattern, platform::text::RegexText(PreparedText::shortenedRuns(head)));
    }
    return patternMatches(pattern, platform::text::RegexText(PreparedText::shortenedRuns(rawText)));
}

std::vector<std::string> TextMatcher::topLevelAlternatives(std::string_view pattern) {
    // Leading flags such as "(?im)" hold for every alternative, so each one gets them.
    size_t start = 0;
    if (pattern.starts_with("(?")) {
        size_t end = 2;
        while (end < pattern.size() && (std::isalpha(static_cast<unsigned char>(pattern[end])) || pattern[end] == '-')) {
            ++end;
        }
        if (end < pattern.size() && pattern[end] == ')') start = end + 1;
    }
    const std::string_view flags = pattern.substr(0, start);
    if (flags.find('x') != std::string_view::npos) return {};  // comments and free spacing: keep whole
    std::vector<std::string> alternatives;
    size_t from = start;
    int depth = 0;
    int classDepth = 0;
    for (size_t i = start; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const std::string_view rest = pattern.substr(i);
        if (c == '\\') {
            // A quoted stretch may hold anything; a back reference counts groups of other alternatives.
            if (rest.size() > 1 && (rest[1] == 'Q' || rest[1] == 'k' || (rest[1] >= '1' && rest[1] <= '9'))) return {};
            ++i;
        } else if (classDepth > 0) {
            classDepth += c == '[' ? 1 : c == ']' ? -1 : 0;
        } else if (c == '[') {
            if (rest.starts_with("[]") || rest.starts_with("[^]")) return {};
            classDepth = 1;
        } else if (c == '(') {
            // Flags switched on part-way would hold for the alternatives after them.
            if (depth == 0 && rest.starts_with("(?") && rest.size() > 2 && rest[2] != ':' && rest[2] != '<' &&
                rest[2] != '=' && rest[2] != '!' && rest[2] != '>') {
                return {};
            }
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == '|' && depth == 0) {
            alternatives.push_back(std::string(flags) + std::string(pattern.substr(from, i - from)));
            from = i + 1;
        }
    }
    if (alternatives.empty()) return {};
    alternatives.push_back(std::string(flags) + std::string(pattern.substr(from)));
    return alternatives;
}

bool TextMatcher::containsWord(std::string_view text, std::string_view word) {
    return containsFromWordStart(text, word, [&](size_t end) { return !isWordCharacter(codePointAt(text, end)); });
}

bool TextMatcher::containsWordStart(std::string_view text, std::string_view word) {
    return containsFromWordStart(text, word, [](size_t) { return true; });
}

}  // namespace ordane
