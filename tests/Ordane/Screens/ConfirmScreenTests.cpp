#include <filesystem>

#include "Ordane/Retro/GroupBox.hpp"
#include "Ordane/Retro/ProgressBar.hpp"
#include "Ordane/Retro/RetroWindow.hpp"
#include "Ordane/Retro/TitleBar.hpp"
#include "Ordane/Screens/ConfirmScreen.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::testing {
namespace {

using Route = AppState::Route;

class ConfirmScreenTest : public ScreenTest {
public:
    static QString title(const ConfirmScreen& screen) {
        return screen.shownWindow() ? screen.shownWindow()->titleBar()->title() : QString();
    }
    static std::vector<QString> places(const QWidget& root) { return labelTexts(root, QStringLiteral("reviewPlace")); }
};

TEST_F(ConfirmScreenTest, DoItCarriesOutOnlyWhatIsStillChecked) {
    addFile("Downloads/receipt.pdf", 2048);
    addFile("Desktop/old note.txt", 4096);
    scanHome();
    AnalysisResult analysis;
    for (const FileRecord& record : state->records()) {
        analysis.findings.push_back(record.url().lastPathComponent() == "receipt.pdf"
                                        ? findingOf(record, FindingCategory::organizeSuggestion,
                                                    URL::fileURL(homePath("Documents/Receipts/receipt.pdf")))
                                        : findingOf(record, FindingCategory::oldFiles));
    }
    state->setAnalysis(analysis);
    for (const Finding& finding : analysis.findings) state->setApproved(finding, true);
    ConfirmScreen screen(*state);
    layOut(screen, QStringLiteral("confirm-review"));
    EXPECT_TRUE(overlaps(screen).empty());
    EXPECT_EQ(places(screen), (std::vector<QString>{QStringLiteral("Downloads → Documents/Receipts"),
                                                    QStringLiteral("Desktop → Trash")}));
    click(visible<retro::CheckBox>(screen).front());  // the move
    EXPECT_FALSE(named<QWidget>(screen, "movesSection"));

    click(named<retro::BevelButton>(screen, "doItButton"));
    ASSERT_TRUE(state->execution());
    settle();
    QCoreApplication::processEvents();
    ASSERT_FALSE(state->execution()->isRunning());
    EXPECT_TRUE(std::filesystem::exists(homePath("Downloads/receipt.pdf")));
    EXPECT_FALSE(std::filesystem::exists(homePath("Desktop/old note.txt")));
    EXPECT_EQ(title(screen), QStringLiteral("All Done"));
    EXPECT_FALSE(named<retro::GroupBox>(screen, "notDone"));
    click(named<retro::BevelButton>(screen, "activityButton"));
    EXPECT_FALSE(state->execution());
    EXPECT_EQ(state->route(), Route::of(Route::Kind::activity));
}

TEST_F(ConfirmScreenTest, UncheckingEverythingLeavesNothingToDo) {
    Finding one = syntheticFinding(FindingCategory::oldFiles, homePath("loose.txt"), 10);
    state->setAnalysis(analysisOf({one}));
    state->setApproved(one, true);
    ConfirmScreen screen(*state);
    layOut(screen);
    click(visible<retro::CheckBox>(screen).front());
    EXPECT_FALSE(named<retro::BevelButton>(screen, "doItButton"));
}

TEST_F(ConfirmScreenTest, AFinishedRunListsWhatWasNotDoneAndWhy) {
    ConfirmScreen screen(*state);

    using Kind = PlannedAction::Kind;
    using State = PlannedAction::State;
    ActionPlan plan;
    plan.actions = {plannedAction(Kind::move(URL::fileURL("/x/a.txt"), URL::fileURL("/y/a.txt")),
                                  State::done(URL::fileURL("/y/a.txt"))),
                    plannedAction(Kind::trash(URL::fileURL("/x/gone.txt")), State::failed("It was in use.")),
                    plannedAction(Kind::trash(URL::fileURL("/x/changed.txt")), State::skipped("It changed since the scan."))};
    state->setExecution(AppState::Execution{AppState::Execution::Finished{plan}});
    QCoreApplication::processEvents();
    layOut(screen, QStringLiteral("confirm-not-done"));
    EXPECT_TRUE(overlaps(screen).empty());
    auto* notDone = named<retro::GroupBox>(screen, "notDone");
    ASSERT_TRUE(notDone);
    EXPECT_EQ(labelTexts(*notDone),
              (std::vector<QString>{QStringLiteral("changed.txt"), QStringLiteral("It changed since the scan."),
                                    QStringLiteral("gone.txt"), QStringLiteral("It was in use.")}));
}

}  // namespace
}  // namespace ordane::testing
