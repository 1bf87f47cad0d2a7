#include "OrdanePlatform/Language/PatternDataDetector.hpp"

#include <algorithm>

#include "OrdanePlatform/Language/PatternDetection.hpp"
#include "OrdanePlatform/Text/Regex.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane::platform {

namespace {

using pattern_detection::isASCIIDigit;
using pattern_detection::isASCIILetter;
using pattern_detection::matchAt;

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

}  // namespace

std::string_view urlScheme(std::string_view url) {
    const size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0) return {};
    const std::string_view scheme = url.substr(0, colon);
    const bool wellFormed = std::all_of(scheme.begin(), scheme.end(), [](char c) {
        return isASCIILetter(c) || isASCIIDigit(c) || c == '+' || c == '-' || c == '.';
    });
    return wellFormed && isASCIILetter(scheme.front()) ? scheme : std::string_view();
}

std::vector<DataMatch> PatternDataDetector::matches(std::string_view text, DataTypes types) const {
    if (!text::isValidUTF8(text)) return matches(text::validUTF8(text), types);
    std::vector<DataMatch> found;
    if (contains(types, DataTypes::date)) pattern_detection::addDates(text, found);
    if (contains(types, DataTypes::link)) addLinks(text, found);
    if (contains(types, DataTypes::address)) addAddresses(text, found);
    if (contains(types, DataTypes::phoneNumber)) pattern_detection::addPhoneNumbers(text, found);
    std::stable_sort(found.begin(), found.end(), [](const DataMatch& a, const DataMatch& b) {
        return a.begin != b.begin ? a.begin < b.begin : a.end > b.end;
    });
    std::vector<DataMatch> result;
    for (DataMatch& match : found) {
        if (result.empty() || match.begin >= result.back().end) result.push_back(std::move(match));
    }
    return result;
}

namespace pattern_detection {

DataMatch matchAt(DataTypes type, size_t begin, size_t end) {
    DataMatch match;
    match.type = type;
    match.begin = begin;
    match.end = end;
    return match;
}

}  // namespace pattern_detection

const PatternDataDetector& PatternDataDetector::shared() {
    static const PatternDataDetector detector;
    return detector;
}

}  // namespace ordane::platform
