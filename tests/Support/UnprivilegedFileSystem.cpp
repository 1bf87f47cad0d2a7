#include "Support/UnprivilegedFileSystem.hpp"

#include <cerrno>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::testing {

using platform::FileSystemError;

void UnprivilegedFileSystem::requireWritableFolder(const std::string& path) {
    std::string folder = platform::path::parent(path);
    if ((status(folder).mode & 0300) != 0300) throw FileSystemError(EACCES, "change", path);
}

std::unique_ptr<platform::WritableFile> UnprivilegedFileSystem::createNewFile(const std::string& path, uint32_t mode) {
    requireWritableFolder(path);
    return RealFileSystem::createNewFile(path, mode);
}

void UnprivilegedFileSystem::createDirectory(const std::string& path, uint32_t mode) {
    requireWritableFolder(path);
    RealFileSystem::createDirectory(path, mode);
}

void UnprivilegedFileSystem::moveNoReplace(const std::string& from, const std::string& to) {
    requireWritableFolder(from);
    requireWritableFolder(to);
    RealFileSystem::moveNoReplace(from, to);
}

void UnprivilegedFileSystem::removeItem(const std::string& path) {
    requireWritableFolder(path);
    RealFileSystem::removeItem(path);
}

void UnprivilegedFileSystem::createSymlink(const std::string& target, const std::string& path) {
    requireWritableFolder(path);
    RealFileSystem::createSymlink(target, path);
}

}  // namespace ordane::testing
