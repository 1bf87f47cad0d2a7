#include "Ordane/Snapshot/DebugSnapshots.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QLayout>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "Ordane/App/AppState.hpp"
#include "Ordane/App/HomeFolder.hpp"
#include "Ordane/App/RootView.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "OrdaneCore/Foundation/EnumCases.hpp"

namespace ordane {

namespace {

ScanProgress sampleProgress() {
    ScanProgress progress;
    progress.filesSeen = 12413;
    progress.bytesSeen = 48211002311;
    progress.currentFolder = "Downloads";
    progress.phase = ScanProgress::Walking{};
    return progress;
}

// Brings every layout up to date with its widgets, innermost first. A layout caches the sizes of
// the widgets in it; rows added to a list whose layout never ran do not tell the layouts above
// them, and Qt passes the news up one level per turn of the event loop. Done here in one pass, the
// screen's size hint counts everything it holds.
void settleLayouts(QWidget& widget) {
    for (QObject* child : widget.children()) {
        auto* inner = qobject_cast<QWidget*>(child);
        if (inner && !inner->isWindow() && !inner->isHidden()) settleLayouts(*inner);
    }
    if (QLayout* layout = widget.layout()) {
        layout->invalidate();
        layout->activate();
    }
    widget.updateGeometry();
}

}  // namespace

bool DebugSnapshots::requested() { return std::getenv(folderVariable) != nullptr; }

std::optional<DebugSnapshots::Options> DebugSnapshots::fromEnvironment() {
    const char* folder = std::getenv(folderVariable);
    if (!folder) return std::nullopt;
    Options options;
    options.folder = QString::fromLocal8Bit(folder);
    options.images = std::getenv("ORDANE_NO_IMAGES") == nullptr;
    options.debugFolders = std::getenv("ORDANE_E2E_DEBUG") != nullptr;
    return options;
}

int DebugSnapshots::run(const std::optional<Options>& options, std::ostream& out) {
    if (!options) return 1;
    if (!options->folder.isEmpty()) QDir().mkpath(options->folder);  // a failure shows as missing images
    AppState state;
    DebugSnapshots run(*options, out, state);
    return run.script();
}

std::optional<QSize> DebugSnapshots::renderPng(QWidget& screen, const QString& folder, const QString& name) {
    screen.setAttribute(Qt::WA_DontShowOnScreen);
    screen.show();
    QCoreApplication::processEvents();  // the screen's first refresh is queued
    // Widgets that refresh added to a visible layout are shown by a queued call; let it run before sizing.
    QCoreApplication::processEvents();
    settleLayouts(screen);
    screen.adjustSize();
    screen.resize(screen.sizeHint().expandedTo(screen.minimumSizeHint()));
    settleLayouts(screen);
    if (screen.size().isEmpty()) return std::nullopt;
    QImage image(screen.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    image.fill(retro::desktop);
    screen.render(&image);
    if (!image.save(QDir(folder).filePath(name + QStringLiteral(".png")), "PNG")) return std::nullopt;
    return image.size();
}

void DebugSnapshots::render(const ScreenChoice& choice, const QString& name) {
    if (!options_.images) return;
    std::unique_ptr<QWidget> screen(makeScreen(choice, state_));
    if (!screen) return;  // a screen this build does not have yet
    renderPng(*screen, options_.folder, name);
}

void DebugSnapshots::print(const std::string& line) {
    out_ << line << '\n';
    out_.flush();
}

void DebugSnapshots::waitUntil(const std::function<bool()>& condition) {
    while (!condition()) {
        QEventLoop loop;
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

int DebugSnapshots::script() {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    using Kind = ScreenChoice::Kind;
    render(ScreenChoice::of(Kind::welcome), QStringLiteral("01-welcome"));

    state_.setStage(AppState::Stage::scanning);
    state_.setProgress(sampleProgress());
    render(ScreenChoice::of(Kind::scanning), QStringLiteral("02-scanning"));

    state_.startScan();
    waitUntil([this] { return state_.stage() != AppState::Stage::scanning; });
    if (!state_.analysis()) {
        std::cerr << "The scan produced no analysis: nothing more to show.\n";
        return 0;
    }
    const AnalysisResult& analysis = *state_.analysis();
    render(ScreenChoice::of(Kind::dashboard), QStringLiteral("03-dashboard"));
    for (const Finding& finding : analysis.findings) {
        if (finding.category == FindingCategory::duplicates) continue;
        render({Kind::category, finding.category}, QStringLiteral("04-category"));
        break;
    }
    if (!analysis.exactGroups.empty()) render(ScreenChoice::of(Kind::duplicates), QStringLiteral("05-duplicates"));
    if (analysis.organization && !analysis.organization->folders.empty()) {
        state_.setRoute(AppState::Route::of(AppState::Route::Kind::organize));
        render(ScreenChoice::of(Kind::organize), QStringLiteral("04b-organize"));
    }

    // Moving and trashing files runs only against a substitute home, never the real one.
    std::optional<URL> home = AppState::homeOverride();
    if (!home) return 0;
    if (HomeFolder::isRealHome(*home)) {
        print("E2E: not run: " + std::string(HomeFolder::overrideVariable) + " (" + home->path() +
              ") is the real home folder, and this run moves files");
        return 0;
    }
    endToEnd();
    return 0;
}

void DebugSnapshots::endToEnd() {
    using Kind = ScreenChoice::Kind;
    // A copy: approving does not change the analysis, but the loop must not depend on it.
    const std::vector<Finding> findings = state_.analysis()->findings;
    for (const Finding& finding : findings) {
        if (finding.recommendation == Recommendation::organize ||
            finding.recommendation == Recommendation::probablySafeToRemove) {
            state_.setApproved(finding, true);
        }
    }
    print("E2E: approved " +
          std::to_string(state_.approvedForTrash().size() + state_.approvedForMove().size()) + " items");
    if (options_.debugFolders && state_.analysis()->organization) {
        for (const ProposedFolder& folder : state_.analysis()->organization->folders) {
            print("E2E-DBG folder: " + folder.displayPath + " src=" + std::string(rawValue(folder.source)) +
                  " n=" + std::to_string(folder.members.size()) + " new=" + (folder.isNew ? "true" : "false"));
        }
    }

    state_.setRoute(AppState::Route::of(AppState::Route::Kind::confirm));
    render(ScreenChoice::of(Kind::confirm), QStringLiteral("06-confirm"));
    state_.execute(state_.buildPlan());
    waitUntil([this] { return state_.execution() && !state_.execution()->isRunning(); });
    const ActionPlan& plan = std::get<AppState::Execution::Finished>(state_.execution()->value).plan;
    size_t done = 0;
    for (const PlannedAction& action : plan.actions) {
        if (std::holds_alternative<PlannedAction::State::Done>(action.state.value)) ++done;
    }
    print("E2E: executed " + std::to_string(plan.actions.size()) + " actions, " + std::to_string(done) + " done");
    render(ScreenChoice::of(Kind::confirm), QStringLiteral("07-finished"));

    state_.setExecution(std::nullopt);
    state_.setRoute(AppState::Route::of(AppState::Route::Kind::activity));
    state_.setActivityEntries(state_.activityStore().allEntries());
    render(ScreenChoice::of(Kind::activity), QStringLiteral("08-activity"));

    const int undone = undoEveryUndoable(state_);
    print("E2E: undid " + std::to_string(undone) + " entries");
}

int DebugSnapshots::undoEveryUndoable(AppState& state) {
    int undone = 0;
    const std::vector<ActivityEntry> entries = state.activityEntries();
    for (const ActivityEntry& entry : entries) {
        if (!entry.undoable) continue;
        // Awaited: the loop ends with the answer, not at the next look at the clock.
        QEventLoop answered;
        bool finished = false;
        state.undo(entry, nullptr, [&](const ActionExecutor::ReversalResult&) {
            finished = true;
            answered.quit();
        });
        if (!finished) answered.exec();
        ++undone;
    }
    return undone;
}

}  // namespace ordane
