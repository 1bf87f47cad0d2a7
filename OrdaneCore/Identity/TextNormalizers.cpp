#include "OrdaneCore/Identity/TextNormalizers.hpp"

#include <algorithm>
#include <optional>
#include <utility>

#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace text = platform::text;

namespace {

// A folded text as code points, with the positions where a word starts or ends in the text as
// written.
struct WordText {
    std::u32string characters;
    std::vector<bool> boundary;  // one more than characters: boundary[i] is before characters[i]

    // A hit that starts where a word starts, ends where a word ends, and that `accepts` by its start.
    template <typename Accepts>
    bool containsWords(std::u32string_view needle, Accepts accepts) const {
        if (needle.empty()) return false;
        for (size_t at = characters.find(needle); at != std::u32string::npos; at = characters.find(needle, at + 1)) {
            if (boundary[at] && boundary[at + needle.size()] && accepts(at)) return true;
        }
        return false;
    }
};

// The text folded character by character, so that its words as written can be told in the
// folded form: a word starts or ends wherever a letter meets a non-letter, and a capital after a
// lower-case letter starts one ("AnnLeeResume").
WordText spacedForm(std::string_view written) {
    WordText result;
    std::vector<bool> capitalStart;
    bool afterLowerCase = false;
    for (const std::string& character : text::characters(written)) {
        const char32_t first = text::codePoints(character).front();
        const std::u32string folded = text::codePoints(text::folded(character));
        for (size_t i = 0; i < folded.size(); ++i) {
            result.characters.push_back(folded[i]);
            capitalStart.push_back(i == 0 && afterLowerCase && text::isUpperCase(first));
        }
        afterLowerCase = text::isLowerCase(first);
    }
    const std::u32string& folded = result.characters;
    result.boundary.resize(folded.size() + 1);
    for (size_t i = 0; i <= folded.size(); ++i) {
        result.boundary[i] = i == 0 || i == folded.size() || !text::isLetter(folded[i - 1]) ||
                             !text::isLetter(folded[i]) || capitalStart[i];
    }
    return result;
}

// Only the letters, words run together; where words met is remembered.
WordText joinedForm(const WordText& spaced) {
    WordText result;
    for (size_t i = 0; i < spaced.characters.size(); ++i) {
        if (!text::isLetter(spaced.characters[i])) continue;
        result.characters.push_back(spaced.characters[i]);
        result.boundary.push_back(spaced.boundary[i]);
    }
    result.boundary.push_back(true);
    return result;
}

// Where a spelling without spaces ends in an initial after a whole name part, as each of its
// spaced twins shows ("mark s" for "marks"): where that initial starts, one entry per twin, and
// nothing for a twin that ends otherwise ("j smith" for "jsmith").
std::vector<std::optional<size_t>> endingInitialsOf(std::u32string_view joined, const std::vector<std::string>& variants) {
    std::vector<std::optional<size_t>> result;
    for (const std::string& variant : variants) {
        const size_t lastSpace = variant.rfind(' ');
        if (lastSpace == std::string::npos) continue;
        std::u32string letters = text::codePoints(variant);
        std::erase(letters, U' ');
        if (letters != joined) continue;
        const std::string_view head = std::string_view(variant).substr(0, lastSpace);
        const std::string_view last = std::string_view(variant).substr(lastSpace + 1);
        const std::string_view previous = head.substr(head.rfind(' ') + 1);  // all of it when it has no space
        if (text::characterCount(last) == 1 && text::characterCount(previous) > 1) {
            result.emplace_back(joined.size() - text::codePoints(last).size());
        } else {
            result.emplace_back(std::nullopt);
        }
    }
    return result;
}

std::string lettersOf(std::string_view folded) {
    std::u32string letters = text::codePoints(folded);
    std::erase_if(letters, [](char32_t c) { return !text::isLetter(c); });
    return text::fromCodePoints(letters);
}

// Searched byte-wise in valid UTF-8, so the phrase must be valid too: a stray byte could match
// inside a character and a deletion would then split it.
std::string withoutSpaces(std::string_view phrase) {
    std::string result = text::validUTF8(phrase);
    std::erase(result, ' ');
    return result;
}

}  // namespace

std::string foldedForMatching(std::string_view text) { return lettersOf(text::folded(text)); }

bool containsFolded(std::string_view text, const std::vector<std::string>& variants) {
    if (variants.empty()) return false;
    const WordText spaced = spacedForm(text);
    const WordText joined = joinedForm(spaced);
    return std::any_of(variants.begin(), variants.end(), [&](const std::string& variant) {
        const std::u32string needle = text::codePoints(variant);
        if (needle.find(U' ') != std::u32string::npos) return spaced.containsWords(needle, [](size_t) { return true; });
        // A name part with its next one's initial run on is a word of its own ("Marks" is not
        // Mark S.); an initial before a name part is how names are written in addresses ("jsmith").
        const std::vector<std::optional<size_t>> twins = endingInitialsOf(needle, variants);
        return joined.containsWords(needle, [&](size_t at) {
            return twins.empty() || std::any_of(twins.begin(), twins.end(), [&](const std::optional<size_t>& initial) {
                       return !initial || joined.boundary[at + *initial];
                   });
        });
    });
}

bool containsAnyPhraseFolded(std::string_view text, const std::vector<std::string>& phrases) {
    const std::string letters = foldedForMatching(text);
    return std::any_of(phrases.begin(), phrases.end(), [&](const std::string& phrase) {
        const std::string needle = withoutSpaces(phrase);
        return !needle.empty() && letters.find(needle) != std::string::npos;
    });
}

std::string removingPhrasesFolded(std::string_view text, const std::vector<std::string>& phrases) {
    std::string result = foldedForMatching(text);
    for (const std::string& phrase : phrases) {
        const std::string needle = withoutSpaces(phrase);
        if (needle.empty()) continue;
        std::string kept;
        size_t from = 0;
        for (size_t at = result.find(needle); at != std::string::npos; at = result.find(needle, from)) {
            kept.append(result, from, at - from);
            from = at + needle.size();
        }
        kept.append(result, from);
        result = std::move(kept);
    }
    return result;
}

std::string normalizedPhrase(std::string_view text) {
    std::u32string slug;
    for (char32_t c : text::codePoints(text::folded(text))) {
        if (text::isAlphanumeric(c)) {
            slug.push_back(c);
        } else if (!slug.empty() && slug.back() != U'-') {
            slug.push_back(U'-');
        }
    }
    if (!slug.empty() && slug.back() == U'-') slug.pop_back();
    return text::fromCodePoints(slug);
}

}  // namespace ordane
