#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "OrdanePlatform/Language/DataDetector.hpp"

// The parts of PatternDataDetector, one file each. Each adds its matches to `out` in text order.
namespace ordane::platform::pattern_detection {

inline bool isASCIIDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isASCIILetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

DataMatch matchAt(DataTypes type, size_t begin, size_t end);

void addDates(std::string_view text, std::vector<DataMatch>& out);
void addPhoneNumbers(std::string_view text, std::vector<DataMatch>& out);

}  // namespace ordane::platform::pattern_detection
