// The windowed interface over a scan result of 100,000 findings (built in memory, no files): the time
// to show the dashboard, to open the largest category, to show its next page of rows, to check one
// row, and to check 1,000 rows at once with "Check All the Safe Ones". Each interaction runs until the
// main window has handled every event it caused and painted itself. Target: under 100 ms each.
//
//   InterfaceBench            offscreen, unless QT_QPA_PLATFORM says otherwise

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "Ordane/App/AppState.hpp"
#include "Ordane/App/RootView.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/CheckBox.hpp"
#include "Ordane/Retro/FileRow.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Look.hpp"
#include "Ordane/Screens/CategoryScreen.hpp"
#include "Ordane/Screens/DashboardScreen.hpp"

using namespace ordane;

namespace {

constexpr int findingCount = 100'000;
constexpr int safeCount = 1'000;
constexpr FindingCategory largest = FindingCategory::oldFiles;
constexpr int largestCount = 60'000;

// 60,000 old files (every 60th probably safe to remove), then big files, downloads and screenshots.
AnalysisResult makeAnalysis(ScanSummary& summary) {
    AnalysisResult analysis;
    analysis.findings.reserve(findingCount);
    summary.totalFiles = findingCount;
    for (int i = 0; i < findingCount; ++i) {
        FindingCategory category = largest;
        if (i >= largestCount) {
            category = i < 80'000 ? FindingCategory::biggestFiles
                                  : i < 90'000 ? FindingCategory::downloadsCleanup : FindingCategory::screenshots;
        }
        const bool safe = category == largest && i % (largestCount / safeCount) == 0;
        Finding finding;
        finding.id = UUID::random();
        finding.record.setID(UUID::random());
        finding.record.url() = URL::fileURL("/home/someone/Documents/Folder " + std::to_string(i % 700) + "/a file named " +
                                          std::to_string(i) + (i % 3 ? ".pdf" : ".txt"));
        finding.record.setSize(1000 + int64_t(i) * 7919 % 9'000'000);
        finding.record.setAllocatedSize(finding.record.size());
        finding.record.setModified(Date::fromUnix(1'600'000'000 + double(i) * 97));
        finding.category = category;
        finding.recommendation = safe ? Recommendation::probablySafeToRemove : Recommendation::review;
        finding.reason = "Not opened in a long while.";
        summary.totalBytes += finding.record.size();
        summary.byType[finding.record.typeBucket()].add(finding.record);
        analysis.findings.push_back(std::move(finding));
    }
    return analysis;
}

// The main window on a state over a home of its own, with the scan result ready to hand over.
struct Interface {
    Interface() {
        qputenv("ORDANE_HOME", home.path().toLocal8Bit());
        AppState::Dependencies dependencies;
        dependencies.volumes = [] { return std::vector<platform::ExternalVolume>{}; };
        state = std::make_unique<AppState>(std::move(dependencies));
        root = std::make_unique<RootView>(*state);
        root->resize(1200, 900);
        root->show();
        analysis = makeAnalysis(summary);
    }

    // Runs the event loop until `done` holds and what the change posted has run, then paints.
    void finish(const std::function<bool()>& done) const {
        while (!done()) QCoreApplication::processEvents();
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
        root->repaint();
    }
    template <class T>
    T* screen() const {
        return qobject_cast<T*>(root->currentScreen());
    }

    // As a finished scan hands its result over.
    void showDashboard(AnalysisResult result) {
        state->setSummary(summary);
        state->setAnalysis(std::move(result));
        state->setStage(AppState::Stage::dashboard);
        state->setRoute(std::nullopt);
        finish([this] { return screen<DashboardScreen>() != nullptr; });
    }
    // Back on the dashboard with nothing checked.
    void backToDashboard() {
        state->setApprovedForTrash({});
        state->setRoute(std::nullopt);
        finish([this] { return screen<DashboardScreen>() != nullptr; });
    }
    // From the dashboard, opens the largest category through its card's button.
    void openLargest() {
        const QString totals = QString::number(largestCount / 1000) + QStringLiteral(",000 items");
        for (auto* label : root->currentScreen()->findChildren<retro::Label*>(QStringLiteral("cardTotals"))) {
            if (!label->text().startsWith(totals)) continue;
            for (auto* button : label->parentWidget()->findChildren<retro::BevelButton*>()) button->click();
        }
        finish([this] { return screen<CategoryScreen>() != nullptr; });
    }
    // The largest category on its first page with nothing checked.
    CategoryScreen& reopenLargest() {
        backToDashboard();
        openLargest();
        return *screen<CategoryScreen>();
    }

    QTemporaryDir home;
    std::unique_ptr<AppState> state;
    std::unique_ptr<RootView> root;
    ScanSummary summary;
    AnalysisResult analysis;
};

std::unique_ptr<Interface> ui;

void ShowDashboard(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ui->state->setStage(AppState::Stage::welcome);
        ui->state->setAnalysis(std::nullopt);
        ui->finish([] { return ui->screen<DashboardScreen>() == nullptr; });
        AnalysisResult copy = ui->analysis;
        state.ResumeTiming();
        ui->showDashboard(std::move(copy));
    }
}
BENCHMARK(ShowDashboard)->Unit(benchmark::kMillisecond)->Iterations(10);

void OpenCategory(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ui->backToDashboard();
        state.ResumeTiming();
        ui->openLargest();
    }
    state.SetLabel("60,000 findings");
}
BENCHMARK(OpenCategory)->Unit(benchmark::kMillisecond)->Iterations(10);

void NextPage(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto* list = &ui->reopenLargest();
        // The pages before the one measured: up to `range(0)` rows already shown.
        while (int(list->rows().size()) < state.range(0)) {
            const size_t shown = list->rows().size();
            list->findChild<retro::BevelButton*>(QStringLiteral("moreButton"))->click();
            ui->finish([&] { return list->rows().size() > shown; });
        }
        const int before = int(list->rows().size());
        state.ResumeTiming();
        list->findChild<retro::BevelButton*>(QStringLiteral("moreButton"))->click();
        ui->finish([&] { return int(list->rows().size()) > before; });
    }
    state.SetLabel("rows shown before: " + std::to_string(state.range(0)));
}
BENCHMARK(NextPage)->Arg(CategoryScreen::firstPage)->Arg(1'100)->Unit(benchmark::kMillisecond)->Iterations(5);

void CheckOneRow(benchmark::State& state) {
    auto rows = ui->reopenLargest().rows();
    size_t next = 0;
    for (auto _ : state) {
        retro::FileRow* row = rows[next++ % rows.size()];
        const bool checked = ui->state->isApproved(row->finding());
        row->findChild<retro::CheckBox*>()->click();
        ui->finish([&] { return ui->state->isApproved(row->finding()) != checked; });
    }
}
BENCHMARK(CheckOneRow)->Unit(benchmark::kMillisecond)->Iterations(50);

void CheckAllSafe(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        CategoryScreen& list = ui->reopenLargest();
        state.ResumeTiming();
        list.findChild<retro::BevelButton*>(QStringLiteral("checkSafeButton"))->click();
        ui->finish([] { return ui->state->approvedForTrash().size() == size_t(safeCount); });
    }
    state.SetLabel("1,000 rows");
}
BENCHMARK(CheckAllSafe)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    retro::installRetroLook();
    benchmark::Initialize(&argc, argv);
    ui = std::make_unique<Interface>();
    ui->showDashboard(ui->analysis);
    std::printf("Interface over %d findings; target: every interaction under 100 ms\n", findingCount);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ui.reset();
    return 0;
}
