#include <QTest>

#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/GroupBox.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"
#include "Ordane/Screens/SettingsScreen.hpp"
#include "Ordane/Screens/WelcomeScreen.hpp"

namespace ordane::testing {
namespace {

using WelcomeScreenTest = ScreenTest;

QStringList folderNames(const WelcomeScreen& screen) {
    QStringList names;
    for (auto* label : ScreenTest::visible<retro::Label>(screen, QStringLiteral("folderName"))) names << label->text();
    return names;
}

ActionPlan planWith(std::vector<PlannedAction::State> states) {
    ActionPlan plan;
    for (auto& state : states) plan.actions.push_back(plannedAction(PlannedAction::Kind::trash(URL::fileURL("/tmp/x")), state));
    return plan;
}

TEST_F(WelcomeScreenTest, ListsTheFoldersLeftOnAndFollowsTheSettings) {
    WelcomeScreen screen(*state);
    layOut(screen, QStringLiteral("welcome"));
    EXPECT_EQ(folderNames(screen).join(','), QStringLiteral("Desktop,Documents,Downloads,Movies,Music,Pictures"));
    EXPECT_FALSE(screen.findChild<QWidget*>(QStringLiteral("interruptedNotice"))->isVisibleTo(&screen));

    ScanSettings settings = state->scanSettings();
    settings.disabledFolders = {"Movies", "Music", "music"};
    state->setScanSettings(settings);
    QCoreApplication::processEvents();  // the refresh
    QCoreApplication::processEvents();  // new rows of a shown screen are shown in the next turn
    EXPECT_EQ(folderNames(screen).join(','), QStringLiteral("Desktop,Documents,Downloads,Pictures"));

    settings.disabledFolders = {"Desktop", "Documents", "Downloads", "Movies", "Music", "Pictures"};
    state->setScanSettings(settings);
    QCoreApplication::processEvents();  // the refresh
    QCoreApplication::processEvents();  // new rows of a shown screen are shown in the next turn
    EXPECT_TRUE(folderNames(screen).isEmpty());
    EXPECT_NE(withText<retro::BevelButton>(screen, QStringLiteral("Scan My Computer")), nullptr);
}

TEST_F(WelcomeScreenTest, InterruptedPlanSentenceCountsDoneAndPendingActions) {
    struct Case {
        int64_t handled, pending;
        const char* begins;
    };
    for (const Case& c : {Case{1, 3, "1 item had already been handled (you'll find it in the Activity list) and 3 items "
                                     "never happened."},
                          Case{0, 1, "0 items had already been handled (nothing was lost) and 1 item never happened."},
                          Case{1234, 0, "1,234 items had already been handled (you'll find them in the Activity list)"}}) {
        const QString message = WelcomeScreen::interruptedPlanMessage(c.handled, c.pending);
        EXPECT_TRUE(message.startsWith(QString::fromUtf8(c.begins))) << message.toStdString();
        EXPECT_TRUE(message.endsWith(QStringLiteral(" I don't finish interrupted plans on my own. Just scan again and "
                                                    "pick again.")));
    }

    WelcomeScreen screen(*state);
    state->setInterruptedPlans({planWith({PlannedAction::State::done(URL::fileURL("/tmp/y")),
                                          PlannedAction::State::failed("no")}),
                                planWith({PlannedAction::State::pending(), PlannedAction::State::skipped("gone"),
                                          PlannedAction::State::pending(), PlannedAction::State::pending()})});
    QCoreApplication::processEvents();
    layOut(screen, QStringLiteral("welcome-interrupted"));
    auto* message = screen.findChild<retro::Label*>(QStringLiteral("interruptedMessage"));
    ASSERT_TRUE(message && message->isVisibleTo(&screen));
    EXPECT_TRUE(message->text().startsWith(QStringLiteral("1 item had already been handled (you'll find it in the "
                                                          "Activity list) and 3 items never happened.")));
    QTest::mouseClick(withText<retro::BevelButton>(screen, QStringLiteral("OK, Got It")), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(state->interruptedPlans().empty());
    EXPECT_FALSE(screen.findChild<QWidget*>(QStringLiteral("interruptedNotice"))->isVisibleTo(&screen));
}

TEST_F(WelcomeScreenTest, ButtonsReachTheStateTheSettingsAndTheProductPage) {
    WelcomeScreen screen(*state);
    layOut(screen);
    QTest::mouseClick(withText<retro::BevelButton>(screen, QStringLiteral("Activity")), Qt::LeftButton);
    EXPECT_EQ(state->route(), AppState::Route::of(AppState::Route::Kind::activity));

    QTest::mouseClick(withText<retro::BevelButton>(screen, QStringLiteral("Check for New Versions")), Qt::LeftButton);
    ASSERT_EQ(desktop.opened.size(), 1u);
    EXPECT_EQ(desktop.opened[0].host(), QStringLiteral("ordane.app"));
    EXPECT_TRUE(showsText(screen, QStringLiteral("Version ?. I never go online, so I can't update myself.")));

    QTest::mouseClick(withText<retro::BevelButton>(screen, QStringLiteral("Choose Folders…")), Qt::LeftButton);
    ASSERT_NE(SettingsScreen::openedWindow(), nullptr);
    EXPECT_TRUE(SettingsScreen::openedWindow()->isVisible());
    delete SettingsScreen::openedWindow();

    QTest::mouseClick(withText<retro::BevelButton>(screen, QStringLiteral("Scan My Computer")), Qt::LeftButton);
    EXPECT_EQ(state->stage(), AppState::Stage::scanning);
    settle();
}

}  // namespace
}  // namespace ordane::testing
