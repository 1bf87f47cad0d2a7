#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Scan/CloudState.hpp"
#include "OrdanePlatform/FileSystem/DownloadingStatus.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/Trash/MountTable.hpp"

namespace ordane {

// Which sync folders a home holds, which provider a path belongs to, and whether an item's data
// is on this disk. Built for one home folder so the walk does not rebuild the prefixes per item.
class CloudStatus {
public:
    // Knows the sync folders by their paths under `home` alone.
    explicit CloudStatus(const URL& home);
    // Also knows them where their links lead, and which mounts are network mounts (from the
    // file system's mount table; an unreadable table means none).
    CloudStatus(const URL& home, platform::FileSystem& fileSystem,
                const std::string& mountTableSource = platform::MountTable::defaultSource);

    // The providers whose folders exist under `home`, in the order found, each once.
    static std::vector<CloudProvider> cloudRoots(const URL& home, platform::FileSystem& fileSystem);

    // The provider whose synced folder holds the URL, by path alone.
    static std::optional<CloudProvider> provider(const URL& url, const URL& home);
    std::optional<CloudProvider> provider(const URL& url) const;
    // The same for a path that is already standardized.
    std::optional<CloudProvider> providerOfStandardizedPath(const std::string& path) const;
    // The same for items met folder by folder, as a walk meets them: the answer for the item's
    // folder is kept until an item of another folder comes or a sync folder is added.
    std::optional<CloudProvider> providerOfStandardizedItem(const std::string& path);
    // Whether the items directly in a folder (standardized, no trailing "/") may each have another
    // provider, as those in CloudStorage are named after theirs; otherwise the folder's answer is
    // every item's.
    bool providerVariesByNameIn(std::string_view folder) const;

    // The provider whose sync client marks a folder as its own by an item of the folder's hidden
    // names (`.dropbox`, a Nextcloud or ownCloud `.sync_*.db` journal, Syncthing's `.stfolder`).
    static std::optional<CloudProvider> markedProvider(const std::vector<std::string>& hiddenNames);
    // Everything below the folder (a standardized path) belongs to the provider from now on.
    void addSyncFolder(const std::string& folder, CloudProvider provider);
    // Looks for a marked sync folder among a root's folder and its ancestors, so a user folder
    // that lies inside a synced one (through a link, too) counts as synced.
    void addSyncFolderHolding(const std::string& canonicalPath, platform::FileSystem& fileSystem);

    // The devices of network FUSE mounts (rclone, sshfs, the desktop's network places …).
    static std::unordered_set<uint64_t> networkDevices(const platform::MountTable& table);
    // Whether an item's data is elsewhere whatever its sizes say: a sync client's placeholder file
    // (*.nextcloud, *.owncloud) or anything on a network mount. Reading it would download it.
    bool isElsewhere(std::string_view name, uint64_t device) const;

    // Whether an item's data is here. `isOtherProvider`: a provider other than iCloud Drive holds it.
    // Folder-like items pass their bounded size as both sizes, which never reads as a placeholder.
    static CloudState state(bool isUbiquitous, std::optional<platform::DownloadingStatus> downloadingStatus,
                            int64_t size, int64_t allocatedSize, bool isOtherProvider);

    // The provider kept on a record: the path's, else iCloud Drive for an item the system syncs.
    static std::optional<CloudProvider> recordedProvider(std::optional<CloudProvider> pathProvider,
                                                         bool isUbiquitous);

private:
    struct SyncFolder {
        std::string prefix;  // ends in "/"
        CloudProvider provider;
    };

    std::string mobileDocumentsPrefix_;  // home + "/Library/Mobile Documents/"
    std::string cloudStoragePrefix_;     // home + "/Library/CloudStorage/"
    std::vector<SyncFolder> syncFolders_;  // ~/Dropbox, ~/OneDrive, and those found by their marks
    std::unordered_set<uint64_t> networkDevices_;
    std::string cachedFolder_;  // the last item's folder, with its "/"
    std::optional<CloudProvider> cachedProvider_;
    bool hasCachedProvider_ = false;
};

}  // namespace ordane
