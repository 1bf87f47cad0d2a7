#pragma once

#include <memory>
#include <optional>

namespace ordane::platform {

// The proleptic Gregorian calendar in UTC (ICU). Not safe to share between threads: make one per
// call or per thread.
class GregorianCalendar {
public:
    struct Day {
        int year = 0;
        int month = 0;  // 1...12
        int day = 0;    // 1...31

        bool operator==(const Day&) const = default;
    };

    GregorianCalendar();
    ~GregorianCalendar();
    GregorianCalendar(const GregorianCalendar&) = delete;
    GregorianCalendar& operator=(const GregorianCalendar&) = delete;

    // The UTC day of a point in time.
    Day day(double secondsSince1970);
    // Midnight UTC at the start of a day; none when there is no such day (month 13, 31 April,
    // 29 February 2023).
    std::optional<double> startOfDay(const Day& day);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace ordane::platform
