#include "OrdanePlatform/FileSystem/FileSystem.hpp"

#include <algorithm>
#include <cerrno>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::platform {

uint64_t ReadableFile::skip(uint64_t count) {
    char buffer[16384];
    uint64_t skipped = 0;
    while (skipped < count) {
        size_t got = read(buffer, static_cast<size_t>(std::min<uint64_t>(count - skipped, sizeof buffer)));
        if (got == 0) break;
        skipped += got;
    }
    return skipped;
}

DirectoryListing FileSystem::readDirectory(const std::string& path, bool includeHidden) {
    FileStatus folder = status(path);
    DirectoryListing listing;
    listing.device = folder.device;
    listing.inode = folder.inode;
    listing.created = folder.created;
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

DirectoryListing FileSystem::readDirectoryFrom(const OpenFolder*, const std::string& path, bool includeHidden,
                                               std::shared_ptr<const OpenFolder>*) {
    if (!linkStatus(path).isDirectory()) throw FileSystemError(ENOTDIR, "list", path);
    return readDirectory(path, includeHidden);
}

void FileSystem::writePiecesAtomically(const std::string& path, const Pieces& produce) {
    std::string contents;
    produce([&contents](std::string_view piece) { contents.append(piece); });
    writeFileAtomically(path, contents);
}

void FileSystem::appendDurably(const std::string& path, std::string_view bytes) {
    std::string contents;
    try {
        contents = readFile(path);
    } catch (const FileSystemError& error) {
        if (error.errorNumber() != ENOENT) throw;
    }
    contents.append(bytes);
    writeFileAtomically(path, contents);
}

void FileSystem::createDirectories(const std::string& path) {
    std::string standardized = path::standardized(path);
    if (standardized.empty() || standardized == "/" || standardized == ".") return;
    if (existsFollowingLinks(standardized)) {
        if (status(standardized).isDirectory()) return;
        throw FileSystemError(ENOTDIR, "mkdir", standardized);
    }
    std::string parent = path::parent(standardized);
    createDirectories(parent);
    try {
        createDirectory(standardized, 0755);
    } catch (const FileSystemError& error) {
        // Taken since the check: fine only if a folder appeared (a broken link or a file is no folder).
        if (error.errorNumber() != EEXIST || !existsFollowingLinks(standardized) || !status(standardized).isDirectory()) {
            throw;
        }
        return;
    }
    try {
        syncFolder(parent.empty() ? "." : parent);
    } catch (const FileSystemError&) {
        // The folder is made; flushing is the best that can be done for it.
    }
}

}  // namespace ordane::platform
