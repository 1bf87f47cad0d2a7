#include <QTest>

#include "Ordane/Retro/TitleBar.hpp"
#include "Ordane/Screens/DashboardScreen.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::testing {
namespace {

using DashboardScreenTest = ScreenTest;
using Segment = DashboardScreen::Segment;

TEST_F(DashboardScreenTest, ThePrivacyNoticeNamesOnlyWholeScannedFoldersThatWereRefused) {
    DashboardScreen screen(*state);
    using Kind = ScanIssue::Kind;
    auto summaryOf = [](std::vector<std::pair<std::string, Kind>> issues) {
        ScanSummary summary;
        summary.totalFiles = 3;
        for (const auto& [path, kind] : issues) summary.issues.push_back(ScanIssue{UUID::random(), kind, path, {}});
        return summary;
    };
    const std::pair<ScanSummary, const char*> cases[] = {
        // A folder inside a scanned one is no whole root: no notice.
        {summaryOf({{homePath("Documents/Taxes"), Kind::permissionDenied}}), ""},
        {summaryOf({{homePath("Desktop"), Kind::permissionDenied}, {homePath("Documents/Taxes"), Kind::permissionDenied},
                    {homePath("Documents") + "/", Kind::unreadable}, {homePath("Music"), Kind::vanished}}),
         "Your computer didn't let me look in: Desktop, Documents."},
        {summaryOf({{homePath("Desktop"), Kind::permissionDenied}}), "Your computer didn't let me look in: Desktop."},
    };
    for (const auto& [summary, privacy] : cases) {
        state->setSummary(summary);
        state->setAnalysis(analysisOf({}));
        QCoreApplication::processEvents();
        EXPECT_EQ(textOf(screen, "privacyTitle"), QString::fromUtf8(privacy));
        EXPECT_EQ(named<QWidget>(screen, "privacyNotice") != nullptr, *privacy != 0);
    }
    layOut(screen, QStringLiteral("dashboard-privacy"));
    click(withText(screen, QStringLiteral("Show Folder")));
    EXPECT_EQ(desktop.revealed, std::vector<QString>{retro::qtext(homePath("Desktop"))});
}

TEST_F(DashboardScreenTest, CardsFollowTheAnalysisAndLeadToTheirLists) {
    std::vector<Finding> findings;
    for (FindingCategory category : allCases<FindingCategory>()) {
        if (category == FindingCategory::screenshotNaming) continue;
        findings.push_back(syntheticFinding(category, "/x/" + std::string(rawValue(category)), 100));
    }
    state->setAnalysis(analysisOf(findings));
    DashboardScreen screen(*state);
    layOut(screen, QStringLiteral("dashboard-cards"));
    auto cards = visible<QWidget>(screen, QStringLiteral("card"));
    ASSERT_EQ(cards.size(), DashboardScreen::categoryCards(*state).size());
    EXPECT_TRUE(overlaps(screen).empty());

    using Route = AppState::Route;
    for (const auto& [name, route] : {std::pair{"Duplicates", Route::of(Route::Kind::duplicates)},
                                      std::pair{"Tidy it up", Route::of(Route::Kind::organize)},
                                      std::pair{"Old files", Route::ofCategory(FindingCategory::oldFiles)}}) {
        for (QWidget* card : cards) {
            if (card->findChild<retro::TitleBar*>()->title() == QString::fromUtf8(name)) {
                QTest::mouseClick(withText(*card, QStringLiteral("Have a Look")), Qt::LeftButton);
            }
        }
        EXPECT_EQ(state->route(), route) << name;
    }
    state->setApproved(findings[0], true);
    QCoreApplication::processEvents();
    click(withText(screen, QStringLiteral("Review My Plan (1 item)")));
    EXPECT_EQ(state->route(), Route::of(Route::Kind::confirm));
}

TEST_F(DashboardScreenTest, StorageSegmentsAreOrderedAndNeverLeaveTheTrough) {
    std::map<TypeBucket, CategoryStat> byType{
        {TypeBucket::photos, {1, 10}}, {TypeBucket::documents, {2, 10}}, {TypeBucket::videos, {3, 0}},
        {TypeBucket::other, {1, 30}}};
    EXPECT_EQ(DashboardScreen::storageSegments(byType),
              (std::vector<Segment>{
                  {TypeBucket::other, 1, 30}, {TypeBucket::documents, 2, 10}, {TypeBucket::photos, 1, 10}}));
    const std::vector<Segment> tiny{{TypeBucket::documents, 1, 100'000'000'000}, {TypeBucket::photos, 1, 1}};
    EXPECT_EQ(DashboardScreen::segmentRects(tiny, 100'000'000'001, QRect(3, 3, 200, 18))[1].width(), 2);

    // Every bucket present: the gaps come out of the shared width, so the bar ends inside its trough.
    std::vector<Segment> all;
    for (TypeBucket bucket : allCases<TypeBucket>()) all.push_back({bucket, 1, 1000});
    for (int width : {40, 200, 754}) {
        const QRect trough(3, 3, width, 18);
        const auto spread = DashboardScreen::segmentRects(all, 9000, trough);
        ASSERT_EQ(spread.size(), all.size());
        for (const QRect& rect : spread) EXPECT_TRUE(trough.contains(rect) || rect.isEmpty()) << width;
        if (width >= 200) {
            EXPECT_GE(spread.back().right(), trough.right() - 9) << width;
        }
    }
}

}  // namespace
}  // namespace ordane::testing
