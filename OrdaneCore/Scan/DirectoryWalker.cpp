#include "OrdaneCore/Scan/DirectoryWalker.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Foundation/SaturatingAdd.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace path = platform::path;
using platform::DirectoryEnumerator;
using platform::FileSystemError;

namespace {

constexpr int cancellationInterval = 200;  // enumerated items between checks
constexpr int sizingCancellationInterval = 500;
constexpr auto progressInterval = std::chrono::milliseconds(100);
// The clock is read for every folder met, whose reading may wait on the disk, and after so many
// files, which are a microsecond or so each once their folder is read: reading it for every file
// would cost more than the file.
constexpr int filesPerClockReading = 16;

// Names in sentences for the person: bytes that are not UTF-8 are shown as U+FFFD, while the
// issue's path keeps the exact bytes.
std::string shown(std::string_view name) { return platform::text::validUTF8(name); }

// The top folder of a mounted file system: on another device than the folder above it, or "/".
bool isVolumeTop(platform::FileSystem& fileSystem, const std::string& folder) {
    try {
        platform::FileStatus own = fileSystem.status(folder);
        platform::FileStatus above = fileSystem.status(path::appending(folder, ".."));
        return own.device != above.device || own.inode == above.inode;
    } catch (const FileSystemError&) {
        return false;
    }
}

std::optional<Date> dateFromUnix(std::optional<double> seconds) {
    if (!seconds) return std::nullopt;
    return Date::fromUnix(*seconds);
}

}  // namespace

DirectoryWalker::DirectoryWalker(ScanRules rules, URL home, std::shared_ptr<platform::FileSystem> fileSystem,
                                 Clock clock, unsigned readers)
    : rules_(std::move(rules)),
      projectMarkers_(rules_),
      home_(std::move(home)),
      fileSystem_(std::move(fileSystem)),
      clock_(std::move(clock)),
      readers_(readers),
      cloudStatus_(home_, *fileSystem_),
      lastProgressAt_(clock_()) {}

void DirectoryWalker::walk(const std::vector<URL>& roots, const Emit& emit, std::stop_token stopToken) {
    walk(roots, emit, [&emit](FileRecord&& record) { emit(ScanEvent{std::move(record)}); }, std::move(stopToken));
}

void DirectoryWalker::walk(const std::vector<URL>& roots, const Emit& emit, const EmitRecord& emitRecord,
                           std::stop_token stopToken) {
    emitRecord_ = &emitRecord;
    Date startedAt = Date::now();
    std::optional<platform::FolderReadAhead> readers;
    if (readers_ > 0) readers.emplace(fileSystem_, readers_);
    readAhead_ = readers ? &*readers : nullptr;
    for (const URL& root : roots) {
        // A missing root is simply not there to scan: no issue.
        if (!fileSystem_->existsFollowingLinks(root.path())) continue;
        walkRoot(root, emit, stopToken);
    }
    std::map<TypeBucket, CategoryStat> byType;
    for (size_t bucket = 0; bucket < byType_.size(); ++bucket) {
        if (byType_[bucket].count > 0) byType[static_cast<TypeBucket>(bucket)] = byType_[bucket];
    }
    emit(ScanEvent{ScanSummary{startedAt, Date::now(), roots, filesSeen_, bytesSeen_, byType, issues_}});
}

void DirectoryWalker::walkRoot(const URL& root, const Emit& emit, const std::stop_token& stopToken) {
    if (rules_.isDenied(root) || rules_.isAppManagedBundle(root)) return;
    facts_.known = false;
    std::string rootPath = root.standardized().path();
    if (rules_.isProjectRoot(root, *fileSystem_)) addProjectRoot(rootPath);
    noteSyncFolderHolding(rootPath);
    // Names are never "." or "..", so below a standardized root every item path is standardized.
    rootIsStandardized_ = rootPath == path::withoutTrailingSlash(root.path());

    ErrorBox box;
    std::optional<DirectoryEnumerator> enumerator;
    try {
        enumerator.emplace(fileSystem_, root.path(),
                           DirectoryEnumerator::Options{.skipsHiddenFiles = true, .skipsPackageDescendants = true},
                           [this, &box](const std::string& path, int errorNumber) {
                               return enumerationIssue(path, errorNumber, box);
                           });
    } catch (const FileSystemError&) {
        addIssue(ScanIssue::Kind::unreadable, rootPath, "Couldn't open " + shown(root.lastPathComponent()) + " at all.");
        return;
    }

    // Folders the walk will skip are not worth reading ahead.
    // The folders the walk sizes are listed whole.
    using Descent = platform::FolderReadAhead::Descent;
    if (readAhead_) {
        // Taken along: a reader may still be at this root's folders when the next root starts.
        bool standardized = rootIsStandardized_;
        enumerator->readAheadOn(*readAhead_, [this, standardized](const std::string& path,
                                                                  const platform::DirectoryEntry& entry, bool isPackage) {
            // Not `standardized ? path : ...`: that would copy `path` for every folder.
            if ((standardized ? rules_.isDeniedPath(path) : rules_.isDeniedPath(path::standardized(path))) ||
                isVolumeSystemFolder(path, entry.name)) {
                return Descent::skip;
            }
            if (isPackage || rules_.isAppManagedBundleName(entry.name) || rules_.isRecreatableDirName(entry.name)) {
                return Descent::whole;
            }
            return Descent::enter;
        });
    }

    // A plain folder is tested for project markers from its own listing, read before any of its
    // items comes, instead of looking its markers up one by one.
    enumerator->setFolderReadHandler([this](const std::string& path, const platform::DirectoryListing& listing) {
        if (auto provider = CloudStatus::markedProvider(listing.hiddenNames)) {
            cloudStatus_.addSyncFolder(platform::path::standardized(path), *provider);
            facts_.known = false;
        }
        if (path != pendingProjectFolder_) return;
        pendingProjectFolder_.clear();
        if (projectMarkers_.areIn(path, listing, *fileSystem_)) {
            addProjectRoot(platform::path::standardized(path));
        }
    });

    currentFolder_ = root.lastPathComponent();
    walking_ = &*enumerator;
    int64_t count = 0;
    while (const Item* item = enumerator->next()) {
        if (++count % cancellationInterval == 0) checkCancellation(stopToken);
        visit(*item, *enumerator, emit, stopToken);
    }
    walking_ = nullptr;
    issues_.insert(issues_.end(), box.collected.begin(), box.collected.end());
}

void DirectoryWalker::visit(const Item& item, DirectoryEnumerator& enumerator, const Emit& emit,
                            const std::stop_token& stopToken) {
    if (rootIsStandardized_) {
        standardizedPath_ = &item.path;  // not copied: it lasts as long as the visit
    } else {
        standardized_ = path::standardized(item.path);
        standardizedPath_ = &standardized_;
    }
    const std::string& standardizedPath = *standardizedPath_;
    // A name is never "." or "..", so the standardized path still ends in "/" and the name.
    folderLength_ = standardizedPath.size() - std::min(standardizedPath.size(), item.name().size() + 1);
    factsChecked_ = false;
    const auto& status = item.status();
    if (!status) {
        reportUnreadableValues(item);
        return;
    }
    if (status->isSymlink()) {
        // Links are never recorded or followed; only a dangling one is worth telling about.
        const auto& leads = item.entry->linkLeadsSomewhere;
        if (leads ? !*leads : !fileSystem_->existsFollowingLinks(item.path)) {
            addIssue(ScanIssue::Kind::brokenSymlink, *standardizedPath_,
                     shown(item.name()) + " is a shortcut that points nowhere.");
        }
        return;
    }
    if (item.isPackage) {
        enumerator.skipDescendants();
        if (rules_.isDeniedPath(*standardizedPath_)) return;
        std::optional<ProjectContext> context;
        if (!rules_.isAppManagedBundleName(item.name())) context = folderFacts().sourceOfProject;
        recordSized(item, true, std::move(context), stopToken);
        return;
    }
    if (status->isDirectory()) {
        visitFolder(item, enumerator, emit, stopToken);
        return;
    }
    // Files, and FIFOs, sockets and devices, which are recorded from their values and never opened.
    recordFile(item);
    if (++filesSinceClockReading_ == filesPerClockReading) emitProgressIfDue(emit);
}

void DirectoryWalker::visitFolder(const Item& item, DirectoryEnumerator& enumerator, const Emit& emit,
                                  const std::stop_token& stopToken) {
    if (rules_.isDeniedPath(*standardizedPath_) || isVolumeSystemFolder(item.path, item.name())) {
        enumerator.skipDescendants();
        return;
    }
    if (rules_.isAppManagedBundleName(item.name())) {
        // A bundle the file system does not flag as a package.
        enumerator.skipDescendants();
        recordSized(item, true, std::nullopt, stopToken);
        return;
    }
    currentFolder_ = item.name();
    if (rules_.isRecreatableDirName(item.name())) {
        enumerator.skipDescendants();
        recordSized(item, false, ProjectContext::recreatable(item.name(), folderFacts().projectRoot), stopToken);
        return;
    }
    pendingProjectFolder_ = item.path;  // tested when the enumerator reads it, next
    emitProgressIfDue(emit);
}

bool DirectoryWalker::isVolumeSystemFolder(const std::string& path, std::string_view name) const {
    // A drive formatted elsewhere brings them; only at its top are they that system's own.
    return rules_.isVolumeSystemFolderName(name) && isVolumeTop(*fileSystem_, path::parent(path));
}

void DirectoryWalker::reportUnreadableValues(const Item& item) {
    bool isLink = false;
    try {
        isLink = fileSystem_->linkStatus(item.path).isSymlink();
    } catch (const FileSystemError&) {
        // Not even the link flag: the item is gone or changing.
    }
    if (isLink) {
        addIssue(ScanIssue::Kind::brokenSymlink, *standardizedPath_,
                 shown(item.name()) + " is a shortcut that points nowhere.");
    } else {
        addIssue(ScanIssue::Kind::vanished, *standardizedPath_,
                 shown(item.name()) + " changed or disappeared while I was looking.");
    }
}

bool DirectoryWalker::enumerationIssue(const std::string& path, int errorNumber, ErrorBox& box) {
    auto kind = errorNumber == EACCES || errorNumber == EPERM ? ScanIssue::Kind::permissionDenied
                                                              : ScanIssue::Kind::unreadable;
    box.collected.push_back(ScanIssue{UUID::random(), kind, path::standardized(path),
                                      "Couldn't look inside " + shown(path::lastComponent(path)) + ", so it was skipped."});
    return true;
}

int64_t DirectoryWalker::boundedSize(const Item& folder, const std::stop_token& stopToken) {
    std::optional<DirectoryEnumerator> enumerator;
    try {
        // Hidden items and package contents count too. The folder's values were just read with
        // its parent: not read again.
        enumerator.emplace(fileSystem_, folder.path, *folder.status(), DirectoryEnumerator::Options{},
                           [](const std::string&, int) { return true; });
    } catch (const FileSystemError&) {
        return 0;
    }
    if (walking_) enumerator->readAheadWithin(*walking_);
    int64_t total = 0;
    int64_t entries = 0;
    while (const Item* item = enumerator->next()) {
        if (++entries % sizingCancellationInterval == 0) checkCancellation(stopToken);
        // Past the cap the total is a lower bound; one huge folder must not stall the scan.
        if (entries > rules_.boundedSizeEntryCap) break;
        if (item->status() && item->status()->isRegular()) {
            total = saturatingAdd(total, item->status()->allocatedSize);
        }
    }
    return total;
}

void DirectoryWalker::recordSized(const Item& item, bool isPackage, std::optional<ProjectContext> context,
                                  const std::stop_token& stopToken) {
    int64_t size = boundedSize(item, stopToken);
    FileRecord::Fields values = recordValues(item, size, size, true);
    values.isPackage = isPackage;
    values.projectContext = std::move(context);
    record(FileRecord(item.path, true, std::move(values)));
}

void DirectoryWalker::recordFile(const Item& item) {
    FileRecord::Fields values = recordValues(item, item.status()->size, item.status()->allocatedSize, false);
    values.projectContext = folderFacts().sourceOfProject;
    record(FileRecord(item.path, false, std::move(values)));
}

FileRecord::Fields DirectoryWalker::recordValues(const Item& item, int64_t size, int64_t allocatedSize,
                                                 bool isFolderLike) {
    FileRecord::Fields values;
    values.id = UUID::random();
    values.size = size;
    values.allocatedSize = allocatedSize;
    values.created = dateFromUnix(item.status()->created);
    values.modified = Date::fromUnix(item.status()->modified);
    values.isDirectory = isFolderLike;
    const FolderFacts& facts = folderFacts();
    auto provider = facts.providerVariesByName ? cloudStatus_.providerOfStandardizedItem(*standardizedPath_)
                                               : facts.provider;
    if (cloudStatus_.isElsewhere(item.name(), item.status()->device)) {
        values.cloud = CloudState::cloudOnly;
        values.cloudProvider = provider.value_or(CloudProvider::other);
        return values;
    }
    bool isOtherProvider = provider && *provider != CloudProvider::iCloudDrive;
    values.cloud = CloudStatus::state(item.entry->isUbiquitous, item.entry->downloadingStatus, size, allocatedSize,
                                      isOtherProvider);
    values.cloudProvider = CloudStatus::recordedProvider(provider, item.entry->isUbiquitous);
    return values;
}

void DirectoryWalker::record(FileRecord result) {
    filesSeen_ += 1;
    bytesSeen_ = saturatingAdd(bytesSeen_, result.size());
    byType_[static_cast<size_t>(result.typeBucket())].add(result);
    (*emitRecord_)(std::move(result));
}

const DirectoryWalker::FolderFacts& DirectoryWalker::folderFacts() {
    if (factsChecked_ && facts_.known) return facts_;
    factsChecked_ = true;
    std::string_view folder(standardizedPath_->data(), folderLength_);
    if (facts_.known && folder == facts_.folder) return facts_;
    facts_.known = true;
    facts_.folder = folder;
    facts_.providerVariesByName = cloudStatus_.providerVariesByNameIn(folder);
    facts_.provider = cloudStatus_.providerOfStandardizedItem(*standardizedPath_);
    // A stored root is a prefix of an item's path exactly when it is one of its folder's.
    facts_.projectRoot = projectRootHolding(*standardizedPath_);
    facts_.sourceOfProject.reset();
    if (facts_.projectRoot) facts_.sourceOfProject = ProjectContext::sourceOfProject(*facts_.projectRoot);
    return facts_;
}

std::optional<URL> DirectoryWalker::projectRootHolding(const std::string& standardizedPath) const {
    // The newest stored root that is a prefix: a stored path ends in "/", so only the path's own
    // prefixes up to each "/" can match; looked up instead of comparing every stored root.
    std::optional<size_t> newest;
    for (size_t slash = standardizedPath.find('/'); slash != std::string::npos;
         slash = standardizedPath.find('/', slash + 1)) {
        // Only a prefix as long as some stored root can be one; most are not looked up at all.
        if (slash + 1 >= projectRootLengths_.size()) break;
        if (!projectRootLengths_[slash + 1]) continue;
        auto stored = projectRootIndex_.find(std::string_view(standardizedPath).substr(0, slash + 1));
        if (stored != projectRootIndex_.end() && (!newest || stored->second > *newest)) newest = stored->second;
    }
    if (!newest) return std::nullopt;
    std::string_view root(projectRootPaths_[*newest]);
    if (root.size() > 1) root.remove_suffix(1);
    return URL::fileURL(root, true);
}

void DirectoryWalker::addProjectRoot(const std::string& standardizedPath) {
    projectRootPaths_.push_back(standardizedPath == "/" ? standardizedPath : standardizedPath + "/");
    projectRootIndex_[projectRootPaths_.back()] = projectRootPaths_.size() - 1;
    size_t length = projectRootPaths_.back().size();
    if (length >= projectRootLengths_.size()) projectRootLengths_.resize(length + 1);
    projectRootLengths_[length] = true;
    facts_.known = false;
}

void DirectoryWalker::noteSyncFolderHolding(const std::string& rootPath) {
    // Whether a root syncs is decided where its links lead: ~/Documents may be a link into ~/Dropbox.
    std::string canonical = rootPath;
    try {
        canonical = fileSystem_->canonicalPath(rootPath);
    } catch (const FileSystemError&) {
    }
    cloudStatus_.addSyncFolderHolding(canonical, *fileSystem_);
    if (canonical == rootPath) return;
    if (auto provider = cloudStatus_.providerOfStandardizedPath(canonical + "/")) {
        cloudStatus_.addSyncFolder(rootPath, *provider);
    }
}

void DirectoryWalker::emitProgressIfDue(const Emit& emit) {
    filesSinceClockReading_ = 0;
    auto now = clock_();
    if (now - lastProgressAt_ <= progressInterval) return;
    lastProgressAt_ = now;
    emit(ScanEvent{ScanProgress{filesSeen_, bytesSeen_, currentFolder_, ScanProgress::Walking{}}});
}

void DirectoryWalker::addIssue(ScanIssue::Kind kind, const std::string& path, std::string message) {
    issues_.push_back(ScanIssue{UUID::random(), kind, path, std::move(message)});
}

}  // namespace ordane
