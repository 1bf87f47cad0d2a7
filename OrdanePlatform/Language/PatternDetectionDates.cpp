// Dates in the forms 2024-03-07, 3/7/2024, 7.3.2024, "March 7, 2024", "7 March 2024", "March 2024".
#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "OrdanePlatform/Language/GregorianCalendar.hpp"
#include "OrdanePlatform/Language/PatternDetection.hpp"
#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane::platform::pattern_detection {

namespace {

// No form reaches over a line end and each holds a year of four digits, so only lines with four
// digits in a row are searched, and cutting the text at line ends changes no match.
const text::Regex& numericDatePattern() {
    static const text::Regex pattern(
        R"(\b(?:[0-9]{4}-[0-9]{1,2}-[0-9]{1,2}|[0-9]{1,2}/[0-9]{1,2}/[0-9]{4}|[0-9]{1,2}\.[0-9]{1,2}\.[0-9]{4})(?![0-9]))");
    return pattern;
}

// Tried only where a month name (or a day before one) starts a word: a case-insensitive search of
// every line costs many times more.
const text::Regex& namedDatePattern() {
    static const text::Regex pattern = [] {
        const std::string month =
            "(?:jan(?:uary)?|feb(?:ruary)?|mar(?:ch)?|apr(?:il)?|may|june?|july?|aug(?:ust)?|"
            "sep(?:t(?:ember)?)?|oct(?:ober)?|nov(?:ember)?|dec(?:ember)?)\\.?";
        const std::string day = "[0-9]{1,2}(?:st|nd|rd|th)?";
        const std::string year = "[0-9]{4}(?![0-9])";
        return text::Regex("^(?:" + month + "[ \\t]+" + day + ",?[ \\t]+" + year + "|" + day + "[ \\t]+" + month +
                               ",?[ \\t]+" + year + "|" + month + ",?[ \\t]+" + year + ")",
                           text::RegexOptions::caseInsensitive);
    }();
    return pattern;
}

std::vector<std::pair<size_t, size_t>> linesWithYears(std::string_view text) {
    std::vector<std::pair<size_t, size_t>> ranges;
    size_t lineStart = 0;
    size_t digitRun = 0;
    bool hasYear = false;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n') {
            if (hasYear) ranges.emplace_back(lineStart, i);
            lineStart = i + 1;
            digitRun = 0;
            hasYear = false;
            continue;
        }
        digitRun = isASCIIDigit(text[i]) ? digitRun + 1 : 0;
        hasYear = hasYear || digitRun >= 4;
    }
    return ranges;
}

int monthNumber(std::string_view word) {
    static constexpr std::string_view names[] = {"january", "february", "march",     "april",   "may",      "june",
                                                 "july",    "august",   "september", "october", "november", "december"};
    if (word.size() < 3) return 0;
    std::string lower(word);
    for (char& c : lower) c = static_cast<char>(c | 0x20);
    for (int i = 0; i < 12; ++i) {
        if (names[i].starts_with(lower) || (i == 8 && lower == "sept")) return i + 1;
    }
    return 0;
}

// Whether a word (as a regular expression's word boundary sees it) goes on before byte `at`.
bool continuesWord(std::string_view line, size_t at) {
    if (at == 0) return false;
    size_t start = at - 1;
    while (start > 0 && (static_cast<unsigned char>(line[start]) & 0xC0) == 0x80) --start;
    const std::u32string previous = text::codePoints(line.substr(start, at - start));
    return !previous.empty() && (text::isAlphanumeric(previous.front()) || previous.front() == U'_');
}

bool isASCIIAlphanumeric(char c) { return isASCIILetter(c) || isASCIIDigit(c); }

// Where a named date could start in a line: at a month word that starts a word, or at the day
// written before it. A named date spans at most three pieces between spaces, so that is all the
// expression is shown.
std::vector<std::pair<size_t, size_t>> namedDateCandidates(std::string_view line) {
    std::vector<std::pair<size_t, size_t>> candidates;
    for (size_t i = 0; i < line.size(); ++i) {
        if (!isASCIILetter(line[i]) || continuesWord(line, i)) continue;
        size_t end = i;
        while (end < line.size() && isASCIILetter(line[end])) ++end;
        if (monthNumber(line.substr(i, end - i)) != 0) {
            size_t start = i;
            size_t before = i;
            while (before > 0 && (line[before - 1] == ' ' || line[before - 1] == '\t')) --before;
            size_t dayStart = before;
            while (dayStart > 0 && isASCIIAlphanumeric(line[dayStart - 1])) --dayStart;
            if (before < i && dayStart < before && isASCIIDigit(line[dayStart]) && !continuesWord(line, dayStart)) {
                start = dayStart;
            }
            size_t sliceEnd = start;
            for (int piece = 0; piece < 3 && sliceEnd < line.size(); ++piece) {
                while (sliceEnd < line.size() && (line[sliceEnd] == ' ' || line[sliceEnd] == '\t')) ++sliceEnd;
                while (sliceEnd < line.size() && line[sliceEnd] != ' ' && line[sliceEnd] != '\t') ++sliceEnd;
            }
            candidates.emplace_back(start, sliceEnd);
            if (start != i) candidates.emplace_back(i, sliceEnd);
        }
        i = end;
    }
    return candidates;
}

// The day a matched date names: its numbers in order and its month word, read by the form.
std::optional<GregorianCalendar::Day> dayOf(std::string_view match) {
    std::vector<int> numbers;
    int month = 0;
    for (size_t i = 0; i < match.size();) {
        if (isASCIIDigit(match[i])) {
            int value = 0;
            for (; i < match.size() && isASCIIDigit(match[i]); ++i) value = value * 10 + (match[i] - '0');
            numbers.push_back(value);
        } else if (isASCIILetter(match[i])) {
            const size_t start = i;
            while (i < match.size() && isASCIILetter(match[i])) ++i;
            // The first word is the month; later ones are ordinal suffixes ("7th").
            if (month == 0) month = monthNumber(match.substr(start, i - start));
        } else {
            ++i;
        }
    }
    if (numbers.empty()) return std::nullopt;
    if (month != 0) {
        return GregorianCalendar::Day{numbers.back(), month, numbers.size() == 2 ? numbers.front() : 1};
    }
    if (numbers.size() != 3) return std::nullopt;
    if (match.find('-') != std::string_view::npos) return GregorianCalendar::Day{numbers[0], numbers[1], numbers[2]};
    if (match.find('/') != std::string_view::npos) return GregorianCalendar::Day{numbers[2], numbers[0], numbers[1]};
    return GregorianCalendar::Day{numbers[2], numbers[1], numbers[0]};
}

}  // namespace

void addDates(std::string_view text, std::vector<DataMatch>& out) {
    std::optional<GregorianCalendar> calendar;
    const auto add = [&](size_t begin, size_t end) {
        const std::optional<GregorianCalendar::Day> day = dayOf(text.substr(begin, end - begin));
        if (!day) return;
        if (!calendar) calendar.emplace();
        const std::optional<double> seconds = calendar->startOfDay(*day);
        if (!seconds) return;
        DataMatch found = matchAt(DataTypes::date, begin, end);
        found.secondsSince1970 = seconds;
        out.push_back(std::move(found));
    };
    for (const auto& [lineBegin, lineEnd] : linesWithYears(text)) {
        const std::string_view line = text.substr(lineBegin, lineEnd - lineBegin);
        std::vector<std::pair<size_t, size_t>> found;
        for (const text::RegexMatch& match : numericDatePattern().matches(line)) found.emplace_back(match.begin, match.end);
        size_t namedEnd = 0;  // named dates do not overlap each other
        for (const auto& [begin, end] : namedDateCandidates(line)) {
            if (begin < namedEnd) continue;
            if (const auto match = namedDatePattern().firstMatch(line.substr(begin, end - begin))) {
                found.emplace_back(begin, begin + match->end);
                namedEnd = begin + match->end;
            }
        }
        std::sort(found.begin(), found.end());
        for (const auto& [begin, end] : found) add(lineBegin + begin, lineBegin + end);
    }
}

}  // namespace ordane::platform::pattern_detection
