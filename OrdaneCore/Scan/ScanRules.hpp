#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// What the walk stays out of, what it treats as one item, and what marks a software project.
struct ScanRules {
    std::unordered_set<std::string> deniedPaths;                 // whole standardized paths
    std::unordered_set<std::string> appManagedBundleExtensions;  // lower-case, no dot
    std::unordered_set<std::string> projectMarkerNames;
    std::unordered_set<std::string> projectMarkerExtensions;     // lower-case
    std::unordered_set<std::string> recreatableDirNames;         // exact, case-sensitive
    // What other systems keep at the top of a drive, passed over there like denied folders.
    // Lower-case; matched ignoring ASCII case, as those systems name them either way.
    std::unordered_set<std::string> volumeSystemFolderNames;
    int64_t boundedSizeEntryCap = 50000;

    // The defaults for a home folder.
    static ScanRules standard(const URL& home);
    // The defaults for a home that cannot exist, with extra denied paths (for fixtures).
    static ScanRules fixture(const std::unordered_set<std::string>& extraDeniedPaths = {});

    // A folder holding a marker name (links followed) or an item with a marker extension.
    bool isProjectRoot(const URL& folder, platform::FileSystem& fileSystem) const;
    // The same test from the folder's listing, already read by a walk; only markers that are
    // links or hidden are looked up again.
    bool isProjectRoot(const URL& folder, const platform::DirectoryListing& listing,
                       platform::FileSystem& fileSystem) const;
    bool isDenied(const URL& url) const;
    bool isAppManagedBundle(const URL& url) const;
    // The same two for a walk, which knows an item's standardized path and name without a URL.
    bool isDeniedPath(const std::string& standardizedPath) const;
    bool isAppManagedBundleName(std::string_view name) const;
    bool isRecreatableDirName(std::string_view name) const;
    bool isVolumeSystemFolderName(std::string_view name) const;

    bool operator==(const ScanRules&) const = default;
};

// The project markers of some rules, arranged once to test the listing of every folder a walk
// enters: marker names are looked for by merging them with the sorted listing, by first byte, and
// only names whose end could hold a marker extension are looked at further.
class ProjectMarkers {
public:
    explicit ProjectMarkers(const ScanRules& rules);

    // ScanRules::isProjectRoot from a listing of the folder at `folderPath`.
    bool areIn(const std::string& folderPath, const platform::DirectoryListing& listing,
               platform::FileSystem& fileSystem) const;

private:
    bool isMarkerName(std::string_view name) const;
    bool hasMarkerExtension(std::string_view name) const;

    std::vector<std::string> names_;  // sorted bytewise
    std::unordered_set<std::string> extensions_;
    size_t shortestExtension_ = SIZE_MAX;
    size_t longestExtension_ = 0;
    // [b]: a name ending in the ASCII byte b may end in a marker extension (its last byte, in
    // either case); a name ending in another byte always may.
    std::array<bool, 128> lastBytes_{};
};

}  // namespace ordane
