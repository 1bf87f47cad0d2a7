#include "OrdaneCore/Scan/CloudStatus.hpp"

#include <algorithm>
#include <array>

#include "OrdanePlatform/FileSystem/FileSystemError.hpp"
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

// The folders sync clients make in the home by default.
constexpr std::array<std::pair<std::string_view, CloudProvider>, 2> homeSyncFolders{{
    {"Dropbox", CloudProvider::dropbox},
    {"OneDrive", CloudProvider::oneDrive},
}};

// FUSE file systems (the part of the type after "fuse.") whose files live on another machine.
constexpr std::string_view networkFuseTypes[] = {
    "rclone", "sshfs",     "gvfsd-fuse", "s3fs",     "gcsfuse",  "goofys",   "curlftpfs",
    "davfs",  "onedriver", "smbnetfs",   "blobfuse", "blobfuse2", "google-drive-ocamlfuse",
};

void addOnce(std::vector<CloudProvider>& providers, CloudProvider provider) {
    if (std::find(providers.begin(), providers.end(), provider) == providers.end()) providers.push_back(provider);
}

}  // namespace

CloudStatus::CloudStatus(const URL& home) {
    std::string homePath = home.standardized().path();
    if (homePath == "/") homePath.clear();
    mobileDocumentsPrefix_ = homePath + "/Library/Mobile Documents/";
    cloudStoragePrefix_ = homePath + "/Library/CloudStorage/";
    for (auto [name, provider] : homeSyncFolders) {
        syncFolders_.push_back({homePath + "/" + std::string(name) + "/", provider});
    }
}

CloudStatus::CloudStatus(const URL& home, platform::FileSystem& fileSystem, const std::string& mountTableSource)
    : CloudStatus(home) {
    const std::string homePath = home.standardized().path();
    for (auto [name, provider] : homeSyncFolders) {
        try {
            addSyncFolder(fileSystem.canonicalPath(path::appending(homePath, name)), provider);
        } catch (const platform::FileSystemError&) {
            // Not there: nothing to resolve.
        }
    }
    try {
        networkDevices_ = networkDevices(platform::MountTable::read(fileSystem, mountTableSource));
    } catch (const platform::FileSystemError&) {
    }
}

std::optional<CloudProvider> CloudStatus::markedProvider(const std::vector<std::string>& hiddenNames) {
    for (const std::string& name : hiddenNames) {
        if (name == ".dropbox") return CloudProvider::dropbox;
        bool syncJournal = (name.starts_with(".sync_") || name.starts_with("._sync_")) && name.ends_with(".db");
        if (syncJournal || name == ".stfolder") return CloudProvider::other;
    }
    return std::nullopt;
}

void CloudStatus::addSyncFolder(const std::string& folder, CloudProvider provider) {
    std::string prefix = folder == "/" ? folder : folder + "/";
    for (const SyncFolder& known : syncFolders_) {
        if (known.prefix == prefix) return;
    }
    syncFolders_.push_back({std::move(prefix), provider});
    hasCachedProvider_ = false;
}

void CloudStatus::addSyncFolderHolding(const std::string& canonicalPath, platform::FileSystem& fileSystem) {
    for (std::string folder = canonicalPath;; folder = path::parent(folder)) {
        std::vector<std::string> hidden;
        try {
            for (std::string& name : fileSystem.listDirectory(folder)) {
                if (name.starts_with('.')) hidden.push_back(std::move(name));
            }
        } catch (const platform::FileSystemError&) {
        }
        if (auto provider = markedProvider(hidden)) {
            addSyncFolder(folder, *provider);
            return;
        }
        if (folder == "/" || folder.empty()) return;
    }
}

std::unordered_set<uint64_t> CloudStatus::networkDevices(const platform::MountTable& table) {
    std::unordered_set<uint64_t> devices;
    for (const auto& mount : table.mounts()) {
        std::string_view type = mount.fileSystemType;
        if (!type.starts_with("fuse.")) continue;
        type.remove_prefix(5);
        if (std::find(std::begin(networkFuseTypes), std::end(networkFuseTypes), type) != std::end(networkFuseTypes)) {
            devices.insert(mount.device);
        }
    }
    return devices;
}

bool CloudStatus::isElsewhere(std::string_view name, uint64_t device) const {
    if (!networkDevices_.empty() && networkDevices_.contains(device)) return true;
    constexpr std::string_view nextcloud = "nextcloud";
    constexpr std::string_view owncloud = "owncloud";
    // Asked of every item: both end in "d", which most names do not (a name ending in a byte
    // above 0x7f goes the long way); most other extensions differ in length from both.
    if (name.empty()) return false;
    char last = name.back();
    if (static_cast<unsigned char>(last) < 0x80 && last != 'd' && last != 'D') return false;
    auto quick = path::nameExtension(name, nextcloud.size());
    if (quick.ascii && quick.written.size() != nextcloud.size() && quick.written.size() != owncloud.size()) {
        return false;
    }
    std::string extension = path::extension(name);
    return extension == nextcloud || extension == owncloud;
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
    for (auto [name, provider] : homeSyncFolders) {
        if (fileSystem.existsFollowingLinks(path::appending(homePath, name))) addOnce(providers, provider);
    }
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
    // The innermost sync folder holding the path.
    const SyncFolder* found = nullptr;
    for (const SyncFolder& folder : syncFolders_) {
        if (path.starts_with(folder.prefix) && (!found || folder.prefix.size() > found->prefix.size())) found = &folder;
    }
    return found ? std::optional(found->provider) : std::nullopt;
}

std::optional<CloudProvider> CloudStatus::providerOfStandardizedItem(const std::string& path) {
    // Every prefix ends in "/" and a name holds none, so a prefix holds the item exactly when it
    // holds its folder: the answer is the folder's. Save directly in CloudStorage, whose items
    // are named after their provider.
    size_t lastSlash = path::lastIndexOf(path, '/');
    if (lastSlash == std::string::npos) return providerOfStandardizedPath(path);
    std::string_view folder(path.data(), lastSlash + 1);
    if (hasCachedProvider_ && folder == cachedFolder_) return cachedProvider_;
    std::optional<CloudProvider> provider = providerOfStandardizedPath(path);
    if (providerVariesByNameIn(folder.substr(0, lastSlash))) return provider;
    cachedFolder_ = folder;
    cachedProvider_ = provider;
    hasCachedProvider_ = true;
    return provider;
}

bool CloudStatus::providerVariesByNameIn(std::string_view folder) const {
    return folder.size() + 1 == cloudStoragePrefix_.size() && cloudStoragePrefix_.starts_with(folder);
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
