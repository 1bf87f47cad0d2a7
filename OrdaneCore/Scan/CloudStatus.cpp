#include "OrdaneCore/Scan/CloudStatus.hpp"

#include <algorithm>
#include <array>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

namespace path = platform::path;

namespace {

// Sync clients name their folders under CloudStorage after themselves ("OneDrive-Personal").
constexpr std::array<std::pair<std::string_view, CloudProvider>, 3> storageNamePrefixes{{
    {"Dropbox", CloudProvider::dropbox},
    {"OneDrive", CloudProvider::oneDrive},
    {"GoogleDrive", CloudProvider::googleDrive},
}};

std::optional<CloudProvider> providerOfStorageName(std::string_view name) {
    for (auto [prefix, provider] : storageNamePrefixes) {
        if (name.starts_with(prefix)) return provider;
    }
    return std::nullopt;
}

void addOnce(std::vector<CloudProvider>& providers, CloudProvider provider) {
    if (std::find(providers.begin(), providers.end(), provider) == providers.end()) providers.push_back(provider);
}

}  // namespace

CloudStatus::CloudStatus(const URL& home) {
    std::string homePath = home.standardized().path();
    if (homePath == "/") homePath.clear();
    mobileDocumentsPrefix_ = homePath + "/Library/Mobile Documents/";
    cloudStoragePrefix_ = homePath + "/Library/CloudStorage/";
    dropboxPrefix_ = homePath + "/Dropbox/";
}

std::vector<CloudProvider> CloudStatus::cloudRoots(const URL& home, platform::FileSystem& fileSystem) {
    std::string homePath = home.standardized().path();
    std::vector<CloudProvider> providers;
    if (fileSystem.existsFollowingLinks(path::appending(homePath, "Library/Mobile Documents/com~apple~CloudDocs"))) {
        providers.push_back(CloudProvider::iCloudDrive);
    }
    try {
        for (const std::string& name : fileSystem.listDirectory(path::appending(homePath, "Library/CloudStorage"))) {
            if (auto provider = providerOfStorageName(name)) addOnce(providers, *provider);
        }
    } catch (const platform::FileSystemError&) {
        // No CloudStorage folder, or one we can't read: no providers from it.
    }
    if (fileSystem.existsFollowingLinks(path::appending(homePath, "Dropbox"))) addOnce(providers, CloudProvider::dropbox);
    return providers;
}

std::optional<CloudProvider> CloudStatus::provider(const URL& url, const URL& home) {
    return CloudStatus(home).provider(url);
}

std::optional<CloudProvider> CloudStatus::provider(const URL& url) const {
    return providerOfStandardizedPath(url.standardized().path());
}

std::optional<CloudProvider> CloudStatus::providerOfStandardizedPath(const std::string& path) const {
    if (path.starts_with(mobileDocumentsPrefix_)) return CloudProvider::iCloudDrive;
    if (path.starts_with(cloudStoragePrefix_)) {
        std::string_view rest = std::string_view(path).substr(cloudStoragePrefix_.size());
        std::string_view name = rest.substr(0, rest.find('/'));
        return providerOfStorageName(name).value_or(CloudProvider::other);
    }
    if (path.starts_with(dropboxPrefix_)) return CloudProvider::dropbox;
    return std::nullopt;
}

CloudState CloudStatus::state(bool isUbiquitous, std::optional<platform::DownloadingStatus> downloadingStatus,
                              int64_t size, int64_t allocatedSize, bool isOtherProvider) {
    if (isUbiquitous) {
        return downloadingStatus == platform::DownloadingStatus::notDownloaded ? CloudState::cloudOnly
                                                                               : CloudState::cloudDownloaded;
    }
    if (!isOtherProvider) return CloudState::local;
    // A placeholder: the file claims content but holds no blocks here.
    return allocatedSize == 0 && size > 0 ? CloudState::cloudOnly : CloudState::cloudDownloaded;
}

std::optional<CloudProvider> CloudStatus::recordedProvider(std::optional<CloudProvider> pathProvider,
                                                           bool isUbiquitous) {
    if (pathProvider) return pathProvider;
    if (isUbiquitous) return CloudProvider::iCloudDrive;
    return std::nullopt;
}

}  // namespace ordane
