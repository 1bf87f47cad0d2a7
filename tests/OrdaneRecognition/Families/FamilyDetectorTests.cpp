#include <gtest/gtest.h>

#include <cmath>

#include "OrdaneRecognition/Families/FamilyDetector.hpp"

using namespace ordane;
using Member = FamilyDetector::Member;

namespace {

// A member whose every part score is 1 against a copy of itself (same name, date and features).
Member member(const std::string& name, std::vector<float> vector, uint64_t simHash = 0x0101010101010101) {
    Member result;
    result.record.setURL(URL::fileURL("/home/ada/Documents/" + name));
    result.record.setModified(Date{7e8});
    std::vector<uint16_t> indices;
    for (size_t i = 0; i < vector.size(); ++i) indices.push_back(static_cast<uint16_t>(i));
    result.weighted = SparseVector::checkedPair(indices, vector);
    result.fingerprint.simHash = simHash;
    return result;
}

// The vector at the given cosine to (1, 0).
std::vector<float> at(double cosine) { return {float(cosine), float(std::sqrt(1 - cosine * cosine))}; }

Member withMonths(Member m, std::vector<int64_t> months) {
    m.fingerprint.entities.monthYearMentions = std::move(months);
    return m;
}

}  // namespace

TEST(FamilyDetector, PairsNeedASharedSimhashByteAKindInCommonAndACosineFloor) {
    const FamilyDetector detector;
    EXPECT_TRUE(detector.detect({member("a.pdf", {1, 0})}).empty());

    auto a = member("report.pdf", {1, 0});
    auto family = detector.detect({a, member("report v2.pdf", at(0.55))});
    ASSERT_EQ(family.size(), 1u);
    EXPECT_EQ(family[0], (FamilyDetector::Family{{0, 1}, false}));
    EXPECT_TRUE(detector.detect({a, member("report v2.pdf", at(0.549))}).empty());
    EXPECT_TRUE(detector.detect({a, member("report.pdf", {1, 0}, 0x1010101010101010)}).empty());
    EXPECT_TRUE(detector.detect({a, member("report.pdf", {})}).empty());

    auto kinded = [&](std::optional<DocKind> kind) {
        Member m = a;
        if (kind) {
            m.insight = ContentInsight{};
            m.insight->kind = *kind;
        }
        return m;
    };
    EXPECT_TRUE(detector.detect({kinded(DocKind::letter), kinded(DocKind::invoiceReceipt)}).empty());
    EXPECT_EQ(detector.detect({kinded(DocKind::letter), kinded(DocKind::unknown)}).size(), 1u);
    EXPECT_EQ(detector.detect({kinded(DocKind::letter), kinded(std::nullopt)}).size(), 1u);
}

TEST(FamilyDetector, KeptPairsChainAndTheWholeGroupIsValidated) {
    const FamilyDetector detector;
    // a and c share no simhash byte and no term; b links both.
    auto a = member("notes.txt", {1, 0, 0}, 0x00000000000000AA);
    auto b = member("notes.txt", {0.7071068f, 0.7071068f, 0}, 0x000000000000BBAA);
    auto c = member("notes.txt", {0, 1, 0}, 0x000000000000BB00 | 0x1111111111110000);
    auto families = detector.detect({a, member("other.txt", {0, 0, 1}, 0x2222222222222222), b, c});
    ASSERT_EQ(families.size(), 1u);
    EXPECT_EQ(families[0].indices, (std::vector<int64_t>{0, 2, 3}));

    // A pair kept at 0.625 is too weak for a family of two (0.65).
    auto weak = member("Alpha.pdf", at(0.7));
    weak.record.setModified(std::nullopt);
    weak.fingerprint.structural.headingCount = 1;
    weak.fingerprint.structural.lineCount = 1;
    auto base = member("Zulu.pdf", {1, 0});
    base.record.setModified(std::nullopt);
    EXPECT_NEAR(FamilyDetector::pairScore(base, weak), 0.625, 1e-6);
    EXPECT_TRUE(detector.detect({base, weak}).empty());
}

TEST(FamilyDetector, ABandSharedByMoreThanTwoHundredMembersGivesNoPairs) {
    const FamilyDetector detector;
    for (size_t count : {200u, 201u}) {
        std::vector<Member> members(count, member("1.pdf", {1, 0}));
        auto families = detector.detect(members);
        EXPECT_EQ(families.size(), count == 200 ? 1u : 0u) << count;
        if (!families.empty()) {
            EXPECT_EQ(families[0].indices.size(), 200u);
        }
    }
}

TEST(FamilyDetector, AtLeastHalfThePairsInDifferentPeriodsMakeASeries) {
    const FamilyDetector detector;
    auto m = member("statement.pdf", {1, 0});
    struct Case {
        std::vector<std::vector<int64_t>> months;
        bool series;
    };
    const Case cases[] = {
        {{{202401}, {202402}}, true},
        {{{202401}, {202401}}, false},
        {{{202401}, {}}, false},
        {{{202401, 202402}, {202401, 202402, 202403}}, false},  // overlap 2/3
        {{{202401, 202402}, {202402, 202403}}, true},           // overlap 1/3
        {{{202401}, {202401}, {202402}}, true},                 // two of three pairs
        {{{}, {202401}, {202402}}, false},                      // one of three
    };
    for (const Case& c : cases) {
        std::vector<Member> members;
        std::vector<int64_t> positions;
        for (const auto& months : c.months) {
            positions.push_back(static_cast<int64_t>(members.size()));
            members.push_back(withMonths(m, months));
        }
        auto family = detector.validateFamily(positions, members);
        ASSERT_TRUE(family);
        EXPECT_EQ(family->isRecurringSeries, c.series) << c.months.size() << " " << c.months[1].size();
    }
}

TEST(FamilyDetector, FileNamesCompareByFoldedBigramsWithoutDigits) {
    auto named = [](const std::string& name) {
        FileRecord record;
        record.setURL(URL::fileURL("/d/" + name));
        return record;
    };
    EXPECT_DOUBLE_EQ(FamilyDetector::filenameSimilarity(named("Statement 2024-01.pdf"), named("statement_2024-02.PDF")), 1);
    EXPECT_DOUBLE_EQ(FamilyDetector::filenameSimilarity(named("2024.pdf"), named("2024.pdf")), 0);
    EXPECT_EQ(FamilyDetector::bigrams("e\u0301te\u0301"), (std::set<std::string>{"e\u0301t", "te\u0301"}));
}
