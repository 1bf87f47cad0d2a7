#pragma once

#include <compare>

namespace ordane {

// A point in time: seconds since 2001-01-01 00:00:00 UTC, as stored in every file.
struct Date {
    static constexpr double unixOffset = 978307200.0;  // seconds from 1970 to 2001

    double secondsSinceReferenceDate = 0;

    static Date now();
    static Date fromUnix(double secondsSince1970) { return Date{secondsSince1970 - unixOffset}; }
    double secondsSince1970() const { return secondsSinceReferenceDate + unixOffset; }
    Date adding(double seconds) const { return Date{secondsSinceReferenceDate + seconds}; }
    double secondsSince(Date other) const { return secondsSinceReferenceDate - other.secondsSinceReferenceDate; }

    bool operator==(const Date&) const = default;
    auto operator<=>(const Date&) const = default;
};

}  // namespace ordane
