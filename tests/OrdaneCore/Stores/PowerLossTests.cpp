#include <gtest/gtest.h>

#include <functional>

#include "OrdaneCore/Actions/ActionJournal.hpp"
#include "OrdaneCore/Actions/ActivityStore.hpp"
#include "OrdaneCore/Analysis/AnalysisFixtures.hpp"
#include "OrdaneCore/Stores/AnalysisCache.hpp"
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

}  // namespace

// A crash or a power failure at any step of two saves: what a finished save wrote is still
// there, and the file is always whole.
TEST(StorePowerLoss, AFinishedSaveSurvivesACrashOrPowerFailureAtAnyStep) {
    for (const StoreCase& store : storeCases()) {
        for (bool powerLoss : {false, true}) {
            for (int changes = 0;; ++changes) {
                TempDir dir;
                const std::string file = dir / "support/Ordane/store";
                auto fs = std::make_shared<FaultInjectingFileSystem>();
                if (powerLoss) fs->losePowerAtCrash();
                fs->crashAfter(changes);
                size_t finished = 0;
                bool crashed = false;
                try {
                    for (int n = 1; n <= 2; ++n, ++finished) store.save(file, n, fs);
                } catch (const SimulatedCrash&) {
                    crashed = true;
                }
                size_t found = store.count(file);
                EXPECT_GE(found, finished) << store.name << (powerLoss ? ", power failure" : ", crash") << " after " << changes;
                EXPECT_LE(found, 2u) << store.name;
                if (!crashed) break;
            }
        }
    }
}
