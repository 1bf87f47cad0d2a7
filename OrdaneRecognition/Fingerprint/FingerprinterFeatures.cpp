// The layout and entity features of a fingerprint.
#include <algorithm>
#include <charconv>
#include <set>

#include "OrdaneCore/Identity/TextNormalizers.hpp"
#include "OrdanePlatform/Language/GregorianCalendar.hpp"
#include "OrdanePlatform/Language/PatternDataDetector.hpp"
#include "OrdanePlatform/Language/RuleNameTagger.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Fingerprint/FeaturePatterns.hpp"
#include "OrdaneRecognition/Fingerprint/FingerprintSteps.hpp"
#include "OrdaneRecognition/Fingerprint/Fingerprinter.hpp"

namespace ordane {

namespace text = platform::text;
using platform::DataMatch;
using platform::DataTypes;

namespace {

constexpr size_t topCharacters = 400;
constexpr size_t taggedCharacters = 2000;
constexpr size_t mostMonthKeys = 24;
constexpr int firstKeyedYear = 1990;
constexpr int lastKeyedYear = 2100;

// Valid UTF-8 of any text, without a copy when it already is.
class ValidText {
public:
    explicit ValidText(std::string_view text) {
        if (text::isValidUTF8(text)) {
            view_ = text;
        } else {
            repaired_ = text::validUTF8(text);
            view_ = repaired_;
        }
    }
    std::string_view view() const { return view_; }

private:
    std::string repaired_;
    std::string_view view_;
};

size_t letterCount(std::string_view text) {
    const std::u32string codePoints = text::codePoints(text);
    return static_cast<size_t>(std::count_if(codePoints.begin(), codePoints.end(), text::isLetter));
}

bool isUpperCaseLetter(char32_t c) { return text::isLetter(c) && text::isUpperCase(c); }

char32_t firstCodePoint(std::string_view text) {
    const std::u32string first = text::codePoints(text::prefix(text, 1));
    return first.empty() ? U'\0' : first.front();
}

bool isAllCapitals(std::string_view line) { return letterCount(line) > 2 && text::upperCased(line) == line; }

bool isLineBreakOrSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Each whitespace-separated word with its first character upper-cased and the rest lower-cased.
std::string capitalized(std::string_view line) {
    std::string result;
    size_t at = 0;
    while (at < line.size()) {
        if (isLineBreakOrSpace(line[at])) {
            result.push_back(line[at++]);
            continue;
        }
        size_t end = at;
        while (end < line.size() && !isLineBreakOrSpace(line[end])) ++end;
        const std::string_view word = line.substr(at, end - at);
        const std::string first = text::prefix(word, 1);
        result += text::upperCased(first);
        result += text::lowerCased(word.substr(first.size()));
        at = end;
    }
    return result;
}

bool isEmailLink(const DataMatch& match) {
    return platform::urlScheme(match.url) == "mailto" || match.url.find('@') != std::string::npos;
}

size_t count(const text::Regex& pattern, std::string_view text) { return pattern.countMatches(text); }

std::vector<int64_t> distinctYears(std::string_view text) {
    std::set<int64_t> years;
    for (const text::RegexMatch& match : FeaturePatterns::shared().year.matches(text)) {
        int64_t year = 0;
        const char* end = match.text.data() + match.text.size();
        // Digits of other scripts match the pattern but are not read as a number.
        if (std::from_chars(match.text.data(), end, year).ptr == end) years.insert(year);
    }
    return {years.begin(), years.end()};
}

}  // namespace

std::vector<std::string> Fingerprinter::trimmedLines(std::string_view text, const std::vector<TextLine>& lines) {
    std::vector<std::string> result;
    if (!lines.empty()) {
        for (const TextLine& line : lines) result.push_back(text::validUTF8(line.string));
        return result;
    }
    if (text.empty()) return result;
    const ValidText valid(text);
    const std::string_view whole = valid.view();
    size_t start = 0;
    while (true) {
        const size_t end = std::min(whole.find('\n', start), whole.size());
        std::string_view line = whole.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        result.push_back(text::trimming(line, text::isWhitespace));
        if (end == whole.size()) break;
        start = end + 1;
    }
    return result;
}

bool Fingerprinter::isHeading(std::string_view line) {
    const std::string trimmed = text::trimming(line, text::isWhitespace);
    const size_t characters = text::characterCount(trimmed);
    if (characters < 3 || characters > 40) return false;
    if (std::string_view(".,:;!?").find(trimmed.back()) != std::string_view::npos) return false;
    const size_t letters = std::min(letterCount(trimmed), characters);
    if (letters < characters / 2) return false;
    const bool allCaps = letters > 2 && text::upperCased(trimmed) == trimmed;
    std::vector<std::string_view> words;
    const std::string_view whole = trimmed;
    for (size_t at = 0; at < whole.size();) {
        const size_t end = std::min(whole.find(' ', at), whole.size());
        if (end > at) words.push_back(whole.substr(at, end - at));
        at = end + 1;
    }
    if (words.size() > 5) return allCaps;
    for (std::string_view word : words) {
        if (isUpperCaseLetter(firstCodePoint(word))) continue;
        if (text::characterCount(word) < 4) continue;
        return allCaps;
    }
    return true;
}

bool Fingerprinter::hasContactInfo(std::string_view text) {
    const ValidText valid(text);
    for (const DataMatch& match :
         platform::PatternDataDetector::shared().matches(valid.view(), DataTypes::link | DataTypes::phoneNumber)) {
        if (match.type == DataTypes::phoneNumber) return true;
        if (isEmailLink(match)) return true;
    }
    return text.find('@') != std::string_view::npos;
}

StructuralFeatures Fingerprinter::structuralFeatures(std::string_view text, std::optional<int64_t> pageCount,
                                                     const std::vector<std::string>& lines) {
    const ValidText valid(text);
    return fingerprint_steps::structuralFeatures(valid.view(), pageCount, lines,
                                                 fingerprint_steps::dateMatches(valid.view()));
}

std::string Fingerprinter::nameTaggerText(std::string_view text) {
    const ValidText valid(text);
    const std::string_view whole = valid.view();
    std::string result;
    result.reserve(whole.size());
    size_t start = 0;
    while (true) {
        const size_t end = std::min(whole.find('\n', start), whole.size());
        const std::string_view line = whole.substr(start, end - start);
        result += isAllCapitals(line) ? capitalized(line) : std::string(line);
        if (end == whole.size()) break;
        result.push_back('\n');
        start = end + 1;
    }
    return result;
}

std::vector<int64_t> Fingerprinter::monthYearMentions(std::string_view text) {
    const ValidText valid(text);
    return fingerprint_steps::monthYearMentions(fingerprint_steps::dateMatches(valid.view()));
}

EntitySignature Fingerprinter::entitySignature(std::string_view text, const OwnerIdentity& owner) {
    const ValidText valid(text);
    return fingerprint_steps::entitySignature(valid.view(), owner, fingerprint_steps::dateMatches(valid.view()));
}

namespace fingerprint_steps {

std::vector<DataMatch> dateMatches(std::string_view text) {
    return platform::PatternDataDetector::shared().matches(text, DataTypes::date);
}

StructuralFeatures structuralFeatures(std::string_view text, std::optional<int64_t> pageCount,
                                      const std::vector<std::string>& lines, const std::vector<DataMatch>& dates) {
    const FeaturePatterns& patterns = FeaturePatterns::shared();
    const size_t topLineCount = std::min(std::max<size_t>(lines.size(), 4) / 4, lines.size());
    size_t topChars = 0;
    size_t allChars = 0;
    StructuralFeatures features;
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t characters = text::characterCount(lines[i]);
        allChars += characters;
        if (i < topLineCount) topChars += characters;
        if (Fingerprinter::isHeading(lines[i])) ++features.headingCount;
        if (patterns.currencyLine.firstMatch(lines[i])) ++features.currencyLineCount;
    }
    features.dateCount = static_cast<int64_t>(dates.size());
    features.characterCount = static_cast<int64_t>(text::characterCount(text));
    features.numberedStepCount = static_cast<int64_t>(count(patterns.numberedStep, text));
    features.dateRangeCount = static_cast<int64_t>(count(patterns.dateRange, text));
    features.currencyCount = static_cast<int64_t>(count(patterns.currency, text));
    features.hasMaskedAccountNumber = patterns.maskedAccount.firstMatch(text).has_value();
    features.contactInfoNearTop = Fingerprinter::hasContactInfo(text::prefix(text, topCharacters));
    features.unitOfMeasureCount = static_cast<int64_t>(count(patterns.unitOfMeasure, text));
    features.temperatureCount = static_cast<int64_t>(count(patterns.temperature, text));
    features.tocDotLeaderCount = static_cast<int64_t>(count(patterns.tocDotLeader, text));
    features.topRegionDensity = static_cast<double>(topChars) / static_cast<double>(std::max<size_t>(allChars, 1));
    features.pageCount = pageCount.value_or(1);
    features.lineCount = static_cast<int64_t>(lines.size());
    return features;
}

std::vector<int64_t> monthYearMentions(const std::vector<DataMatch>& dates) {
    std::set<int64_t> keys;
    std::optional<platform::GregorianCalendar> calendar;
    for (const DataMatch& match : dates) {
        if (!match.secondsSince1970) continue;
        if (!calendar) calendar.emplace();
        const platform::GregorianCalendar::Day day = calendar->day(*match.secondsSince1970);
        if (day.year >= firstKeyedYear && day.year <= lastKeyedYear) keys.insert(int64_t{day.year} * 100 + day.month);
        if (keys.size() >= mostMonthKeys) break;
    }
    return {keys.begin(), keys.end()};
}

EntitySignature entitySignature(std::string_view text, const OwnerIdentity& owner, const std::vector<DataMatch>& dates) {
    const FeaturePatterns& patterns = FeaturePatterns::shared();
    const std::string head = text::prefix(text, taggedCharacters);
    EntitySignature signature;

    const std::string tagged = Fingerprinter::nameTaggerText(head);
    const size_t topBoundary = text::prefix(tagged, topCharacters).size();
    for (const platform::TaggedName& name : platform::RuleNameTagger::shared().names(tagged)) {
        if (name.kind == platform::TaggedName::Kind::personalName) {
            ++signature.personCount;
            signature.personNearTop = signature.personNearTop || name.begin < topBoundary;
        } else {
            ++signature.organizationCount;
        }
    }

    const DataTypes contactTypes = DataTypes::phoneNumber | DataTypes::link | DataTypes::address;
    for (const DataMatch& match : platform::PatternDataDetector::shared().matches(head, contactTypes)) {
        if (match.type == DataTypes::address) ++signature.addressCount;
        if (match.type == DataTypes::phoneNumber) ++signature.phoneCount;
        if (match.type == DataTypes::link && isEmailLink(match)) ++signature.emailCount;
    }

    signature.yearMentions = distinctYears(text);
    signature.monthYearMentions = monthYearMentions(dates);
    signature.ownerNameNearTop = containsFolded(text::prefix(text, topCharacters), owner.variants);
    signature.airportCodePairCount = static_cast<int64_t>(count(patterns.airportPair, text));
    signature.documentIDCount = static_cast<int64_t>(count(patterns.documentID, text));
    signature.percentageCount = static_cast<int64_t>(count(patterns.percentage, text));
    return signature;
}

}  // namespace fingerprint_steps

}  // namespace ordane
