#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <unordered_set>
#include <variant>
#include <vector>

#include "Ordane/App/BackgroundWork.hpp"
#include "Ordane/App/ScanServices.hpp"
#include "Ordane/App/ScanSettings.hpp"
#include "OrdaneCore/Actions/ActionExecutor.hpp"
#include "OrdaneCore/Actions/ActionJournal.hpp"
#include "OrdaneCore/Actions/ActivityStore.hpp"
#include "OrdaneCore/Analysis/AnalysisResult.hpp"
#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Foundation/UUID.hpp"
#include "OrdaneCore/Identity/OwnerIdentity.hpp"
#include "OrdaneCore/Model/ActionPlan.hpp"
#include "OrdaneCore/Model/ActivityEntry.hpp"
#include "OrdaneCore/Model/Finding.hpp"
#include "OrdaneCore/Model/FindingCategory.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Scan/ScanEvent.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"
#include "OrdaneCore/Stores/AnalysisCache.hpp"
#include "OrdaneCore/Stores/AppSupportPaths.hpp"
#include "OrdaneCore/Stores/FilingPriorsStore.hpp"
#include "OrdaneCore/Stores/FolderCentroidStore.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/Volumes/ExternalVolumes.hpp"

namespace ordane {

// The one state of the application: what the screens show and the operations that drive the road
// from the first scan to the undo of a move. Lives on the main thread; every getter, setter and
// operation is called there. Long work runs on worker threads and comes back through queued
// calls. Each field has a getter and a change signal without payload; a write of an equal value
// notifies nobody, except for the fields documented as "notifies on every write".
class AppState : public QObject {
    Q_OBJECT
    Q_PROPERTY(Stage stage READ stage WRITE setStage NOTIFY stageChanged)

public:
    enum class Stage { welcome, scanning, dashboard };
    Q_ENUM(Stage)

    // A screen over the dashboard (and the activity list over any stage).
    struct Route {
        enum class Kind { category, duplicates, organize, confirm, activity };
        Kind kind = Kind::activity;
        FindingCategory category = FindingCategory::biggestFiles;  // read only for Kind::category

        static Route ofCategory(FindingCategory category) { return {Kind::category, category}; }
        static Route of(Kind kind) { return {kind, FindingCategory::biggestFiles}; }
        // Equal when the same kind and, for a category list, the same category.
        bool operator==(const Route& other) const {
            return kind == other.kind && (kind != Kind::category || category == other.category);
        }
    };

    // A plan being carried out, or its outcome while it is shown.
    struct Execution {
        struct Running {
            std::string currentName;  // last path component of the action's file
            int index = 0;            // counted from 1 once the first action starts
            int total = 0;
            bool operator==(const Running&) const = default;
        };
        struct Finished {
            ActionPlan plan;  // each action with its final state
            bool operator==(const Finished&) const = default;
        };
        std::variant<Running, Finished> value;

        bool isRunning() const { return std::holds_alternative<Running>(value); }
        bool operator==(const Execution&) const = default;
    };

    // Outside services, replaceable in tests.
    struct Dependencies {
        std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real();
        ScanServices services = ScanServices::standard();
        std::function<std::vector<platform::ExternalVolume>()> volumes = [] {
            return platform::ExternalVolumes::mounted();
        };
        // The executor's Trash; empty: the current user's.
        std::shared_ptr<ActionExecutor> executor;
    };

    using UndoDone = std::function<void(const ActionExecutor::ReversalResult& result)>;

    // Reads the settings and the journal, creates the Application Support folders and starts
    // loading the activity list in the background. Never fails.
    explicit AppState(QObject* parent = nullptr);
    explicit AppState(Dependencies dependencies, QObject* parent = nullptr);
    // Stops the running work and waits for it: only at the end of the program or of a test.
    ~AppState() override;

    // --- Fields -----------------------------------------------------------------------------
    Stage stage() const { return stage_; }
    void setStage(Stage stage);
    const std::optional<Route>& route() const { return route_; }
    void setRoute(std::optional<Route> route);
    const std::optional<Execution>& execution() const { return execution_; }
    void setExecution(std::optional<Execution> execution);  // notifies on every write
    const UUID& uiRefresh() const { return uiRefresh_; }
    void setUiRefresh(const UUID& value);

    const AppSupportPaths& paths() const { return paths_; }
    const ActionJournal& journal() const { return journal_; }
    ActivityStore& activityStore() const { return *activityStore_; }
    AnalysisCache& analysisCache() const { return *analysisCache_; }
    FolderCentroidStore& centroidStore() const { return *centroidStore_; }
    FilingPriorsStore& priorsStore() const { return *priorsStore_; }
    ActionExecutor& executor() const { return *executor_; }

    // Newest first; empty until the background load has answered.
    const std::vector<ActivityEntry>& activityEntries() const { return activityEntries_; }
    void setActivityEntries(std::vector<ActivityEntry> entries);
    bool activityLoaded() const { return activityLoaded_; }
    // Plans whose run never finished, oldest first; reported, never resumed.
    const std::vector<ActionPlan>& interruptedPlans() const { return interruptedPlans_; }
    void setInterruptedPlans(std::vector<ActionPlan> plans);  // notifies on every write
    const ScanSettings& scanSettings() const { return scanSettings_; }
    void setScanSettings(ScanSettings settings);  // notifies on every write; does not save
    const std::optional<ScanProgress>& progress() const { return progress_; }
    void setProgress(std::optional<ScanProgress> progress);  // notifies on every write
    const std::vector<FileRecord>& records() const { return records_; }
    void setRecords(std::vector<FileRecord> records);
    const std::optional<ScanSummary>& summary() const { return summary_; }
    void setSummary(std::optional<ScanSummary> summary);  // notifies on every write
    const std::optional<AnalysisResult>& analysis() const { return analysis_; }
    void setAnalysis(std::optional<AnalysisResult> analysis);  // notifies on every write
    // Whether a scan started by this state is running and has not been cancelled.
    bool scanTaskPresent() const { return scanTaskPresent_; }
    const std::unordered_set<UUID>& approvedForTrash() const { return approvedForTrash_; }
    void setApprovedForTrash(std::unordered_set<UUID> ids);
    const std::unordered_set<UUID>& approvedForMove() const { return approvedForMove_; }
    void setApprovedForMove(std::unordered_set<UUID> ids);

    // --- Home, owner and roots ----------------------------------------------------------------
    static URL homeDirectory();
    static std::optional<URL> homeOverride();
    // Where the records of the home in use are kept (also what the one-copy lock guards).
    static AppSupportPaths supportPaths();
    // The name in the settings, trimmed, when it is not blank; else the account's full name.
    OwnerIdentity ownerName() const;
    // The user's six folders as the home's user-dirs.dirs names them, read afresh.
    UserFolders userFolders() const;
    // The six user folders not switched off, then the enabled drives that exist, in path order;
    // each made canonical, duplicates and roots inside another root left out.
    std::vector<URL> scanRoots(const UserFolders& folders) const;
    std::vector<URL> scanRoots() const { return scanRoots(userFolders()); }
    // The drives the settings may switch on.
    std::vector<platform::ExternalVolume> mountedExternalVolumes() const;

    // --- Scan ---------------------------------------------------------------------------------
    // Nothing while a scan runs; otherwise clears the results and starts the road, which waits for
    // the activity list to be loaded before it walks.
    void startScan();
    // Stops the running scan (its late reports are dropped) and returns to the welcome screen.
    void cancelScan();

    // --- Approvals, plan and execution ---------------------------------------------------------
    void setApproved(const Finding& finding, bool approved);
    bool isApproved(const Finding& finding) const;
    std::vector<Finding> approvedTrashFindings() const;
    std::vector<Finding> approvedMoveFindings() const;
    int64_t approvedBytes() const;
    ActionPlan buildPlan() const;
    // Nothing while an execution (running or finished) is present.
    void execute(const ActionPlan& plan);
    void startOver();
    void renameProposedFolder(const UUID& folderID, const std::string& newName);

    // --- Undo and interrupted plans -----------------------------------------------------------
    // Takes an entry back on a worker; `done` gets the result on the main thread once the activity
    // list is refreshed, unless `receiver` (when given) is gone by then.
    void undo(const ActivityEntry& entry, const QObject* receiver = nullptr, UndoDone done = {});
    void dismissInterruptedPlans();

    // --- Settings -----------------------------------------------------------------------------
    // Stores the text scale (an unusable value counts as none), saves, applies it to the process
    // and gives uiRefresh a new value.
    void updateScanSettings(double textScale);
    // Writes the settings in memory to settings.json; failures are silent.
    void saveScanSettings();

    // Whether worker threads are still running (tests wait for quiet).
    bool hasBackgroundWork();

signals:
    void stageChanged();
    void routeChanged();
    void executionChanged();
    void uiRefreshChanged();
    void activityEntriesChanged();
    void interruptedPlansChanged();
    void scanSettingsChanged();
    void progressChanged();
    void recordsChanged();
    void summaryChanged();
    void analysisChanged();
    void scanTaskChanged();
    void approvedForTrashChanged();
    void approvedForMoveChanged();

private:
    struct RoadResult;

    void loadActivityEntries();
    // Any thread: the store's list now, handed to `then` on the main thread, in the order taken.
    void postActivityEntries(ActivityStore& store, std::function<void(std::vector<ActivityEntry>)> then);
    void setScanTaskPresent(bool present);
    // The findings of the analysis whose id is in the set, in the analysis's order.
    std::vector<Finding> findingsWithIDs(const std::unordered_set<UUID>& ids) const;
    void finishRoad(uint64_t generation, RoadResult result);
    void failRoad(uint64_t generation);
    bool isCurrentScan(uint64_t generation) const { return generation == scanGeneration_ && scanTaskPresent_; }

    Dependencies dependencies_;

    Stage stage_ = Stage::welcome;
    std::optional<Route> route_;
    std::optional<Execution> execution_;
    UUID uiRefresh_ = UUID::random();
    AppSupportPaths paths_;
    ActionJournal journal_;
    std::shared_ptr<ActivityStore> activityStore_;
    std::shared_ptr<AnalysisCache> analysisCache_;
    std::shared_ptr<FolderCentroidStore> centroidStore_;
    std::shared_ptr<FilingPriorsStore> priorsStore_;
    std::shared_ptr<ActionExecutor> executor_;
    std::vector<ActivityEntry> activityEntries_;
    bool activityLoaded_ = false;
    std::vector<ActionPlan> interruptedPlans_;
    ScanSettings scanSettings_;
    std::optional<ScanProgress> progress_;
    std::vector<FileRecord> records_;
    std::optional<ScanSummary> summary_;
    std::optional<AnalysisResult> analysis_;
    bool scanTaskPresent_ = false;
    std::unordered_set<UUID> approvedForTrash_;
    std::unordered_set<UUID> approvedForMove_;

    uint64_t scanGeneration_ = 0;
    uint64_t executionGeneration_ = 0;
    std::mutex activityPostMutex_;
    std::stop_source scanStop_;
    // Last: destroyed first, so no job outlives the fields it reports into.
    BackgroundWork work_;
};

}  // namespace ordane
