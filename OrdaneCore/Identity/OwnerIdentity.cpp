#include "OrdaneCore/Identity/OwnerIdentity.hpp"

#include <set>
#include <utility>

#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace text = platform::text;

namespace {

// The folded name split at every non-letter: "Lind-Holm" and "O'Neil" give two parts each.
std::vector<std::string> nameParts(const std::string& fullName) {
    std::vector<std::string> parts;
    std::u32string part;
    auto finish = [&] {
        if (!part.empty()) parts.push_back(text::fromCodePoints(part));
        part.clear();
    };
    for (char32_t c : text::codePoints(text::folded(fullName))) {
        if (text::isLetter(c)) {
            part.push_back(c);
        } else {
            finish();
        }
    }
    finish();
    return parts;
}

std::string initial(const std::string& part) { return text::prefix(part, 1); }

// The word orders a name may be written in: full, reversed, with initials.
std::vector<std::vector<std::string>> spellings(const std::vector<std::string>& parts) {
    if (parts.size() == 1) return {parts};
    const std::string& first = parts.front();
    const std::string& last = parts.back();
    std::vector<std::vector<std::string>> result{
        {first, last}, {last, first}, parts, {initial(first), last}, {first, initial(last)},
    };
    if (parts.size() > 2) {
        std::vector<std::string> initials{initial(first)};
        for (size_t i = 1; i + 1 < parts.size(); ++i) initials.push_back(initial(parts[i]));
        initials.push_back(last);
        result.push_back(std::move(initials));
    }
    return result;
}

std::string joined(const std::vector<std::string>& words, const std::string& separator) {
    std::string result;
    for (size_t i = 0; i < words.size(); ++i) {
        if (i > 0) result += separator;
        result += words[i];
    }
    return result;
}

}  // namespace

OwnerIdentity::OwnerIdentity(std::string name) : fullName(std::move(name)) {
    const std::vector<std::string> parts = nameParts(fullName);
    if (parts.empty()) return;
    std::set<std::string> candidates;
    for (const auto& words : spellings(parts)) {
        candidates.insert(joined(words, ""));
        candidates.insert(joined(words, " "));
    }
    // Shorter spellings ("bli") turn up inside ordinary words too often to mean the owner.
    for (const std::string& candidate : candidates) {
        if (text::characterCount(candidate) >= 4) variants.push_back(candidate);
    }
}

}  // namespace ordane
