#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <cstdint>
#include <limits>

#include "OrdanePlatform/Format/ByteCountFormatter.hpp"
#include "OrdanePlatform/Format/DateTextFormatter.hpp"

using ordane::platform::ByteCountFormatter;
using ordane::platform::DateTextFormatter;

TEST(ByteCountFormatter, SmallCountsAreWrittenInBytes) {
    EXPECT_EQ(ByteCountFormatter::format(0), "Zero KB");
    EXPECT_EQ(ByteCountFormatter::format(1), "1 byte");
    EXPECT_EQ(ByteCountFormatter::format(999), "999 bytes");
}

TEST(ByteCountFormatter, DecimalUnitsRoundedToTheirPrecision) {
    EXPECT_EQ(ByteCountFormatter::format(1000), "1 KB");
    EXPECT_EQ(ByteCountFormatter::format(1500), "2 KB");
    EXPECT_EQ(ByteCountFormatter::format(1'250'000), "1.3 MB");
    EXPECT_EQ(ByteCountFormatter::format(1'234'567'890), "1.23 GB");
    EXPECT_EQ(ByteCountFormatter::format(2'500'000'000'000), "2.5 TB");
    // Trailing zeros dropped.
    EXPECT_EQ(ByteCountFormatter::format(2'000'000), "2 MB");
    EXPECT_EQ(ByteCountFormatter::format(2'004'000'000), "2 GB");
    // The unit is chosen after rounding.
    EXPECT_EQ(ByteCountFormatter::format(999'499), "999 KB");
    EXPECT_EQ(ByteCountFormatter::format(999'999), "1 MB");
    EXPECT_EQ(ByteCountFormatter::format(999'949'999), "999.9 MB");
    EXPECT_EQ(ByteCountFormatter::format(999'950'000), "1 GB");
}

TEST(ByteCountFormatter, ExtremesAndTheLocaleDecimalSeparator) {
    EXPECT_EQ(ByteCountFormatter::format(std::numeric_limits<int64_t>::max()), "9.22 EB");
    EXPECT_EQ(ByteCountFormatter::format(std::numeric_limits<int64_t>::min()), "-9.22 EB");
    EXPECT_EQ(ByteCountFormatter::format(-1500), "-2 KB");
    EXPECT_EQ(ByteCountFormatter::format(1'250'000, "de_DE"), "1,3 MB");
    EXPECT_EQ(ByteCountFormatter::format(1'234'567'890, "fr_FR"), "1,23 GB");
}

TEST(DateTextFormatter, MonthWithYearAndYearAlone) {
    double march15 = 1710460800;  // 2024-03-15 00:00 UTC
    EXPECT_EQ(DateTextFormatter::monthAndYear(march15), "March 2024");
    EXPECT_EQ(DateTextFormatter::year(march15), "2024");
    EXPECT_EQ(DateTextFormatter::monthAndYear(march15, "de_DE"), "März 2024");
}

TEST(DateTextFormatter, UsesTheProcessTimeZone) {
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
