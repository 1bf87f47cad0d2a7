#include "OrdanePlatform/Trash/Trash.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/System/XdgDirectories.hpp"
#include "OrdanePlatform/Path/PercentEncoding.hpp"
#include "OrdanePlatform/Trash/TrashInfo.hpp"

namespace ordane::platform {

namespace {

constexpr std::string_view infoSuffix = ".trashinfo";
constexpr size_t maximumNameBytes = 255;
constexpr int maximumNameAttempts = 10000;
constexpr uint32_t privateFolderMode = 0700;
constexpr uint32_t stickyBit = 01000;

// Where a trashed item lies: <trash>/files/<name>, with its info at <trash>/info/<name>.trashinfo.
struct Location {
    std::string trashDirectory;
    std::string name;

    static std::optional<Location> of(const std::string& trashedPath) {
        std::string files = path::parent(trashedPath);
        if (path::lastComponent(files) != "files") return std::nullopt;
        return Location{path::parent(files), path::lastComponent(trashedPath)};
    }

    std::string infoFile() const {
        return path::appending(path::appending(trashDirectory, "info"), name + std::string(infoSuffix));
    }
};

// The top folder of the volume that a volume trash serves; none for a home trash.
std::optional<std::string> topDirectoryOf(const std::string& trashDirectory) {
    std::string parent = path::parent(trashDirectory);
    if (path::lastComponent(trashDirectory).rfind(".Trash-", 0) == 0) return parent;
    if (path::lastComponent(parent) == ".Trash") return path::parent(parent);
    return std::nullopt;
}

// Cuts a UTF-8 text to at most `limit` bytes without splitting a character.
std::string cutToBytes(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

// The n-th name tried for an item: its own name, then "stem 2.ext", "stem 3.ext"...; always short
// enough that "<name>.trashinfo" is a valid file name.
std::string candidateName(const std::string& name, int attempt) {
    std::string extension = path::extensionAsWritten(name);
    std::string suffix = attempt == 1 ? "" : " " + std::to_string(attempt);
    if (!extension.empty()) suffix += "." + extension;
    std::string stem = extension.empty() ? name : path::stem(name);
    size_t room = maximumNameBytes - infoSuffix.size();
    if (suffix.size() >= room) return cutToBytes(name, room);  // an absurdly long extension
    return cutToBytes(stem, room - suffix.size()) + suffix;
}

void removeQuietly(FileSystem& fs, const std::string& path) {
    try {
        fs.removeItem(path);
    } catch (const FileSystemError&) {
        // Leaves a stale info file at worst, which readers of the trash ignore.
    }
}

// Flushes a folder's names so that they survive a power failure. The change itself is done by
// then, so a failure to flush must not report it as undone.
void syncQuietly(FileSystem& fs, const std::string& folder) {
    try {
        fs.syncFolder(folder);
    } catch (const FileSystemError&) {
    }
}

}  // namespace

Trash::Trash(std::shared_ptr<FileSystem> fileSystem, std::string homeTrashDirectory, uint32_t userID,
             std::string mountTableSource)
    : fs_(std::move(fileSystem)),
      home_(path::standardized(homeTrashDirectory)),
      userID_(userID),
      mountTableSource_(std::move(mountTableSource)) {}

std::string Trash::homeTrashDirectory() {
    const char* home = std::getenv("HOME");
    return path::appending(XdgDirectories::fromEnvironment(home ? home : "/").dataHome, "Trash");
}

Trash Trash::forCurrentUser(std::shared_ptr<FileSystem> fileSystem) {
    return Trash(std::move(fileSystem), homeTrashDirectory(), static_cast<uint32_t>(::getuid()));
}

std::string Trash::trashItem(const std::string& rawPath) {
    std::string path = path::standardized(rawPath);
    FileStatus item = fs_->linkStatus(path);
    if (item.device == homeDevice()) {
        try {
            return moveInto(Target{home_, path}, path);
        } catch (const FileSystemError& error) {
            // Another mount of the home trash's file system: its own volume trash serves it.
            if (error.errorNumber() != EXDEV) throw;
        }
    }
    return moveInto(volumeTrashFor(path), path);
}

// The device of the home trash, or of its nearest existing folder while it isn't made yet.
std::optional<uint64_t> Trash::homeDevice() {
    for (std::string folder = home_; !folder.empty(); folder = path::parent(folder)) {
        try {
            return fs_->status(folder).device;
        } catch (const FileSystemError&) {
            if (folder == "/") break;
        }
    }
    return std::nullopt;
}

Trash::Target Trash::volumeTrashFor(const std::string& path) {
    std::string folder;
    std::optional<MountTable::Mount> mount;
    try {
        folder = fs_->canonicalPath(path::parent(path));
        mount = MountTable::read(*fs_, mountTableSource_).mountContaining(folder);
    } catch (const FileSystemError&) {
        throw TrashUnavailableError(path);
    }
    if (!mount) throw TrashUnavailableError(path);
    std::string top = mount->mountPoint;
    std::string item = path::appending(folder, path::lastComponent(path));
    std::string relative = top == "/" ? item.substr(1) : item.substr(top.size() + 1);
    auto directory = usableVolumeTrash(top);
    if (!directory) throw TrashUnavailableError(path);
    return Target{*directory, relative};
}

std::optional<std::string> Trash::usableVolumeTrash(const std::string& top) {
    std::string uid = std::to_string(userID_);
    std::string shared = path::appending(top, ".Trash");
    try {
        FileStatus status = fs_->linkStatus(shared);
        // Only an administrator's real, sticky folder may hold per-user trashes.
        if (status.isDirectory() && (status.mode & stickyBit) != 0) {
            std::string own = path::appending(shared, uid);
            prepareTrashFolder(own, false);
            return own;
        }
    } catch (const FileSystemError&) {
        // Missing or unusable: the per-user folder at the top is next.
    }
    std::string own = path::appending(top, ".Trash-" + uid);
    try {
        prepareTrashFolder(own, false);
        return own;
    } catch (const FileSystemError&) {
        return std::nullopt;
    }
}

// Makes the trash folder and its files/ and info/ folders where missing (mode 0700), and checks
// that each is a folder. A volume trash must not be a link, so that nobody can divert it.
void Trash::prepareTrashFolder(const std::string& directory, bool allowLink) {
    if (allowLink) fs_->createDirectories(path::parent(directory));
    for (const std::string& folder :
         {directory, path::appending(directory, "files"), path::appending(directory, "info")}) {
        try {
            fs_->createDirectory(folder, privateFolderMode);
            syncQuietly(*fs_, path::parent(folder));
        } catch (const FileSystemError& error) {
            if (error.errorNumber() != EEXIST) throw;
        }
        FileStatus status = allowLink ? fs_->status(folder) : fs_->linkStatus(folder);
        if (!status.isDirectory()) throw FileSystemError(ENOTDIR, "trash", folder);
    }
}

std::string Trash::moveInto(const Target& target, const std::string& path) {
    if (target.directory == home_) prepareTrashFolder(home_, true);
    std::string contents = TrashInfo{target.infoPath, TrashInfo::localDate(std::time(nullptr))}.text();
    std::string name = path::lastComponent(path);
    for (int attempt = 1; attempt <= maximumNameAttempts; ++attempt) {
        Location location{target.directory, candidateName(name, attempt)};
        std::string infoFile = location.infoFile();
        // Creating the info file exclusively reserves the name against other programs.
        std::unique_ptr<WritableFile> file;
        try {
            file = fs_->createNewFile(infoFile, 0600);
        } catch (const FileSystemError& error) {
            if (error.errorNumber() == EEXIST) continue;
            throw;
        }
        try {
            file->write(contents.data(), contents.size());
            file->sync();
            file->close();
        } catch (...) {
            file.reset();
            removeQuietly(*fs_, infoFile);
            throw;
        }
        std::string destination = path::appending(path::appending(target.directory, "files"), location.name);
        try {
            fs_->moveNoReplace(path, destination);
            syncQuietly(*fs_, path::parent(infoFile));
            syncQuietly(*fs_, path::parent(destination));
            return destination;
        } catch (const FileSystemError& error) {
            removeQuietly(*fs_, infoFile);
            if (error.errorNumber() != EEXIST) throw;
        }
    }
    throw FileSystemError(EEXIST, "trash", path);
}

bool Trash::isReachable(const std::string& trashedPath) {
    // The trash folder itself, not its files/ folder, which an emptying tool may remove.
    auto location = Location::of(trashedPath);
    try {
        return fs_->status(location ? location->trashDirectory : path::parent(trashedPath)).isDirectory();
    } catch (const FileSystemError&) {
        return false;
    }
}

std::optional<std::string> Trash::originalPath(const std::string& trashedPath) {
    auto location = Location::of(trashedPath);
    if (!location) return std::nullopt;
    std::string text;
    try {
        text = fs_->readFile(location->infoFile());
    } catch (const FileSystemError& error) {
        if (error.errorNumber() == ENOENT) return std::nullopt;
        throw;
    }
    auto info = TrashInfo::parse(text);
    if (!info) return std::nullopt;
    if (info->path.front() == '/') return path::standardized(info->path);
    auto top = topDirectoryOf(location->trashDirectory);
    if (!top) return std::nullopt;
    return path::standardized(path::appending(*top, info->path));
}

bool Trash::recordsOrigin(const std::string& trashedPath, const std::string& originalPath) {
    auto recorded = this->originalPath(trashedPath);
    if (!recorded) return false;
    std::string original = path::standardized(originalPath);
    if (*recorded == original) return true;
    // A volume trash records the path below the volume's real top folder. The former folder may be
    // gone by now: its nearest remaining ancestor is resolved and the rest appended as it was.
    std::string missing = path::lastComponent(original);
    for (std::string folder = path::parent(original); !folder.empty() && folder != "/"; folder = path::parent(folder)) {
        try {
            return *recorded == path::appending(fs_->canonicalPath(folder), missing);
        } catch (const FileSystemError& error) {
            if (error.errorNumber() != ENOENT) return false;
        }
        missing = path::appending(path::lastComponent(folder), missing);
    }
    return false;
}

void Trash::forget(const std::string& trashedPath) {
    auto location = Location::of(trashedPath);
    if (!location) return;
    removeQuietly(*fs_, location->infoFile());
    std::string sizesFile = path::appending(location->trashDirectory, "directorysizes");
    try {
        if (!fs_->exists(sizesFile)) return;
        std::string text = fs_->readFile(sizesFile);
        std::string kept;
        bool removed = false;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            start = end + 1;
            // "<size> <mtime> <percent-encoded name>"
            size_t second = line.find(' ', line.find(' ') + 1);
            auto name = second == std::string::npos ? std::nullopt : path::percentDecoded(line.substr(second + 1));
            if (name && *name == location->name) {
                removed = true;
            } else if (!line.empty()) {
                kept += line + "\n";
            }
        }
        if (removed) fs_->writeFileAtomically(sizesFile, kept);
    } catch (const FileSystemError&) {
        // The cache is only a hint for trash viewers; they recompute a missing or stale line.
    }
}

}  // namespace ordane::platform
