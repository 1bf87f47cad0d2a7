#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ActionWorkspace.hpp"

using namespace ordane;
using ordane::testing::ActionWorkspace;
using ordane::testing::namesIn;
using ordane::testing::readFile;
using ordane::testing::SimulatedCrash;
using ordane::testing::writeFile;
using Operation = ordane::testing::FaultInjectingFileSystem::Operation;
using State = PlannedAction::State;

namespace {

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

    std::vector<std::pair<UUID, int>> calls;
    ActionPlan result = w.executor.execute(plan, w.journal, w.activity, [&](const PlannedAction& action, int position, int total) {
        EXPECT_TRUE(action.state.isPending());
        EXPECT_EQ(total, 4);
        calls.emplace_back(action.id, position);
        // The journal holds the plan as of the last finished action.
        EXPECT_EQ(w.journal.loadAll().at(0).pendingActions().size(), size_t(4 - position + 1));
        // Both moves are done before the first trash starts.
        EXPECT_TRUE(position != 3 || (w.fs->exists(w.dir / "out/D.txt") && w.fs->exists(w.dir / "in/A.txt")));
    });

    EXPECT_EQ(calls, (std::vector<std::pair<UUID, int>>{{plan.actions[1].id, 1}, {plan.actions[3].id, 2},
                                                        {plan.actions[0].id, 3}, {plan.actions[2].id, 4}}));
    EXPECT_EQ(resultURL(result.actions[1]), w.url("out/B.txt"));
    EXPECT_EQ(resultURL(result.actions[0]), URL::fileURL(w.trashDirectory + "/files/A.txt"));
    EXPECT_EQ(readFile(w.trashDirectory + "/files/C.txt"), "C.txt");
    EXPECT_EQ(readFile(w.dir / "out/D.txt"), "D.txt");
    EXPECT_TRUE(w.fs->listDirectory(w.dir / "support/journal").empty());

    // The file keeps the order of the run.
    std::vector<ActivityEntry> inFile = json::array<ActivityEntry>(json::parse(readFile(w.dir / "support/activity.json")));
    ASSERT_EQ(inFile.size(), 4u);
    EXPECT_EQ(inFile[0].kind, ActivityEntry::Kind::moved(w.url("in/B.txt"), w.url("out/B.txt")));
    EXPECT_EQ(inFile[0].suggestionKind, "invoice");
    EXPECT_EQ(inFile[1].suggestionKind, std::nullopt);
    EXPECT_EQ(inFile[2].kind, ActivityEntry::Kind::trashed(w.url("in/A.txt"), URL::fileURL(w.trashDirectory + "/files/A.txt")));
    for (const ActivityEntry& entry : inFile) {
        EXPECT_TRUE(entry.undoable && !entry.undoableNote);
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

    ActionPlan empty = ActionWorkspace::plan({});
    EXPECT_EQ(w.executor.execute(empty, w.journal, w.activity, [](const PlannedAction&, int, int) { FAIL(); }), empty);
    EXPECT_TRUE(w.fs->listDirectory(w.dir / "support/journal").empty());
}

TEST(ActionExecutor, EachRefusalOrFailureStaysInItsActionAndTheRunGoesOn) {
    ActionWorkspace w;
    for (const char* name : {"gone.pdf", "changed.pdf", "keep.txt", "in/full.bin", "in/Report.pdf"}) writeFile(w.dir / name, "x");
    writeFile(w.dir / "out/Report.pdf", "old");
    std::vector<PlannedAction> actions = {w.move("gone.pdf", "out/gone.pdf"), w.trashing("changed.pdf"),
                                          w.trashing("keep.txt"), w.move("in/full.bin", "out/full.bin"),
                                          w.move("in/Report.pdf", "out/Report.pdf")};
    w.fs->removeItem(w.dir / "gone.pdf");
    writeFile(w.dir / "changed.pdf", "xy");
    w.fs->fail(Operation::createDirectory, "Trash", EROFS);
    w.fs->fail(Operation::moveNoReplace, "full.bin ->", EXDEV);
    w.fs->fail(Operation::createNewFile, "out/", ENOSPC);
    // Without a journal or an activity file the run still happens.
    w.fs->fail(Operation::createDirectories, "journal", EIO);
    w.fs->fail(Operation::writeFileAtomically, "activity.json", ENOSPC);
    ActionPlan result = w.run(actions);
    EXPECT_EQ(result.actions[0].state, State::skipped("gone.pdf isn't where it was when I looked, so I left everything alone."));
    EXPECT_EQ(result.actions[1].state,
              State::skipped("changed.pdf changed since I looked at it, so I left it alone. Scan again to pick it up."));
    EXPECT_EQ(result.actions[2].state, State::failed("This disk has no Trash for keep.txt, so I did nothing. Nothing was deleted."));
    EXPECT_EQ(result.actions[3].state, State::failed("No space left on device."));
    EXPECT_EQ(resultURL(result.actions[4]), w.url("out/Report 2.pdf"));
    EXPECT_EQ(readFile(w.dir / "out/Report.pdf"), "old");
    EXPECT_EQ(readFile(w.dir / "changed.pdf"), "xy");
    EXPECT_EQ(readFile(w.dir / "keep.txt"), "x");
    EXPECT_EQ(readFile(w.dir / "in/full.bin"), "x");
    ASSERT_EQ(w.activity.allEntries().size(), 1u);  // kept in memory for the next save
    EXPECT_EQ(w.activity.allEntries()[0].kind, ActivityEntry::Kind::moved(w.url("in/Report.pdf"), w.url("out/Report 2.pdf")));
}

TEST(ActionExecutor, AStopAfterTheThirdOfFiveActionsLeavesThemInTheJournal) {
    ActionWorkspace w;
    std::vector<PlannedAction> actions;
    for (std::string name : {"f0", "f1", "f2", "f3", "f4"}) {
        writeFile(w.dir / name, name);
        actions.push_back(w.move(name, "out/" + name));
    }
    auto stopAtFourth = [](const PlannedAction&, int position, int) {
        if (position == 4) throw SimulatedCrash{};
    };
    EXPECT_THROW(w.run(actions, stopAtFourth), SimulatedCrash);
    std::vector<ActionPlan> interrupted = w.journal.loadAll();
    ASSERT_EQ(interrupted.size(), 1u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(resultURL(interrupted[0].actions[i]), w.url("out/f" + std::to_string(i)));
    EXPECT_EQ(interrupted[0].pendingActions().size(), 2u);
}

// The program started twice runs one plan twice: the second run waits for the first, then finds
// every item gone from its source and leaves the first run's copies alone.
TEST(ActionExecutor, TwoRunsOfOnePlanTakeTurns) {
    ActionWorkspace w;
    writeFile(w.dir / "in/a.txt", "alpha");
    writeFile(w.dir / "in/b.txt", "beta");
    w.fs->fail(Operation::moveNoReplace, w.dir / "in/", EXDEV);  // copied, as across volumes
    ActionPlan plan = ActionWorkspace::plan({w.move("in/a.txt", "out/a.txt"), w.move("in/b.txt", "out/b.txt")});
    ActionExecutor secondExecutor{w.fs, w.trash};
    ActivityStore secondActivity{w.activity.fileURL(), w.fs};
    ActionPlan second;
    std::thread secondRun;
    std::atomic<bool> started = false;
    ActionPlan first = w.executor.execute(plan, w.journal, w.activity, [&](const PlannedAction&, int position, int) {
        if (position != 1) return;
        secondRun = std::thread([&] {
            started = true;
            second = secondExecutor.execute(plan, w.journal, secondActivity);
        });
        while (!started) std::this_thread::yield();
        // Room for the second run to go ahead, were it not held back.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    });
    secondRun.join();
    ASSERT_EQ(second.actions.size(), 2u);
    for (size_t k = 0; k < 2; ++k) {
        std::string name = k == 0 ? "a.txt" : "b.txt";
        EXPECT_EQ(resultURL(first.actions[k]), w.url("out/" + name));
        EXPECT_EQ(second.actions[k].state, State::skipped(name + " isn't where it was when I looked, so I left everything alone."));
    }
    EXPECT_EQ(namesIn(w.dir / "out"), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(ActivityStore(w.activity.fileURL()).allEntries().size(), 2u);
}

// A crash of the process, or a power failure that loses what was not flushed, at any step.
TEST(ActionExecutor, ACrashAtAnyStepLeavesEveryFileWholeAndTheRecordsTruthful) {
    for (bool powerLoss : {false, true}) {
        for (int changes = 0;; ++changes) {
            ActionWorkspace w;
            writeFile(w.dir / "a.txt", "alpha");
            writeFile(w.dir / "b/inner.txt", "beta");
            writeFile(w.dir / "c.txt", "gamma");
            writeFile(w.dir / "d.txt", "delta");
            std::vector<PlannedAction> actions = {w.trashing("a.txt"), w.move("b", "moved/b"), w.trashing("c.txt"),
                                                  w.move("d.txt", "moved/d.txt")};
            w.fs->fail(Operation::moveNoReplace, "/b ->", EXDEV);  // the folder is copied
            if (powerLoss) w.fs->losePowerAtCrash();
            w.fs->crashAfter(changes);
            bool crashed = false;
            try {
                w.run(actions);
            } catch (const SimulatedCrash&) {
                crashed = true;
            }
            const std::string when = (powerLoss ? "power failure after " : "crash after ") + std::to_string(changes);
            auto whole = [&](const std::string& here, const std::string& there, const std::string& contents) {
                auto fs = platform::FileSystem::real();
                return (fs->exists(here) && readFile(here) == contents) || (fs->exists(there) && readFile(there) == contents);
            };
            EXPECT_TRUE(whole(w.dir / "a.txt", w.trashDirectory + "/files/a.txt", "alpha")) << when;
            EXPECT_TRUE(whole(w.dir / "b/inner.txt", w.dir / "moved/b/inner.txt", "beta")) << when;
            EXPECT_TRUE(whole(w.dir / "c.txt", w.trashDirectory + "/files/c.txt", "gamma")) << when;
            EXPECT_TRUE(whole(w.dir / "d.txt", w.dir / "moved/d.txt", "delta")) << when;
            // What the journal and the activity list call done is done.
            auto real = platform::FileSystem::real();
            platform::Trash trash{real, w.trashDirectory, 1234};
            for (const ActionPlan& journalled : ActionJournal{w.journal.directory, real}.loadAll()) {
                for (const PlannedAction& action : journalled.actions) {
                    auto url = resultURL(action);
                    EXPECT_TRUE(!url || real->exists(url->path())) << when;
                }
            }
            for (const ActivityEntry& entry : ActivityStore{w.activity.fileURL(), real}.allEntries()) {
                const auto* moved = std::get_if<ActivityEntry::Kind::Moved>(&entry.kind.value);
                const auto* trashed = std::get_if<ActivityEntry::Kind::Trashed>(&entry.kind.value);
                EXPECT_TRUE(real->exists(moved ? moved->to.path() : trashed->trashURL.path())) << when;
                EXPECT_TRUE(!trashed || trash.recordsOrigin(trashed->trashURL.path(), trashed->original.path())) << when;
            }
            if (!crashed) break;
        }
    }
}
