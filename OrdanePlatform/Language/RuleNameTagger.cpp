#include "OrdanePlatform/Language/RuleNameTagger.hpp"

#include <unicode/utf8.h>

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_set>

#include "OrdanePlatform/Language/GivenNames.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane::platform {

namespace {

using WordSet = std::unordered_set<std::string_view>;

// Legal forms: they may follow the name after a comma ("Acme, Inc.").
const WordSet& legalForms() {
    static const WordSet words{"inc", "incorporated", "llc", "llp", "lp", "ltd", "limited", "gmbh", "ag", "sa",
                               "sas", "sarl", "srl", "spa", "bv", "nv", "plc", "corp", "corporation", "co", "kg"};
    return words;
}

// Words that end an organisation's name.
const WordSet& organizationWords() {
    static const WordSet words{"company", "bank", "bancorp", "university", "college", "institute", "academy",
                               "school", "hospital", "clinic", "foundation", "association", "society", "group",
                               "holdings", "partners", "agency", "authority", "insurance", "airlines", "airways",
                               "technologies", "laboratories", "labs", "museum", "trust", "union",
                               "ministry", "department", "council", "bureau"};
    return words;
}

// Organisation words that may instead start the name: "Bank of America".
const WordSet& leadingOrganizationWords() {
    static const WordSet words{"bank", "university", "college", "institute", "academy", "school", "museum",
                               "ministry", "department", "council", "bureau", "society", "association"};
    return words;
}

// Capitalised words that are never part of a name: they start sentences or name other things.
const WordSet& nonNameWords() {
    static const WordSet words{
        "january", "february", "march", "april", "may", "june", "july", "august", "september", "october",
        "november", "december", "jan", "feb", "mar", "apr", "jun", "jul", "aug", "sep", "sept", "oct", "nov",
        "dec", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday", "street", "st",
        "avenue", "ave", "road", "rd", "boulevard", "blvd", "drive", "dr", "lane", "ln", "court", "ct", "place",
        "way", "suite", "apt", "the", "a", "an", "and", "or", "of", "for", "to", "in", "on", "at", "by", "from",
        "with", "your", "our", "my", "his", "her", "their", "this", "that", "these", "dear", "hello", "hi",
        "thanks", "thank", "regards", "sincerely", "contact", "phone", "email", "e-mail", "address", "total",
        "date", "name", "page", "resume", "invoice", "receipt", "statement"};
    return words;
}

// Lower-case words that may stand inside a name ("Ludwig van Beethoven", "Bank of the West").
const WordSet& nameParticles() {
    static const WordSet words{"van", "von", "der", "den", "de", "da", "del", "della", "di", "du", "le", "la",
                               "bin", "al"};
    return words;
}

enum class Gap { none, spaces, periodThenSpaces, commaThenSpaces };

struct Word {
    size_t begin = 0;
    size_t end = 0;
    std::string folded;
    bool capitalised = false;  // starts with an upper-case letter
    bool isInitial = false;    // a single capital letter
    Gap gapBefore = Gap::none;  // what joins it to the previous word on the same line
};

bool isSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

Gap gapKind(std::string_view gap) {
    if (gap.empty()) return Gap::none;
    Gap kind = Gap::spaces;
    if (gap.front() == '.' || gap.front() == ',') {
        kind = gap.front() == '.' ? Gap::periodThenSpaces : Gap::commaThenSpaces;
        gap.remove_prefix(1);
    }
    if (gap.empty() || !std::all_of(gap.begin(), gap.end(), isSpaceOrTab)) return Gap::none;
    return kind;
}

char32_t codePointAt(std::string_view text, size_t& at) {
    UChar32 c;
    int32_t i = static_cast<int32_t>(at);
    U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), i, static_cast<int32_t>(text.size()), c);
    at = static_cast<size_t>(i);
    return c < 0 ? U'\uFFFD' : static_cast<char32_t>(c);
}

bool isApostropheOrHyphen(char32_t c) { return c == U'\'' || c == U'\u2019' || c == U'-'; }

// Words are runs of letters, with apostrophes and hyphens between letters ("O'Neil", "Jean-Luc"),
// and the ampersand on its own.
std::vector<Word> scanWords(std::string_view text) {
    std::vector<Word> words;
    size_t previousEnd = 0;
    size_t at = 0;
    while (at < text.size()) {
        const size_t start = at;
        char32_t c = codePointAt(text, at);
        if (!text::isLetter(c) && c != U'&') continue;
        size_t end = at;
        if (c != U'&') {
            size_t next = at;
            while (next < text.size()) {
                size_t probe = next;
                char32_t d = codePointAt(text, probe);
                if (text::isLetter(d)) {
                    next = end = probe;
                    continue;
                }
                if (!isApostropheOrHyphen(d) || probe >= text.size()) break;
                size_t after = probe;
                if (!text::isLetter(codePointAt(text, after))) break;
                next = probe;
            }
        }
        Word word;
        word.begin = start;
        word.end = end;
        const std::string_view raw = text.substr(start, end - start);
        word.capitalised = text::isUpperCase(c) && text::isLetter(c);
        word.isInitial = word.capitalised && end - start <= 4 && text::characterCount(raw) == 1;
        word.folded = text::folded(raw);
        word.gapBefore = words.empty() ? Gap::none : gapKind(text.substr(previousEnd, start - previousEnd));
        words.push_back(std::move(word));
        previousEnd = at = end;
    }
    return words;
}

bool in(const WordSet& set, const std::string& word) { return set.contains(word); }

// The given-name part of a word: "jean-luc" is looked up as "jean".
bool isGivenName(const Word& word) {
    if (!word.capitalised || word.isInitial) return false;
    const std::string_view folded = word.folded;
    return isCommonGivenName(folded) || isCommonGivenName(folded.substr(0, folded.find('-')));
}

bool isLegalForm(const Word& word) { return word.capitalised && in(legalForms(), word.folded); }
bool isOrganizationWord(const Word& word) {
    return word.capitalised && (in(organizationWords(), word.folded) || in(legalForms(), word.folded));
}

// A capitalised word that can be part of a name at all.
bool isNameWord(const Word& word) {
    return word.capitalised && !word.isInitial && !in(nonNameWords(), word.folded);
}

// Whether words[i] continues the line of words[i - 1] within one name.
bool joinsPrevious(const std::vector<Word>& words, size_t i) {
    switch (words[i].gapBefore) {
        case Gap::spaces: return true;
        case Gap::periodThenSpaces: return words[i - 1].isInitial || isLegalForm(words[i - 1]);
        case Gap::commaThenSpaces: return isLegalForm(words[i]);
        case Gap::none: return false;
    }
    return false;
}

// Inside an organisation's name, before its company word: "Johnson & Johnson", "Bank of America
// Corporation". A plain "of" or "and" more often joins a person to the organisation.
bool isInnerConnector(const std::vector<Word>& words, size_t at) {
    if (words[at].folded == "&") return true;
    return words[at].folded == "of" && at > 0 && joinsPrevious(words, at) && isOrganizationWord(words[at - 1]);
}

// The organisation whose company word is words[at], as [first, last]; none when nothing names it.
std::optional<std::pair<size_t, size_t>> organizationAt(const std::vector<Word>& words, size_t at) {
    size_t first = at;
    bool named = false;
    for (size_t j = at; j > 0 && joinsPrevious(words, j); --j) {
        const Word& before = words[j - 1];
        if (isLegalForm(before)) break;  // it ends the name before this one
        if (isNameWord(before) || isOrganizationWord(before)) {
            first = j - 1;
            named = named || !isOrganizationWord(before);
        } else if (!isInnerConnector(words, j - 1)) {
            break;
        }
    }
    size_t last = at;
    if (in(leadingOrganizationWords(), words[at].folded) && at + 2 < words.size() && joinsPrevious(words, at + 1) &&
        words[at + 1].folded == "of") {
        size_t j = at + 2;
        if (words[j].folded == "the" && j + 1 < words.size() && joinsPrevious(words, j + 1)) ++j;
        for (; j < words.size() && joinsPrevious(words, j) && isNameWord(words[j]); ++j) {
            last = j;
            named = true;
        }
    }
    if (!named) return std::nullopt;
    return std::make_pair(first, last);
}

// The person whose given name is words[at], as its last word; none without a surname.
std::optional<size_t> personEndingAfter(const std::vector<Word>& words, size_t at) {
    std::optional<size_t> last;
    for (size_t j = at + 1; j < words.size() && j <= at + 3 && joinsPrevious(words, j); ++j) {
        const Word& word = words[j];
        if (isOrganizationWord(word)) break;
        if (isNameWord(word)) {
            last = j;
        } else if (!word.isInitial && !in(nameParticles(), word.folded)) {
            break;
        }
    }
    return last;
}

}  // namespace

std::vector<TaggedName> RuleNameTagger::names(std::string_view text) const {
    if (!text::isValidUTF8(text)) return names(text::validUTF8(text));
    const std::vector<Word> words = scanWords(text);
    std::vector<TaggedName> result;
    for (size_t i = 0; i < words.size(); ++i) {
        if (!isOrganizationWord(words[i])) continue;
        if (auto organization = organizationAt(words, i)) {
            // A person named in the organisation ("John Hopkins University") is no person here.
            while (!result.empty() && result.back().end > words[organization->first].begin) result.pop_back();
            result.push_back({TaggedName::Kind::organizationName, words[organization->first].begin,
                              words[organization->second].end});
            i = organization->second;
        }
    }
    std::vector<TaggedName> organizations = std::move(result);
    result.clear();
    auto organization = organizations.begin();
    for (size_t i = 0; i < words.size(); ++i) {
        while (organization != organizations.end() && organization->end <= words[i].begin) {
            result.push_back(*organization++);
        }
        const bool insideOrganization = organization != organizations.end() && organization->begin <= words[i].begin;
        if (insideOrganization || !isGivenName(words[i])) continue;
        if (auto last = personEndingAfter(words, i)) {
            const bool overlaps = organization != organizations.end() && words[*last].end > organization->begin;
            if (overlaps) continue;
            result.push_back({TaggedName::Kind::personalName, words[i].begin, words[*last].end});
            i = *last;
        }
    }
    result.insert(result.end(), organization, organizations.end());
    return result;
}

const RuleNameTagger& RuleNameTagger::shared() {
    static const RuleNameTagger tagger;
    return tagger;
}

}  // namespace ordane::platform
