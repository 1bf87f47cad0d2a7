#include "OrdaneCore/Actions/SafeMover.hpp"

#include <cerrno>
#include <cmath>
#include <ctime>

#include "OrdaneCore/Actions/SourceSnapshot.hpp"
#include "OrdaneCore/Foundation/UUID.hpp"
#include "OrdaneCore/Hashing/FileHasher.hpp"
#include "OrdanePlatform/FileSystem/ItemCopy.hpp"
#include "OrdanePlatform/FileSystem/TreeComparison.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

using platform::FileStatus;
using platform::FileSystemError;
namespace path = platform::path;

namespace {

std::string sentence(SafeMover::MoveError::Kind kind, const std::string& name) {
    using Kind = SafeMover::MoveError::Kind;
    switch (kind) {
        case Kind::sourceMissing:
            return name + " isn't where it was when I looked, so I left everything alone.";
        case Kind::sourceChanged:
            return name + " changed since I looked at it, so I left it alone. Scan again to pick it up.";
        case Kind::verificationFailed:
            return "I couldn't verify the copy of " + name + " arrived intact, so the original stayed put.";
        case Kind::trashUnavailable:
            return "This disk has no Trash for " + name + ", so I did nothing. Nothing was deleted.";
        case Kind::sourceChangedWhileMoving:
            return name + " changed while I moved it. The copy arrived, and the original folder still holds what changed.";
    }
    return name;
}

std::optional<FileStatus> statusIfReadable(platform::FileSystem& fileSystem, const std::string& path) {
    try {
        return fileSystem.linkStatus(path);
    } catch (const FileSystemError&) {
        return std::nullopt;
    }
}

std::string nameWithNumber(const std::string& stem, const std::string& number, const std::string& extension) {
    return stem + " " + number + (extension.empty() ? "" : "." + extension);
}

// Where a copy is made before it is verified: hidden, so a scan passes over it and nobody takes a
// half copy for the real item, and of fixed length, so that any item's name fits beside it.
std::string temporaryCopyPath(const std::string& folder) {
    return path::appending(folder, ".ordane-copy-" + UUID::random().uuidString());
}

// Renames `from` to `final` without replacing anything; when that name was taken since it was
// chosen, to the next free name for `wanted`. Returns where the item now is.
URL moveToFreeName(platform::FileSystem& fs, const std::string& from, URL final, const URL& wanted) {
    for (;;) {
        try {
            fs.moveNoReplace(from, final.path());
            return final;
        } catch (const FileSystemError& error) {
            if (error.errorNumber() != EEXIST) throw;
            URL next = SafeMover::uniqueDestination(wanted, fs);
            // The time-stamped name, taken as well: give up rather than wait for another second.
            if (next.path() == final.path()) throw;
            final = next;
        }
    }
}

}  // namespace

SafeMover::MoveError::MoveError(Kind kind, std::string name)
    : kind_(kind), name_(std::move(name)), description_(sentence(kind_, name_)) {}

void SafeMover::checkSource(const URL& url, int64_t expectedSize, std::optional<Date> expectedModified,
                            platform::FileSystem& fileSystem) {
    std::string name = url.lastPathComponent();
    if (!fileSystem.exists(url.path())) throw MoveError(MoveError::Kind::sourceMissing, name);
    auto status = statusIfReadable(fileSystem, url.path());
    bool isDirectory = status && status->isDirectory();
    if (!isDirectory && (status ? status->size : -1) != expectedSize) {
        throw MoveError(MoveError::Kind::sourceChanged, name);
    }
    if (expectedModified && status) {
        double difference = Date::fromUnix(status->modified).secondsSince(*expectedModified);
        if (std::fabs(difference) > 1.0) throw MoveError(MoveError::Kind::sourceChanged, name);
    }
}

URL SafeMover::move(const URL& source, const URL& destination, int64_t expectedSize,
                    std::optional<Date> expectedModified, const FileSystemPointer& fileSystem) {
    platform::FileSystem& fs = *fileSystem;
    checkSource(source, expectedSize, expectedModified, fs);
    // A folder can't go inside itself (a copy would recurse into its own output); refused before
    // any folder is made inside it.
    std::string folder = path::parent(destination.path());
    if (path::isSameOrInside(path::standardized(folder), path::standardized(source.path()))) {
        throw FileSystemError(EINVAL, "move", source.path() + " -> " + destination.path());
    }
    fs.createDirectories(folder);
    URL final = uniqueDestination(destination, fs);

    if (isSameVolume(source, final.deletingLastPathComponent(), fs)) {
        std::optional<URL> renamed;
        try {
            renamed = moveToFreeName(fs, source.path(), final, destination);
        } catch (const FileSystemError& error) {
            // Two mounts of one file system share a device but can't rename across: copy instead.
            if (error.errorNumber() != EXDEV) throw;
        }
        if (renamed) {
            // The new name on disk before anyone records it; the rename is done even if this fails.
            try {
                fs.syncFolder(folder);
            } catch (const FileSystemError&) {
            }
            return *renamed;
        }
    }

    // Copied and verified under a hidden name, so that a crash or power failure part way never
    // leaves a partial item that looks real; only a whole, verified copy gets the visible name.
    std::string temporary = temporaryCopyPath(folder);
    // Recorded before the copy, so that whatever changes from now on is seen as a change.
    SourceSnapshot copied = SourceSnapshot::take(fs, source.path());
    platform::copyItem(fs, source.path(), temporary);  // removes its own half copy when it fails
    try {
        verifyCopy(source, URL::fileURL(temporary, source.isDirectory()), fileSystem);
        final = moveToFreeName(fs, temporary, final, destination);
    } catch (...) {
        try {
            platform::removeCopy(fs, temporary);
        } catch (const FileSystemError&) {
            // The source is untouched; a stray hidden copy is the lesser harm.
        }
        throw;
    }
    // The new name on disk before the source leaves the other volume.
    fs.syncFolder(folder);
    if (!copied.matches(fs, source.path())) {
        platform::removeCopy(fs, final.path());
        fs.syncFolder(folder);
        throw MoveError(MoveError::Kind::sourceChanged, source.lastPathComponent());
    }
    if (!copied.removeUnchanged(fs, source.path())) {
        throw MoveError(MoveError::Kind::sourceChangedWhileMoving, source.lastPathComponent());
    }
    return final;
}

URL SafeMover::uniqueDestination(const URL& wanted, platform::FileSystem& fileSystem) {
    if (!fileSystem.exists(wanted.path())) return wanted;
    URL folder = wanted.deletingLastPathComponent();
    std::string stem = path::stem(wanted.path());
    std::string extension = path::extensionAsWritten(wanted.path());
    for (int n = 2; n <= 99; ++n) {
        URL candidate = folder.appendingPathComponent(nameWithNumber(stem, std::to_string(n), extension),
                                                      wanted.isDirectory());
        if (!fileSystem.exists(candidate.path())) return candidate;
    }
    std::string seconds = std::to_string(static_cast<long long>(std::time(nullptr)));
    return folder.appendingPathComponent(nameWithNumber(stem, seconds, extension), wanted.isDirectory());
}

bool SafeMover::isSameVolume(const URL& first, const URL& second, platform::FileSystem& fileSystem) {
    try {
        return fileSystem.linkStatus(first.path()).device == fileSystem.status(second.path()).device;
    } catch (const FileSystemError&) {
        return false;
    }
}

void SafeMover::verifyCopy(const URL& source, const URL& copy, const FileSystemPointer& fileSystem) {
    FileHasher hasher(fileSystem);
    auto hash = [&](const std::string& path) { return hasher.sha256(URL::fileURL(path), hashChunkSize); };
    if (platform::firstTreeDifference(*fileSystem, source.path(), copy.path(), hash)) {
        throw MoveError(MoveError::Kind::verificationFailed, source.lastPathComponent());
    }
}

}  // namespace ordane
