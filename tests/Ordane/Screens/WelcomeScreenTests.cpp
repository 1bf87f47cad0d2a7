#include <QTest>

#include "Ordane/Screens/ScreenFixture.hpp"
#include "Ordane/Screens/SettingsScreen.hpp"
#include "Ordane/Screens/WelcomeScreen.hpp"

namespace ordane::testing {
namespace {

using WelcomeScreenTest = ScreenTest;

TEST_F(WelcomeScreenTest, ListsTheFoldersLeftOnByTheirOwnNamesAndFollowsTheSettings) {
    writeFile(homePath(".config/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\nXDG_MUSIC_DIR=\"$HOME/Musik\"\n");
    WelcomeScreen screen(*state);
    layOut(screen, QStringLiteral("welcome"));
    for (const auto& [disabled, shown] :
         {std::pair{std::set<std::string>{}, "Desktop,Dokumente,Downloads,Videos,Musik,Pictures"},
          std::pair{std::set<std::string>{"Movies", "Music", "music"}, "Desktop,Dokumente,Downloads,Pictures"}}) {
        ScanSettings settings = state->scanSettings();
        settings.disabledFolders = disabled;
        state->setScanSettings(settings);
        QCoreApplication::processEvents();  // the refresh
        QCoreApplication::processEvents();  // new rows of a shown screen are shown in the next turn
        const std::vector<QString> names = labelTexts(screen, QStringLiteral("folderName"));
        EXPECT_EQ(QStringList(names.begin(), names.end()).join(','), QString::fromUtf8(shown));
    }
}

TEST_F(WelcomeScreenTest, InterruptedPlanSentenceCountsDoneAndPendingActions) {
    EXPECT_TRUE(WelcomeScreen::interruptedPlanMessage(1, 3).startsWith(QStringLiteral(
        "1 item had already been handled (you'll find it in the Activity list) and 3 items never happened.")));

    WelcomeScreen screen(*state);
    layOut(screen);
    EXPECT_FALSE(named<QWidget>(screen, "interruptedNotice"));
    auto planWith = [](std::vector<PlannedAction::State> states) {
        ActionPlan plan;
        for (auto& each : states) plan.actions.push_back(plannedAction(PlannedAction::Kind::trash(URL::fileURL("/x")), each));
        return plan;
    };
    using State = PlannedAction::State;
    state->setInterruptedPlans({planWith({State::done(URL::fileURL("/y")), State::failed("no")}),
                                planWith({State::pending(), State::skipped("gone"), State::pending(), State::pending()})});
    QCoreApplication::processEvents();
    layOut(screen, QStringLiteral("welcome-interrupted"));
    EXPECT_EQ(textOf(screen, "interruptedMessage"), WelcomeScreen::interruptedPlanMessage(1, 3));
    click(withText(screen, QStringLiteral("OK, Got It")));
    EXPECT_TRUE(state->interruptedPlans().empty());
    EXPECT_FALSE(named<QWidget>(screen, "interruptedNotice"));
}

TEST_F(WelcomeScreenTest, ButtonsReachTheStateTheSettingsAndTheProductPage) {
    WelcomeScreen screen(*state);
    layOut(screen);
    click(withText(screen, QStringLiteral("Choose Folders…")));
    ASSERT_NE(SettingsScreen::openedWindow(), nullptr);
    delete SettingsScreen::openedWindow();
    QTest::mouseClick(withText(screen, QStringLiteral("Scan My Computer")), Qt::LeftButton);
    EXPECT_EQ(state->stage(), AppState::Stage::scanning);
    settle();
}

}  // namespace
}  // namespace ordane::testing
