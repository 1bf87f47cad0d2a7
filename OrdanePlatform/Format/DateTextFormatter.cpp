#include "OrdanePlatform/Format/DateTextFormatter.hpp"

#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>

#include <memory>

namespace ordane::platform {

std::string DateTextFormatter::monthAndYear(double secondsSince1970, std::string_view locale) {
    return format(secondsSince1970, "MMMMy", locale);
}

std::string DateTextFormatter::year(double secondsSince1970, std::string_view locale) {
    return format(secondsSince1970, "y", locale);
}

std::string DateTextFormatter::format(double secondsSince1970, std::string_view skeleton, std::string_view localeID) {
    // A formatter per call: ICU date formatters are not safe to share between threads, and dates
    // are written rarely enough that caching would buy nothing.
    icu::Locale locale = localeID.empty() ? icu::Locale::getDefault() : icu::Locale(std::string(localeID).c_str());
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, status));
    if (U_FAILURE(status)) return {};
    icu::UnicodeString pattern = generator->getBestPattern(
        icu::UnicodeString::fromUTF8(icu::StringPiece(skeleton.data(), static_cast<int32_t>(skeleton.size()))),
        status);
    if (U_FAILURE(status)) return {};
    icu::SimpleDateFormat formatter(pattern, locale, status);  // the default time zone
    if (U_FAILURE(status)) return {};
    icu::UnicodeString text;
    formatter.format(static_cast<UDate>(secondsSince1970 * 1000.0), text);
    std::string result;
    text.toUTF8String(result);
    return result;
}

}  // namespace ordane::platform
