// Phone numbers through libphonenumber.
#include <phonenumbers/phonenumbermatch.h>
#include <phonenumbers/phonenumbermatcher.h>
#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <climits>
#include <string>
#include <utility>

#include "OrdanePlatform/Language/PatternDetection.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane::platform::pattern_detection {

namespace {

constexpr size_t leastDigits = 7;    // a US number without its area code
constexpr size_t contextBytes = 12;  // what the matcher looks at around a number (letters, times)

// Characters a written phone number may hold besides digits: libphonenumber's punctuation.
bool isPhonePunctuation(char32_t c) {
    switch (c) {
        case U' ': case U'\t': case U'-': case U'.': case U'/': case U'(': case U')': case U'[': case U']':
        case U'~': case U'+': case U'\u00A0': case U'\u00AD': case U'\u200B': case U'\u2060': case U'\u2053':
        case U'\u2212': case U'\u223C': case U'\u3000': case U'\u30FC': case U'\uFF08': case U'\uFF09':
        case U'\uFF0D': case U'\uFF0F': case U'\uFF3B': case U'\uFF3D': case U'\uFF5E':
            return true;
        default:
            return c >= U'\u2010' && c <= U'\u2015';
    }
}

// Byte ranges around the runs of digits and punctuation that could be a phone number: seven
// digits, or a "+" before a digit. The matcher costs tens of microseconds per candidate it parses,
// and a document's amounts, dates and years would otherwise all be parsed.
std::vector<std::pair<size_t, size_t>> phoneWindows(std::string_view text) {
    std::vector<std::pair<size_t, size_t>> windows;
    const std::u32string codePoints = text::codePoints(text);
    size_t byte = 0;
    size_t runStart = 0;
    size_t digits = 0;
    bool plus = false;
    const auto closeRun = [&](size_t runEnd) {
        if (digits >= leastDigits || (plus && digits > 0)) {
            const size_t begin = runStart > contextBytes ? runStart - contextBytes : 0;
            const size_t end = std::min(text.size(), runEnd + contextBytes);
            if (!windows.empty() && begin <= windows.back().second) {
                windows.back().second = end;
            } else {
                windows.emplace_back(begin, end);
            }
        }
        digits = 0;
        plus = false;
    };
    for (char32_t c : codePoints) {
        const size_t length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        const bool digit = c >= U'0' && c <= U'9';
        if (digit || isPhonePunctuation(c)) {
            if (digits == 0 && !plus) runStart = byte;
            digits += digit ? 1 : 0;
            plus = plus || c == U'+';
        } else {
            closeRun(byte);
        }
        byte += length;
    }
    closeRun(byte);
    return windows;
}

// Moves a byte offset back to the start of the character it falls in.
size_t characterStart(std::string_view text, size_t at) {
    while (at > 0 && at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return at;
}

// A run of digits alone is more often an amount, an order number or a date than a phone number.
bool looksWrittenAsPhoneNumber(const std::string& raw) {
    if (!raw.empty() && raw.front() == '+') return true;
    return std::any_of(raw.begin(), raw.end(), [](char c) { return !isASCIIDigit(c); });
}

}  // namespace

void addPhoneNumbers(std::string_view text, std::vector<DataMatch>& out) {
    using i18n::phonenumbers::PhoneNumberMatch;
    using i18n::phonenumbers::PhoneNumberMatcher;
    using i18n::phonenumbers::PhoneNumberUtil;
    for (auto [begin, end] : phoneWindows(text)) {
        begin = characterStart(text, begin);
        end = characterStart(text, end);
        PhoneNumberMatcher matcher(*PhoneNumberUtil::GetInstance(), std::string(text.substr(begin, end - begin)), "US",
                                   PhoneNumberMatcher::POSSIBLE, INT_MAX);
        PhoneNumberMatch match;
        while (matcher.HasNext() && matcher.Next(&match)) {
            if (!looksWrittenAsPhoneNumber(match.raw_string())) continue;
            out.push_back(matchAt(DataTypes::phoneNumber, begin + static_cast<size_t>(match.start()),
                                  begin + static_cast<size_t>(match.end())));
        }
    }
}

}  // namespace ordane::platform::pattern_detection
