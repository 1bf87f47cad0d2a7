// Times the whole scan road of the application state (walk, document reading, duplicate search and
// filing plan) over a generated home, first with an empty analysis cache and then with a warm one,
// and each phase next to a peer tool on the same tree: find for the walk, pdftotext over the PDFs
// for the reading, jdupes -r for the duplicates (each when installed). Prints the ratio of our road
// to the sum of theirs.
//
//   ScanRoadBench            builds the home in a new temporary folder and removes it after
//   ScanRoadBench folder     builds the home in `folder` unless it is there already, and keeps it

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Ordane/App/AppState.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;

namespace {

constexpr int documentCount = 120;
constexpr int looseFileCount = 3000;
constexpr int copyCount = 200;

const char* const kinds[] = {"Invoice", "Bank statement", "Recipe", "Letter", "Tax return", "Boarding pass"};

// A home with PDFs and text documents to read, loose files of every kind, and copies to find.
std::vector<std::string> buildHome(const std::string& home) {
    const char* folders[] = {"Desktop", "Documents", "Downloads", "Videos", "Music", "Pictures"};
    for (const char* folder : folders) std::filesystem::create_directories(home + "/" + folder);
    std::vector<std::string> pdfs;
    for (int i = 0; i < documentCount; ++i) {
        std::string kind = kinds[i % 6];
        std::string folder = i % 3 == 0 ? "Downloads" : "Documents";
        std::string path = home + "/" + folder + "/" + kind + " " + std::to_string(2015 + i % 9) + "-" +
                           std::to_string(i) + ".pdf";
        testing::writeTextPdf(path, {{kind + " number " + std::to_string(i), "Acme Supplies Ltd, 12 High Street",
                                      "Date: 2023-0" + std::to_string(1 + i % 9) + "-14",
                                      "Total amount due: " + std::to_string(20 + i) + ".00 EUR",
                                      "Account number 123-" + std::to_string(1000 + i)}});
        pdfs.push_back(path);
    }
    const char* extensions[] = {"txt", "jpg", "mp3", "zip", "mov", "png", "md", "csv"};
    for (int i = 0; i < looseFileCount; ++i) {
        std::string folder = std::string(folders[i % 6]) + "/set" + std::to_string(i % 40);
        std::filesystem::create_directories(home + "/" + folder);
        testing::writeFile(home + "/" + folder + "/file" + std::to_string(i) + "." + extensions[i % 8],
                           std::string(static_cast<size_t>(200 + (i * 7919) % 30000), static_cast<char>('a' + i % 26)));
    }
    for (int i = 0; i < copyCount; ++i) {
        std::string contents(static_cast<size_t>(5000 + i * 13), static_cast<char>('A' + i % 26));
        contents += std::to_string(i);
        testing::writeFile(home + "/Documents/copies/original" + std::to_string(i) + ".bin", contents);
        testing::writeFile(home + "/Downloads/copy of original" + std::to_string(i) + ".bin", contents);
    }
    return pdfs;
}

double secondsOf(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool installed(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

void runShell(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

struct RoadTimes {
    double walk = 0;
    double reading = 0;
    double comparing = 0;  // the analyzer and the filing plan
    double total() const { return walk + reading + comparing; }
    size_t findings = 0;
    size_t folders = 0;
};

RoadTimes runRoad() {
    AppState state;
    RoadTimes times;
    QElapsedTimer clock;
    double readingStarted = -1;
    double comparingStarted = -1;
    QObject::connect(&state, &AppState::progressChanged, [&] {
        if (!state.progress()) return;
        const auto& phase = state.progress()->phase;
        if (readingStarted < 0 && std::holds_alternative<ScanProgress::ReadingDocuments>(phase)) {
            readingStarted = clock.nsecsElapsed() / 1e9;
        }
        if (comparingStarted < 0 && std::holds_alternative<ScanProgress::ComparingDuplicates>(phase)) {
            comparingStarted = clock.nsecsElapsed() / 1e9;
        }
    });
    clock.start();
    state.startScan();
    while (state.stage() == AppState::Stage::scanning) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const double end = clock.nsecsElapsed() / 1e9;
    if (state.stage() != AppState::Stage::dashboard || !state.analysis()) throw std::runtime_error("the scan failed");
    times.walk = readingStarted;
    times.reading = comparingStarted - readingStarted;
    times.comparing = end - comparingStarted;
    times.findings = state.analysis()->findings.size();
    times.folders = state.analysis()->organization ? state.analysis()->organization->folders.size() : 0;
    while (state.hasBackgroundWork()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return times;
}

void printRoad(const char* label, const RoadTimes& road) {
    std::printf("%-22s walk %.3f s, reading %.3f s, comparing and planning %.3f s, total %.3f s "
                "(%zu findings, %zu proposed folders)\n",
                label, road.walk, road.reading, road.comparing, road.total(), road.findings, road.folders);
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("OMP_THREAD_LIMIT", "1", 0);
    QCoreApplication app(argc, argv);
    std::string base;
    const bool keep = argc > 1;
    if (keep) {
        base = argv[1];
    } else {
        std::string pattern = (std::filesystem::temp_directory_path() / "ordane-roadbench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) return 1;
        base = pattern;
    }
    const std::string home = base + "/home";
    try {
        std::vector<std::string> pdfs;
        if (std::filesystem::exists(home)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(home)) {
                if (entry.path().extension() == ".pdf") pdfs.push_back(entry.path().string());
            }
        } else {
            double built = secondsOf([&] { pdfs = buildHome(home); });
            std::printf("home: %d loose files, %zu PDFs, %d copies at %s (built in %.1f s)\n", looseFileCount,
                        pdfs.size(), copyCount, home.c_str(), built);
        }
        ::setenv("ORDANE_HOME", home.c_str(), 1);
        const std::string cache = home + "/Library/Application Support/Ordane/analysis-cache.json";
        std::filesystem::remove(cache);
        runShell("find '" + home + "' -printf '%s\\n' >/dev/null");  // warm the page cache

        RoadTimes cold = runRoad();
        RoadTimes warm = runRoad();
        printRoad("road, empty cache:", cold);
        printRoad("road, warm cache:", warm);

        double peers = 0;
        double find = secondsOf([&] { runShell("find '" + home + "' -type f -printf '%s %p\\n' >/dev/null"); });
        std::printf("find:                  %.3f s\n", find);
        peers += find;
        if (installed("pdftotext")) {
            double reading = secondsOf([&] {
                for (const std::string& pdf : pdfs) runShell("pdftotext -l 3 '" + pdf + "' - >/dev/null");
            });
            std::printf("pdftotext (each PDF):  %.3f s\n", reading);
            peers += reading;
        } else {
            std::printf("pdftotext: not installed\n");
        }
        if (installed("jdupes")) {
            double duplicates = secondsOf([&] { runShell("jdupes -r -q '" + home + "' >/dev/null"); });
            std::printf("jdupes -r:             %.3f s\n", duplicates);
            peers += duplicates;
        } else {
            std::printf("jdupes: not installed\n");
        }
        std::printf("ratio road/peers: empty cache %.2f, warm cache %.2f\n", cold.total() / peers, warm.total() / peers);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ScanRoadBench: %s\n", error.what());
        if (!keep) std::filesystem::remove_all(base);
        return 1;
    }
    if (!keep) std::filesystem::remove_all(base);
    return 0;
}
