// The naming rules the name-based groupers share: words of a file name, and folder names from them.
#include <algorithm>
#include <cctype>

#include "OrdaneCore/Model/SanitizedFolderName.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Planning/OrganizePlanner.hpp"

namespace ordane {

namespace text = platform::text;

namespace {

bool isWordSeparator(char c) { return c == ' ' || c == '-' || c == '_' || c == '.'; }

// Lower-cased under the root locale; plain ASCII, the usual file name, skips ICU.
std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (static_cast<unsigned char>(c) >= 0x80) return text::lowerCased(text);
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

std::vector<std::string_view> pieces(std::string_view text) {
    std::vector<std::string_view> result;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isWordSeparator(text[i])) continue;
        if (i > start) result.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    return result;
}

// The first character upper-cased when it is a lower-case letter.
std::string capitalizingFirst(std::string_view name) {
    const std::u32string points = text::codePoints(name);
    if (points.empty()) return std::string(name);
    const std::string first = text::fromCodePoints(points.substr(0, 1));
    const std::string upper = text::upperCased(first);
    if (upper == first || text::lowerCased(first) != first) return text::validUTF8(name);
    return upper + text::fromCodePoints(points.substr(1));
}

bool isASCII(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// True when the token occurs followed by a digit. Plain ASCII, the usual case, is searched
// directly; other text goes through the regular expression, whose \d knows every script's digits.
bool containsTokenThenDigit(std::string_view loweredStem, std::string_view token, const text::Regex& pattern) {
    if (!isASCII(loweredStem)) return pattern.firstMatch(loweredStem).has_value();
    for (size_t at = loweredStem.find(token); at != std::string_view::npos; at = loweredStem.find(token, at + 1)) {
        const size_t next = at + token.size();
        if (next < loweredStem.size() && std::isdigit(static_cast<unsigned char>(loweredStem[next]))) return true;
    }
    return false;
}

// The pattern for "the token followed by a digit": the token's ASCII punctuation escaped.
std::string tokenThenDigitPattern(std::string_view token) {
    std::string pattern;
    for (char c : token) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80 && !std::isalnum(byte)) pattern += '\\';
        pattern += c;
    }
    return pattern + R"(\d)";
}

}  // namespace

std::vector<std::string> OrganizePlanner::tokens(std::string_view stem) {
    std::vector<std::string> result;
    const std::string lower = lowered(stem);
    for (std::string_view piece : pieces(lower)) result.emplace_back(piece);
    return result;
}

const std::unordered_set<std::string>& OrganizePlanner::cameraPrefixes() {
    static const std::unordered_set<std::string> words = {"img", "dsc", "dscn", "dscf", "pxl",
                                                          "gopr", "mvi", "vid", "dji", "pano"};
    return words;
}

const std::unordered_set<std::string>& OrganizePlanner::genericStems() {
    static const std::unordered_set<std::string> words = {"untitled", "document", "file", "new", "copy", "scan"};
    return words;
}

std::optional<std::string> OrganizePlanner::familyFolderName(const std::optional<std::string>& title,
                                                             const Group& records) {
    if (title) {
        static const text::Regex leadingYear(R"(^(19|20)\d{2}\s+)");
        std::string cleaned = text::validUTF8(*title);
        if (auto year = leadingYear.firstMatch(cleaned)) cleaned.erase(0, year->end);
        if (auto name = sanitizedFolderName(capitalizingFirst(cleaned))) return name;
    }
    if (records.empty()) return std::nullopt;
    std::vector<StemTokens> files;
    files.reserve(records.size());
    for (const FileRecord* record : records) {
        const std::string stem = text::validUTF8(platform::path::stem(record->url().path()));
        files.push_back(StemTokens{record, tokens(stem), stem});
    }
    std::vector<std::string> shared = files.front().tokens;
    for (const StemTokens& file : files) {
        auto mismatch = std::mismatch(shared.begin(), shared.end(), file.tokens.begin(), file.tokens.end());
        shared.erase(mismatch.first, shared.end());
    }
    if (shared.empty()) return std::nullopt;
    return groupName(shared, files);
}

std::optional<std::string> OrganizePlanner::groupName(const std::vector<std::string>& sharedTokens,
                                                      const std::vector<StemTokens>& files) {
    if (sharedTokens.empty()) return std::nullopt;
    std::vector<std::string> words = sharedTokens;
    // "report 1", "report2": a last word that numbers the files is no part of the set's name.
    if (words.size() > 1) {
        const text::Regex numbered(tokenThenDigitPattern(words.back()));
        const bool allNumbered = std::all_of(files.begin(), files.end(), [&](const StemTokens& file) {
            return containsTokenThenDigit(lowered(file.originalStem), words.back(), numbered);
        });
        if (allNumbered) words.pop_back();
    }
    std::string name;
    for (const std::string& word : words) {
        if (!name.empty()) name += ' ';
        name += preferredCasing(word, files);
    }
    return sanitizedFolderName(capitalizingFirst(name));
}

std::string OrganizePlanner::preferredCasing(const std::string& token, const std::vector<StemTokens>& files) {
    std::vector<std::pair<std::string_view, size_t>> counts;  // each form as written, in order met
    for (const StemTokens& file : files) {
        for (std::string_view piece : pieces(file.originalStem)) {
            if (lowered(piece) != token) continue;
            auto found = std::find_if(counts.begin(), counts.end(), [&](const auto& entry) { return entry.first == piece; });
            if (found == counts.end()) {
                counts.emplace_back(piece, 1);
            } else {
                ++found->second;
            }
        }
    }
    if (counts.empty()) return token;
    auto best = counts.begin();
    for (auto entry = counts.begin(); entry != counts.end(); ++entry) {
        if (entry->second > best->second) best = entry;
    }
    return std::string(best->first);
}

}  // namespace ordane
