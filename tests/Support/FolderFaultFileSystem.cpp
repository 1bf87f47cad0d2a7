#include "Support/FolderFaultFileSystem.hpp"

#include <stdexcept>

namespace ordane::testing {

void FolderFaultFileSystem::blockReadsOf(const std::string& path) {
    std::lock_guard lock(mutex_);
    blocked_ = path;
}

void FolderFaultFileSystem::openGate() {
    {
        std::lock_guard lock(mutex_);
        gateOpen_ = true;
    }
    gateOpened_.notify_all();
}

std::vector<std::string> FolderFaultFileSystem::reads() {
    std::lock_guard lock(mutex_);
    return reads_;
}

platform::DirectoryListing FolderFaultFileSystem::readDirectory(const std::string& path, bool includeHidden) {
    {
        std::unique_lock lock(mutex_);
        reads_.push_back(path);
        if (blocked_ == path) gateOpened_.wait(lock, [this] { return gateOpen_; });
    }
    if (throwsUnexpectedly == path) throw std::runtime_error("unexpected failure reading " + path);
    if (auto failure = failures.find(path); failure != failures.end()) {
        throw platform::FileSystemError(failure->second, "list", path);
    }
    platform::DirectoryListing listing = RealFileSystem::readDirectory(path, includeHidden);
    // A folder mounted again elsewhere has the identity of the original, in its parent's listing too.
    auto takeOriginalIdentity = [this](const std::string& folder, uint64_t& device, uint64_t& inode) {
        if (auto alias = sameFolderAs.find(folder); alias != sameFolderAs.end()) {
            platform::FileStatus original = status(alias->second);
            device = original.device;
            inode = original.inode;
        }
    };
    takeOriginalIdentity(path, listing.device, listing.inode);
    for (auto& entry : listing.entries) {
        std::string entryPath = path + "/" + entry.name;
        if (entry.status) takeOriginalIdentity(entryPath, entry.status->device, entry.status->inode);
        if (withoutValues.count(entryPath)) {
            entry.status.reset();
            entry.statusError = ENOENT;
        }
        if (auto cloud = ubiquitous.find(entryPath); cloud != ubiquitous.end()) {
            entry.isUbiquitous = true;
            entry.downloadingStatus = cloud->second;
        }
    }
    return listing;
}

namespace {

// Holds nothing open: the stand-in reads by path.
class StandInFolder : public platform::OpenFolder {
public:
    explicit StandInFolder(bool readsEndPromptly) : readsEndPromptly_(readsEndPromptly) {}
    bool readsEndPromptly() const override { return readsEndPromptly_; }

private:
    bool readsEndPromptly_;
};

}  // namespace

platform::DirectoryListing FolderFaultFileSystem::readDirectoryFrom(const platform::OpenFolder* parent,
                                                                    const std::string& path, bool includeHidden,
                                                                    std::shared_ptr<const platform::OpenFolder>* keep) {
    platform::DirectoryListing listing = FileSystem::readDirectoryFrom(parent, path, includeHidden, nullptr);
    if (keep) *keep = std::make_shared<StandInFolder>(readsEndPromptly);
    return listing;
}

}  // namespace ordane::testing
