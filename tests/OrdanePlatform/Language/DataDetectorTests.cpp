#include <gtest/gtest.h>

#include "OrdanePlatform/Language/GregorianCalendar.hpp"
#include "OrdanePlatform/Language/PatternDataDetector.hpp"

using ordane::platform::DataMatch;
using ordane::platform::DataTypes;
using ordane::platform::GregorianCalendar;
using ordane::platform::PatternDataDetector;

namespace {

std::vector<DataMatch> detect(const std::string& text, DataTypes types) {
    return PatternDataDetector::shared().matches(text, types);
}

std::string matchedText(const std::string& text, const DataMatch& match) {
    return text.substr(match.begin, match.end - match.begin);
}

}  // namespace

TEST(DataDetectorDates, EachWrittenFormNamesItsDayInUTC) {
    struct Case {
        std::string text;
        std::string matched;
        GregorianCalendar::Day day;
    };
    const Case cases[] = {
        {"Issued 2024-03-07.", "2024-03-07", {2024, 3, 7}},
        {"Due 3/7/2024 at noon", "3/7/2024", {2024, 3, 7}},
        {"am 7.3.2024 bezahlt", "7.3.2024", {2024, 3, 7}},
        {"on March 7, 2024 we", "March 7, 2024", {2024, 3, 7}},
        {"on Sept. 21st, 1999", "Sept. 21st, 1999", {1999, 9, 21}},
        {"Statement period: MARCH 2024", "MARCH 2024", {2024, 3, 1}},
        {"Leap day 2/29/2024", "2/29/2024", {2024, 2, 29}},
        {"No such day 2/29/2023 or 2023-13-01 or 31.4.2024", "", {}},
        {"Order 12345678 and 2015-2019", "", {}},
        {"\u00e9t\u00e9 \u2014 2024-12-31", "2024-12-31", {2024, 12, 31}},
    };
    GregorianCalendar calendar;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::vector<DataMatch> found = detect(c.text, DataTypes::date);
        if (c.matched.empty()) {
            EXPECT_TRUE(found.empty());
            continue;
        }
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(matchedText(c.text, found[0]), c.matched);
        ASSERT_TRUE(found[0].secondsSince1970);
        EXPECT_EQ(calendar.day(*found[0].secondsSince1970), c.day);
        EXPECT_EQ(calendar.startOfDay(c.day), found[0].secondsSince1970);
    }
}

TEST(DataDetectorLinksPhonesAddresses, EachFindsItsOwnKindInByteOffsets) {
    struct Case {
        DataTypes type;
        std::string text;
        std::vector<std::string> matched;  // the link's URL, else the matched text
    };
    const Case cases[] = {
        {DataTypes::link, "Write to Ann.Lee+cv@Example.co.uk, see https://example.com/a?b=1. or www.example.org), "
                          "not an@sign or example.com",
         {"mailto:Ann.Lee+cv@Example.co.uk", "https://example.com/a?b=1", "http://www.example.org"}},
        // A phone number needs a separator or a plus.
        {DataTypes::phoneNumber, "Caf\u00e9 (415) 555-0132, cell +1 212 555 0199; order 4155550132; total $1,234.56",
         {"(415) 555-0132", "+1 212 555 0199"}},
        {DataTypes::address, "Ann Lee\n1200 Oak Avenue, Apt 4B\nSpringfield, IL 62704\n",
         {"1200 Oak Avenue, Apt 4B\nSpringfield, IL 62704"}},
        {DataTypes::address, "Office: 9 Main St\n\nVisit Portland, OR 97201", {"9 Main St", "Visit Portland, OR 97201"}},
        {DataTypes::address, "Add 2 cups Flour and stir. Portland, Oregon 97201", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::string> matched;
        for (const DataMatch& match : detect(c.text, c.type)) {
            matched.push_back(c.type == DataTypes::link ? match.url : matchedText(c.text, match));
        }
        EXPECT_EQ(matched, c.matched);
    }
    EXPECT_EQ(ordane::platform::urlScheme("mailto:a@b.io"), "mailto");
    EXPECT_EQ(ordane::platform::urlScheme("no scheme here"), "");
}

TEST(DataDetectorAllTypes, MatchesComeInTextOrderWithoutOverlaps) {
    const std::string text =
        "Call (415) 555-0132 on 2024-03-07 or e-mail a@b.io; 1 Main St, Boston, MA 02108. See www.b.io";
    const std::vector<DataMatch> found =
        detect(text, DataTypes::date | DataTypes::link | DataTypes::phoneNumber | DataTypes::address);
    std::vector<DataTypes> types;
    for (size_t i = 0; i < found.size(); ++i) {
        types.push_back(found[i].type);
        if (i > 0) {
            EXPECT_GE(found[i].begin, found[i - 1].end);
        }
    }
    EXPECT_EQ(types, (std::vector<DataTypes>{DataTypes::phoneNumber, DataTypes::date, DataTypes::link,
                                             DataTypes::address, DataTypes::link}));
    EXPECT_TRUE(detect(text, DataTypes::none).empty());
}
