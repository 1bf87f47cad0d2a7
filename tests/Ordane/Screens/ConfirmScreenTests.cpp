#include <QTest>
#include <filesystem>

#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/CheckBox.hpp"
#include "Ordane/Retro/GroupBox.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/ProgressBar.hpp"
#include "Ordane/Retro/RetroWindow.hpp"
#include "Ordane/Retro/TitleBar.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "Ordane/Screens/ConfirmScreen.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::testing {
namespace {

class ConfirmScreenTest : public ScreenTest {
public:
    static QString title(const ConfirmScreen& screen) {
        return screen.shownWindow() ? screen.shownWindow()->titleBar()->title() : QString();
    }
    static std::vector<QString> places(const QWidget& root) {
        std::vector<QString> result;
        for (auto* label : visible<retro::Label>(root, QStringLiteral("reviewPlace"))) result.push_back(label->text());
        return result;
    }
    // A scanned Downloads receipt to move into Documents/Receipts and a scanned note to trash, approved.
    void approveFromScan() {
        addFile("Downloads/receipt.pdf", 2048);
        addFile("Desktop/old note.txt", 4096);
        scanHome();
        AnalysisResult analysis;
        for (const FileRecord& record : state->records()) {
            Finding finding;
            finding.id = UUID::random();
            finding.record = record;
            if (record.url.lastPathComponent() == "receipt.pdf") {
                finding.category = FindingCategory::organizeSuggestion;
                finding.suggestedDestination = URL::fileURL(homePath("Documents/Receipts/receipt.pdf"));
            } else {
                finding.category = FindingCategory::oldFiles;
            }
            analysis.findings.push_back(finding);
        }
        state->setAnalysis(analysis);
        for (const Finding& finding : analysis.findings) state->setApproved(finding, true);
    }
};

TEST_F(ConfirmScreenTest, ReviewListsMovesAndTrashWithPlacesAndUncheckingEmptiesIt) {
    approveFromScan();
    ConfirmScreen screen(*state);
    layOut(screen, QStringLiteral("confirm-review"));
    EXPECT_TRUE(overlaps(screen).empty());
    EXPECT_EQ(title(screen), QStringLiteral("Check My Work"));
    EXPECT_TRUE(showsText(screen, QStringLiteral("Moving 1 item. Nothing gets deleted.")));
    EXPECT_TRUE(showsText(screen, QStringLiteral("Moving 1 item to the Trash. You can put them back.")));
    EXPECT_EQ(places(screen), (std::vector<QString>{QStringLiteral("Downloads → Documents/Receipts"),
                                                    QStringLiteral("Desktop → Trash")}));
    const QString bytes = retro::sizeText(2048 + 4096);
    EXPECT_EQ(named<retro::Label>(screen, "totalLine")->text(), QStringLiteral("Total: 2 items, ") + bytes);
    EXPECT_EQ(named<retro::BevelButton>(screen, "doItButton")->text(), QStringLiteral("Do It (2 items, ") + bytes + ")");

    std::vector<retro::CheckBox*> checks = visible<retro::CheckBox>(screen);
    ASSERT_EQ(checks.size(), 2u);
    click(checks.front());
    QCoreApplication::processEvents();
    EXPECT_FALSE(named<QWidget>(screen, "movesSection"));
    EXPECT_EQ(named<retro::Label>(screen, "totalLine")->text(),
              QStringLiteral("Total: 1 item, ") + retro::sizeText(4096));
    click(visible<retro::CheckBox>(screen).front());
    QCoreApplication::processEvents();
    EXPECT_TRUE(showsText(screen, QStringLiteral("Nothing is checked anymore. Go back and pick what you want done. Or "
                                                 "don't. Doing nothing is always fine.")));
    EXPECT_FALSE(named<retro::BevelButton>(screen, "doItButton"));
    layOut(screen, QStringLiteral("confirm-nothing"));

    state->setRoute(AppState::Route::of(AppState::Route::Kind::confirm));
    click(named<retro::BevelButton>(screen, "goBackButton"));
    EXPECT_FALSE(state->route());
}

TEST_F(ConfirmScreenTest, PlacesAreHomeRelativeOnWholeFolderNamesAndCloudFilesAreFlagged) {
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
    click(lastWithText<retro::BevelButton>(screen, QStringLiteral("Show in Folder")));
    ASSERT_EQ(desktop.revealed.size(), 1u);
    EXPECT_EQ(desktop.revealed.front(), retro::qtext(outside.record.url.path()));
}

TEST_F(ConfirmScreenTest, DoItRunsThePlanAndTheResultLeadsToActivityOrTheStart) {
    approveFromScan();
    ConfirmScreen screen(*state);
    layOut(screen);
    click(named<retro::BevelButton>(screen, "doItButton"));
    ASSERT_TRUE(state->execution());
    settle();
    QCoreApplication::processEvents();
    ASSERT_FALSE(state->execution()->isRunning());
    EXPECT_TRUE(std::filesystem::exists(homePath("Documents/Receipts/receipt.pdf")));
    EXPECT_FALSE(std::filesystem::exists(homePath("Desktop/old note.txt")));
    EXPECT_EQ(title(screen), QStringLiteral("All Done"));
    EXPECT_EQ(named<retro::Label>(screen, "summary")->text(),
              QStringLiteral("Done: 2 items handled, ") + retro::sizeText(4096) + QStringLiteral(" now in the Trash."));
    EXPECT_FALSE(named<retro::GroupBox>(screen, "notDone"));
    layOut(screen, QStringLiteral("confirm-done"));

    click(named<retro::BevelButton>(screen, "activityButton"));
    EXPECT_FALSE(state->execution());
    ASSERT_TRUE(state->route());
    EXPECT_EQ(state->route()->kind, AppState::Route::Kind::activity);
}

TEST_F(ConfirmScreenTest, RunningShowsProgressAndFinishedListsWhatWasNotDone) {
    ConfirmScreen screen(*state);
    struct Case {
        std::string name;
        int index;
        int total;
        const char* current;
        const char* position;
        std::optional<double> fraction;
    };
    for (const Case& c : {Case{"", 0, 5, "Starting…", "0 of 5", 0.0}, Case{"a <b>b</b>.txt", 2, 4, "a <b>b</b>.txt", "2 of 4", 0.5},
                          Case{"", 0, 0, "Starting…", "0 of 0", std::nullopt}}) {
        SCOPED_TRACE(c.position);
        state->setExecution(AppState::Execution{AppState::Execution::Running{c.name, c.index, c.total}});
        QCoreApplication::processEvents();
        EXPECT_EQ(title(screen), QStringLiteral("Working…"));
        EXPECT_EQ(named<retro::Label>(screen, "currentItem")->text(), QString::fromUtf8(c.current));
        EXPECT_EQ(named<retro::Label>(screen, "position")->text(), QString::fromUtf8(c.position));
        EXPECT_EQ(screen.findChild<retro::ProgressBar*>()->fraction(), c.fraction);
        if (c.index == 2) layOut(screen, QStringLiteral("confirm-running"));
    }

    ActionPlan plan;
    plan.actions = {plannedAction(PlannedAction::Kind::move(URL::fileURL("/x/a.txt"), URL::fileURL("/y/a.txt")),
                                  PlannedAction::State::done(URL::fileURL("/y/a.txt"))),
                    plannedAction(PlannedAction::Kind::trash(URL::fileURL("/x/gone.txt")),
                                  PlannedAction::State::failed("It was in use.")),
                    plannedAction(PlannedAction::Kind::trash(URL::fileURL("/x/changed.txt")),
                                  PlannedAction::State::skipped("It changed since the scan."))};
    state->setExecution(AppState::Execution{AppState::Execution::Finished{plan}});
    QCoreApplication::processEvents();
    layOut(screen, QStringLiteral("confirm-not-done"));
    EXPECT_TRUE(overlaps(screen).empty());
    EXPECT_EQ(named<retro::Label>(screen, "summary")->text(), QStringLiteral("Done: 1 item handled."));
    auto* notDone = named<retro::GroupBox>(screen, "notDone");
    ASSERT_TRUE(notDone);
    std::vector<QString> listed = labelTexts(*notDone);
    EXPECT_EQ(listed, (std::vector<QString>{QStringLiteral("changed.txt"), QStringLiteral("It changed since the scan."),
                                            QStringLiteral("gone.txt"), QStringLiteral("It was in use.")}));

    state->setStage(AppState::Stage::dashboard);
    click(named<retro::BevelButton>(screen, "finishButton"));
    EXPECT_FALSE(state->execution());
    EXPECT_EQ(state->stage(), AppState::Stage::welcome);
}

}  // namespace
}  // namespace ordane::testing
