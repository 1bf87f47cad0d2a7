// Taking a whole plan back at the scale of a real home. A generated home of loose files gets a plan
// of moves and moves to the Trash, carried out by the application state as the window does; then
// all of it is undone through the activity screen's "Undo Everything From Today" (offscreen, the
// screen shown), carried out again and undone through the scripted snapshot run's undo, twice (the
// second time the list also holds the first rounds' records). Each undo is printed against the
// executor's own time for the same plan, with the longest stretch the window's event loop went
// without a turn. Every file is checked back with its content, date and mode before any figure is
// printed. Last, the activity screen is drawn as the snapshot run draws it, and the peak memory of
// that drawing is printed for the list after the first and after the second round.
//
//   UndoBench [items] [--png DIR]   (default 1500; --png keeps the activity images in DIR)

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Ordane/App/AppState.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/Look.hpp"
#include "Ordane/Screens/ActivityScreen.hpp"
#include "Ordane/Snapshot/DebugSnapshots.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

using namespace ordane;

namespace {

namespace fs = std::filesystem;

void require(bool condition, const std::string& what) {
    if (!condition) throw std::runtime_error(what);
}

// One loose file of the home as it was written: where, what, when and with which mode.
struct Item {
    std::string path;
    std::string content;
    int64_t modified = 0;
    mode_t mode = 0644;
};

// Loose files in Downloads, Desktop and Pictures, a hundred to a folder, of a few kinds and modes.
std::vector<Item> writeHome(const std::string& home, size_t count) {
    const char* folders[] = {"Downloads", "Desktop", "Pictures"};
    const char* kinds[] = {".pdf", ".txt", ".png", ".zip", ".deb"};
    const mode_t modes[] = {0644, 0600, 0755, 0640};
    std::vector<Item> items;
    for (size_t k = 0; k < count; ++k) {
        Item item;
        std::string folder = home + "/" + folders[k % 3] + "/batch " + std::to_string(k / 100);
        fs::create_directories(folder);
        item.path = folder + "/item " + std::to_string(k) + kinds[k % 5];
        item.content = "item " + std::to_string(k) + std::string(k % 700, char('a' + k % 26));
        item.modified = 1'600'000'000 + int64_t(k) * 3571;
        item.mode = modes[k % 4];
        std::ofstream(item.path, std::ios::binary) << item.content;
        ::chmod(item.path.c_str(), item.mode);
        const timeval times[2] = {{item.modified, 0}, {item.modified, 0}};
        ::utimes(item.path.c_str(), times);
        items.push_back(std::move(item));
    }
    return items;
}

// Every other item filed into Documents, the rest put in the Trash, as approved findings become.
ActionPlan planFor(const std::string& home, const std::vector<Item>& items) {
    auto fileSystem = platform::FileSystem::real();
    ActionPlan plan{UUID::random(), Date::now(), {}};
    for (size_t k = 0; k < items.size(); ++k) {
        const Item& item = items[k];
        const URL url = URL::fileURL(item.path);
        platform::FileStatus status = fileSystem->linkStatus(item.path);
        auto kind = k % 2 == 0 ? PlannedAction::Kind::move(url, URL::fileURL(home + "/Documents/Filed " +
                                                                             std::to_string(k % 7) + "/" +
                                                                             url.lastPathComponent()))
                               : PlannedAction::Kind::trash(url);
        plan.actions.push_back(PlannedAction{UUID::random(), std::move(kind), status.size, status.size,
                                             Date::fromUnix(status.modified), std::nullopt, std::nullopt,
                                             PlannedAction::State::pending()});
    }
    return plan;
}

void requireAllBack(const std::vector<Item>& items) {
    for (const Item& item : items) {
        std::ifstream in(item.path, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        struct stat status {};
        require(in && ::stat(item.path.c_str(), &status) == 0, "not back: " + item.path);
        require(content.str() == item.content, "changed content: " + item.path);
        require(status.st_mtim.tv_sec == item.modified, "changed date: " + item.path);
        require((status.st_mode & 07777) == item.mode, "changed mode: " + item.path);
    }
}

double secondsOf(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e9; }

// The longest time the event loop went without running a 10 ms timer, while it is watched.
class LoopWatch {
public:
    LoopWatch() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, since_.restart());
        });
    }
    void start() {
        longest_ = 0;
        since_.start();
        timer_.start();
    }
    qint64 stop() {
        timer_.stop();
        return std::max(longest_, since_.elapsed());
    }

private:
    QTimer timer_;
    QElapsedTimer since_;
    qint64 longest_ = 0;
};

// Every change the workers make reaches the main thread as an event: sleep until the next one.
void runUntil(const std::function<bool()>& done) {
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Carries the plan out as the window's confirmation does; the seconds it took.
double execute(AppState& state, const ActionPlan& plan) {
    QElapsedTimer timer;
    timer.start();
    state.execute(plan);
    runUntil([&] { return state.execution() && !state.execution()->isRunning(); });
    const double seconds = secondsOf(timer);
    const auto& finished = std::get<AppState::Execution::Finished>(state.execution()->value).plan;
    for (const PlannedAction& action : finished.actions) {
        require(std::holds_alternative<PlannedAction::State::Done>(action.state.value), "an action was not done");
    }
    state.setExecution(std::nullopt);
    return seconds;
}

// "Undo Everything From Today" pressed on the shown activity screen, until its notice is up.
double undoThroughWindow(AppState& state, qint64& longestStall) {
    ActivityScreen screen(state);
    screen.setAttribute(Qt::WA_DontShowOnScreen);
    screen.resize(900, 800);
    screen.show();
    runUntil([&] { return !state.hasBackgroundWork(); });
    QCoreApplication::processEvents();
    auto* undoAll = screen.findChild<retro::BevelButton*>(QStringLiteral("undoAllButton"));
    require(undoAll && undoAll->isVisibleTo(&screen), "no undo-all button");
    LoopWatch watch;
    QElapsedTimer timer;
    watch.start();
    timer.start();
    undoAll->click();
    runUntil([&] { return !screen.reversing(); });
    const double seconds = secondsOf(timer);
    longestStall = watch.stop();
    require(screen.notice() && screen.notice()->startsWith(QStringLiteral("Done. ")), "no summary after the undo");
    return seconds;
}

// The peak memory, in MB, of drawing the activity screen as the snapshot run draws "08-activity".
double drawActivity(AppState& state, const QString& folder, const QString& name, QSize& size) {
    qputenv("ORDANE_SNAPSHOT_DIR", folder.toLocal8Bit());
    fs::create_directories(folder.toStdString());
    std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak to the current size
    {
        ActivityScreen screen(state);
        size = DebugSnapshots::renderPng(screen, folder, name).value_or(QSize());
    }
    qunsetenv("ORDANE_SNAPSHOT_DIR");
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    size_t count = 1500;
    QString pngFolder;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--png" && i + 1 < argc) {
            pngFolder = QString::fromLocal8Bit(argv[++i]);
        } else {
            count = std::strtoull(argv[i], nullptr, 10);
        }
    }
    const fs::path root = fs::temp_directory_path() / ("ordane-undo-bench-" + std::to_string(::getpid()));
    const std::string home = (root / "home").string();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("ORDANE_HOME", home.c_str(), 1);
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("ORDANE_SNAPSHOT_DIR");
    QApplication application(argc, argv);
    retro::installRetroLook();
    int status = 0;
    try {
        std::printf("%zu loose files in %s\n", count, home.c_str());
        const std::vector<Item> items = writeHome(home, count);
        AppState state;
        runUntil([&] { return state.activityLoaded(); });

        const double executed = execute(state, planFor(home, items));
        qint64 stall = 0;
        const double window = undoThroughWindow(state, stall);
        requireAllBack(items);
        std::printf("  carried out: %6.2f s\n", executed);
        std::printf("  undo all from the activity screen: %6.2f s (%.2fx the execution; longest stall of the window %lld ms)\n",
                    window, window / executed, static_cast<long long>(stall));

        const QString folder = pngFolder.isEmpty() ? QString::fromStdString((root / "images").string()) : pngFolder;
        QSize firstSize;
        QSize secondSize;
        double firstPeak = 0;
        size_t firstEntries = 0;
        for (int round = 1; round <= 2; ++round) {
            const double again = execute(state, planFor(home, items));
            if (round == 1) {
                firstEntries = state.activityEntries().size();
                firstPeak = drawActivity(state, folder, QStringLiteral("activity-first"), firstSize);
            }
            const size_t undoable = std::count_if(state.activityEntries().begin(), state.activityEntries().end(),
                                                  [](const ActivityEntry& entry) { return entry.undoable; });
            QElapsedTimer timer;
            timer.start();
            const int undid = DebugSnapshots::undoEveryUndoable(state);
            const double seconds = secondsOf(timer);
            requireAllBack(items);
            require(size_t(undid) == undoable, "the snapshot undo counted " + std::to_string(undid) + " of " +
                                                   std::to_string(undoable) + " entries");
            std::printf("  snapshot run, round %d: carried out %6.2f s; undid %d entries in %6.2f s (%.2fx the execution)\n",
                        round, again, undid, seconds, seconds / again);
        }
        QElapsedTimer reading;
        reading.start();
        for (int i = 0; i < 20; ++i) (void)state.activityStore().allEntries();
        std::printf("  reading the list back, as after each undo (%zu entries): %.2f ms\n", state.activityEntries().size(),
                    secondsOf(reading) * 1000 / 20);
        const double secondPeak = drawActivity(state, folder, QStringLiteral("activity-second"), secondSize);
        std::printf("  drawing the activity list as the snapshot run does: %zu entries %dx%d px, peak %.0f MB; "
                    "%zu entries %dx%d px, peak %.0f MB (%.2fx)\n",
                    firstEntries, firstSize.width(), firstSize.height(), firstPeak, state.activityEntries().size(),
                    secondSize.width(), secondSize.height(), secondPeak, secondPeak / firstPeak);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "UndoBench: %s\n", error.what());
        status = 1;
    }
    fs::remove_all(root);
    return status;
}
