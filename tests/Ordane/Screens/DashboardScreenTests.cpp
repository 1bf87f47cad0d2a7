#include <QTest>

#include "Ordane/Retro/TitleBar.hpp"
#include "Ordane/Screens/DashboardScreen.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::testing {
namespace {

using DashboardScreenTest = ScreenTest;
using Segment = DashboardScreen::Segment;

QStringList cardTitles(const DashboardScreen& screen) {
    QStringList titles;
    for (QWidget* card : ScreenTest::visible<QWidget>(screen, QStringLiteral("card"))) {
        titles << card->findChild<retro::TitleBar*>()->title();
    }
    return titles;
}

ScanSummary summaryOf(int64_t files, int64_t bytes, std::vector<ScanIssue> issues = {}) {
    ScanSummary summary;
    summary.totalFiles = files;
    summary.totalBytes = bytes;
    summary.issues = std::move(issues);
    return summary;
}

TEST_F(DashboardScreenTest, HeadlineAndPrivacyNoticeFollowTheSummaryAndAnalysis) {
    DashboardScreen screen(*state);
    using Kind = ScanIssue::Kind;
    auto issue = [](const std::string& path, Kind kind = Kind::permissionDenied) {
        return ScanIssue{UUID::random(), kind, path, {}};
    };
    const char* oneSkipped = "1 item couldn't be read and was skipped. That's fine, I just left it alone.";
    // `privacy` is the notice's title, empty while it is hidden.
    struct Case {
        ScanSummary summary;
        std::optional<AnalysisResult> analysis;
        const char *looked, *clutter, *issues, *privacy;
    };
    const Case cases[] = {
        {summaryOf(1, 0), std::nullopt, "I looked at 1 item using Zero KB.", "", "", ""},
        {summaryOf(12345, 5'000'000, {issue("/x/a", Kind::vanished)}),
         analysisOf({syntheticFinding(FindingCategory::oldFiles, "/x/old.txt", 2'000'000,
                                      Recommendation::probablySafeToRemove),
                     syntheticFinding(FindingCategory::biggestFiles, "/x/big.mov", 3'000'000)}),
         "I looked at 12,345 items using 5 MB.",
         "About 2 MB of that looks like clutter. Nothing goes anywhere until you say so.", oneSkipped, ""},
        // A folder inside a scanned one is no whole root: no notice.
        {summaryOf(3, 10, {issue(homePath("Documents/Taxes"))}), analysisOf({}), "I looked at 3 items using 10 bytes.",
         "", oneSkipped, ""},
        {summaryOf(3, 10, {issue(homePath("Desktop"))}), analysisOf({}), "I looked at 3 items using 10 bytes.", "",
         oneSkipped, "Your computer didn't let me look in: Desktop."},
        {summaryOf(3, 10, {issue(homePath("Desktop")), issue(homePath("Documents/Taxes")),
                           issue(homePath("Documents") + "/", Kind::unreadable), issue(homePath("Music"), Kind::vanished)}),
         analysisOf({}), "I looked at 3 items using 10 bytes.", "",
         "4 items couldn't be read and were skipped. That's fine, I just left them alone.",
         "Your computer didn't let me look in: Desktop, Documents."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.issues);
        state->setSummary(c.summary);
        state->setAnalysis(c.analysis);
        QCoreApplication::processEvents();
        EXPECT_EQ(textOf(screen, "lookedAt"), QString::fromUtf8(c.looked));
        EXPECT_EQ(textOf(screen, "clutter"), QString::fromUtf8(c.clutter));
        EXPECT_EQ(textOf(screen, "issues"), QString::fromUtf8(c.issues));
        EXPECT_EQ(textOf(screen, "privacyTitle"), QString::fromUtf8(c.privacy));
        EXPECT_EQ(named<QWidget>(screen, "privacyNotice") != nullptr, *c.privacy != 0);
        const bool one = c.summary.issues.size() == 1;
        if (*c.privacy) {
            EXPECT_TRUE(textOf(screen, "privacyBody").contains(one ? "see that folder" : "see those folders"));
        }
    }
    layOut(screen, QStringLiteral("dashboard-privacy"));
    click(withText(screen, QStringLiteral("Show Folder")));
    EXPECT_EQ(desktop.revealed, std::vector<QString>{retro::qtext(homePath("Desktop"))});
    EXPECT_TRUE(named<QWidget>(screen, "nothingFlagged"));
    EXPECT_TRUE(cardTitles(screen).isEmpty());
}

TEST_F(DashboardScreenTest, CardsFollowTheAnalysisInRowsOfThreeAndLeadToTheirLists) {
    addFile("Documents/report.txt", 40'000);
    addFile("Desktop/report copy.txt", 40'000);
    addFile("Documents/Old/ledger.csv", 3'000, 900);
    addFile("Downloads/tool.zip", 120'000, 60);
    scanHome();
    DashboardScreen screen(*state);
    layOut(screen, QStringLiteral("dashboard"));
    QStringList expected;
    for (const auto& [category, totals] : DashboardScreen::categoryCards(*state)) expected << retro::qtext(title(category));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(cardTitles(screen), expected);
    EXPECT_EQ(expected.front(), QStringLiteral("Duplicates"));
    EXPECT_FALSE(named<QWidget>(screen, "nothingFlagged"));
    EXPECT_TRUE(named<QWidget>(screen, "storage"));
    EXPECT_TRUE(overlaps(screen).empty());

    std::vector<Finding> findings;
    for (FindingCategory category : allCases<FindingCategory>()) {
        if (category == FindingCategory::screenshotNaming) continue;
        findings.push_back(syntheticFinding(category, "/x/" + std::string(rawValue(category)), 100));
    }
    state->setAnalysis(analysisOf(findings));
    QCoreApplication::processEvents();
    layOut(screen, QStringLiteral("dashboard-cards"));
    auto cards = visible<QWidget>(screen, QStringLiteral("card"));
    ASSERT_EQ(cards.size(), 7u);
    std::map<int, int> perRow;
    for (QWidget* card : cards) perRow[card->mapTo(&screen, QPoint()).y()] += 1;
    std::vector<int> counts;
    for (const auto& [y, count] : perRow) counts.push_back(count);
    EXPECT_EQ(counts, (std::vector<int>{3, 3, 1}));

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

    DashboardScreen screen(*state);
    ScanSummary summary = summaryOf(4, 40);
    summary.byType = {{TypeBucket::documents, {1, 10}}, {TypeBucket::photos, {1, 10}}, {TypeBucket::audio, {1, 10}},
                      {TypeBucket::apps, {1, 10}}, {TypeBucket::folders, {1, 0}}};
    state->setSummary(summary);
    QCoreApplication::processEvents();
    layOut(screen);
    auto entries = visible<QWidget>(screen, QStringLiteral("legendEntry"));
    ASSERT_EQ(entries.size(), 4u);
    std::sort(entries.begin(), entries.end(), [](QWidget* a, QWidget* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    EXPECT_EQ(entries[0]->y(), entries[2]->y());
    EXPECT_GT(entries[3]->y(), entries[2]->y());
    EXPECT_TRUE(entries[0]->findChild<retro::Label*>()->text().startsWith(QStringLiteral("Documents: ")));
}

TEST_F(DashboardScreenTest, FooterCountsApprovalsAndLeadsOnOrBack) {
    const auto trash = syntheticFinding(FindingCategory::oldFiles, "/x/a", 1);
    const auto moveA = syntheticFinding(FindingCategory::organizeSuggestion, "/x/b", 1);
    const auto moveB = syntheticFinding(FindingCategory::screenshotNaming, "/x/c", 1);
    state->setAnalysis(analysisOf({trash, moveA, moveB}));
    state->setStage(AppState::Stage::dashboard);
    DashboardScreen screen(*state);
    layOut(screen);
    EXPECT_FALSE(textOf(screen, "reviewHint").isEmpty());
    state->setApproved(trash, true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(withText(screen, QStringLiteral("Review My Plan (1 item)")));
    state->setApproved(moveA, true);
    state->setApproved(moveB, true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(textOf(screen, "reviewHint").isEmpty());
    click(withText(screen, QStringLiteral("Review My Plan (3 items)")));
    EXPECT_EQ(state->route(), AppState::Route::of(AppState::Route::Kind::confirm));
    click(withText(screen, QStringLiteral("Activity")));
    EXPECT_EQ(state->route(), AppState::Route::of(AppState::Route::Kind::activity));
    click(withText(screen, QStringLiteral("Start Over")));
    EXPECT_EQ(state->stage(), AppState::Stage::welcome);
    EXPECT_TRUE(state->analysis().has_value());
}

}  // namespace
}  // namespace ordane::testing
