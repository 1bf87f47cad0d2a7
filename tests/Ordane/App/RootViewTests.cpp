#include <QCoreApplication>
#include <gtest/gtest.h>

#include "AppStateHome.hpp"
#include "Ordane/App/RootView.hpp"
#include "Ordane/Screens/CategoryScreen.hpp"
#include "Ordane/Screens/WelcomeScreen.hpp"
#include "OrdaneCore/Foundation/UUID.hpp"

namespace ordane::testing {

namespace {

using Kind = ScreenChoice::Kind;
using Route = AppState::Route;
using Stage = AppState::Stage;

struct ChoiceCase {
    const char* name;
    Stage stage;
    std::optional<Route> route;
    bool execution;
    ScreenChoice expected;
};

class RootViewTest : public AppStateHome {};

}  // namespace

TEST_F(RootViewTest, ChoosesByExecutionThenActivityThenStageThenRoute) {
    const Route activity = Route::of(Route::Kind::activity);
    const Route organize = Route::of(Route::Kind::organize);
    const std::vector<ChoiceCase> cases = {
        {"welcome", Stage::welcome, std::nullopt, false, ScreenChoice::of(Kind::welcome)},
        {"activity over welcome", Stage::welcome, activity, false, ScreenChoice::of(Kind::activity)},
        {"organize ignored at welcome", Stage::welcome, organize, false, ScreenChoice::of(Kind::welcome)},
        {"organize ignored while scanning", Stage::scanning, organize, false, ScreenChoice::of(Kind::scanning)},
        {"execution over activity", Stage::dashboard, activity, true, ScreenChoice::of(Kind::confirm)},
        {"execution at welcome", Stage::welcome, std::nullopt, true, ScreenChoice::of(Kind::confirm)},
        {"dashboard", Stage::dashboard, std::nullopt, false, ScreenChoice::of(Kind::dashboard)},
        {"category", Stage::dashboard, Route::ofCategory(FindingCategory::screenshots), false,
         {Kind::category, FindingCategory::screenshots}},
        {"duplicates", Stage::dashboard, Route::of(Route::Kind::duplicates), false, ScreenChoice::of(Kind::duplicates)},
        {"organize", Stage::dashboard, organize, false, ScreenChoice::of(Kind::organize)},
        {"confirm", Stage::dashboard, Route::of(Route::Kind::confirm), false, ScreenChoice::of(Kind::confirm)},
    };
    for (const ChoiceCase& c : cases) {
        AppState state;
        state.setStage(c.stage);
        state.setRoute(c.route);
        if (c.execution) state.setExecution(AppState::Execution{AppState::Execution::Finished{}});
        ScreenChoice chosen = chooseScreen(state);
        EXPECT_TRUE(chosen == c.expected) << c.name;
        settle(state);
    }
    EXPECT_FALSE(ScreenChoice({Kind::category, FindingCategory::screenshots}) ==
                 ScreenChoice({Kind::category, FindingCategory::oldFiles}));
}

TEST_F(RootViewTest, KeepsItsScreenWhileTheChoiceStaysAndRebuildsItOnAFreshUiRefresh) {
    AppState state;
    RootView root(state);
    root.resize(300, 200);
    EXPECT_GE(root.width(), RootView::minimumWidth);
    EXPECT_GE(root.height(), RootView::minimumHeight);
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

}  // namespace ordane::testing
