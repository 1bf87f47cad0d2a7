#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ordane::platform {

// Sizes as a person reads them, in file style: decimal units (1 KB = 1000 bytes), "Zero KB",
// "1 byte", "N bytes" below 1000, whole KB, MB with one decimal, GB and above with two, trailing
// zeros dropped, the unit chosen after rounding, digits and decimal separator of the locale.
struct ByteCountFormatter {
    // `locale` is an ICU locale id; empty means the process locale.
    static std::string format(int64_t bytes, std::string_view locale = {});
};

}  // namespace ordane::platform
