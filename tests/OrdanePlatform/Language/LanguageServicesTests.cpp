#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OrdanePlatform/Language/Cld2LanguageRecognizer.hpp"
#include "OrdanePlatform/Language/GregorianCalendar.hpp"
#include "OrdanePlatform/Language/IcuWordTokenizer.hpp"
#include "OrdanePlatform/Language/RuleNameTagger.hpp"

using namespace ordane::platform;

namespace {

std::vector<std::string> tokens(const std::string& text) {
    std::vector<std::string> result;
    IcuWordTokenizer::shared().enumerateTokens(text, [&](size_t begin, size_t end) {
        result.push_back(text.substr(begin, end - begin));
        return true;
    });
    return result;
}

std::vector<std::string> namesOf(const std::string& text, TaggedName::Kind kind) {
    std::vector<std::string> result;
    for (const TaggedName& name : RuleNameTagger::shared().names(text)) {
        if (name.kind == kind) result.push_back(text.substr(name.begin, name.end - name.begin));
    }
    return result;
}

std::string repeated(const std::string& piece, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) result += piece;
    return result;
}

}  // namespace

TEST(LanguageServices, TokensSkipPunctuationAndUnreliableLanguageGuessesAreNone) {
    EXPECT_EQ(tokens("It's 12.5 e-mail, caf\u00e9!  \u2014 (2024)"),
              (std::vector<std::string>{"It's", "12.5", "e", "mail", "caf\u00e9", "2024"}));
    const auto& recognizer = Cld2LanguageRecognizer::shared();
    // Ill-formed bytes are repaired, not read past.
    EXPECT_EQ(recognizer.dominantLanguage(repeated("The quick brown fox jumps over the lazy dog \xF0\x9F. ", 5)), "en");
    EXPECT_EQ(recognizer.dominantLanguage("12345 67890 $$$"), std::nullopt);
}

TEST(GregorianCalendar, ConvertsUTCDaysAndRefusesDaysThatDoNotExist) {
    GregorianCalendar calendar;
    EXPECT_EQ(calendar.startOfDay({2001, 1, 1}), 978307200.0);
    EXPECT_EQ(calendar.day(951782400.0), (GregorianCalendar::Day{2000, 2, 29}));
    // Purely Gregorian, with no Julian days before 1582.
    EXPECT_EQ(calendar.day(calendar.startOfDay({1500, 3, 1}).value()), (GregorianCalendar::Day{1500, 3, 1}));
    for (GregorianCalendar::Day missing : {GregorianCalendar::Day{2023, 2, 29}, GregorianCalendar::Day{1900, 2, 29},
                                           GregorianCalendar::Day{2024, 4, 31}, GregorianCalendar::Day{2024, 0, 1},
                                           GregorianCalendar::Day{2024, 13, 1}, GregorianCalendar::Day{2024, 1, 0}}) {
        EXPECT_EQ(calendar.startOfDay(missing), std::nullopt) << missing.year << "-" << missing.month << "-" << missing.day;
    }
}

TEST(NameTagger, FindsPeopleByGivenNameAndOrganisationsByTheirCompanyWord) {
    struct Case {
        std::string text;
        std::vector<std::string> people;
        std::vector<std::string> organizations;
    };
    const Case cases[] = {
        {"Ann Lee\nSoftware Engineer", {"Ann Lee"}, {}},
        {"Dear Mary Ann B. O'Neil-Smith, thanks", {"Mary Ann B. O'Neil-Smith"}, {}},
        {"Written by Ludwig van Beethoven and Jos\u00e9 Garc\u00eda.", {"Ludwig van Beethoven", "Jos\u00e9 Garc\u00eda"}, {}},
        {"Ann\nLee", {}, {}},                          // a name does not run over a line end
        {"Paid to John on Monday", {}, {}},            // a given name alone
        {"Michael March 2024, Sarah Street", {}, {}},  // months and street words are no surnames
        {"Worked at Acme Widgets Inc. since 2019", {}, {"Acme Widgets Inc"}},
        {"Globex, LLC and Bank of America", {}, {"Globex, LLC", "Bank of America"}},
        {"Studied at John Hopkins University with Ann Lee", {"Ann Lee"}, {"John Hopkins University"}},
        {"Call Maria Garcia of Acme Insurance", {"Maria Garcia"}, {"Acme Insurance"}},
        {"Your Bank statement", {}, {}},
        {"the bank of the river", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(namesOf(c.text, TaggedName::Kind::personalName), c.people);
        EXPECT_EQ(namesOf(c.text, TaggedName::Kind::organizationName), c.organizations);
    }
}
