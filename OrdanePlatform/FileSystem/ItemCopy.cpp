#include "OrdanePlatform/FileSystem/ItemCopy.hpp"

#include <cerrno>
#include <vector>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::platform {

namespace {

constexpr size_t chunkSize = 1 << 20;

class Copier {
public:
    explicit Copier(FileSystem& fileSystem) : fs_(fileSystem) {}

    // Copies one item; `isRoot` marks the top of the copy, whose creation is tracked.
    void copy(const std::string& from, const std::string& to, bool isRoot) {
        FileStatus status = fs_.linkStatus(from);
        switch (status.type) {
            case FileStatus::Type::regular:
                copyFile(from, to, isRoot);
                fs_.setPermissions(to, status.mode);
                break;
            case FileStatus::Type::directory:
                fs_.createDirectory(to, 0700);
                markCreated(isRoot);
                for (const std::string& name : fs_.listDirectory(from)) {
                    copy(path::appending(from, name), path::appending(to, name), false);
                }
                // Its names on disk like the files' contents, before a caller removes the source.
                fs_.syncFolder(to);
                // After the contents, so that a read-only folder could still be filled.
                fs_.setPermissions(to, status.mode);
                break;
            case FileStatus::Type::symlink:
                fs_.createSymlink(fs_.readLink(from), to);
                markCreated(isRoot);
                break;
            case FileStatus::Type::other:
                throw FileSystemError(ENOTSUP, "copy", from);
        }
        // Last, because adding entries to a folder changes its modification time.
        fs_.setModificationTime(to, status.modified);
    }

    bool createdRoot() const { return createdRoot_; }

private:
    void copyFile(const std::string& from, const std::string& to, bool isRoot) {
        auto source = fs_.openForReading(from);
        auto target = fs_.createNewFile(to, 0600);
        markCreated(isRoot);
        std::vector<char> buffer(chunkSize);
        while (size_t count = source->read(buffer.data(), buffer.size())) target->write(buffer.data(), count);
        target->sync();
        target->close();
    }

    void markCreated(bool isRoot) {
        if (isRoot) createdRoot_ = true;
    }

    FileSystem& fs_;
    bool createdRoot_ = false;
};

}  // namespace

void copyItem(FileSystem& fileSystem, const std::string& from, const std::string& to) {
    Copier copier(fileSystem);
    try {
        copier.copy(from, to, true);
    } catch (...) {
        if (copier.createdRoot()) {
            try {
                removeCopy(fileSystem, to);
            } catch (...) {
                // The original error is the one to report; the source is untouched either way.
            }
        }
        throw;
    }
}

void removeCopy(FileSystem& fileSystem, const std::string& path) {
    FileStatus status = fileSystem.linkStatus(path);
    if (status.isDirectory()) {
        constexpr uint32_t ownerAll = 0700;
        if ((status.mode & ownerAll) != ownerAll) fileSystem.setPermissions(path, status.mode | ownerAll);
        for (const std::string& name : fileSystem.listDirectory(path)) removeCopy(fileSystem, path::appending(path, name));
    }
    fileSystem.removeItem(path);
}

}  // namespace ordane::platform
