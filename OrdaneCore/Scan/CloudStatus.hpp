#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Scan/CloudState.hpp"
#include "OrdanePlatform/FileSystem/DownloadingStatus.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// Which sync folders a home holds, which provider a path belongs to, and whether an item's data
// is on this disk. Built for one home folder so the walk does not rebuild the prefixes per item.
class CloudStatus {
public:
    explicit CloudStatus(const URL& home);

    // The providers whose folders exist under `home`, in the order found, each once.
    static std::vector<CloudProvider> cloudRoots(const URL& home, platform::FileSystem& fileSystem);

    // The provider whose synced folder holds the URL, by path alone.
    static std::optional<CloudProvider> provider(const URL& url, const URL& home);
    std::optional<CloudProvider> provider(const URL& url) const;
    // The same for a path that is already standardized.
    std::optional<CloudProvider> providerOfStandardizedPath(const std::string& path) const;

    // Whether an item's data is here. `isOtherProvider`: a provider other than iCloud Drive holds it.
    // Folder-like items pass their bounded size as both sizes, which never reads as a placeholder.
    static CloudState state(bool isUbiquitous, std::optional<platform::DownloadingStatus> downloadingStatus,
                            int64_t size, int64_t allocatedSize, bool isOtherProvider);

    // The provider kept on a record: the path's, else iCloud Drive for an item the system syncs.
    static std::optional<CloudProvider> recordedProvider(std::optional<CloudProvider> pathProvider,
                                                         bool isUbiquitous);

private:
    std::string mobileDocumentsPrefix_;  // home + "/Library/Mobile Documents/"
    std::string cloudStoragePrefix_;     // home + "/Library/CloudStorage/"
    std::string dropboxPrefix_;          // home + "/Dropbox/"
};

}  // namespace ordane
