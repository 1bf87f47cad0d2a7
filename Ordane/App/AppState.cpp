#include "Ordane/App/AppState.hpp"

#include <QPointer>

#include <algorithm>
#include <unordered_map>

#include "Ordane/App/HomeFolder.hpp"
#include "Ordane/App/ScanRoots.hpp"
#include "Ordane/App/TextScale.hpp"
#include "OrdaneCore/Analysis/Analyzer.hpp"
#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Foundation/SaturatingAdd.hpp"
#include "OrdaneCore/Scan/ScanEngine.hpp"
#include "OrdaneCore/Scan/ScanRules.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"
#include "OrdanePlatform/FileSystem/FileSystemError.hpp"
#include "OrdanePlatform/System/UserAccount.hpp"

namespace ordane {

namespace {

constexpr double quarantineWindow = 5184000;  // 60 days
constexpr const char* readingDocumentsLabel = "Reading documents";
constexpr const char* comparingDuplicatesLabel = "Comparing possible duplicates";
constexpr const char* earlierUndoNote = "This line is just a note about an earlier undo.";

std::string providerName(CloudProvider provider) {
    switch (provider) {
        case CloudProvider::iCloudDrive: return "iCloud Drive";
        case CloudProvider::dropbox: return "Dropbox";
        case CloudProvider::oneDrive: return "OneDrive";
        case CloudProvider::googleDrive: return "Google Drive";
        case CloudProvider::other: break;
    }
    return "a cloud service";
}

std::optional<std::string> cloudWarning(const FileRecord& record) {
    if (!record.cloudProvider()) return std::nullopt;
    return "Syncs with " + providerName(*record.cloudProvider()) + ", so this change happens on your other devices too.";
}

PlannedAction plannedAction(const Finding& finding, PlannedAction::Kind kind, std::optional<std::string> recognitionKind) {
    PlannedAction action;
    action.id = UUID::random();
    action.kind = std::move(kind);
    action.sizeBytes = finding.record.size();
    action.expectedSize = finding.record.size();
    action.expectedModified = finding.record.modified();
    action.cloudWarning = cloudWarning(finding.record);
    action.recognitionKind = std::move(recognitionKind);
    action.state = PlannedAction::State::pending();
    return action;
}

bool isMoveCategory(FindingCategory category) {
    return category == FindingCategory::organizeSuggestion || category == FindingCategory::screenshotNaming;
}

// Destinations of the program's own moves within the window; what it moved lately doesn't teach
// the folder it sits in.
std::unordered_set<URL> recentlyMovedDestinations(const std::vector<ActivityEntry>& entries, Date now) {
    const Date cutoff = now.adding(-quarantineWindow);
    std::unordered_set<URL> urls;
    for (const ActivityEntry& entry : entries) {
        const auto* moved = std::get_if<ActivityEntry::Kind::Moved>(&entry.kind.value);
        if (moved && entry.date > cutoff) urls.insert(moved->to);
    }
    return urls;
}

ScanProgress roadProgress(int64_t files, int64_t bytes, const char* label, ScanProgress::Phase phase) {
    ScanProgress progress;
    progress.filesSeen = files;
    progress.bytesSeen = bytes;
    progress.currentFolder = label;
    progress.phase = phase;
    return progress;
}

std::string trimmedName(const std::string& text) {
    const char* blank = " \t";
    size_t first = text.find_first_not_of(blank);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blank) - first + 1);
}

// Stores the value when it differs from the field's; whether it did.
template <class T, class U>
bool storeChanged(T& field, U&& value) {
    if (field == value) return false;
    field = std::forward<U>(value);
    return true;
}

}  // namespace

struct AppState::RoadResult {
    std::vector<URL> roots;
    std::vector<FileRecord> records;
    std::vector<ContentInsight> insights;
    AnalysisResult analysis;
    UserFolders folders;
};

AppState::AppState(QObject* parent) : AppState(Dependencies{}, parent) {}

AppState::AppState(Dependencies dependencies, QObject* parent)
    : QObject(parent),
      dependencies_(std::move(dependencies)),
      paths_(supportPaths()),
      journal_{paths_.journalDirectory(), dependencies_.fileSystem},
      activityStore_(std::make_shared<ActivityStore>(paths_.activityFile(), dependencies_.fileSystem)),
      analysisCache_(std::make_shared<AnalysisCache>(paths_.analysisCacheFile(), dependencies_.fileSystem)),
      centroidStore_(std::make_shared<FolderCentroidStore>(paths_.folderCentroidsFile(), dependencies_.fileSystem)),
      priorsStore_(std::make_shared<FilingPriorsStore>(paths_.filingPriorsFile(), dependencies_.fileSystem)),
      executor_(dependencies_.executor ? dependencies_.executor
                                       : std::make_shared<ActionExecutor>(
                                             dependencies_.fileSystem,
                                             platform::Trash::forCurrentUser(dependencies_.fileSystem))),
      scanSettings_(ScanSettings::load(paths_.settingsFile(), dependencies_.fileSystem)),
      work_(this) {
    setCurrentTextScale(scanSettings_.effectiveTextScale());
    try {
        paths_.ensureDirectories(*dependencies_.fileSystem);
    } catch (const platform::FileSystemError&) {
        // Later writes create their own folders.
    }
    interruptedPlans_ = journal_.loadAll();
    loadActivityEntries();
}

AppState::~AppState() { scanStop_.request_stop(); }

// --- Fields ------------------------------------------------------------------------------------

void AppState::setStage(Stage stage) {
    if (storeChanged(stage_, std::move(stage))) emit stageChanged();
}

void AppState::setRoute(std::optional<Route> route) {
    if (storeChanged(route_, std::move(route))) emit routeChanged();
}

void AppState::setExecution(std::optional<Execution> execution) {
    execution_ = std::move(execution);
    emit executionChanged();
}

void AppState::setUiRefresh(const UUID& value) {
    if (storeChanged(uiRefresh_, value)) emit uiRefreshChanged();
}

void AppState::setActivityEntries(std::vector<ActivityEntry> entries) {
    if (storeChanged(activityEntries_, std::move(entries))) emit activityEntriesChanged();
}

void AppState::setInterruptedPlans(std::vector<ActionPlan> plans) {
    interruptedPlans_ = std::move(plans);
    emit interruptedPlansChanged();
}

void AppState::setScanSettings(ScanSettings settings) {
    scanSettings_ = std::move(settings);
    emit scanSettingsChanged();
}

void AppState::setProgress(std::optional<ScanProgress> progress) {
    progress_ = std::move(progress);
    emit progressChanged();
}

void AppState::setRecords(std::vector<FileRecord> records) {
    if (storeChanged(records_, std::move(records))) emit recordsChanged();
}

void AppState::setSummary(std::optional<ScanSummary> summary) {
    summary_ = std::move(summary);
    emit summaryChanged();
}

void AppState::setAnalysis(std::optional<AnalysisResult> analysis) {
    analysis_ = std::move(analysis);
    emit analysisChanged();
}

void AppState::setScanTaskPresent(bool present) {
    if (storeChanged(scanTaskPresent_, present)) emit scanTaskChanged();
}

void AppState::setApprovedForTrash(std::unordered_set<UUID> ids) {
    if (storeChanged(approvedForTrash_, std::move(ids))) emit approvedForTrashChanged();
}

void AppState::setApprovedForMove(std::unordered_set<UUID> ids) {
    if (storeChanged(approvedForMove_, std::move(ids))) emit approvedForMoveChanged();
}

// --- Home, owner and roots ---------------------------------------------------------------------

URL AppState::homeDirectory() { return HomeFolder::current(); }

std::optional<URL> AppState::homeOverride() { return HomeFolder::override(); }

AppSupportPaths AppState::supportPaths() { return AppSupportPaths(HomeFolder::directories()); }

OwnerIdentity AppState::ownerName() const {
    if (scanSettings_.ownerName) {
        std::string name = trimmedName(*scanSettings_.ownerName);
        if (!name.empty()) return OwnerIdentity(name);
    }
    auto account = platform::UserAccount::current();
    return OwnerIdentity(account ? account->fullName() : std::string());
}

UserFolders AppState::userFolders() const {
    return UserFolders::read(homeDirectory(), HomeFolder::directories().userDirsFile(), *dependencies_.fileSystem);
}

std::vector<URL> AppState::scanRoots(const UserFolders& folders) const {
    std::vector<URL> roots;
    const std::vector<URL> all = folders.all();
    for (size_t i = 0; i < all.size(); ++i) {
        if (!scanSettings_.disabledFolders.contains(UserFolders::settingsKeys[i])) roots.push_back(all[i]);
    }
    // A set of strings iterates in ascending order.
    for (const std::string& path : scanSettings_.enabledExternalVolumes) {
        if (!path.empty() && path.front() == '/' && dependencies_.fileSystem->exists(path)) {
            roots.push_back(URL::fileURL(path, true));
        }
    }
    return withoutOverlaps(roots, *dependencies_.fileSystem);
}

std::vector<platform::ExternalVolume> AppState::mountedExternalVolumes() const {
    return dependencies_.volumes ? dependencies_.volumes() : std::vector<platform::ExternalVolume>{};
}

// --- Activity list -----------------------------------------------------------------------------

void AppState::loadActivityEntries() {
    auto store = activityStore_;
    work_.start([this, store](std::stop_token) {
        postActivityEntries(*store, [this](std::vector<ActivityEntry> entries) {
            activityLoaded_ = true;
            setActivityEntries(std::move(entries));
        });
    });
}

void AppState::postActivityEntries(ActivityStore& store, std::function<void(std::vector<ActivityEntry>)> then) {
    // Taken and posted in one step: two jobs finishing together can't leave the older list on screen.
    std::lock_guard lock(activityPostMutex_);
    work_.post([then = std::move(then), entries = store.allEntries()]() mutable { then(std::move(entries)); });
}

// --- Scan --------------------------------------------------------------------------------------

void AppState::startScan() {
    if (scanTaskPresent_) return;
    setStage(Stage::scanning);
    setProgress(std::nullopt);
    setRecords({});
    setSummary(std::nullopt);
    setAnalysis(std::nullopt);
    setRoute(std::nullopt);
    setApprovedForTrash({});
    setApprovedForMove({});

    const URL home = homeDirectory();
    const UserFolders folders = userFolders();
    const uint64_t generation = ++scanGeneration_;
    ScanServices::RecognitionRequest request{ownerName(), folders, OrganizeScope{folders},
                                             {}, {}, analysisCache_, centroidStore_};
    auto job = [this, generation, home, roots = scanRoots(folders), request = std::move(request),
                recognize = dependencies_.services.recognize, fileSystem = dependencies_.fileSystem,
                activity = activityStore_, priors = priorsStore_](std::stop_token stop) mutable {
        try {
            // The quarantine comes from the full activity list, so the road waits for it first.
            request.quarantinedURLs = recentlyMovedDestinations(activity->allEntries(), Date::now());
            const ScanRules rules = ScanRules::standard(home);
            ScanStream stream = ScanEngine::scan(roots, rules, home, fileSystem);
            std::vector<FileRecord> records;
            int64_t bytes = 0;
            while (std::optional<ScanEvent> event = stream.next(stop)) {
                if (auto* progress = std::get_if<ScanProgress>(&event->value)) {
                    work_.post([this, generation, progress = *progress] {
                        if (isCurrentScan(generation)) setProgress(progress);
                    });
                } else if (auto* record = std::get_if<FileRecord>(&event->value)) {
                    bytes = saturatingAdd(bytes, record->size());
                    records.push_back(std::move(*record));
                } else if (auto* summary = std::get_if<ScanSummary>(&event->value)) {
                    work_.post([this, generation, summary = *summary] {
                        if (isCurrentScan(generation)) setSummary(summary);
                    });
                }
            }
            const auto files = static_cast<int64_t>(records.size());
            auto postProgress = [this, generation, files, bytes](const char* label, ScanProgress::Phase phase) {
                work_.post([this, generation, progress = roadProgress(files, bytes, label, phase)] {
                    if (isCurrentScan(generation)) setProgress(progress);
                });
            };
            postProgress(readingDocumentsLabel, ScanProgress::ReadingDocuments{0, 0});

            request.priors = priors->allRows();
            std::vector<ContentInsight> insights;
            if (recognize) insights = recognize(
                records, request,
                [&postProgress](int64_t done, int64_t total) {
                    postProgress(readingDocumentsLabel, ScanProgress::ReadingDocuments{done, total});
                },
                stop);
            checkCancellation(stop);
            postProgress(comparingDuplicatesLabel, ScanProgress::ComparingDuplicates{0, 0});

            Analyzer analyzer(request.folders, rules, fileSystem);
            AnalysisResult analysis = analyzer.analyze(
                records, Date::now(), insights, request.analysisCache.get(),
                [&postProgress](int64_t done, int64_t total) {
                    postProgress(comparingDuplicatesLabel, ScanProgress::ComparingDuplicates{done, total});
                },
                stop);
            checkCancellation(stop);
            work_.post([this, generation,
                        result = RoadResult{roots, std::move(records), std::move(insights), std::move(analysis),
                                            request.folders}]() mutable { finishRoad(generation, std::move(result)); });
        } catch (const std::exception&) {
            // A failed or stopped scan shows no message: the road goes back to the welcome screen.
            work_.post([this, generation] { failRoad(generation); });
        }
    };
    setScanTaskPresent(true);
    scanStop_ = work_.start(std::move(job));
}

void AppState::finishRoad(uint64_t generation, RoadResult result) {
    if (!isCurrentScan(generation)) return;
    std::unordered_map<URL, ContentInsight> index;
    for (ContentInsight& insight : result.insights) index.try_emplace(insight.url, std::move(insight));
    AnalysisResult analysis = std::move(result.analysis);
    if (dependencies_.services.plan) {
        const OrganizeScope scope{result.folders};
        std::optional<ScanServices::PlanOutcome> outcome;
        try {
            outcome = dependencies_.services.plan({result.roots, result.records, index, analysis.findings, result.folders, scope});
        } catch (const std::exception&) {
            // A planner failure leaves the analyzer's own suggestions.
        }
        if (outcome) analysis = analysis.replacingOrganization(std::move(outcome->proposal), outcome->supersededIDs);
    }
    setRecords(std::move(result.records));
    setAnalysis(std::move(analysis));
    setScanTaskPresent(false);
    setStage(Stage::dashboard);
}

void AppState::failRoad(uint64_t generation) {
    if (!isCurrentScan(generation)) return;
    setScanTaskPresent(false);
    setStage(Stage::welcome);
}

void AppState::cancelScan() {
    if (scanTaskPresent_) {
        scanStop_.request_stop();
        setScanTaskPresent(false);
    }
    setStage(Stage::welcome);
}

// --- Approvals, plan and execution -------------------------------------------------------------

void AppState::setApproved(const Finding& finding, bool approved) {
    const bool forMove = isMoveCategory(finding.category);
    std::unordered_set<UUID>& target = forMove ? approvedForMove_ : approvedForTrash_;
    if (approved) {
        target.insert(finding.id);
    } else {
        target.erase(finding.id);
    }
    if (forMove) {
        emit approvedForMoveChanged();
    } else {
        emit approvedForTrashChanged();
    }
}

bool AppState::isApproved(const Finding& finding) const {
    return approvedForMove_.contains(finding.id) || approvedForTrash_.contains(finding.id);
}

std::vector<Finding> AppState::findingsWithIDs(const std::unordered_set<UUID>& ids) const {
    std::vector<Finding> findings;
    if (!analysis_) return findings;
    for (const Finding& finding : analysis_->findings) {
        if (ids.contains(finding.id)) findings.push_back(finding);
    }
    return findings;
}

std::vector<Finding> AppState::approvedTrashFindings() const { return findingsWithIDs(approvedForTrash_); }

std::vector<Finding> AppState::approvedMoveFindings() const { return findingsWithIDs(approvedForMove_); }

int64_t AppState::approvedBytes() const {
    int64_t total = 0;
    for (const Finding& finding : approvedTrashFindings()) total = saturatingAdd(total, finding.record.size());
    for (const Finding& finding : approvedMoveFindings()) total = saturatingAdd(total, finding.record.size());
    return total;
}

ActionPlan AppState::buildPlan() const {
    ActionPlan plan;
    plan.id = UUID::random();
    plan.createdAt = Date::now();
    for (const Finding& finding : approvedMoveFindings()) {
        if (!finding.suggestedDestination) continue;
        plan.actions.push_back(plannedAction(
            finding, PlannedAction::Kind::move(finding.record.url(), *finding.suggestedDestination), finding.recognitionKind));
    }
    for (const Finding& finding : approvedTrashFindings()) {
        plan.actions.push_back(plannedAction(finding, PlannedAction::Kind::trash(finding.record.url()), std::nullopt));
    }
    return plan;
}

void AppState::execute(const ActionPlan& plan) {
    if (execution_) return;
    const uint64_t generation = ++executionGeneration_;
    setExecution(Execution{Execution::Running{"", 0, static_cast<int>(plan.actions.size())}});
    work_.start([this, generation, plan, journal = journal_, executor = executor_, activity = activityStore_,
                 priors = priorsStore_](std::stop_token) {
        auto isCurrent = [this, generation] { return generation == executionGeneration_ && execution_; };
        ActionPlan returned = executor->execute(plan, journal, *activity,
                                                [this, isCurrent](const PlannedAction& action, int position, int total) {
                                                    Execution::Running running{action.sourceURL().lastPathComponent(),
                                                                               position, total};
                                                    work_.post([this, isCurrent, running] {
                                                        if (isCurrent() && execution_->isRunning()) {
                                                            setExecution(Execution{running});
                                                        }
                                                    });
                                                });
        for (const PlannedAction& action : returned.actions) {
            const auto* done = std::get_if<PlannedAction::State::Done>(&action.state.value);
            if (done && action.kind.isMove() && action.recognitionKind) {
                priors->recordAccept(*action.recognitionKind, done->resultURL.deletingLastPathComponent().path());
            }
        }
        postActivityEntries(*activity, [this, isCurrent, returned = std::move(returned)](
                                           std::vector<ActivityEntry> entries) mutable {
            setActivityEntries(std::move(entries));
            if (!isCurrent()) return;
            setApprovedForTrash({});
            setApprovedForMove({});
            setExecution(Execution{Execution::Finished{std::move(returned)}});
        });
    });
}

void AppState::startOver() {
    setExecution(std::nullopt);
    setRoute(std::nullopt);
    setStage(Stage::welcome);
    setAnalysis(std::nullopt);
    setSummary(std::nullopt);
    setRecords({});
}

void AppState::renameProposedFolder(const UUID& folderID, const std::string& newName) {
    if (!analysis_ || !analysis_->organization) return;
    std::optional<OrganizationProposal> renamed = analysis_->organization->renamingFolder(folderID, newName);
    if (!renamed) return;
    std::unordered_set<UUID> oldIDs;
    for (const Finding& member : analysis_->organization->allMembers()) oldIDs.insert(member.id);
    setAnalysis(analysis_->replacingOrganization(std::move(*renamed), oldIDs));
}

// --- Undo and interrupted plans ----------------------------------------------------------------

void AppState::undo(const ActivityEntry& entry, const QObject* receiver, UndoDone done) {
    QPointer<QObject> guard(const_cast<QObject*>(receiver));
    const bool hasReceiver = receiver != nullptr;
    work_.start([this, entry, guard, hasReceiver, done = std::move(done), executor = executor_,
                 activity = activityStore_, priors = priorsStore_](std::stop_token) {
        ActionExecutor::ReversalResult result = ActionExecutor::ReversalResult::notPossible(earlierUndoNote);
        // The executor reads the stored entry again under its lock; a kind never changes.
        if (std::holds_alternative<ActivityEntry::Kind::Trashed>(entry.kind.value)) {
            result = executor->restoreFromTrash(entry, *activity);
        } else if (const auto* moved = std::get_if<ActivityEntry::Kind::Moved>(&entry.kind.value)) {
            result = executor->undo(entry, *activity);
            if (result.isDone() && entry.suggestionKind) {
                priors->recordReject(*entry.suggestionKind, moved->to.deletingLastPathComponent().path());
            }
        }
        postActivityEntries(*activity, [this, guard, hasReceiver, done, result](std::vector<ActivityEntry> entries) {
            setActivityEntries(std::move(entries));
            if (done && (!hasReceiver || guard)) done(result);
        });
    });
}

void AppState::dismissInterruptedPlans() {
    for (const ActionPlan& plan : interruptedPlans_) journal_.remove(plan);
    setInterruptedPlans({});
}

// --- Settings ----------------------------------------------------------------------------------

void AppState::updateScanSettings(double textScale) {
    ScanSettings settings = scanSettings_;
    settings.textScale = ScanSettings::usableTextScale(textScale);
    setScanSettings(std::move(settings));
    saveScanSettings();
    setCurrentTextScale(scanSettings_.effectiveTextScale());
    setUiRefresh(UUID::random());
}

void AppState::saveScanSettings() { scanSettings_.save(paths_.settingsFile(), dependencies_.fileSystem); }

bool AppState::hasBackgroundWork() { return work_.busy(); }

}  // namespace ordane
