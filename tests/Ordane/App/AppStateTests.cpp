#include <QSignalSpy>
#include <gtest/gtest.h>

#include "AppStateHome.hpp"
#include "Ordane/App/RootView.hpp"
#include "Ordane/Screens/CategoryScreen.hpp"
#include "Ordane/Screens/WelcomeScreen.hpp"
#include "OrdaneCore/Actions/ActionJournal.hpp"
#include "OrdaneCore/Actions/ActivityStore.hpp"

namespace ordane::testing {
namespace {

using AppStateTest = AppStateHome;
using Kind = ScreenChoice::Kind;
using Route = AppState::Route;
using Stage = AppState::Stage;

TEST_F(AppStateTest, PutsEverythingUnderTheOverriddenHomeAndLoadsJournalAndActivity) {
    ActionJournal journal{URL::fileURL(support("journal"), true)};
    ActionPlan newer{UUID::random(), Date::fromUnix(2000), {}};
    ActionPlan older{UUID::random(), Date::fromUnix(1000), {}};
    journal.save(newer);
    journal.save(older);
    ActivityEntry entry{UUID::random(), Date::now(), ActivityEntry::Kind::undone(UUID::random()), 0, false, {}, {}};
    ActivityStore(URL::fileURL(support("activity.json"))).append(entry);

    AppState state;
    EXPECT_EQ(state.paths().base.path(), support());
    EXPECT_TRUE(platform::FileSystem::real()->exists(support("journal")));
    ASSERT_EQ(state.interruptedPlans().size(), 2u);
    EXPECT_EQ(state.interruptedPlans()[0].id, older.id);
    EXPECT_EQ(state.interruptedPlans()[1].id, newer.id);
    EXPECT_EQ(state.stage(), Stage::welcome);
    ASSERT_TRUE(settle(state));
    EXPECT_TRUE(state.activityLoaded());
    EXPECT_EQ(state.activityEntries(), std::vector<ActivityEntry>{entry});
    state.dismissInterruptedPlans();
    EXPECT_TRUE(state.interruptedPlans().empty());
    EXPECT_TRUE(journal.loadAll().empty());
}

TEST_F(AppStateTest, AnEqualWriteNotifiesNobody) {
    AppState state;
    QSignalSpy route(&state, &AppState::routeChanged);
    state.setRoute(Route::ofCategory(FindingCategory::oldFiles));
    state.setRoute(Route::ofCategory(FindingCategory::oldFiles));
    state.setRoute(Route::ofCategory(FindingCategory::screenshots));
    EXPECT_EQ(route.count(), 2);
    settle(state);
}

TEST_F(AppStateTest, TheScreenIsChosenByExecutionThenActivityThenStageThenRoute) {
    const Route activity = Route::of(Route::Kind::activity);
    const Route organize = Route::of(Route::Kind::organize);
    struct Case { const char* name; Stage stage; std::optional<Route> route; bool execution; ScreenChoice expected; };
    for (const Case& c : std::initializer_list<Case>{
             {"welcome", Stage::welcome, std::nullopt, false, ScreenChoice::of(Kind::welcome)},
             {"activity over welcome", Stage::welcome, activity, false, ScreenChoice::of(Kind::activity)},
             {"organize ignored at welcome", Stage::welcome, organize, false, ScreenChoice::of(Kind::welcome)},
             {"organize ignored while scanning", Stage::scanning, organize, false, ScreenChoice::of(Kind::scanning)},
             {"execution over activity", Stage::dashboard, activity, true, ScreenChoice::of(Kind::confirm)},
             {"dashboard", Stage::dashboard, std::nullopt, false, ScreenChoice::of(Kind::dashboard)},
             {"category", Stage::dashboard, Route::ofCategory(FindingCategory::screenshots), false,
              {Kind::category, FindingCategory::screenshots}},
             {"organize", Stage::dashboard, organize, false, ScreenChoice::of(Kind::organize)}}) {
        AppState state;
        state.setStage(c.stage);
        state.setRoute(c.route);
        if (c.execution) state.setExecution(AppState::Execution{AppState::Execution::Finished{}});
        EXPECT_TRUE(chooseScreen(state) == c.expected) << c.name;
        settle(state);
    }
}

TEST_F(AppStateTest, TheRootViewKeepsItsScreenWhileTheChoiceStaysAndRebuildsItOnAFreshUiRefresh) {
    AppState state;
    RootView root(state);
    QWidget* first = root.currentScreen();
    ASSERT_TRUE(qobject_cast<WelcomeScreen*>(first));
    state.setRoute(Route::of(Route::Kind::organize));  // ignored at the welcome stage
    QCoreApplication::processEvents();
    EXPECT_EQ(root.currentScreen(), first);

    state.setRoute(std::nullopt);
    state.setStage(Stage::dashboard);
    state.setRoute(Route::ofCategory(FindingCategory::oldFiles));
    QCoreApplication::processEvents();
    auto* category = qobject_cast<CategoryScreen*>(root.currentScreen());
    ASSERT_TRUE(category);
    EXPECT_EQ(category->category(), FindingCategory::oldFiles);
    state.setUiRefresh(UUID::random());
    QCoreApplication::processEvents();
    EXPECT_NE(root.currentScreen(), category);
    EXPECT_TRUE(qobject_cast<CategoryScreen*>(root.currentScreen()));
    settle(state);
}

}  // namespace
}  // namespace ordane::testing
