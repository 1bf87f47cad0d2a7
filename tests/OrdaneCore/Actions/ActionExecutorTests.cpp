#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ActionWorkspace.hpp"

using namespace ordane;
using namespace ordane::testing;
using Operation = FaultInjectingFileSystem::Operation;
using State = PlannedAction::State;

namespace {

std::optional<URL> resultURL(const PlannedAction& action) {
    if (const auto* done = std::get_if<State::Done>(&action.state.value)) return done->resultURL;
    return std::nullopt;
}

}  // namespace

// Moves run before trashes. A run stopped before its third action keeps its plan in the journal; running that plan
// again passes over what is no longer pending, but counts it.
TEST(ActionExecutor, MovesRunFirstThenTrashesAndAStoppedRunIsFinishedFromTheJournal) {
    ActionWorkspace w;
    for (std::string name : {"A.txt", "B.txt", "C.txt", "D.txt", "E.txt"}) writeFile(w.dir / ("in/" + name), name);
    ActionPlan plan = ActionWorkspace::plan({w.trashing("in/A.txt"), w.move("in/B.txt", "out/B.txt"), w.trashing("in/C.txt"),
                                             w.move("in/D.txt", "out/D.txt"), w.trashing("in/E.txt")});
    plan.actions[1].recognitionKind = "invoice";
    plan.actions[4].state = State::skipped("Changed since the scan.");

    std::vector<std::pair<UUID, int>> calls;
    bool stop = true;
    auto progress = [&](const PlannedAction& action, int position, int total) {
        EXPECT_TRUE(action.state.isPending());
        EXPECT_EQ(total, 5);
        calls.emplace_back(action.id, position);
        // The journal holds the plan as of the last finished action.
        EXPECT_EQ(w.journal.loadAll().at(0).pendingActions().size(), size_t(5 - position));
        // Both moves are done before the first trash starts.
        EXPECT_TRUE(position != 3 || (w.fs->exists(w.dir / "out/D.txt") && w.fs->exists(w.dir / "in/A.txt")));
        if (position == 3 && std::exchange(stop, false)) throw SimulatedCrash{};
    };
    EXPECT_THROW(w.executor.execute(plan, w.journal, w.activity, progress), SimulatedCrash);
    ASSERT_EQ(w.journal.loadAll().size(), 1u);
    ActionPlan result = w.executor.execute(w.journal.loadAll()[0], w.journal, w.activity, progress);

    const auto& a = plan.actions;
    EXPECT_EQ(calls, (std::vector<std::pair<UUID, int>>{{a[1].id, 1}, {a[3].id, 2}, {a[0].id, 3}, {a[0].id, 3}, {a[2].id, 4}}));
    EXPECT_EQ(resultURL(result.actions[1]), w.url("out/B.txt"));
    EXPECT_EQ(resultURL(result.actions[0]), URL::fileURL(w.trashDirectory + "/files/A.txt"));
    EXPECT_EQ(readFile(w.trashDirectory + "/files/C.txt"), "C.txt");
    EXPECT_EQ(readFile(w.dir / "out/D.txt"), "D.txt");
    EXPECT_EQ(result.actions[4], a[4]);
    EXPECT_TRUE(w.fs->listDirectory(w.dir / "support/journal").empty());

    // The file keeps the order of the run.
    w.activity.save();
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
    atEveryCrashPoint([](const CrashPoint& point) {
        ActionWorkspace w;
        writeFile(w.dir / "a.txt", "alpha");
        writeFile(w.dir / "b/inner.txt", "beta");
        writeFile(w.dir / "c.txt", "gamma");
        writeFile(w.dir / "d.txt", "delta");
        std::vector<PlannedAction> actions = {w.trashing("a.txt"), w.move("b", "moved/b"), w.trashing("c.txt"),
                                              w.move("d.txt", "moved/d.txt")};
        w.fs->fail(Operation::moveNoReplace, "/b ->", EXDEV);  // the folder is copied
        point.arm(*w.fs);
        bool crashed = crashes([&] { w.run(actions); });
        auto real = platform::FileSystem::real();
        auto whole = [&](const std::string& here, const std::string& there, const std::string& contents) {
            return (real->exists(here) && readFile(here) == contents) || (real->exists(there) && readFile(there) == contents);
        };
        EXPECT_TRUE(whole(w.dir / "a.txt", w.trashDirectory + "/files/a.txt", "alpha")) << point.when();
        EXPECT_TRUE(whole(w.dir / "b/inner.txt", w.dir / "moved/b/inner.txt", "beta")) << point.when();
        EXPECT_TRUE(whole(w.dir / "c.txt", w.trashDirectory + "/files/c.txt", "gamma")) << point.when();
        EXPECT_TRUE(whole(w.dir / "d.txt", w.dir / "moved/d.txt", "delta")) << point.when();
        // What the journal and the activity list call done is done.
        platform::Trash trash{real, w.trashDirectory, 1234};
        for (const ActionPlan& journalled : ActionJournal{w.journal.directory, real}.loadAll()) {
            for (const PlannedAction& action : journalled.actions) {
                auto url = resultURL(action);
                EXPECT_TRUE(!url || real->exists(url->path())) << point.when();
            }
        }
        for (const ActivityEntry& entry : ActivityStore{w.activity.fileURL(), real}.allEntries()) {
            const auto* moved = std::get_if<ActivityEntry::Kind::Moved>(&entry.kind.value);
            const auto* trashed = std::get_if<ActivityEntry::Kind::Trashed>(&entry.kind.value);
            EXPECT_TRUE(real->exists(moved ? moved->to.path() : trashed->trashURL.path())) << point.when();
            EXPECT_TRUE(!trashed || trash.recordsOrigin(trashed->trashURL.path(), trashed->original.path())) << point.when();
        }
        return crashed;
    });
}
