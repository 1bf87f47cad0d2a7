#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <cstdint>
#include <limits>

#include "OrdanePlatform/Format/ByteCountFormatter.hpp"
#include "OrdanePlatform/Format/DateTextFormatter.hpp"

using ordane::platform::ByteCountFormatter;
using ordane::platform::DateTextFormatter;

TEST(ByteCountFormatter, DecimalUnitsRoundedToTheirPrecision) {
    const std::pair<int64_t, const char*> cases[] = {
        {0, "Zero KB"}, {1, "1 byte"}, {999, "999 bytes"}, {1000, "1 KB"}, {1500, "2 KB"},
        {1'250'000, "1.3 MB"}, {1'234'567'890, "1.23 GB"}, {2'500'000'000'000, "2.5 TB"},
        // Trailing zeros dropped.
        {2'000'000, "2 MB"}, {2'004'000'000, "2 GB"},
        // The unit is chosen after rounding.
        {999'499, "999 KB"}, {999'999, "1 MB"}, {999'949'999, "999.9 MB"}, {999'950'000, "1 GB"},
        {std::numeric_limits<int64_t>::max(), "9.22 EB"}, {std::numeric_limits<int64_t>::min(), "-9.22 EB"},
        {-1500, "-2 KB"}};
    for (auto [bytes, text] : cases) EXPECT_EQ(ByteCountFormatter::format(bytes), text) << bytes;
    // The locale's decimal separator.
    EXPECT_EQ(ByteCountFormatter::format(1'250'000, "de_DE"), "1,3 MB");
    EXPECT_EQ(ByteCountFormatter::format(1'234'567'890, "fr_FR"), "1,23 GB");
}

TEST(DateTextFormatter, MonthWithYearAndYearAloneInTheProcessTimeZone) {
    EXPECT_EQ(DateTextFormatter::monthAndYear(1710460800, "de_DE"), "März 2024");  // 2024-03-15 00:00 UTC
    // The tests run with TZ=UTC: the last second of March is still March.
    EXPECT_EQ(DateTextFormatter::monthAndYear(1711929599), "March 2024");
    EXPECT_EQ(DateTextFormatter::monthAndYear(1711929600), "April 2024");
    EXPECT_EQ(DateTextFormatter::year(1704067199), "2023");

    // A zone set later is followed too, although formatters are kept between calls.
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("America/New_York"));
    std::string newYork = DateTextFormatter::monthAndYear(1711929600);
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("UTC"));
    EXPECT_EQ(newYork, "March 2024");
}
