#include <gtest/gtest.h>

#include "OrdaneCore/Analysis/AnalysisFixtures.hpp"
#include "OrdaneCore/Analysis/InsightIntegrator.hpp"

using namespace ordane;
using namespace ordane::testing;
using Names = std::vector<std::string>;

namespace {

const FileRecord a = fileRecord("Documents/a.pdf"), b = fileRecord("Documents/b.pdf"), c = fileRecord("Documents/c.pdf"),
                 d = fileRecord("Documents/d.pdf");

ContentInsight keyed(const FileRecord& record, DocKind kind, std::string key,
                     ConfidenceTier tier = ConfidenceTier::confident, std::optional<std::string> title = std::nullopt) {
    ContentInsight insight = insightFor(record.url(), kind, tier, std::move(key));
    insight.title = std::move(title);
    return insight;
}

}  // namespace

TEST(InsightIntegrator, WhoJoinsAFamily) {
    auto pair = [&](DocKind kindA, DocKind kindB, const std::string& key, ConfidenceTier tier) {
        return InsightIntegrator::integrate({keyed(a, kindA, key, tier), keyed(b, kindB, key, tier)}, {a, b}, {});
    };
    // A tentative reading joins only through a family key.
    EXPECT_TRUE(pair(DocKind::letter, DocKind::letter, "k", ConfidenceTier::tentative).empty());
    auto groups = pair(DocKind::letter, DocKind::letter, "family|1f", ConfidenceTier::tentative);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].kind(), DuplicateKind::versionSeries);
    EXPECT_FALSE(groups[0].sha256());
    // Different kinds never share a family.
    EXPECT_TRUE(pair(DocKind::invoiceReceipt, DocKind::letter, "k", ConfidenceTier::confident).empty());

    // A file with two insights is one member, not two.
    auto a1 = keyed(a, DocKind::letter, "family|2");
    EXPECT_TRUE(InsightIntegrator::integrate({a1, a1}, {a, b}, {}).empty());
    groups = InsightIntegrator::integrate({a1, keyed(b, DocKind::letter, "family|2"), a1}, {a, b}, {});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].members().size(), 2u);
    // No record for the insight: left out.
    EXPECT_TRUE(InsightIntegrator::integrate({keyed(a, DocKind::letter, "k"), keyed(b, DocKind::letter, "k")}, {a}, {})
                    .empty());

    // Members of an exact group stay out.
    DuplicateGroup exact(UUID::random(), DuplicateKind::exact, {b, c}, 0, "", std::string(64, 'f'));
    std::vector<ContentInsight> insights;
    for (const FileRecord& each : {a, b, c, d}) insights.push_back(keyed(each, DocKind::letter, "family|9"));
    EXPECT_TRUE(InsightIntegrator::integrate({insights[0], insights[1]}, {a, b, c}, {exact}).empty());
    groups = InsightIntegrator::integrate(insights, {a, b, c, d}, {exact});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(memberNames(groups[0]), (Names{"a.pdf", "d.pdf"}));

    // Name groups that overlap a family are dropped whole.
    DuplicateGroup family(UUID::random(), DuplicateKind::versionSeries, {a, b}, 0, "", std::nullopt);
    DuplicateGroup overlapping(UUID::random(), DuplicateKind::similarName, {c, d, b}, 0, "", std::nullopt);
    DuplicateGroup apart(UUID::random(), DuplicateKind::similarName, {c, d}, 0, "", std::nullopt);
    EXPECT_EQ(InsightIntegrator::removingFamilyOverlaps({overlapping, apart}, {family}), std::vector<DuplicateGroup>{apart});
    EXPECT_EQ(InsightIntegrator::removingFamilyOverlaps({overlapping, apart}, {}).size(), 2u);
}

TEST(InsightIntegrator, TheNewestFileIsKept) {
    FileRecord a = fileRecord("Documents/1.pdf", 10, Date::fromUnix(1609459200));  // 2021
    FileRecord b = fileRecord("Documents/2.pdf", 10, Date::fromUnix(1672531200));  // 2023
    FileRecord c = fileRecord("Documents/3.pdf", 10, Date::fromUnix(1640995200));  // 2022
    auto family = [&](const FileRecord& r) { return keyed(r, DocKind::letter, "family|a"); };
    // Given out of path order: the group sorts them.
    auto groups = InsightIntegrator::integrate({family(c), family(a), family(b)}, {a, b, c}, {});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(memberNames(groups[0]), (Names{"1.pdf", "2.pdf", "3.pdf"}));
    EXPECT_EQ(groups[0].keepIndex(), 1);
    b.setModified(std::nullopt);
    EXPECT_EQ(InsightIntegrator::integrate({family(a), family(b), family(c)}, {a, b, c}, {})[0].keepIndex(), 2);
    // Undated members only: the first in path order.
    a.setModified(std::nullopt);
    c.setModified(std::nullopt);
    EXPECT_EQ(InsightIntegrator::integrate({family(a), family(b), family(c)}, {a, b, c}, {})[0].keepIndex(), 0);
}

TEST(InsightIntegrator, ResumesOfOnePersonAreAVersionFamilyTitledByTheirOwner) {
    auto groups = InsightIntegrator::integrate(
        {keyed(a, DocKind::resume, "resume|ann lee", ConfidenceTier::confident, "Ann Lee's resume"),
         keyed(b, DocKind::resume, "resume|ann lee", ConfidenceTier::confident, "Ann Lee's resume")},
        {a, b}, {});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].kind(), DuplicateKind::versionSeries);
    EXPECT_EQ(groups[0].keepReason(),
              "These all look like versions of Ann Lee's resume. I'd keep this one, it's the newest. I won't remove the "
              "others unless you say so.");
}
