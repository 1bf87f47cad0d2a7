#include "OrdanePlatform/Language/PatternDataDetector.hpp"

#include <phonenumbers/phonenumbermatch.h>
#include <phonenumbers/phonenumbermatcher.h>
#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <climits>

#include "OrdanePlatform/Language/GregorianCalendar.hpp"
#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane::platform {

namespace {

constexpr const char* monthPattern =
    "(?:jan(?:uary)?|feb(?:ruary)?|mar(?:ch)?|apr(?:il)?|may|june?|july?|aug(?:ust)?|sep(?:t(?:ember)?)?|"
    "oct(?:ober)?|nov(?:ember)?|dec(?:ember)?)";

// Every written form of a date in one expression, so the text is scanned once; the matched text
// says which form it is.
const text::Regex& datePattern() {
    static const text::Regex pattern(std::string(R"((?i)\b(?:\d{4}-\d{1,2}-\d{1,2})") +
                                         R"(|\d{1,2}/\d{1,2}/\d{4}|\d{1,2}\.\d{1,2}\.\d{4})" +
                                         "|" + monthPattern + R"(\.?[ \t]+\d{1,2}(?:st|nd|rd|th)?,?[ \t]+\d{4})" +
                                         R"(|\d{1,2}(?:st|nd|rd|th)?[ \t]+)" + monthPattern +
                                         R"(\.?,?[ \t]+\d{4})" + "|" + monthPattern +
                                         R"(\.?,?[ \t]+\d{4})(?!\d))");
    return pattern;
}

const text::Regex& linkPattern() {
    static const text::Regex pattern(
        R"((?i)\b(?:https?://|www\.)[^\s<>"]*[^\s<>"'.,;:!?)\]]|)"
        R"(\b(?:mailto:)?[a-z0-9._%+-]+@[a-z0-9-]+(?:\.[a-z0-9-]+)*\.[a-z]{2,}\b)");
    return pattern;
}

const text::Regex& addressPattern() {
    static const std::string street =
        R"(\d{1,6}[ \t]+(?:[NSEW]\.?[ \t]+)?(?:[A-Z0-9][A-Za-z0-9'-]*\.?[ \t]+){1,4})"
        R"((?:Street|St|Avenue|Ave|Road|Rd|Boulevard|Blvd|Drive|Dr|Lane|Ln|Court|Ct|Place|Pl|Way|Terrace|Ter|)"
        R"(Parkway|Pkwy|Highway|Hwy|Circle|Cir|Square|Sq|Trail|Trl)\b\.?)"
        R"((?:,?[ \t]+(?:Apt|Apartment|Suite|Ste|Unit|Floor|Fl|#)\.?[ \t]*#?[A-Za-z0-9-]+)?)";
    static const std::string city =
        R"([A-Z][A-Za-z.'-]*(?:[ \t]+[A-Z][A-Za-z.'-]*){0,3},[ \t]*)"
        R"((?:AL|AK|AZ|AR|CA|CO|CT|DE|DC|FL|GA|HI|ID|IL|IN|IA|KS|KY|LA|ME|MD|MA|MI|MN|MS|MO|MT|NE|NV|NH|NJ|NM|)"
        R"(NY|NC|ND|OH|OK|OR|PA|RI|SC|SD|TN|TX|UT|VT|VA|WA|WV|WI|WY)[ \t]+\d{5}(?:-\d{4})?(?!\d))";
    static const text::Regex pattern(R"(\b(?:)" + street + R"((?:(?:,[ \t]*|[ \t]*\n[ \t]*))" + city + ")?|" +
                                     city + ")");
    return pattern;
}

DataMatch matchAt(DataTypes type, size_t begin, size_t end) {
    DataMatch match;
    match.type = type;
    match.begin = begin;
    match.end = end;
    return match;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isASCIILetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int monthNumber(std::string_view word) {
    static constexpr std::string_view prefixes[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                    "jul", "aug", "sep", "oct", "nov", "dec"};
    std::string lower(word.substr(0, 3));
    for (char& c : lower) c = static_cast<char>(c | 0x20);
    for (int i = 0; i < 12; ++i) {
        if (lower == prefixes[i]) return i + 1;
    }
    return 0;
}

// The day a matched date names: its numbers in order and its month word, read by the form.
std::optional<GregorianCalendar::Day> dayOf(std::string_view match) {
    std::vector<int> numbers;
    int month = 0;
    bool monthFirst = false;
    for (size_t i = 0; i < match.size();) {
        if (isDigit(match[i])) {
            int value = 0;
            for (; i < match.size() && isDigit(match[i]); ++i) value = value * 10 + (match[i] - '0');
            numbers.push_back(value);
        } else if (isASCIILetter(match[i])) {
            const size_t start = i;
            while (i < match.size() && isASCIILetter(match[i])) ++i;
            if (month == 0 && numbers.empty()) monthFirst = true;
            // The first word is the month; later ones are ordinal suffixes ("7th").
            if (month == 0) month = monthNumber(match.substr(start, i - start));
        } else {
            ++i;
        }
    }
    GregorianCalendar::Day day;
    if (month != 0) {
        day = {numbers.back(), month, numbers.size() == 2 ? numbers.front() : 1};
        if (monthFirst && numbers.size() == 1) day.day = 1;
    } else if (numbers.size() == 3) {
        if (match.find('-') != std::string_view::npos) {
            day = {numbers[0], numbers[1], numbers[2]};
        } else if (match.find('/') != std::string_view::npos) {
            day = {numbers[2], numbers[0], numbers[1]};
        } else {
            day = {numbers[2], numbers[1], numbers[0]};
        }
    } else {
        return std::nullopt;
    }
    return day;
}

void addDates(std::string_view text, std::vector<DataMatch>& out) {
    std::optional<GregorianCalendar> calendar;
    for (const text::RegexMatch& match : datePattern().matches(text)) {
        const std::optional<GregorianCalendar::Day> day = dayOf(match.text);
        if (!day) continue;
        if (!calendar) calendar.emplace();
        const std::optional<double> seconds = calendar->startOfDay(*day);
        if (!seconds) continue;
        DataMatch found = matchAt(DataTypes::date, match.begin, match.end);
        found.secondsSince1970 = seconds;
        out.push_back(std::move(found));
    }
}

void addLinks(std::string_view text, std::vector<DataMatch>& out) {
    for (const text::RegexMatch& match : linkPattern().matches(text)) {
        DataMatch found = matchAt(DataTypes::link, match.begin, match.end);
        const std::string lower = text::lowerCased(match.text);
        if (lower.starts_with("http://") || lower.starts_with("https://")) {
            found.url = match.text;
        } else if (lower.starts_with("www.")) {
            found.url = "http://" + match.text;
        } else if (lower.starts_with("mailto:")) {
            found.url = "mailto:" + match.text.substr(7);
        } else {
            found.url = "mailto:" + match.text;
        }
        out.push_back(std::move(found));
    }
}

void addAddresses(std::string_view text, std::vector<DataMatch>& out) {
    for (const text::RegexMatch& match : addressPattern().matches(text)) {
        out.push_back(matchAt(DataTypes::address, match.begin, match.end));
    }
}

// A run of digits alone is more often an amount, an order number or a date than a phone number.
bool looksWrittenAsPhoneNumber(std::string_view raw) {
    if (!raw.empty() && raw.front() == '+') return true;
    return std::any_of(raw.begin(), raw.end(), [](char c) { return !isDigit(c); });
}

void addPhoneNumbers(std::string_view text, std::vector<DataMatch>& out) {
    using i18n::phonenumbers::PhoneNumberMatch;
    using i18n::phonenumbers::PhoneNumberMatcher;
    using i18n::phonenumbers::PhoneNumberUtil;
    PhoneNumberMatcher matcher(*PhoneNumberUtil::GetInstance(), std::string(text), "US", PhoneNumberMatcher::POSSIBLE,
                               INT_MAX);
    PhoneNumberMatch match;
    while (matcher.HasNext() && matcher.Next(&match)) {
        if (!looksWrittenAsPhoneNumber(match.raw_string())) continue;
        out.push_back(matchAt(DataTypes::phoneNumber, static_cast<size_t>(match.start()),
                              static_cast<size_t>(match.end())));
    }
}

}  // namespace

std::string_view urlScheme(std::string_view url) {
    const size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0) return {};
    const std::string_view scheme = url.substr(0, colon);
    const bool wellFormed = std::all_of(scheme.begin(), scheme.end(), [](char c) {
        return isASCIILetter(c) || isDigit(c) || c == '+' || c == '-' || c == '.';
    });
    return wellFormed && isASCIILetter(scheme.front()) ? scheme : std::string_view();
}

std::vector<DataMatch> PatternDataDetector::matches(std::string_view text, DataTypes types) const {
    if (!text::isValidUTF8(text)) return matches(text::validUTF8(text), types);
    std::vector<DataMatch> found;
    if (contains(types, DataTypes::date)) addDates(text, found);
    if (contains(types, DataTypes::link)) addLinks(text, found);
    if (contains(types, DataTypes::address)) addAddresses(text, found);
    if (contains(types, DataTypes::phoneNumber)) addPhoneNumbers(text, found);
    std::stable_sort(found.begin(), found.end(), [](const DataMatch& a, const DataMatch& b) {
        return a.begin != b.begin ? a.begin < b.begin : a.end > b.end;
    });
    std::vector<DataMatch> result;
    for (DataMatch& match : found) {
        if (result.empty() || match.begin >= result.back().end) result.push_back(std::move(match));
    }
    return result;
}

const PatternDataDetector& PatternDataDetector::shared() {
    static const PatternDataDetector detector;
    return detector;
}

}  // namespace ordane::platform
