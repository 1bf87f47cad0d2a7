#include "OrdanePlatform/Format/DateTextFormatter.hpp"

#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <map>
#include <memory>
#include <mutex>

namespace ordane::platform {

namespace {

// A formatter for the skeleton in the locale and the zone, built once: building one costs a
// quarter of a millisecond, and the analysis writes a date for every old screenshot and installer.
// ICU formatters are not safe to share between threads, so they are used under the lock.
struct FormatterCache {
    std::mutex mutex;
    std::map<std::string, std::unique_ptr<icu::SimpleDateFormat>> formatters;
};

std::unique_ptr<icu::SimpleDateFormat> makeFormatter(const icu::Locale& locale, std::string_view skeleton,
                                                     const icu::TimeZone& zone) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, status));
    if (U_FAILURE(status)) return nullptr;
    icu::UnicodeString pattern = generator->getBestPattern(
        icu::UnicodeString::fromUTF8(icu::StringPiece(skeleton.data(), static_cast<int32_t>(skeleton.size()))),
        status);
    if (U_FAILURE(status)) return nullptr;
    auto formatter = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
    if (U_FAILURE(status)) return nullptr;
    formatter->setTimeZone(zone);
    return formatter;
}

}  // namespace

std::string DateTextFormatter::monthAndYear(double secondsSince1970, std::string_view locale) {
    return format(secondsSince1970, "MMMMy", locale);
}

std::string DateTextFormatter::year(double secondsSince1970, std::string_view locale) {
    return format(secondsSince1970, "y", locale);
}

std::string DateTextFormatter::format(double secondsSince1970, std::string_view skeleton, std::string_view localeID) {
    icu::Locale locale = localeID.empty() ? icu::Locale::getDefault() : icu::Locale(std::string(localeID).c_str());
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    icu::UnicodeString zoneID;
    zone->getID(zoneID);
    std::string key = std::string(locale.getName()) + '\n' + std::string(skeleton) + '\n';
    zoneID.toUTF8String(key);

    static FormatterCache& cache = *new FormatterCache;  // never destroyed: no order problems at exit
    std::lock_guard lock(cache.mutex);
    auto entry = cache.formatters.find(key);
    if (entry == cache.formatters.end()) {
        entry = cache.formatters.emplace(key, makeFormatter(locale, skeleton, *zone)).first;
    }
    if (!entry->second) return {};
    icu::UnicodeString text;
    entry->second->format(static_cast<UDate>(secondsSince1970 * 1000.0), text);
    std::string result;
    text.toUTF8String(result);
    return result;
}

}  // namespace ordane::platform
