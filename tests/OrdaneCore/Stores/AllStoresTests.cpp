#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "OrdaneCore/Actions/ActionJournal.hpp"
#include "OrdaneCore/Actions/ActivityStore.hpp"
#include "OrdaneCore/Analysis/AnalysisFixtures.hpp"
#include "OrdaneCore/Scan/ScanEvent.hpp"
#include "OrdaneCore/Stores/AnalysisCache.hpp"
#include "OrdaneCore/Stores/AppSupportPaths.hpp"
#include "OrdaneCore/Stores/FilingPriorsStore.hpp"
#include "OrdaneCore/Stores/FolderCentroidStore.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;
using FileSystemPointer = std::shared_ptr<platform::FileSystem>;

namespace {

// One store: `save(n)` adds the n-th record through a fresh store and saves it; `count` reads
// the file back as the next start would.
struct StoreCase {
    const char* name;
    std::function<void(const std::string& file, int n, const FileSystemPointer&)> save;
    std::function<size_t(const std::string& file)> count;
};

// Each store's file sits two folders deep in a folder that does not exist yet, as on a first start.
const std::vector<StoreCase>& storeCases() {
    static const std::vector<StoreCase> cases = {
        {"filing priors",
         [](const std::string& file, int n, const FileSystemPointer& fs) {
             FilingPriorsStore(URL::fileURL(file), fs).recordAccept("invoice", "/home/u/Bills " + std::to_string(n));
         },
         [](const std::string& file) { return FilingPriorsStore(URL::fileURL(file)).allRows().size(); }},
        {"activity",
         [](const std::string& file, int n, const FileSystemPointer& fs) {
             ActivityEntry entry{UUID::random(), Date{double(n)},
                                 ActivityEntry::Kind::moved(URL::fileURL("/a" + std::to_string(n)), URL::fileURL("/b")),
                                 1, true, std::nullopt, std::nullopt};
             ActivityStore(URL::fileURL(file), fs).append(entry);
         },
         [](const std::string& file) { return ActivityStore(URL::fileURL(file)).allEntries().size(); }},
        {"journal",
         [](const std::string& file, int n, const FileSystemPointer& fs) {
             ActionJournal{URL::fileURL(file, true), fs}.save(ActionPlan{UUID::random(), Date{double(n)}, {}});
         },
         [](const std::string& file) { return ActionJournal{URL::fileURL(file, true)}.loadAll().size(); }},
        {"folder centroids",
         [](const std::string& file, int n, const FileSystemPointer& fs) {
             FolderCentroidStore store(URL::fileURL(file), fs);
             store.upsert(FolderCentroidStore::FolderEntry{"/home/u/F" + std::to_string(n), 1, 1, 0, {}, 0, Date{1}});
             store.saveIfDirty();
         },
         [](const std::string& file) { return FolderCentroidStore(URL::fileURL(file)).allEntries().size(); }},
        {"analysis cache",
         [](const std::string& file, int n, const FileSystemPointer& fs) {
             AnalysisCache cache(URL::fileURL(file), fs);
             cache.recordHashes(fileRecord("/home/u/f" + std::to_string(n), 10, Date{1}), std::string(64, 'a'), std::nullopt);
             cache.saveIfDirty();
         },
         [](const std::string& file) {
             AnalysisCache cache(URL::fileURL(file));
             size_t found = 0;
             for (int n : {1, 2}) found += cache.cachedEntry(fileRecord("/home/u/f" + std::to_string(n), 10, Date{1})) ? 1 : 0;
             return found;
         }},
    };
    return cases;
}

// Legal Linux names that are not UTF-8, and valid names that look like the encoded form.
const std::vector<std::string> paths = {
    "/home/a/Caf\xe9",              // ISO Latin 1
    "/home/a/\xff\xfe/x%20y",      // stray bytes beside a literal "%20"
    "/home/a/file:%2F%2Fnot-a-url",
    "file://relative/Caf\xc3\xa9",  // valid UTF-8 that starts like the encoded form
};

}  // namespace

// A crash or a power failure at any step of two saves: what a finished save wrote is still
// there, and the file is always whole.
TEST(StorePowerLoss, AFinishedSaveSurvivesACrashOrPowerFailureAtAnyStep) {
    for (const StoreCase& store : storeCases()) {
        atEveryCrashPoint([&](const CrashPoint& point) {
            TempDir dir;
            const std::string file = dir / "support/Ordane/store";
            auto fs = std::make_shared<FaultInjectingFileSystem>();
            point.arm(*fs);
            size_t finished = 0;
            bool crashed = crashes([&] {
                for (int n = 1; n <= 2; ++n, ++finished) store.save(file, n, fs);
            });
            size_t found = store.count(file);
            EXPECT_GE(found, finished) << store.name << ", " << point.when();
            EXPECT_LE(found, 2u) << store.name;
            return crashed;
        });
    }
}

TEST(NonUTF8Paths, RoundTripThroughEveryStoreOfTheUsersRecords) {
    TempDir dir;
    FilingPriorsStore priors(URL::fileURL(dir / "priors.json"));
    ActivityStore activity(URL::fileURL(dir / "activity.json"));
    ActionJournal journal{URL::fileURL(dir / "journal", true)};
    ScanSummary summary;
    ActionPlan plan{UUID::random(), Date{1}, {}};
    for (const std::string& path : paths) {
        priors.recordAccept("letter", path);
        URL url = URL::fileURL(path);
        activity.append(ActivityEntry{UUID::random(), Date{2}, ActivityEntry::Kind::moved(url, url.appendingPathComponent("x")),
                                      1, true, std::nullopt, std::nullopt});
        plan.actions.push_back(PlannedAction{UUID::random(), PlannedAction::Kind::move(url, url), 1, 1, std::nullopt,
                                             std::nullopt, std::nullopt, PlannedAction::State::done(url)});
        summary.roots.push_back(URL::fileURL(path, true));
        summary.issues.push_back(ScanIssue{UUID::random(), ScanIssue::Kind::unreadable, path, "Couldn't read it."});
    }
    journal.save(plan);

    std::vector<std::string> reloadedPriors;
    for (const auto& row : FilingPriorsStore(URL::fileURL(dir / "priors.json")).allRows()) {
        reloadedPriors.push_back(row.destinationPath);
    }
    std::sort(reloadedPriors.begin(), reloadedPriors.end());
    std::vector<std::string> sortedPaths = paths;
    std::sort(sortedPaths.begin(), sortedPaths.end());
    EXPECT_EQ(reloadedPriors, sortedPaths);
    EXPECT_EQ(ActivityStore(URL::fileURL(dir / "activity.json")).allEntries(), activity.allEntries());
    EXPECT_EQ(journal.loadAll(), std::vector<ActionPlan>{plan});
    EXPECT_EQ(ScanSummary::fromJson(json::parse(json::dumpCompact(summary.toJson()))), summary);

    // A valid path is written as it is; any other in the one encoded form.
    std::string text = readFile(dir / "priors.json");
    EXPECT_NE(text.find("\"/home/a/file:%2F%2Fnot-a-url\""), std::string::npos);
    EXPECT_NE(text.find("\"file:///home/a/Caf%E9\""), std::string::npos);
    EXPECT_THROW(json::filePath(Json("file:///home/a/%E")), DecodingError);
}

TEST(AppSupportPaths, RecordsSettingsAndCacheGoToTheDataConfigAndCacheFolders) {
    const AppSupportPaths paths(URL::fileURL("/tmp/h", true));
    const std::string base = "/tmp/h/.local/share/Ordane";
    EXPECT_EQ(paths.base, URL::fileURL(base, true));
    EXPECT_EQ(paths.analysisCacheFile().path(), "/tmp/h/.cache/Ordane/analysis-cache.json");
    EXPECT_EQ(paths.settingsFile().path(), "/tmp/h/.config/Ordane/settings.json");
    EXPECT_EQ(paths.journalDirectory(), URL::fileURL(base + "/journal", true));
}

TEST(AppSupportPaths, EnsuringTheFoldersTwiceSucceedsAndAFailureIsThrownBeforeTheJournalFolder) {
    TempDir home;
    const AppSupportPaths paths(URL::fileURL(home.path(), true));
    FaultInjectingFileSystem refusing;
    refusing.fail(FaultInjectingFileSystem::Operation::createDirectories, "", ENOSPC, 0, 1);
    EXPECT_THROW(paths.ensureDirectories(refusing), platform::FileSystemError);
    EXPECT_EQ(refusing.calls(FaultInjectingFileSystem::Operation::createDirectories), 1);
    EXPECT_FALSE(std::filesystem::exists(paths.base.path()));

    paths.ensureDirectories();
    paths.ensureDirectories();
    EXPECT_TRUE(std::filesystem::is_directory(paths.journalDirectory().path()));
    TempDir blocked;
    writeFile(blocked / ".local", "a file where a folder belongs");
    EXPECT_THROW(AppSupportPaths(URL::fileURL(blocked.path(), true)).ensureDirectories(), platform::FileSystemError);
}
