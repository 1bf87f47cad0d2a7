#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane::platform {

DirectoryListing FileSystem::readDirectory(const std::string& path, bool includeHidden) {
    FileStatus folder = status(path);
    DirectoryListing listing;
    listing.device = folder.device;
    listing.inode = folder.inode;
    std::string prefix = path.ends_with('/') ? path : path + "/";
    for (std::string& name : listDirectory(path)) {
        if (!includeHidden && name.front() == '.') continue;
        DirectoryEntry entry;
        try {
            entry.status = linkStatus(prefix + name);
        } catch (const FileSystemError& error) {
            entry.statusError = error.errorNumber();
        }
        entry.name = std::move(name);
        listing.entries.push_back(std::move(entry));
    }
    return listing;
}

}  // namespace ordane::platform
