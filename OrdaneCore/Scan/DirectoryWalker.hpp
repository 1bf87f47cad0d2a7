#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Scan/CloudStatus.hpp"
#include "OrdaneCore/Scan/ScanEvent.hpp"
#include "OrdaneCore/Scan/ScanRules.hpp"
#include "OrdanePlatform/FileSystem/DirectoryEnumerator.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// Turns root folders into file records: one per file, package, app-managed bundle and
// recreatable build folder (the last three sized as one item), depth first, hidden items
// skipped. Reports progress at most every 100 ms (the clock is read for every folder met and
// every 16th file), every record, and a summary at the end.
// Made for one scan; not shared between threads.
class DirectoryWalker {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using Emit = std::function<void(ScanEvent&&)>;

    // `readers`: threads that read folders ahead of the walk (0: the walk reads them itself).
    // Records, issues, progress and their order are the same with any number.
    DirectoryWalker(ScanRules rules, URL home,
                    std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real(),
                    Clock clock = std::chrono::steady_clock::now,
                    unsigned readers = platform::FolderReadAhead::defaultThreads());

    // Walks every root in order and emits the summary last. Throws CancellationError when
    // `stopToken` asks to stop (checked every 200 items, and every 500 entries while sizing);
    // nothing is emitted after that.
    void walk(const std::vector<URL>& roots, const Emit& emit, std::stop_token stopToken = {});
    // The same, with the records handed to `emitRecord` alone, without an event around each.
    using EmitRecord = std::function<void(FileRecord&&)>;
    void walk(const std::vector<URL>& roots, const Emit& emit, const EmitRecord& emitRecord,
              std::stop_token stopToken = {});

private:
    struct ErrorBox {
        std::vector<ScanIssue> collected;
    };
    using Item = platform::DirectoryEnumerator::Item;

    void walkRoot(const URL& root, const Emit& emit, const std::stop_token& stopToken);
    void visit(const Item& item, platform::DirectoryEnumerator& enumerator, const Emit& emit,
               const std::stop_token& stopToken);
    void visitFolder(const Item& item, platform::DirectoryEnumerator& enumerator, const Emit& emit,
                     const std::stop_token& stopToken);
    // A folder another system keeps at the top of a drive (lost+found and the like).
    bool isVolumeSystemFolder(const std::string& path, std::string_view name) const;
    void reportUnreadableValues(const Item& item);
    bool enumerationIssue(const std::string& path, int errorNumber, ErrorBox& box);
    int64_t boundedSize(const Item& folder, const std::stop_token& stopToken);
    void recordSized(const Item& item, bool isPackage, std::optional<ProjectContext> context,
                     const std::stop_token& stopToken);
    void recordFile(const Item& item);
    // All of a record's values but its path (the item's) and its project context.
    FileRecord::Fields recordValues(const Item& item, int64_t size, int64_t allocatedSize, bool isFolderLike);
    void record(FileRecord record);
    // What holds for every item of one folder, looked up for the first of its items and kept while
    // its siblings come (they come together); dropped when a sync folder or project root is added.
    struct FolderFacts {
        bool known = false;
        std::string folder;  // standardized, without its "/"
        std::optional<CloudProvider> provider;
        bool providerVariesByName = false;  // then asked item by item
        std::optional<URL> projectRoot;     // the innermost one holding the folder
        std::optional<ProjectContext> sourceOfProject;  // of its items, when inside one
    };
    // Of the folder of the item being visited.
    const FolderFacts& folderFacts();
    std::optional<URL> projectRootHolding(const std::string& standardizedPath) const;
    void addProjectRoot(const std::string& standardizedPath);
    void noteSyncFolderHolding(const std::string& rootPath);
    void emitProgressIfDue(const Emit& emit);
    void addIssue(ScanIssue::Kind kind, const std::string& path, std::string message);

    ScanRules rules_;
    ProjectMarkers projectMarkers_;
    URL home_;
    std::shared_ptr<platform::FileSystem> fileSystem_;
    Clock clock_;
    unsigned readers_;
    const EmitRecord* emitRecord_ = nullptr;  // during a walk
    platform::FolderReadAhead* readAhead_ = nullptr;  // during a walk with readers
    platform::DirectoryEnumerator* walking_ = nullptr;  // the root's enumerator, while it runs
    CloudStatus cloudStatus_;
    int64_t filesSeen_ = 0;
    int64_t bytesSeen_ = 0;
    std::vector<ScanIssue> issues_;
    std::array<CategoryStat, EnumCases<TypeBucket>::cases.size()> byType_{};  // by the bucket's place
    std::chrono::steady_clock::time_point lastProgressAt_;
    int filesSinceClockReading_ = 0;
    std::vector<std::string> projectRootPaths_;  // standardized, each ending in "/", in the order found
    struct PathHash {
        using is_transparent = void;
        size_t operator()(std::string_view path) const { return std::hash<std::string_view>{}(path); }
    };
    // Each stored path → its last place in projectRootPaths_.
    std::unordered_map<std::string, size_t, PathHash, std::equal_to<>> projectRootIndex_;
    std::vector<bool> projectRootLengths_;  // [n]: some stored path is n bytes long

    std::string currentFolder_;
    bool rootIsStandardized_ = false;
    const std::string* standardizedPath_ = nullptr;  // of the item being visited
    std::string standardized_;  // where it is kept when it is not the item's path
    std::string pendingProjectFolder_;  // the plain folder met last, whose listing comes next
    FolderFacts facts_;
    size_t folderLength_ = 0;    // of standardizedPath_, without the "/" before the name
    bool factsChecked_ = false;  // facts_ was compared with the visited item's folder
};

}  // namespace ordane
