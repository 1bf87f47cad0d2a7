#include "OrdaneCore/Identity/TextNormalizers.hpp"

#include <algorithm>

#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace text = platform::text;

namespace {

// A folded text as code points, with the positions where a whole-word match may start or end.
struct WordText {
    std::u32string characters;
    std::vector<bool> boundary;  // one more than characters: boundary[i] is before characters[i]

    // A hit that starts where a word starts and ends where a word ends.
    bool containsWords(std::u32string_view needle) const {
        return findsFromWordStart(needle, [&](size_t at) { return boundary[at + needle.size()]; });
    }

    // A hit that starts where a word starts and either ends where a word ends or stays inside that
    // one word: "annlee" is found in "AnnLeeResume" but not in "Ann Leeds", which it would leave
    // part-way through the second word.
    bool containsWordStart(std::u32string_view needle) const {
        return findsFromWordStart(needle, [&](size_t at) {
            const auto first = boundary.begin() + static_cast<std::ptrdiff_t>(at);
            const auto last = first + static_cast<std::ptrdiff_t>(needle.size());
            return *last || std::find(first + 1, last, true) == last;
        });
    }

  private:
    template <typename EndsWell>
    bool findsFromWordStart(std::u32string_view needle, EndsWell endsWell) const {
        if (needle.empty()) return false;
        for (size_t at = characters.find(needle); at != std::u32string::npos; at = characters.find(needle, at + 1)) {
            if (boundary[at] && endsWell(at)) return true;
        }
        return false;
    }
};

// The folded text as it is: a word starts or ends wherever a letter meets a non-letter.
WordText spacedForm(const std::u32string& folded) {
    WordText result{folded, std::vector<bool>(folded.size() + 1, false)};
    for (size_t i = 0; i <= folded.size(); ++i) {
        result.boundary[i] = i == 0 || i == folded.size() || !text::isLetter(folded[i - 1]) || !text::isLetter(folded[i]);
    }
    return result;
}

// Only the letters, words run together; the word ends are remembered.
WordText joinedForm(const std::u32string& folded) {
    WordText result;
    result.boundary.push_back(true);
    bool inWord = false;
    for (char32_t c : folded) {
        bool letter = text::isLetter(c);
        if (letter) {
            if (!inWord && !result.characters.empty()) result.boundary.back() = true;
            result.characters.push_back(c);
            result.boundary.push_back(false);
        }
        inWord = letter;
    }
    result.boundary.back() = true;
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
    const std::u32string folded = text::codePoints(text::folded(text));
    const WordText spaced = spacedForm(folded);
    const WordText joined = joinedForm(folded);
    return std::any_of(variants.begin(), variants.end(), [&](const std::string& variant) {
        const std::u32string needle = text::codePoints(variant);
        const bool hasSpace = needle.find(U' ') != std::u32string::npos;
        return hasSpace ? spaced.containsWords(needle) : joined.containsWordStart(needle);
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
