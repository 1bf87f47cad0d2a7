#include "OrdanePlatform/Language/GregorianCalendar.hpp"

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include "OrdanePlatform/Text/IcuText.hpp"

namespace ordane::platform {

struct GregorianCalendar::State {
    std::unique_ptr<icu::GregorianCalendar> calendar;
};

GregorianCalendar::GregorianCalendar() : state_(std::make_unique<State>()) {
    UErrorCode status = U_ZERO_ERROR;
    state_->calendar = std::make_unique<icu::GregorianCalendar>(*icu::TimeZone::getGMT(), status);
    text::icu_text::check(status, "Gregorian calendar");
    // Purely Gregorian, also before 1582.
    state_->calendar->setGregorianChange(-1e300, status);
    text::icu_text::check(status, "Gregorian change date");
    state_->calendar->setLenient(false);
}

GregorianCalendar::~GregorianCalendar() = default;

GregorianCalendar::Day GregorianCalendar::day(double secondsSince1970) {
    icu::GregorianCalendar& calendar = *state_->calendar;
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime(secondsSince1970 * 1000.0, status);
    Day result;
    result.year = calendar.get(UCAL_EXTENDED_YEAR, status);
    result.month = calendar.get(UCAL_MONTH, status) + 1;
    result.day = calendar.get(UCAL_DATE, status);
    text::icu_text::check(status, "calendar fields");
    return result;
}

std::optional<double> GregorianCalendar::startOfDay(const Day& day) {
    if (day.month < 1 || day.month > 12 || day.day < 1 || day.day > 31) return std::nullopt;
    icu::GregorianCalendar& calendar = *state_->calendar;
    calendar.clear();
    calendar.set(UCAL_EXTENDED_YEAR, day.year);
    calendar.set(UCAL_MONTH, day.month - 1);
    calendar.set(UCAL_DATE, day.day);
    UErrorCode status = U_ZERO_ERROR;
    const UDate millis = calendar.getTime(status);  // not lenient: a day that does not exist fails
    if (U_FAILURE(status)) return std::nullopt;
    return millis / 1000.0;
}

}  // namespace ordane::platform
