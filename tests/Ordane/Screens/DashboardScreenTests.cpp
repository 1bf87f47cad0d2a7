#include <QGridLayout>
#include <QTest>

#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/TitleBar.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "OrdanePlatform/Format/ByteCountFormatter.hpp"
#include "Ordane/Screens/DashboardScreen.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::testing {
namespace {

using DashboardScreenTest = ScreenTest;
using Segment = DashboardScreen::Segment;

QString labelText(const QWidget& root, const char* name) {
    auto* label = root.findChild<retro::Label*>(QString::fromLatin1(name));
    return label && label->isVisibleTo(&root) ? label->text() : QString();
}

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

ScanIssue issueAt(const std::string& path, ScanIssue::Kind kind = ScanIssue::Kind::permissionDenied) {
    ScanIssue issue;
    issue.id = UUID::random();
    issue.kind = kind;
    issue.path = path;
    return issue;
}

TEST_F(DashboardScreenTest, ShowsARealScanInSentencesBarAndCards) {
    addFile("Documents/report.txt", 40'000);
    addFile("Desktop/report copy.txt", 40'000);
    addFile("Documents/Old/ledger.csv", 3'000, 900);
    addFile("Downloads/tool.zip", 120'000, 60);
    scanHome();
    DashboardScreen screen(*state);
    layOut(screen, QStringLiteral("dashboard"));

    const ScanSummary& summary = *state->summary();
    EXPECT_EQ(labelText(screen, "lookedAt"), QStringLiteral("I looked at ") + QString::number(summary.totalFiles) +
                                                 QStringLiteral(" items using ") +
                                                 QString::fromStdString(platform::ByteCountFormatter::format(
                                                     summary.totalBytes)) +
                                                 QStringLiteral("."));
    QStringList expected;
    for (const auto& [category, totals] : DashboardScreen::categoryCards(*state)) expected << retro::qtext(title(category));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(cardTitles(screen), expected);
    EXPECT_EQ(expected.front(), QStringLiteral("Duplicates"));
    EXPECT_FALSE(screen.findChild<QWidget*>(QStringLiteral("nothingFlagged"))->isVisibleTo(&screen));
    EXPECT_TRUE(screen.findChild<QWidget*>(QStringLiteral("storage"))->isVisibleTo(&screen));
    EXPECT_TRUE(overlaps(screen).empty());
}

TEST_F(DashboardScreenTest, HeadlineSentencesFollowTheSummaryAndAnalysis) {
    DashboardScreen screen(*state);
    struct Case {
        ScanSummary summary;
        std::optional<AnalysisResult> analysis;
        const char* looked;
        const char* clutter;
        const char* issues;
    };
    const Case cases[] = {
        {summaryOf(1, 0), std::nullopt, "I looked at 1 item using Zero KB.", "", ""},
        {summaryOf(12345, 5'000'000, {issueAt("/x/a", ScanIssue::Kind::vanished)}),
         analysisOf({syntheticFinding(FindingCategory::oldFiles, "/x/old.txt", 2'000'000,
                                      Recommendation::probablySafeToRemove),
                     syntheticFinding(FindingCategory::biggestFiles, "/x/big.mov", 3'000'000)}),
         "I looked at 12,345 items using 5 MB.",
         "About 2 MB of that looks like clutter. Nothing goes anywhere until you say so.",
         "1 item couldn't be read and was skipped. That's fine, I just left it alone."},
        {summaryOf(3, 10, {issueAt("/x/a"), issueAt("/x/b"), issueAt("/x/c")}), analysisOf({}),
         "I looked at 3 items using 10 bytes.", "",
         "3 items couldn't be read and were skipped. That's fine, I just left them alone."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.looked);
        state->setSummary(c.summary);
        state->setAnalysis(c.analysis);
        QCoreApplication::processEvents();
        EXPECT_EQ(labelText(screen, "lookedAt"), QString::fromUtf8(c.looked));
        EXPECT_EQ(labelText(screen, "clutter"), QString::fromUtf8(c.clutter));
        EXPECT_EQ(labelText(screen, "issues"), QString::fromUtf8(c.issues));
    }
    EXPECT_TRUE(screen.findChild<QWidget*>(QStringLiteral("nothingFlagged"))->isVisibleTo(&screen));
    EXPECT_TRUE(showsText(screen, QStringLiteral("Nothing worth flagging. Your folders look pretty tidy.")));
    EXPECT_TRUE(cardTitles(screen).isEmpty());
}

TEST_F(DashboardScreenTest, PrivacyNoticeNamesOnlyWholeRootsAndRevealsTheFirst) {
    DashboardScreen screen(*state);
    state->setSummary(summaryOf(1, 1, {issueAt(homePath("Desktop"))}));
    QCoreApplication::processEvents();
    EXPECT_EQ(labelText(screen, "privacyTitle"), QStringLiteral("Your computer didn't let me look in: Desktop."));
    EXPECT_TRUE(labelText(screen, "privacyBody")
                    .endsWith(QStringLiteral("If you'd like me to see that folder, give your account read access to "
                                             "it, then scan again.")));

    state->setSummary(summaryOf(1, 1, {issueAt(homePath("Desktop")), issueAt(homePath("Documents/Taxes")),
                                       issueAt(homePath("Documents") + "/", ScanIssue::Kind::unreadable),
                                       issueAt(homePath("Music"), ScanIssue::Kind::vanished)}));
    QCoreApplication::processEvents();
    layOut(screen, QStringLiteral("dashboard-privacy"));
    EXPECT_EQ(labelText(screen, "privacyTitle"),
              QStringLiteral("Your computer didn't let me look in: Desktop, Documents."));
    EXPECT_TRUE(labelText(screen, "privacyBody").contains(QStringLiteral("see those folders")));
    QTest::mouseClick(withText<retro::BevelButton>(screen, QStringLiteral("Show Folder")), Qt::LeftButton);
    ASSERT_EQ(desktop.revealed.size(), 1u);
    EXPECT_EQ(desktop.revealed[0].toStdString(), homePath("Desktop"));

    state->setSummary(summaryOf(1, 1, {issueAt(homePath("Documents/Taxes"))}));
    QCoreApplication::processEvents();
    EXPECT_FALSE(screen.findChild<QWidget*>(QStringLiteral("privacyNotice"))->isVisibleTo(&screen));
}

TEST_F(DashboardScreenTest, StorageSegmentsAreOrderedAndNeverLeaveTheTrough) {
    std::map<TypeBucket, CategoryStat> byType{{TypeBucket::photos, {1, 10}},
                                             {TypeBucket::documents, {2, 10}},
                                             {TypeBucket::videos, {3, 0}},
                                             {TypeBucket::other, {1, 30}}};
    EXPECT_EQ(DashboardScreen::storageSegments(byType),
              (std::vector<Segment>{{TypeBucket::other, 1, 30}, {TypeBucket::documents, 2, 10}, {TypeBucket::photos, 1, 10}}));

    const QRect inside(3, 3, 200, 18);
    const std::vector<Segment> tiny{{TypeBucket::documents, 1, 100'000'000'000}, {TypeBucket::photos, 1, 1}};
    const auto rects = DashboardScreen::segmentRects(tiny, 100'000'000'001, inside);
    EXPECT_EQ(rects[1].width(), 2);

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

TEST_F(DashboardScreenTest, CardsFillRowsOfThreeAndLeadToTheirLists) {
    std::vector<Finding> findings;
    for (FindingCategory category : allCases<FindingCategory>()) {
        if (category == FindingCategory::screenshotNaming) continue;
        findings.push_back(syntheticFinding(category, "/x/" + std::string(rawValue(category)), 100));
    }
    state->setSummary(summaryOf(7, 700));
    state->setAnalysis(analysisOf(findings));
    DashboardScreen screen(*state);
    layOut(screen, QStringLiteral("dashboard-cards"));
    auto cards = visible<QWidget>(screen, QStringLiteral("card"));
    ASSERT_EQ(cards.size(), 7u);
    std::map<int, int> perRow;
    for (QWidget* card : cards) perRow[card->mapTo(&screen, QPoint()).y()] += 1;
    std::vector<int> counts;
    for (const auto& [y, count] : perRow) counts.push_back(count);
    EXPECT_EQ(counts, (std::vector<int>{3, 3, 1}));

    using Kind = AppState::Route::Kind;
    struct Case {
        const char* title;
        AppState::Route route;
    };
    for (const Case& c : {Case{"Duplicates", AppState::Route::of(Kind::duplicates)},
                          Case{"Tidy it up", AppState::Route::of(Kind::organize)},
                          Case{"Old files", AppState::Route::ofCategory(FindingCategory::oldFiles)}}) {
        for (QWidget* card : cards) {
            if (card->findChild<retro::TitleBar*>()->title() == QString::fromUtf8(c.title)) {
                QTest::mouseClick(withText<retro::BevelButton>(*card, QStringLiteral("Have a Look")), Qt::LeftButton);
            }
        }
        EXPECT_EQ(state->route(), c.route) << c.title;
    }
}

TEST_F(DashboardScreenTest, FooterCountsApprovalsAndLeadsOnOrBack) {
    const auto trash = syntheticFinding(FindingCategory::oldFiles, "/x/a", 1);
    const auto moveA = syntheticFinding(FindingCategory::organizeSuggestion, "/x/b", 1);
    const auto moveB = syntheticFinding(FindingCategory::screenshotNaming, "/x/c", 1);
    state->setAnalysis(analysisOf({trash, moveA, moveB}));
    state->setStage(AppState::Stage::dashboard);
    DashboardScreen screen(*state);
    layOut(screen);
    EXPECT_EQ(labelText(screen, "reviewHint"), QStringLiteral("Check boxes on the cards' lists, then review your plan here."));
    state->setApproved(trash, true);
    QCoreApplication::processEvents();
    EXPECT_EQ(withText<retro::BevelButton>(screen, QStringLiteral("Review My Plan (1 item)")) != nullptr, true);
    state->setApproved(moveA, true);
    state->setApproved(moveB, true);
    QCoreApplication::processEvents();
    auto* review = withText<retro::BevelButton>(screen, QStringLiteral("Review My Plan (3 items)"));
    ASSERT_NE(review, nullptr);
    EXPECT_TRUE(labelText(screen, "reviewHint").isEmpty());
    QTest::mouseClick(review, Qt::LeftButton);
    EXPECT_EQ(state->route(), AppState::Route::of(AppState::Route::Kind::confirm));
    QTest::mouseClick(withText<retro::BevelButton>(screen, QStringLiteral("Activity")), Qt::LeftButton);
    EXPECT_EQ(state->route(), AppState::Route::of(AppState::Route::Kind::activity));
    QTest::mouseClick(withText<retro::BevelButton>(screen, QStringLiteral("Start Over")), Qt::LeftButton);
    EXPECT_EQ(state->stage(), AppState::Stage::welcome);
    EXPECT_TRUE(state->analysis().has_value());
}

}  // namespace
}  // namespace ordane::testing
