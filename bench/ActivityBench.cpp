// What recording a change in the activity list costs as the list grows, against rewriting the
// whole list for each change; then a plan of moves and moves to the Trash carried out and undone
// on top of a long history, with the pace of its first and last items. Everything is checked
// against what was recorded before any figure is printed.
//
//   ActivityBench [history [planItems]]   (default: 10000 1500)
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "OrdaneCore/Actions/ActionExecutor.hpp"
#include "OrdaneCore/Actions/ActionJournal.hpp"
#include "OrdaneCore/Actions/ActivityStore.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/Trash/Trash.hpp"

using namespace ordane;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto sum = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return sum(usage.ru_utime) + sum(usage.ru_stime);
}

ActivityEntry entryNumber(size_t n) {
    std::string name = "/home/user/Documents/Letters " + std::to_string(n % 50) + "/letter-" + std::to_string(n) + ".pdf";
    return ActivityEntry{UUID::random(), Date{700'000'000.0 + static_cast<double>(n)},
                         ActivityEntry::Kind::moved(URL::fileURL(name), URL::fileURL("/home/user/Documents/Filed/letter-" +
                                                                                     std::to_string(n) + ".pdf")),
                         static_cast<int64_t>(1000 + n), true, std::nullopt, std::string("letter")};
}

void require(bool condition, const std::string& what) {
    if (!condition) throw std::runtime_error(what);
}

// Milliseconds per change for `count` appends, each followed by a whole save when `rewrite` (what
// every append cost before the log).
double appendMilliseconds(ActivityStore& store, std::vector<ActivityEntry>& expected, size_t count, bool rewrite) {
    auto start = Clock::now();
    for (size_t k = 0; k < count; ++k) {
        expected.push_back(entryNumber(expected.size()));
        store.append(expected.back());
        if (rewrite) store.save();
    }
    return secondsSince(start) * 1000 / static_cast<double>(count);
}

void recordingCost(const std::string& folder, size_t history) {
    const size_t sample = 200;
    for (bool rewrite : {false, true}) {
        const std::string file = folder + (rewrite ? "/rewrite" : "/log") + "/activity.json";
        std::vector<ActivityEntry> expected;
        double first = 0;
        double later = 0;
        {
            ActivityStore store(URL::fileURL(file));
            first = appendMilliseconds(store, expected, sample, rewrite);
            // The history in between, recorded the same way but without the whole saves.
            appendMilliseconds(store, expected, history - sample, false);
            later = appendMilliseconds(store, expected, rewrite ? sample / 4 : sample, rewrite);
        }
        std::vector<ActivityEntry> reloaded = ActivityStore(URL::fileURL(file)).allEntries();
        std::reverse(reloaded.begin(), reloaded.end());
        require(reloaded == expected, "the activity list does not load as it was recorded (" +
                                          std::to_string(reloaded.size()) + " entries of " + std::to_string(expected.size()) + ")");
        std::printf("  %-28s first %zu: %.3f ms a change; at %zu entries: %.3f ms a change (%.2fx the first)\n",
                    rewrite ? "whole list for each change" : "logged, folded at times", sample, first,
                    history, later, later / first);
    }
}

// Small files in `count` folders' worth of names: half to be moved, half to be put in the Trash.
std::vector<PlannedAction> planIn(const std::string& home, size_t count, platform::FileSystem& fs) {
    std::vector<PlannedAction> actions;
    for (size_t k = 0; k < count; ++k) {
        std::string folder = home + "/Downloads/batch" + std::to_string(k / 100);
        fs.createDirectories(folder);
        std::string path = folder + "/item" + std::to_string(k) + ".txt";
        fs.writeFileAtomically(path, "item " + std::to_string(k));
        platform::FileStatus status = fs.linkStatus(path);
        URL url = URL::fileURL(path);
        auto kind = k % 2 == 0 ? PlannedAction::Kind::move(url, URL::fileURL(home + "/Documents/Filed/item" +
                                                                             std::to_string(k) + ".txt"))
                               : PlannedAction::Kind::trash(url);
        actions.push_back(PlannedAction{UUID::random(), std::move(kind), status.size, status.size,
                                        Date::fromUnix(status.modified), std::nullopt, std::nullopt,
                                        PlannedAction::State::pending()});
    }
    return actions;
}

void planAndUndo(const std::string& folder, size_t history, size_t count) {
    auto fs = platform::FileSystem::real();
    const std::string home = folder + "/home";
    const std::string support = folder + "/support";
    {
        // A long history first, as on a home tidied many times.
        ActivityStore store(URL::fileURL(support + "/activity.json"));
        std::vector<ActivityEntry> earlier;
        appendMilliseconds(store, earlier, history, false);
    }
    ActivityStore activity(URL::fileURL(support + "/activity.json"));
    ActionJournal journal{URL::fileURL(support + "/journal", true)};
    ActionExecutor executor(fs, platform::Trash(fs, home + "/.local/share/Trash", ::getuid()));
    ActionPlan plan{UUID::random(), Date::now(), planIn(home, count, *fs)};

    auto start = Clock::now();
    double cpu = cpuSeconds();
    ActionPlan done = executor.execute(plan, journal, activity);
    const double executeSeconds = secondsSince(start);
    const double executeCPU = cpuSeconds() - cpu;
    for (const PlannedAction& action : done.actions) {
        require(std::holds_alternative<PlannedAction::State::Done>(action.state.value), "an action of the plan failed");
    }

    // Each undo as the application makes it: the stored entry, the reversal, the list to show.
    std::vector<ActivityEntry> recorded = activity.allEntries();
    recorded.resize(count);
    std::vector<double> paces;
    start = Clock::now();
    cpu = cpuSeconds();
    auto lap = start;
    for (size_t k = 0; k < recorded.size(); ++k) {
        std::optional<ActivityEntry> stored = activity.entry(recorded[k].id);
        require(stored.has_value(), "a recorded entry is missing");
        auto result = std::holds_alternative<ActivityEntry::Kind::Trashed>(stored->kind.value)
                          ? executor.restoreFromTrash(*stored, activity)
                          : executor.undo(*stored, activity);
        require(result.isDone(), "an undo failed: " + result.message());
        (void)activity.allEntries();
        if ((k + 1) % 100 == 0) {
            paces.push_back(100 / secondsSince(lap));
            lap = Clock::now();
        }
    }
    const double undoSeconds = secondsSince(start);
    const double undoCPU = cpuSeconds() - cpu;
    for (size_t k = 0; k < count; ++k) {
        std::string path = home + "/Downloads/batch" + std::to_string(k / 100) + "/item" + std::to_string(k) + ".txt";
        require(fs->readFile(path) == "item " + std::to_string(k), "an item is not back where it was: " + path);
    }
    require(activity.allEntries().size() == history + 2 * count, "the activity list lacks entries");

    std::printf("  plan of %zu items on %zu entries of history: %.2f s (%.2f s CPU); undoing all of it: %.2f s (%.2f s CPU)\n",
                count, history, executeSeconds, executeCPU, undoSeconds, undoCPU);
    if (paces.size() >= 2) {
        std::printf("  undo pace: first 100 items %.0f a second, last 100 %.0f a second (%.2fx)\n", paces.front(),
                    paces.back(), paces.back() / paces.front());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const size_t history = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10'000;
    const size_t planItems = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1'500;
    std::string folder = (std::filesystem::temp_directory_path() / ("ordane-activity-bench-" + std::to_string(::getpid()))).string();
    int status = 0;
    try {
        std::printf("recording a change (files in %s)\n", folder.c_str());
        recordingCost(folder, history);
        planAndUndo(folder, history, planItems);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ActivityBench: %s\n", error.what());
        status = 1;
    }
    std::filesystem::remove_all(folder);
    return status;
}
