#include <gtest/gtest.h>

#include "OrdaneCore/Analysis/AnalysisFixtures.hpp"
#include "OrdaneCore/Analysis/InsightIntegrator.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {

ContentInsight keyed(const FileRecord& record, DocKind kind, ConfidenceTier tier, std::string key,
                     std::optional<std::string> title = std::nullopt) {
    ContentInsight insight;
    insight.url = record.url;
    insight.kind = kind;
    insight.tier = tier;
    insight.groupKey = std::move(key);
    insight.title = std::move(title);
    insight.analyzerID = "rules-v1";
    return insight;
}

std::vector<std::string> names(const DuplicateGroup& group) {
    std::vector<std::string> result;
    for (const FileRecord& member : group.members()) result.push_back(member.url.lastPathComponent());
    return result;
}

}  // namespace

TEST(InsightIntegrator, WhoJoinsAFamily) {
    FileRecord a = fileRecord("Documents/a.pdf");
    FileRecord b = fileRecord("Documents/b.pdf");
    EXPECT_TRUE(InsightIntegrator::integrate({keyed(a, DocKind::letter, ConfidenceTier::tentative, "k"),
                                              keyed(b, DocKind::letter, ConfidenceTier::tentative, "k")},
                                             {a, b}, {})
                    .empty());
    auto groups = InsightIntegrator::integrate({keyed(a, DocKind::letter, ConfidenceTier::tentative, "family|1f"),
                                                keyed(b, DocKind::letter, ConfidenceTier::tentative, "family|1f")},
                                               {a, b}, {});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].kind(), DuplicateKind::versionSeries);
    EXPECT_FALSE(groups[0].sha256());

    // Different kinds never share a family.
    EXPECT_TRUE(InsightIntegrator::integrate({keyed(a, DocKind::invoiceReceipt, ConfidenceTier::confident, "k"),
                                              keyed(b, DocKind::letter, ConfidenceTier::confident, "k")},
                                             {a, b}, {})
                    .empty());
    // A file with two insights is one member, not two.
    auto a1 = keyed(a, DocKind::letter, ConfidenceTier::confident, "family|2");
    EXPECT_TRUE(InsightIntegrator::integrate({a1, a1}, {a, b}, {}).empty());
    groups = InsightIntegrator::integrate({a1, keyed(b, DocKind::letter, ConfidenceTier::confident, "family|2"), a1},
                                          {a, b}, {});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].members().size(), 2u);
    // No record for the insight: left out.
    EXPECT_TRUE(InsightIntegrator::integrate({keyed(a, DocKind::letter, ConfidenceTier::confident, "k"),
                                              keyed(b, DocKind::letter, ConfidenceTier::confident, "k")},
                                             {a}, {})
                    .empty());
}

TEST(InsightIntegrator, ResumesOfOnePersonAreAVersionFamily) {
    FileRecord a = fileRecord("Documents/cv-2022.pdf", 10000, day(100));
    FileRecord b = fileRecord("Documents/cv-2024.pdf", 10000, day(900));
    auto groups = InsightIntegrator::integrate(
        {keyed(a, DocKind::resume, ConfidenceTier::confident, "resume|ann lee", "Ann Lee's resume"),
         keyed(b, DocKind::resume, ConfidenceTier::confident, "resume|ann lee", "Ann Lee's resume")},
        {a, b}, {});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].keepIndex(), 1);
    EXPECT_EQ(groups[0].keepReason(),
              "These all look like versions of Ann Lee's resume. I'd keep this one, it's the newest. I won't remove the "
              "others unless you say so.");
}

TEST(InsightIntegrator, ExactCopiesStayOutOfFamilies) {
    FileRecord a = fileRecord("Documents/a.pdf");
    FileRecord b = fileRecord("Documents/b.pdf");
    FileRecord c = fileRecord("Documents/c.pdf");
    DuplicateGroup exact(UUID::random(), DuplicateKind::exact, {b, c}, 0, "", std::string(64, 'f'));
    std::vector<ContentInsight> insights = {keyed(a, DocKind::letter, ConfidenceTier::confident, "family|9"),
                                            keyed(b, DocKind::letter, ConfidenceTier::confident, "family|9")};
    EXPECT_TRUE(InsightIntegrator::integrate(insights, {a, b, c}, {exact}).empty());
    insights.push_back(keyed(c, DocKind::letter, ConfidenceTier::confident, "family|9"));
    FileRecord d = fileRecord("Documents/d.pdf");
    insights.push_back(keyed(d, DocKind::letter, ConfidenceTier::confident, "family|9"));
    auto groups = InsightIntegrator::integrate(insights, {a, b, c, d}, {exact});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(names(groups[0]), (std::vector<std::string>{"a.pdf", "d.pdf"}));
}

TEST(InsightIntegrator, TheNewestFileIsKept) {
    FileRecord a = fileRecord("Documents/1.pdf", 10, Date::fromUnix(1609459200));  // 2021
    FileRecord b = fileRecord("Documents/2.pdf", 10, Date::fromUnix(1672531200));  // 2023
    FileRecord c = fileRecord("Documents/3.pdf", 10, Date::fromUnix(1640995200));  // 2022
    auto family = [&](const FileRecord& r) { return keyed(r, DocKind::letter, ConfidenceTier::confident, "family|a"); };
    // Given out of path order: the group sorts them.
    auto groups = InsightIntegrator::integrate({family(c), family(a), family(b)}, {a, b, c}, {});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(names(groups[0]), (std::vector<std::string>{"1.pdf", "2.pdf", "3.pdf"}));
    EXPECT_EQ(groups[0].keepIndex(), 1);
    b.modified.reset();
    groups = InsightIntegrator::integrate({family(a), family(b), family(c)}, {a, b, c}, {});
    EXPECT_EQ(groups[0].keepIndex(), 2);
    // Undated members only: the first in path order.
    a.modified.reset();
    c.modified.reset();
    groups = InsightIntegrator::integrate({family(a), family(b), family(c)}, {a, b, c}, {});
    EXPECT_EQ(groups[0].keepIndex(), 0);
}

TEST(InsightIntegrator, SeriesAndVersionTexts) {
    FileRecord a = fileRecord("Documents/jan.pdf");
    FileRecord b = fileRecord("Documents/feb.pdf");
    FileRecord c = fileRecord("Documents/mar.pdf");
    auto series = [&](DocKind kind, std::optional<std::string> title = std::nullopt) {
        return InsightIntegrator::integrate({keyed(a, kind, ConfidenceTier::confident, "series|5", title),
                                             keyed(b, kind, ConfidenceTier::confident, "series|5", title),
                                             keyed(c, kind, ConfidenceTier::confident, "series|5", title)},
                                            {a, b, c}, {});
    };
    auto statements = series(DocKind::bankStatement);
    ASSERT_EQ(statements.size(), 1u);
    EXPECT_EQ(statements[0].kind(), DuplicateKind::recurringSeries);
    EXPECT_EQ(statements[0].keepReason(),
              "These look like statements from the same account, the kind that arrive regularly. They're all worth "
              "keeping. I'm only grouping them so you know what the pile is.");
    EXPECT_EQ(series(DocKind::letter)[0].keepReason().substr(0, 44), "These look like letters from different dates");

    auto versions = [&](std::optional<std::string> title) {
        return InsightIntegrator::integrate({keyed(a, DocKind::legalContract, ConfidenceTier::confident, "family|5", title),
                                             keyed(b, DocKind::legalContract, ConfidenceTier::confident, "family|5", title)},
                                            {a, b}, {})[0]
            .keepReason();
    };
    EXPECT_EQ(versions(std::nullopt).substr(0, 55), "These all look like versions of the same legal document");
    EXPECT_EQ(versions("2024 lease").substr(0, 44), "These all look like versions of 2024 lease. ");
}

TEST(InsightIntegrator, NameGroupsThatOverlapAFamilyAreDroppedWhole) {
    FileRecord a = fileRecord("Documents/a.pdf");
    FileRecord b = fileRecord("Documents/b.pdf");
    FileRecord c = fileRecord("Documents/c.pdf");
    FileRecord d = fileRecord("Documents/d.pdf");
    DuplicateGroup family(UUID::random(), DuplicateKind::versionSeries, {a, b}, 0, "", std::nullopt);
    DuplicateGroup overlapping(UUID::random(), DuplicateKind::similarName, {c, d, b}, 0, "", std::nullopt);
    DuplicateGroup apart(UUID::random(), DuplicateKind::similarName, {c, d}, 0, "", std::nullopt);
    auto kept = InsightIntegrator::removingFamilyOverlaps({overlapping, apart}, {family});
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0], apart);
    EXPECT_EQ(InsightIntegrator::removingFamilyOverlaps({overlapping, apart}, {}).size(), 2u);
}
