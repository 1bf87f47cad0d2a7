#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OrdaneRecognition/Fingerprint/Fingerprinter.hpp"

using ordane::ContentSample;
using ordane::EntitySignature;
using ordane::Fingerprint;
using ordane::Fingerprinter;
using ordane::OwnerIdentity;
using ordane::StructuralFeatures;
using ordane::TextLine;

namespace {

Fingerprint fingerprintOf(const std::string& text, const std::string& owner = "Ann Lee") {
    Fingerprinter fingerprinter;
    fingerprinter.owner = OwnerIdentity(owner);
    ContentSample sample;
    sample.text = text;
    return fingerprinter.fingerprint(sample);
}

StructuralFeatures structureOf(const std::string& text) {
    return Fingerprinter::structuralFeatures(text, std::nullopt, Fingerprinter::trimmedLines(text, {}));
}

EntitySignature entitiesOf(const std::string& text, const std::string& owner = "Ann Lee") {
    return Fingerprinter::entitySignature(text, OwnerIdentity(owner));
}

std::string linesOf(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += (i ? "\n" : "") + std::string(i == 0 ? 10 : 30, 'x');
    return text;
}

}  // namespace

TEST(FingerprinterLines, TopLinesPageCountAndLineEnds) {
    struct Case {
        std::string text;
        int64_t lines;
        double density;
    };
    const Case cases[] = {
        {linesOf(10), 10, 40.0 / 280.0},         // two top lines of ten
        {"", 0, 0.0},                            // an empty text has no lines
        {"  a b\t\r\n\tc  \r\nd", 3, 3.0 / 5.0},  // CR LF ends a line; spaces and tabs trimmed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const StructuralFeatures s = structureOf(c.text);
        EXPECT_EQ(s.lineCount, c.lines);
        EXPECT_DOUBLE_EQ(s.topRegionDensity, c.density);
        EXPECT_EQ(s.pageCount, 1);
    }
    // Recognised lines are taken as they are, whatever the text says.
    std::vector<TextLine> recognised(2);
    recognised[0].string = "  First  ";
    recognised[1].string = "Second";
    ContentSample sample;
    sample.text = "one\ntwo\nthree";
    sample.lines = recognised;
    sample.pageCount = 4;
    const Fingerprint fingerprint = Fingerprinter{}.fingerprint(sample);
    EXPECT_EQ(fingerprint.structural.lineCount, 2);
    EXPECT_EQ(fingerprint.structural.pageCount, 4);
}

TEST(FingerprinterLines, HeadingTest) {
    struct Case {
        std::string line;
        bool heading;
    };
    const Case cases[] = {
        {"Terms of Service", true},
        {"Table of contents", false},
        {"Total:", false},
        {std::string(41, 'A'), false},
        {std::string(40, 'A'), true},
        {"A1 B2 C3", false},  // 8 characters need 4 letters
        {"ONE TWO THREE FOUR FIVE SIX", true},
        {"One Two Three Four Five Six", false},  // more than five words must be capitals
        {"\u00c9T\u00c9 \u00c0 PARIS", true},
    };
    for (const Case& c : cases) EXPECT_EQ(Fingerprinter::isHeading(c.line), c.heading) << c.line;
}

TEST(FingerprinterPatterns, CountsOfTheFixedPatterns) {
    struct Case {
        std::string text;
        int64_t StructuralFeatures::*field;
        int64_t count;
    };
    const Case cases[] = {
        {"Subtotal 1,234.56", &StructuralFeatures::currencyLineCount, 1},
        {"$5 and \u20ac 12 and \u00a31,000", &StructuralFeatures::currencyCount, 3},
        {"2015 \u2013 2019, 2015-2019 and 2020 - Present or 2021 \u2014 current", &StructuralFeatures::dateRangeCount, 4},
        {"Contents ......... 3\nIndex .... 9", &StructuralFeatures::tocDotLeaderCount, 1},
        {"1. Preheat\n2. Cream\n 3) Fold\n4.5 cups", &StructuralFeatures::numberedStepCount, 3},
        {"2 cups flour, 1 tsp salt, 1/2 cup sugar, 200g butter, 3 eggs", &StructuralFeatures::unitOfMeasureCount, 4},
        {"Bake at 350\u00b0F or 175 C, not 45 C", &StructuralFeatures::temperatureCount, 2},
    };
    for (const Case& c : cases) EXPECT_EQ(structureOf(c.text).*c.field, c.count) << c.text;

    for (const char* masked : {"Card XXXX1234", "ending in 4321"}) {
        EXPECT_TRUE(structureOf(masked).hasMaskedAccountNumber) << masked;
    }
    EXPECT_FALSE(structureOf("Card 1234 and X 5678").hasMaskedAccountNumber);

    EXPECT_EQ(entitiesOf("SFO \u2192 JFK, LHR-CDG, BOS to SEA, sfo-jfk").airportCodePairCount, 3);
    EXPECT_EQ(entitiesOf("Up 12% or 3.5 % or 7.25%").percentageCount, 2);
    // Any word of five letters after "confirmation" counts: the evidence weights were set with it.
    EXPECT_EQ(entitiesOf("Confirmation number: ABC12\nconfirmation email").documentIDCount, 2);
}

TEST(FingerprinterEntities, YearsAndMonthKeys) {
    EXPECT_EQ(entitiesOf("1899, 2100, 2099, 1900 and 2099 again, 20990").yearMentions,
              (std::vector<int64_t>{1900, 2099}));

    // Thirty months in order; 1985 is ignored and the scan stops at 24 distinct keys.
    std::string text = "March 1985. ";
    std::vector<int64_t> expected;
    for (int i = 0; i < 30; ++i) {
        const int year = 2030 - i / 12;
        const int month = 12 - i % 12;
        text += std::to_string(month) + "/1/" + std::to_string(year) + " and again " + std::to_string(month) + "/2/" +
                std::to_string(year) + ". ";
        if (expected.size() < 24) expected.push_back(year * 100 + month);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Fingerprinter::monthYearMentions(text), expected);
    EXPECT_EQ(structureOf(text).dateCount, 61);  // every date counts, not only the keyed ones
}

TEST(FingerprinterEntities, ContactAndNamesNearTheTop) {
    // Each mention counts once, with or without its scheme.
    EXPECT_EQ(entitiesOf("Mail ann@example.com or mailto:ann@example.com").emailCount, 2);
    // An at sign the detector does not read as an address still marks contact details.
    EXPECT_TRUE(structureOf(std::string("Handle: @ann\n") + linesOf(40)).contactInfoNearTop);
    EXPECT_FALSE(structureOf(linesOf(20) + "\nann@example.com").contactInfoNearTop);  // beyond 400 characters
    EXPECT_FALSE(Fingerprinter::hasContactInfo("Order 4155550132, amount 1,234.56"));

    // Names in capitals are found, near the top only within the first lines.
    EXPECT_TRUE(entitiesOf("ANN LEE\nResume").ownerNameNearTop);
    const EntitySignature late = entitiesOf(linesOf(20) + "\nAnn Lee");
    EXPECT_EQ(late.personCount, 1);
    EXPECT_FALSE(late.personNearTop || late.ownerNameNearTop);
}

TEST(FingerprinterBadInput, OddAndEmptyTextsFingerprintWithoutError) {
    const std::string japanese =
        "\u6771\u4eac\u90fd\u6e0b\u8c37\u533a\u306e\u4e8b\u52d9\u6240\u3067\u3001\u4ee4\u548c\u516d\u5e74\u4e09\u6708"
        "\u4e03\u65e5\u306b\u5951\u7d04\u3092\u7de0\u7d50\u3057\u307e\u3057\u305f\u3002";
    std::string longJapanese;
    while (longJapanese.size() < 60000) longJapanese += japanese;
    struct Case {
        std::string name;
        std::string text;
        int64_t characters;
    };
    const Case cases[] = {
        {"one repeated letter", std::string(20000, 'a'), 20000},
        {"Japanese", longJapanese, static_cast<int64_t>(longJapanese.size() / 3)},
        {"ill-formed UTF-8", "Ann Lee \xFF\xFE caf\xC3 2024-03-07", 26},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Fingerprint fingerprint = fingerprintOf(c.text);
        EXPECT_EQ(fingerprint.structural.characterCount, c.characters);
        EXPECT_TRUE(fingerprint.termFrequency.isWellFormed());
    }
    // A run too long to be a word is no term; the other texts' words are.
    EXPECT_TRUE(fingerprintOf(std::string(20000, 'a')).termFrequency.isEmpty());
    EXPECT_FALSE(fingerprintOf(longJapanese).termFrequency.isEmpty());
    const Fingerprint repaired = fingerprintOf("Ann Lee \xFF\xFE caf\xC3 2024-03-07");
    EXPECT_EQ(repaired.structural.dateCount, 1);
    EXPECT_TRUE(repaired.entities.ownerNameNearTop);

    const Fingerprint nothing = fingerprintOf("");
    EXPECT_TRUE(nothing.termFrequency.isEmpty());
    EXPECT_EQ(nothing.simHash, 0u);
}
