#include <QSignalSpy>
#include <gtest/gtest.h>

#include "Ordane/App/AppState.hpp"
#include "OrdaneCore/Actions/ActionJournal.hpp"
#include "OrdaneCore/Actions/ActivityStore.hpp"
#include "Support/TempDir.hpp"
#include "AppStateHome.hpp"

namespace ordane {
namespace {

using testing::AppStateHome;

class AppStateConstruction : public AppStateHome {};

TEST_F(AppStateConstruction, PutsEverythingUnderTheOverriddenHomeAndLoadsJournalAndActivity) {
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
    EXPECT_EQ(state.stage(), AppState::Stage::welcome);

    ASSERT_TRUE(settle(state));
    EXPECT_TRUE(state.activityLoaded());
    EXPECT_EQ(state.activityEntries(), std::vector<ActivityEntry>{entry});

    state.dismissInterruptedPlans();
    EXPECT_TRUE(state.interruptedPlans().empty());
    EXPECT_TRUE(journal.loadAll().empty());
}

TEST_F(AppStateConstruction, AnEqualWriteNotifiesNobody) {
    AppState state;
    QSignalSpy stage(&state, &AppState::stageChanged);
    QSignalSpy route(&state, &AppState::routeChanged);
    state.setStage(AppState::Stage::welcome);
    state.setRoute(std::nullopt);
    EXPECT_EQ(stage.count(), 0);
    EXPECT_EQ(route.count(), 0);

    state.setRoute(AppState::Route::ofCategory(FindingCategory::oldFiles));
    state.setRoute(AppState::Route::ofCategory(FindingCategory::oldFiles));
    EXPECT_EQ(route.count(), 1);
    state.setRoute(AppState::Route::ofCategory(FindingCategory::screenshots));
    state.setRoute(AppState::Route::of(AppState::Route::Kind::duplicates));
    EXPECT_EQ(route.count(), 3);
    state.setStage(AppState::Stage::dashboard);
    EXPECT_EQ(stage.count(), 1);
    settle(state);
}

}  // namespace
}  // namespace ordane
