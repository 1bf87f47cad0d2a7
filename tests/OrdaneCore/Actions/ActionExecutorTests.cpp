#include <gtest/gtest.h>

#include "ActionWorkspace.hpp"
#include "OrdaneCore/Actions/SafeMover.hpp"

using namespace ordane;
using ordane::testing::ActionWorkspace;
using ordane::testing::readFile;
using ordane::testing::SimulatedCrash;
using ordane::testing::writeFile;
using Operation = ordane::testing::FaultInjectingFileSystem::Operation;
using State = PlannedAction::State;

namespace {

struct ProgressCall {
    UUID action;
    int position;
    int total;
    bool operator==(const ProgressCall&) const = default;
};

std::optional<URL> resultURL(const PlannedAction& action) {
    if (const auto* done = std::get_if<State::Done>(&action.state.value)) return done->resultURL;
    return std::nullopt;
}

}  // namespace

TEST(ActionExecutor, MovesRunFirstThenTrashesWithProgressJournalAndActivity) {
    ActionWorkspace w;
    for (const char* name : {"A.txt", "B.txt", "C.txt", "D.txt"}) writeFile(w.dir / (std::string("in/") + name), name);
    ActionPlan plan = ActionWorkspace::plan({w.trashing("in/A.txt"), w.move("in/B.txt", "out/B.txt"),
                                             w.trashing("in/C.txt"), w.move("in/D.txt", "out/D.txt")});
    plan.actions[1].recognitionKind = "invoice";

    std::vector<ProgressCall> calls;
    auto progress = [&](const PlannedAction& action, int position, int total) {
        EXPECT_TRUE(action.state.isPending());
        calls.push_back({action.id, position, total});
        // The journal holds the plan as of the last finished action.
        ActionPlan journalled = w.journal.loadAll().at(0);
        EXPECT_EQ(journalled.pendingActions().size(), size_t(4 - position + 1));
        if (position == 3) {
            // Both moves are done before the first trash starts.
            EXPECT_TRUE(w.fs->exists(w.dir / "out/B.txt"));
            EXPECT_TRUE(w.fs->exists(w.dir / "out/D.txt"));
            EXPECT_TRUE(w.fs->exists(w.dir / "in/A.txt"));
        }
    };
    ActionPlan result = w.executor.execute(plan, w.journal, w.activity, progress);

    EXPECT_EQ(calls, (std::vector<ProgressCall>{{plan.actions[1].id, 1, 4}, {plan.actions[3].id, 2, 4},
                                                {plan.actions[0].id, 3, 4}, {plan.actions[2].id, 4, 4}}));
    EXPECT_EQ(resultURL(result.actions[1]), w.url("out/B.txt"));
    EXPECT_EQ(resultURL(result.actions[0]), URL::fileURL(w.trashDirectory + "/files/A.txt"));
    EXPECT_EQ(readFile(w.trashDirectory + "/files/C.txt"), "C.txt");
    EXPECT_EQ(readFile(w.dir / "out/D.txt"), "D.txt");
    EXPECT_TRUE(w.journal.loadAll().empty());
    EXPECT_TRUE(w.fs->listDirectory(w.dir / "support/journal").empty());

    // The stored order is the order of the run.
    auto stored = ActivityEntry::Kind::Moved{w.url("in/B.txt"), w.url("out/B.txt")};
    std::vector<ActivityEntry> entries = w.activity.allEntries();
    ASSERT_EQ(entries.size(), 4u);
    std::vector<ActivityEntry> inFileOrder = json::array<ActivityEntry>(json::parse(readFile(w.dir / "support/activity.json")));
    ASSERT_EQ(inFileOrder.size(), 4u);
    EXPECT_EQ(std::get<ActivityEntry::Kind::Moved>(inFileOrder[0].kind.value), stored);
    EXPECT_EQ(inFileOrder[0].suggestionKind, "invoice");
    EXPECT_EQ(inFileOrder[1].suggestionKind, std::nullopt);
    EXPECT_EQ(inFileOrder[2].kind, ActivityEntry::Kind::trashed(w.url("in/A.txt"), URL::fileURL(w.trashDirectory + "/files/A.txt")));
    EXPECT_EQ(inFileOrder[3].suggestionKind, std::nullopt);
    for (const ActivityEntry& entry : inFileOrder) {
        EXPECT_TRUE(entry.undoable);
        EXPECT_EQ(entry.undoableNote, std::nullopt);
        EXPECT_EQ(entry.sizeBytes, 5);
    }
}

TEST(ActionExecutor, ActionsThatAreNotPendingArePassedOverButCounted) {
    ActionWorkspace w;
    writeFile(w.dir / "a", "a");
    writeFile(w.dir / "c", "c");
    ActionPlan plan = ActionWorkspace::plan({w.move("a", "x/a"), w.move("a", "x/b"), w.move("c", "x/c")});
    plan.actions[1].state = State::done(w.url("somewhere"));
    std::vector<int> positions;
    ActionPlan result = w.executor.execute(plan, w.journal, w.activity, [&](const PlannedAction&, int position, int total) {
        positions.push_back(position);
        EXPECT_EQ(total, 3);
    });
    EXPECT_EQ(positions, (std::vector<int>{1, 3}));
    EXPECT_EQ(result.actions[1], plan.actions[1]);
    EXPECT_EQ(w.activity.allEntries().size(), 2u);
}

TEST(ActionExecutor, AnEmptyPlanWritesAndRemovesItsJournal) {
    ActionWorkspace w;
    ActionPlan plan = ActionWorkspace::plan({});
    bool called = false;
    EXPECT_EQ(w.executor.execute(plan, w.journal, w.activity, [&](const PlannedAction&, int, int) { called = true; }), plan);
    EXPECT_FALSE(called);
    EXPECT_EQ(w.fs->calls(Operation::writeFileAtomically, plan.id.uuidString() + ".json"), 1);
    EXPECT_EQ(w.fs->calls(Operation::removeItem, plan.id.uuidString() + ".json"), 1);
    EXPECT_FALSE(w.fs->exists(w.journal.fileURL(plan.id).path()));
}

TEST(ActionExecutor, GoneOrChangedItemsAreSkippedAndTheRunGoesOn) {
    ActionWorkspace w;
    writeFile(w.dir / "gone.pdf", "x");
    writeFile(w.dir / "changed.pdf", "x");
    writeFile(w.dir / "fine.pdf", "x");
    ActionPlan plan = ActionWorkspace::plan({w.move("gone.pdf", "out/gone.pdf"), w.trashing("changed.pdf"),
                                             w.move("fine.pdf", "out/fine.pdf")});
    w.fs->removeItem(w.dir / "gone.pdf");
    writeFile(w.dir / "changed.pdf", "xy");
    ActionPlan result = w.executor.execute(plan, w.journal, w.activity);
    EXPECT_EQ(result.actions[0].state, State::skipped("gone.pdf isn't where it was when I looked, so I left everything alone."));
    EXPECT_EQ(result.actions[1].state,
              State::skipped("changed.pdf changed since I looked at it, so I left it alone. Scan again to pick it up."));
    EXPECT_EQ(resultURL(result.actions[2]), w.url("out/fine.pdf"));
    EXPECT_EQ(w.activity.allEntries().size(), 1u);
    EXPECT_EQ(readFile(w.dir / "changed.pdf"), "xy");
}

TEST(ActionExecutor, ATrashThatCantTakeTheItemFailsAndNothingIsDeleted) {
    ActionWorkspace w;
    writeFile(w.dir / "keep.txt", "keep");
    w.fs->fail(Operation::createDirectory, "Trash", EROFS);
    ActionPlan result = w.executor.execute(ActionWorkspace::plan({w.trashing("keep.txt")}), w.journal, w.activity);
    EXPECT_EQ(result.actions[0].state, State::failed("This disk has no Trash for keep.txt, so I did nothing. Nothing was deleted."));
    EXPECT_EQ(readFile(w.dir / "keep.txt"), "keep");
    EXPECT_TRUE(w.activity.allEntries().empty());
}

TEST(ActionExecutor, FreeNamesAndFileErrorsEndUpInTheStates) {
    ActionWorkspace w;
    writeFile(w.dir / "in/Report.pdf", "new");
    writeFile(w.dir / "out/Report.pdf", "old");
    writeFile(w.dir / "in/full.bin", "data");
    w.fs->fail(Operation::moveNoReplace, "full.bin ->", EXDEV);
    w.fs->fail(Operation::createNewFile, "out/", ENOSPC);
    ActionPlan result = w.executor.execute(
        ActionWorkspace::plan({w.move("in/Report.pdf", "out/Report.pdf"), w.move("in/full.bin", "out/full.bin")}),
        w.journal, w.activity);
    EXPECT_EQ(resultURL(result.actions[0]), w.url("out/Report 2.pdf"));
    EXPECT_EQ(std::get<ActivityEntry::Kind::Moved>(w.activity.allEntries().at(0).kind.value).to, w.url("out/Report 2.pdf"));
    EXPECT_EQ(readFile(w.dir / "out/Report.pdf"), "old");
    EXPECT_EQ(result.actions[1].state, State::failed("No space left on device."));
    EXPECT_EQ(readFile(w.dir / "in/full.bin"), "data");
}

TEST(ActionExecutor, WithoutAJournalOrActivityFileTheRunStillHappens) {
    ActionWorkspace w;
    writeFile(w.dir / "a", "a");
    w.fs->fail(Operation::createDirectories, "journal", EIO);
    w.fs->fail(Operation::writeFileAtomically, "activity.json", ENOSPC);
    ActionPlan result = w.executor.execute(ActionWorkspace::plan({w.move("a", "b/a")}), w.journal, w.activity);
    EXPECT_EQ(resultURL(result.actions[0]), w.url("b/a"));
    EXPECT_EQ(w.activity.allEntries().size(), 1u);  // kept in memory for the next save
}

TEST(ActionExecutor, AStopAfterTheThirdOfFiveActionsLeavesThemInTheJournal) {
    ActionWorkspace w;
    std::vector<PlannedAction> actions;
    for (int i = 0; i < 5; ++i) {
        std::string name = "f" + std::to_string(i);
        writeFile(w.dir / name, name);
        actions.push_back(w.move(name, "out/" + name));
    }
    ActionPlan plan = ActionWorkspace::plan(actions);
    EXPECT_THROW(w.executor.execute(plan, w.journal, w.activity,
                                    [](const PlannedAction&, int position, int) {
                                        if (position == 4) throw SimulatedCrash{};
                                    }),
                 SimulatedCrash);
    std::vector<ActionPlan> interrupted = w.journal.loadAll();
    ASSERT_EQ(interrupted.size(), 1u);
    EXPECT_EQ(interrupted[0].id, plan.id);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(resultURL(interrupted[0].actions[i]), w.url("out/f" + std::to_string(i)));
    EXPECT_EQ(interrupted[0].pendingActions().size(), 2u);
}

TEST(ActionExecutor, ACrashAtAnyStepLeavesEveryFileWholeAndTheJournalTruthful) {
    for (int changes = 0;; ++changes) {
        ActionWorkspace w;
        writeFile(w.dir / "a.txt", "alpha");
        writeFile(w.dir / "b/inner.txt", "beta");
        writeFile(w.dir / "c.txt", "gamma");
        ActionPlan plan = ActionWorkspace::plan({w.trashing("a.txt"), w.move("b", "moved/b"), w.trashing("c.txt")});
        w.fs->fail(Operation::moveNoReplace, "/b ->", EXDEV);  // the folder is copied
        w.fs->crashAfter(changes);
        bool crashed = false;
        try {
            w.executor.execute(plan, w.journal, w.activity);
        } catch (const SimulatedCrash&) {
            crashed = true;
        }
        auto whole = [&](const std::string& relative, const std::string& contents, const std::string& elsewhere) {
            auto fs = platform::FileSystem::real();
            bool here = fs->exists(w.dir / relative) && readFile(w.dir / relative) == contents;
            bool there = fs->exists(elsewhere) && readFile(elsewhere) == contents;
            return here || there;
        };
        EXPECT_TRUE(whole("a.txt", "alpha", w.trashDirectory + "/files/a.txt")) << changes;
        EXPECT_TRUE(whole("b/inner.txt", "beta", w.dir / "moved/b/inner.txt")) << changes;
        EXPECT_TRUE(whole("c.txt", "gamma", w.trashDirectory + "/files/c.txt")) << changes;
        w.fs->clearFaults();
        // What the journal calls done is done.
        for (const ActionPlan& journalled : w.journal.loadAll()) {
            for (const PlannedAction& action : journalled.actions) {
                if (auto url = resultURL(action)) {
                    EXPECT_TRUE(w.fs->exists(url->path())) << changes;
                }
            }
        }
        if (!crashed) break;
    }
}
