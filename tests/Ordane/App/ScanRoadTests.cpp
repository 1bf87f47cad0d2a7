#include <QSignalSpy>
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>

#include "AppStateHome.hpp"
#include "Ordane/App/AppState.hpp"
#include "OrdaneCore/Actions/ActivityStore.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

namespace ordane {
namespace {

using testing::AppStateHome;
using testing::writeFile;

// What the road handed the recognition and planning steps, and how they answer.
struct ServiceLog {
    std::mutex mutex;
    std::vector<std::pair<ScanServices::RecognitionRequest, size_t>> requests;  // with the count of records
    std::vector<std::unordered_map<URL, ContentInsight>> planIndexes;
    std::atomic<int> recognitions{0};
    std::function<void(int call, const ScanServices::Progress&)> duringRecognition;
    std::vector<ContentInsight> insights;
    std::function<std::optional<ScanServices::PlanOutcome>(const ScanServices::PlanRequest&)> plan;
};

AppState::Dependencies loggingDependencies(const std::shared_ptr<ServiceLog>& log) {
    AppState::Dependencies dependencies;
    dependencies.services.recognize = [log](const std::vector<FileRecord>& records,
                                            const ScanServices::RecognitionRequest& request,
                                            const ScanServices::Progress& progress, std::stop_token) {
        const int call = ++log->recognitions;
        {
            std::lock_guard lock(log->mutex);
            log->requests.emplace_back(request, records.size());
        }
        if (log->duringRecognition) log->duringRecognition(call, progress);
        return log->insights;
    };
    dependencies.services.plan = [log](const ScanServices::PlanRequest& request) {
        log->planIndexes.push_back(request.insights);
        return log->plan ? log->plan(request) : std::nullopt;
    };
    return dependencies;
}

ActivityEntry movedEntry(const std::string& to, double daysAgo) {
    return ActivityEntry{UUID::random(), Date::now().adding(-daysAgo * 86400),
                         ActivityEntry::Kind::moved(URL::fileURL("/from/x"), URL::fileURL(to)), 1, true, {}, {}};
}

class ScanRoad : public AppStateHome {
protected:
    ScanRoad() {
        // Two copies large enough to be compared, and files in other folders.
        std::string block(8192, 'd');
        writeFile(home / "Downloads/report.bin", block);
        writeFile(home / "Documents/report copy.bin", block);
        writeFile(home / "Desktop/notes.txt", "some notes");
        writeFile(home / "Pictures/holiday.jpg", std::string(5000, 'p'));
    }
    std::shared_ptr<ServiceLog> log = std::make_shared<ServiceLog>();
};

TEST_F(ScanRoad, GoesFromWelcomeThroughTheScanToADashboardWithTheFilingPlan) {
    ActivityEntry trashed = movedEntry("/t/x", 1);
    trashed.kind = ActivityEntry::Kind::trashed(URL::fileURL("/trashed.pdf"), URL::fileURL("/t/x"));
    Json entries = Json::array({movedEntry("/moved/recently.pdf", 59).toJson(),
                                movedEntry("/moved/long-ago.pdf", 61).toJson(), trashed.toJson()});
    // Many entries, so the list is still loading when the scan starts.
    for (int i = 0; i < 5000; ++i) entries.push_back(movedEntry("/old/" + std::to_string(i), 100).toJson());
    writeFile(support("activity.json"), json::dumpCompact(entries));

    log->duringRecognition = [](int, const ScanServices::Progress& progress) { progress(3, 10); };
    const URL notes = URL::fileURL(home / "Desktop/notes.txt");
    log->insights.resize(2);
    log->insights[0].url = log->insights[1].url = notes;
    log->insights[0].analyzerID = "first";
    log->insights[1].analyzerID = "second";
    Finding member;
    member.id = UUID::random();
    member.category = FindingCategory::organizeSuggestion;
    member.record.setURL(notes);
    log->plan = [&](const ScanServices::PlanRequest& request) {
        ScanServices::PlanOutcome outcome;
        ProposedFolder folder;
        folder.id = UUID::random();
        folder.destination = URL::fileURL(home / "Documents/Notes", true);
        folder.members = {member};
        outcome.proposal.folders = {folder};
        for (const Finding& finding : request.findings) outcome.supersededIDs.insert(finding.id);
        return std::optional(outcome);
    };

    AppState state(loggingDependencies(log));
    std::vector<ScanProgress> seen;
    QObject::connect(&state, &AppState::progressChanged, [&] {
        if (state.progress()) seen.push_back(*state.progress());
    });
    state.startScan();
    EXPECT_EQ(state.stage(), AppState::Stage::scanning);
    EXPECT_TRUE(state.scanTaskPresent());
    ASSERT_TRUE(waitFor([&] { return state.stage() == AppState::Stage::dashboard; }));
    settle(state);

    ASSERT_EQ(log->requests.size(), 1u);
    const auto& [request, recordCount] = log->requests[0];
    EXPECT_EQ(request.quarantinedURLs, std::unordered_set<URL>{URL::fileURL("/moved/recently.pdf")});
    EXPECT_EQ(recordCount, 4u);
    EXPECT_EQ(log->planIndexes.at(0).at(notes).analyzerID, "first");  // one insight per file, the first

    EXPECT_FALSE(state.scanTaskPresent());
    EXPECT_EQ(state.records().size(), 4u);
    ASSERT_TRUE(state.analysis() && state.analysis()->organization);
    EXPECT_EQ(state.analysis()->exactGroups.size(), 1u);
    EXPECT_EQ(state.analysis()->findings, std::vector<Finding>{member});

    const int64_t bytes = 8192 * 2 + 10 + 5000;
    ScanProgress reading{4, bytes, "Reading documents", ScanProgress::ReadingDocuments{3, 10}};
    ScanProgress comparing{4, bytes, "Comparing possible duplicates", ScanProgress::ComparingDuplicates{0, 0}};
    auto at = [&](const ScanProgress& wanted) { return std::find(seen.begin(), seen.end(), wanted) - seen.begin(); };
    EXPECT_LT(at(reading), at(comparing));
    EXPECT_LT(at(comparing), static_cast<long>(seen.size()));
}

TEST_F(ScanRoad, AStoppedScansLateReportsNeverReachTheState) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> firstEntered{false};
    log->duringRecognition = [&](int call, const ScanServices::Progress& progress) {
        if (call != 1) return;
        firstEntered = true;
        released.wait();
        progress(99, 99);
    };
    AppState state(loggingDependencies(log));
    state.startScan();
    state.startScan();  // a second call while one runs changes nothing
    ASSERT_TRUE(waitFor([&] { return firstEntered.load(); }));
    state.cancelScan();
    EXPECT_EQ(state.stage(), AppState::Stage::welcome);
    EXPECT_FALSE(state.scanTaskPresent());

    std::vector<ScanProgress> seen;
    QObject::connect(&state, &AppState::progressChanged, [&] {
        if (state.progress()) seen.push_back(*state.progress());
    });
    state.setScanSettings(ScanSettings{{"Pictures"}, {}, std::nullopt, std::nullopt});
    state.startScan();
    release.set_value();
    ASSERT_TRUE(waitFor([&] { return state.stage() == AppState::Stage::dashboard; }));
    settle(state);
    EXPECT_EQ(log->recognitions.load(), 2);
    EXPECT_EQ(log->planIndexes.size(), 1u);
    EXPECT_EQ(state.records().size(), 3u);  // the second scan's, without Pictures
    for (const ScanProgress& progress : seen) {
        EXPECT_NE(progress.phase, ScanProgress::Phase(ScanProgress::ReadingDocuments{99, 99}));
    }
}

TEST_F(ScanRoad, BadRootsBecomeIssuesOrAreLeftOut) {
    testing::makeDirectories(home / "elsewhere");
    writeFile(home / "elsewhere/inside.txt", "x");
    platform::FileSystem::real()->createSymlink(home / "elsewhere", home / "Music");
    writeFile(home / "Videos", "a file where a folder should be");
    AppState state(loggingDependencies(log));
    state.setScanSettings(ScanSettings{{}, {home / "Downloads", home / "gone", home / "Music/../Music"},
                                       std::nullopt, std::nullopt});
    std::vector<URL> roots = state.scanRoots();
    EXPECT_EQ(roots.size(), 6u);  // the drives lie inside the home folders or are gone
    state.startScan();
    ASSERT_TRUE(waitFor([&] { return state.stage() == AppState::Stage::dashboard; }));
    settle(state);
    std::set<std::string> paths;
    for (const FileRecord& record : state.records()) paths.insert(record.path());
    EXPECT_EQ(paths.size(), state.records().size());  // nothing reported twice
    EXPECT_TRUE(paths.contains(home / "Music/inside.txt"));
    ASSERT_TRUE(state.summary());
    ASSERT_EQ(state.summary()->issues.size(), 1u);
    EXPECT_EQ(state.summary()->issues[0].path, home / "Videos");

    // With every folder off and no drive there is nothing to walk, and the road still ends on the dashboard.
    state.setScanSettings(ScanSettings{{"Desktop", "Documents", "Downloads", "Movies", "Music", "Pictures"}, {},
                                       std::nullopt, std::nullopt});
    EXPECT_TRUE(state.scanRoots().empty());
    state.startScan();
    ASSERT_TRUE(waitFor([&] { return state.stage() == AppState::Stage::dashboard; }));
    ASSERT_TRUE(state.analysis());
    EXPECT_TRUE(state.analysis()->findings.empty());
    EXPECT_TRUE(state.records().empty());
    settle(state);
}

using WholeRoad = AppStateHome;

TEST_F(WholeRoad, AGeneratedHomeGoesFromScanToPlanToCarriedOutMoves) {
    testing::makeDirectories(home / "Downloads");
    for (int month = 1; month <= 4; ++month) {
        std::string name = "Invoice 2023-0" + std::to_string(month);
        testing::writeTextPdf(home / ("Downloads/" + name + ".pdf"),
                              {{name, "Acme Supplies Ltd", "Amount due: 120.00 EUR", "Payment within 30 days"}});
    }
    std::string block(10000, 'z');
    writeFile(home / "Documents/archive.zip", block);
    writeFile(home / "Downloads/archive (1).zip", block);
    writeFile(home / "Desktop/todo.txt", "call the bank");

    AppState state;
    state.startScan();
    ASSERT_TRUE(waitFor([&] { return state.stage() == AppState::Stage::dashboard; }));
    ASSERT_TRUE(settle(state));
    ASSERT_TRUE(state.analysis());
    const AnalysisResult& analysis = *state.analysis();
    ASSERT_TRUE(analysis.organization);
    ASSERT_FALSE(analysis.organization->folders.empty());

    std::vector<Finding> members = analysis.organization->allMembers();
    for (const Finding& member : members) state.setApproved(member, true);
    state.execute(state.buildPlan());
    ASSERT_TRUE(waitFor([&] { return state.execution() && !state.execution()->isRunning(); }));
    settle(state);
    for (const Finding& member : members) {
        EXPECT_FALSE(platform::FileSystem::real()->exists(member.record.path())) << member.record.path();
        EXPECT_TRUE(platform::FileSystem::real()->exists(member.suggestedDestination->path()))
            << member.suggestedDestination->path();
    }
    EXPECT_EQ(state.activityEntries().size(), members.size());
}

}  // namespace
}  // namespace ordane
