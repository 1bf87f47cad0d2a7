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

TEST_F(ConfirmScreenTest, ReviewListsWhatIsCheckedAndDoItCarriesOutOnlyThat) {
    addFile("Downloads/receipt.pdf", 2048);
    addFile("Desktop/old note.txt", 4096);
    scanHome();
    AnalysisResult analysis;
    for (const FileRecord& record : state->records()) {
        analysis.findings.push_back(record.url.lastPathComponent() == "receipt.pdf"
                                        ? findingOf(record, FindingCategory::organizeSuggestion,
                                                    URL::fileURL(homePath("Documents/Receipts/receipt.pdf")))
                                        : findingOf(record, FindingCategory::oldFiles));
    }
    state->setAnalysis(analysis);
    for (const Finding& finding : analysis.findings) state->setApproved(finding, true);
    ConfirmScreen screen(*state);
    layOut(screen, QStringLiteral("confirm-review"));
    EXPECT_TRUE(overlaps(screen).empty());
    EXPECT_EQ(title(screen), QStringLiteral("Check My Work"));
    EXPECT_TRUE(showsText(screen, QStringLiteral("Moving 1 item. Nothing gets deleted.")));
    EXPECT_TRUE(showsText(screen, QStringLiteral("Moving 1 item to the Trash. You can put them back.")));
    EXPECT_EQ(places(screen), (std::vector<QString>{QStringLiteral("Downloads → Documents/Receipts"),
                                                    QStringLiteral("Desktop → Trash")}));
    const QString bytes = retro::sizeText(2048 + 4096);
    EXPECT_EQ(textOf(screen, "totalLine"), QStringLiteral("Total: 2 items, ") + bytes);
    EXPECT_EQ(named<retro::BevelButton>(screen, "doItButton")->text(), QStringLiteral("Do It (2 items, ") + bytes + ")");
    click(visible<retro::CheckBox>(screen).front());  // the move
    EXPECT_FALSE(named<QWidget>(screen, "movesSection"));
    EXPECT_EQ(textOf(screen, "totalLine"), QStringLiteral("Total: 1 item, ") + retro::sizeText(4096));

    click(named<retro::BevelButton>(screen, "doItButton"));
    ASSERT_TRUE(state->execution());
    settle();
    QCoreApplication::processEvents();
    ASSERT_FALSE(state->execution()->isRunning());
    EXPECT_TRUE(std::filesystem::exists(homePath("Downloads/receipt.pdf")));
    EXPECT_FALSE(std::filesystem::exists(homePath("Desktop/old note.txt")));
    EXPECT_EQ(title(screen), QStringLiteral("All Done"));
    EXPECT_EQ(textOf(screen, "summary"),
              QStringLiteral("Done: 1 item handled, ") + retro::sizeText(4096) + QStringLiteral(" now in the Trash."));
    EXPECT_FALSE(named<retro::GroupBox>(screen, "notDone"));
    layOut(screen, QStringLiteral("confirm-done"));
    click(named<retro::BevelButton>(screen, "activityButton"));
    EXPECT_FALSE(state->execution());
    EXPECT_EQ(state->route(), Route::of(Route::Kind::activity));
}

TEST_F(ConfirmScreenTest, PlacesAreHomeRelativeOnWholeFolderNamesAndUncheckingAllLeavesNothingToDo) {
    Finding inHome = syntheticFinding(FindingCategory::oldFiles, homePath("loose.txt"), 10);
    Finding outside = syntheticFinding(FindingCategory::oldFiles, homePath() + "-other/Desktop/x.txt", 10);
    outside.record.cloudProvider = CloudProvider::other;
    state->setAnalysis(analysisOf({inHome, outside}));
    state->setApproved(inHome, true);
    state->setApproved(outside, true);
    ConfirmScreen screen(*state);
    layOut(screen);
    EXPECT_EQ(places(screen), (std::vector<QString>{QStringLiteral("Home → Trash"),
                                                    retro::qtext(homePath() + "-other/Desktop → Trash")}));
    EXPECT_TRUE(showsText(screen, QStringLiteral("Heads up: this syncs with a cloud service, so it also happens on "
                                                 "your other devices.")));
    click(withText(screen, QStringLiteral("Show in Folder"), true));
    EXPECT_EQ(desktop.revealed, std::vector<QString>{retro::qtext(outside.record.url.path())});

    click(visible<retro::CheckBox>(screen).front());
    click(visible<retro::CheckBox>(screen).front());
    EXPECT_TRUE(showsText(screen, QStringLiteral("Nothing is checked anymore. Go back and pick what you want done. Or "
                                                 "don't. Doing nothing is always fine.")));
    EXPECT_FALSE(named<retro::BevelButton>(screen, "doItButton"));
    layOut(screen, QStringLiteral("confirm-nothing"));
    state->setRoute(Route::of(Route::Kind::confirm));
    click(named<retro::BevelButton>(screen, "goBackButton"));
    EXPECT_FALSE(state->route());
}

TEST_F(ConfirmScreenTest, RunningShowsProgressAndFinishedListsWhatWasNotDone) {
    ConfirmScreen screen(*state);
    struct Case { std::string name; int index, total; const char *current, *position; std::optional<double> fraction; };
    for (const Case& c : {Case{"", 0, 5, "Starting…", "0 of 5", 0.0}, Case{"", 0, 0, "Starting…", "0 of 0", std::nullopt},
                          Case{"a <b>b</b>.txt", 2, 4, "a <b>b</b>.txt", "2 of 4", 0.5}}) {
        SCOPED_TRACE(c.position);
        state->setExecution(AppState::Execution{AppState::Execution::Running{c.name, c.index, c.total}});
        QCoreApplication::processEvents();
        EXPECT_EQ(title(screen), QStringLiteral("Working…"));
        EXPECT_EQ(textOf(screen, "currentItem"), QString::fromUtf8(c.current));
        EXPECT_EQ(textOf(screen, "position"), QString::fromUtf8(c.position));
        EXPECT_EQ(screen.findChild<retro::ProgressBar*>()->fraction(), c.fraction);
        if (c.index == 2) layOut(screen, QStringLiteral("confirm-running"));
    }

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
    EXPECT_EQ(textOf(screen, "summary"), QStringLiteral("Done: 1 item handled."));
    auto* notDone = named<retro::GroupBox>(screen, "notDone");
    ASSERT_TRUE(notDone);
    EXPECT_EQ(labelTexts(*notDone),
              (std::vector<QString>{QStringLiteral("changed.txt"), QStringLiteral("It changed since the scan."),
                                    QStringLiteral("gone.txt"), QStringLiteral("It was in use.")}));
    state->setStage(AppState::Stage::dashboard);
    click(named<retro::BevelButton>(screen, "finishButton"));
    EXPECT_FALSE(state->execution());
    EXPECT_EQ(state->stage(), AppState::Stage::welcome);
}

}  // namespace
}  // namespace ordane::testing
