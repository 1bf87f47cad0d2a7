#include "OrdanePlatform/FileSystem/FileSystem.hpp"

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::platform {

DirectoryListing FileSystem::readDirectory(const std::string& path, bool includeHidden) {
    FileStatus folder = status(path);
    DirectoryListing listing;
    listing.device = folder.device;
    listing.inode = folder.inode;
    for (std::string& name : listDirectory(path)) {
        if (!includeHidden && name.front() == '.') {
            listing.hiddenNames.push_back(std::move(name));
            continue;
        }
        DirectoryEntry entry;
        try {
            entry.status = linkStatus(path::appending(path, name));
        } catch (const FileSystemError& error) {
            entry.statusError = error.errorNumber();
        }
        entry.name = std::move(name);
        listing.entries.push_back(std::move(entry));
    }
    return listing;
}

}  // namespace ordane::platform
