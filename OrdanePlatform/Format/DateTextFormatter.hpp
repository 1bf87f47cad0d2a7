#pragma once

#include <string>
#include <string_view>

namespace ordane::platform {

// Dates written for a person through ICU skeletons, so each locale orders and spells the fields
// its own way; the process locale and time zone unless told otherwise.
struct DateTextFormatter {
    // The month name in full with the year ("March 2024" in US English).
    static std::string monthAndYear(double secondsSince1970, std::string_view locale = {});
    // The year alone ("2024").
    static std::string year(double secondsSince1970, std::string_view locale = {});
    // Any skeleton ("MMMMy", "y", "yMMMd"…); `locale` is an ICU locale id, empty for the process's.
    static std::string format(double secondsSince1970, std::string_view skeleton, std::string_view locale = {});
};

}  // namespace ordane::platform
