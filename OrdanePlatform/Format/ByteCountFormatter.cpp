#include "OrdanePlatform/Format/ByteCountFormatter.hpp"

#include <unicode/locid.h>
#include <unicode/numberformatter.h>

#include <array>

namespace ordane::platform {

namespace {

constexpr std::array<const char*, 6> units{"KB", "MB", "GB", "TB", "PB", "EB"};

uint64_t powerOfTen(int exponent) {
    uint64_t value = 1;
    for (int i = 0; i < exponent; ++i) value *= 10;
    return value;
}

// `scaled` is the value times 10^decimals; the text keeps every digit so the locale formatter
// only has to localise it (and drop trailing zeros), never round it again.
std::string decimalText(bool negative, uint64_t scaled, int decimals) {
    std::string digits = std::to_string(scaled);
    if (decimals > 0) {
        if (digits.size() <= static_cast<size_t>(decimals)) {
            digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), '0');
        }
        digits.insert(digits.size() - static_cast<size_t>(decimals), ".");
    }
    return negative ? "-" + digits : digits;
}

std::string localized(const std::string& decimal, int decimals, std::string_view localeID) {
    icu::Locale locale = localeID.empty() ? icu::Locale::getDefault() : icu::Locale(std::string(localeID).c_str());
    UErrorCode status = U_ZERO_ERROR;
    std::string result;
    icu::UnicodeString text = icu::number::NumberFormatter::withLocale(locale)
                                  .precision(icu::number::Precision::maxFraction(decimals))
                                  .grouping(UNUM_GROUPING_OFF)
                                  .formatDecimal(icu::StringPiece(decimal), status)
                                  .toString(status);
    if (U_FAILURE(status)) return decimal;  // the plain digits still say the right thing
    text.toUTF8String(result);
    return result;
}

}  // namespace

std::string ByteCountFormatter::format(int64_t bytes, std::string_view locale) {
    if (bytes == 0) return "Zero KB";
    bool negative = bytes < 0;
    // The magnitude of INT64_MIN does not fit a signed value.
    uint64_t magnitude = negative ? uint64_t{0} - static_cast<uint64_t>(bytes) : static_cast<uint64_t>(bytes);
    if (magnitude < 1000) {
        std::string count = localized(decimalText(negative, magnitude, 0), 0, locale);
        return count + (magnitude == 1 ? " byte" : " bytes");
    }
    for (size_t unit = 0; unit < units.size(); ++unit) {
        int decimals = unit == 0 ? 0 : unit == 1 ? 1 : 2;
        int exponent = 3 * static_cast<int>(unit + 1) - decimals;
        uint64_t divisor = powerOfTen(exponent);
        uint64_t scaled = magnitude / divisor + (magnitude % divisor >= divisor / 2 ? 1 : 0);
        bool last = unit + 1 == units.size();
        // Rounding may carry into the next unit: 999,999 bytes is 1 MB, not 1000 KB.
        if (!last && scaled >= 1000 * powerOfTen(decimals)) continue;
        return localized(decimalText(negative, scaled, decimals), decimals, locale) + " " + units[unit];
    }
    return {};
}

}  // namespace ordane::platform
