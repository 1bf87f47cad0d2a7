#include "Support/FaultInjectingFileSystem.hpp"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::testing {

using platform::FileStatus;
using platform::FileSystemError;
using Operation = FaultInjectingFileSystem::Operation;
namespace path = platform::path;

namespace {

constexpr std::array<std::string_view, 22> operationNames = {
    "linkStatus", "status", "exists", "listDirectory", "openForReading", "read", "createNewFile",
    "write", "sync", "readFile", "writeFileAtomically", "createDirectories", "createDirectory",
    "moveNoReplace", "removeItem", "removeTree", "syncFolder", "setPermissions", "setModificationTime",
    "readLink", "createSymlink", "canonicalPath"};

bool isChange(Operation operation) {
    switch (operation) {
        case Operation::createNewFile: case Operation::write: case Operation::sync:
        case Operation::writeFileAtomically: case Operation::createDirectories:
        case Operation::createDirectory: case Operation::moveNoReplace: case Operation::removeItem:
        case Operation::removeTree: case Operation::syncFolder: case Operation::setPermissions: case Operation::setModificationTime:
        case Operation::createSymlink:
            return true;
        default:
            return false;
    }
}

class CheckedReadableFile : public platform::ReadableFile {
public:
    CheckedReadableFile(FaultInjectingFileSystem& owner, std::unique_ptr<platform::ReadableFile> inner,
                        std::string path)
        : owner_(owner), inner_(std::move(inner)), path_(std::move(path)) {}

    size_t read(char* buffer, size_t count) override {
        owner_.check(Operation::read, path_);
        return inner_->read(buffer, count);
    }
    // The real file's own skip (no bytes pass through here), so reading stays what is counted.
    uint64_t skip(uint64_t count) override { return inner_->skip(count); }
    std::optional<platform::FileVersion> version() const override { return inner_->version(); }

private:
    FaultInjectingFileSystem& owner_;
    std::unique_ptr<platform::ReadableFile> inner_;
    std::string path_;
};

class CheckedWritableFile : public platform::WritableFile {
public:
    CheckedWritableFile(FaultInjectingFileSystem& owner, std::unique_ptr<platform::WritableFile> inner,
                        std::string path)
        : owner_(owner), inner_(std::move(inner)), path_(std::move(path)) {}

    void write(const char* data, size_t count) override {
        owner_.check(Operation::write, path_);
        owner_.noteUnsyncedData(path_, synced_);
        if (count > 0 && owner_.corrupts(path_)) {
            std::string changed(data, count);
            changed[0] = static_cast<char>(~changed[0]);
            inner_->write(changed.data(), count);
        } else {
            inner_->write(data, count);
        }
        written_ += static_cast<int64_t>(count);
    }

    void sync() override {
        owner_.check(Operation::sync, path_);
        inner_->sync();
        owner_.noteSyncedData(path_);
        synced_ = written_;
    }

    void close() override { inner_->close(); }

private:
    FaultInjectingFileSystem& owner_;
    std::unique_ptr<platform::WritableFile> inner_;
    std::string path_;
    int64_t written_ = 0;
    int64_t synced_ = 0;
};

bool isSameOrInside(const std::string& path, const std::string& folder) {
    return path == folder || path.starts_with(folder + "/");
}

}  // namespace

FaultInjectingFileSystem::FaultInjectingFileSystem(std::shared_ptr<FileSystem> inner) : inner_(std::move(inner)) {}

void FaultInjectingFileSystem::fail(Operation operation, std::string pathPart, int errorNumber, int skip, int times) {
    std::lock_guard lock(mutex_);
    faults_.push_back(Fault{operation, std::move(pathPart), errorNumber, skip, times});
}

void FaultInjectingFileSystem::crashAfter(int count) {
    std::lock_guard lock(mutex_);
    changesBeforeCrash_ = count;
}

void FaultInjectingFileSystem::crashNow() {
    std::lock_guard lock(mutex_);
    crashed_ = true;
    if (losePowerAtCrash_) losePower();
}

void FaultInjectingFileSystem::losePowerAtCrash() {
    std::lock_guard lock(mutex_);
    losePowerAtCrash_ = true;
}

void FaultInjectingFileSystem::noteUnsyncedData(const std::string& path, int64_t syncedSize) {
    std::lock_guard lock(mutex_);
    unsyncedData_.try_emplace(path::standardized(path), syncedSize);
}

void FaultInjectingFileSystem::noteSyncedData(const std::string& path) {
    std::lock_guard lock(mutex_);
    unsyncedData_.erase(path::standardized(path));
}

void FaultInjectingFileSystem::noteName(const std::string& path, std::optional<std::string> movedFrom) {
    std::lock_guard lock(mutex_);
    std::string standardized = path::standardized(path);
    if (movedFrom) {
        // Unsynced data moves with its file, or with the folder that holds it.
        std::string from = path::standardized(*movedFrom);
        std::map<std::string, int64_t> moved;
        for (auto it = unsyncedData_.begin(); it != unsyncedData_.end();) {
            if (!isSameOrInside(it->first, from)) {
                ++it;
                continue;
            }
            moved.emplace(standardized + it->first.substr(from.size()), it->second);
            it = unsyncedData_.erase(it);
        }
        unsyncedData_.merge(moved);
        movedFrom = from;
    }
    unsyncedNames_.push_back(NameChange{path::parent(standardized), standardized, std::move(movedFrom)});
}

void FaultInjectingFileSystem::noteFolderSynced(const std::string& folder) {
    std::lock_guard lock(mutex_);
    std::string standardized = path::standardized(folder);
    std::erase_if(unsyncedNames_, [&](const NameChange& change) { return change.folder == standardized; });
}

void FaultInjectingFileSystem::noteRemoved(const std::string& path) {
    std::lock_guard lock(mutex_);
    std::string standardized = path::standardized(path);
    std::erase_if(unsyncedData_, [&](const auto& entry) { return isSameOrInside(entry.first, standardized); });
}

void FaultInjectingFileSystem::losePower() {
    auto disk = FileSystem::real();
    for (const auto& [path, syncedSize] : unsyncedData_) {
        if (disk->exists(path)) (void)::truncate(path.c_str(), syncedSize);
    }
    // Latest first, so that each change finds the names as it left them.
    for (auto change = unsyncedNames_.rbegin(); change != unsyncedNames_.rend(); ++change) {
        if (!disk->exists(change->path)) continue;
        try {
            if (change->movedFrom) {
                disk->moveNoReplace(change->path, *change->movedFrom);
            } else {
                disk->removeTree(change->path);
            }
        } catch (const FileSystemError&) {
            // Whatever can't be undone stays, as a file system may keep more than it promised.
        }
    }
    unsyncedData_.clear();
    unsyncedNames_.clear();
}

void FaultInjectingFileSystem::corruptWrites(std::string pathPart) {
    std::lock_guard lock(mutex_);
    corrupted_.push_back(std::move(pathPart));
}

void FaultInjectingFileSystem::clearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
    corrupted_.clear();
    changesBeforeCrash_ = -1;
    crashed_ = false;
    losePowerAtCrash_ = false;
    unsyncedData_.clear();
    unsyncedNames_.clear();
}

std::vector<std::string> FaultInjectingFileSystem::calls() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> result;
    for (const auto& [operation, path] : calls_) {
        result.push_back(std::string(operationNames[static_cast<size_t>(operation)]) + " " + path);
    }
    return result;
}

int FaultInjectingFileSystem::calls(Operation operation, const std::string& pathPart) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const auto& call) {
        return call.first == operation && call.second.find(pathPart) != std::string::npos;
    }));
}

void FaultInjectingFileSystem::check(Operation operation, const std::string& path) {
    std::lock_guard lock(mutex_);
    calls_.emplace_back(operation, path);
    if (crashed_) throw SimulatedCrash{};
    for (Fault& fault : faults_) {
        if (fault.operation != operation || path.find(fault.pathPart) == std::string::npos) continue;
        if (fault.seen++ < fault.skip) continue;
        if (fault.times != 0 && fault.fired >= fault.times) continue;
        ++fault.fired;
        throw FileSystemError(fault.errorNumber, std::string(operationNames[static_cast<size_t>(operation)]), path);
    }
    if (changesBeforeCrash_ >= 0 && isChange(operation)) {
        if (changesBeforeCrash_ == 0) {
            crashed_ = true;
            if (losePowerAtCrash_) losePower();
            throw SimulatedCrash{};
        }
        --changesBeforeCrash_;
    }
}

bool FaultInjectingFileSystem::corrupts(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return std::any_of(corrupted_.begin(), corrupted_.end(),
                       [&](const std::string& part) { return path.find(part) != std::string::npos; });
}

FileStatus FaultInjectingFileSystem::linkStatus(const std::string& path) {
    check(Operation::linkStatus, path);
    return inner_->linkStatus(path);
}

FileStatus FaultInjectingFileSystem::status(const std::string& path) {
    check(Operation::status, path);
    return inner_->status(path);
}

bool FaultInjectingFileSystem::exists(const std::string& path) {
    // Like lstat behind the real one: a failure to look answers "nothing there".
    try {
        check(Operation::exists, path);
    } catch (const FileSystemError&) {
        return false;
    }
    return inner_->exists(path);
}

std::vector<std::string> FaultInjectingFileSystem::listDirectory(const std::string& path) {
    check(Operation::listDirectory, path);
    return inner_->listDirectory(path);
}

std::unique_ptr<platform::ReadableFile> FaultInjectingFileSystem::openForReading(const std::string& path) {
    check(Operation::openForReading, path);
    return std::make_unique<CheckedReadableFile>(*this, inner_->openForReading(path), path);
}

std::unique_ptr<platform::WritableFile> FaultInjectingFileSystem::createNewFile(const std::string& path,
                                                                                uint32_t mode) {
    check(Operation::createNewFile, path);
    auto file = std::make_unique<CheckedWritableFile>(*this, inner_->createNewFile(path, mode), path);
    noteName(path);
    return file;
}

std::string FaultInjectingFileSystem::readFile(const std::string& path) {
    check(Operation::readFile, path);
    return inner_->readFile(path);
}

void FaultInjectingFileSystem::writeFileAtomically(const std::string& path, const std::string& contents) {
    check(Operation::writeFileAtomically, path);
    inner_->writeFileAtomically(path, contents);
    // Synced, renamed over the target and the folder synced: on disk whole.
    noteRemoved(path);
    noteFolderSynced(path::parent(path));
}

void FaultInjectingFileSystem::createDirectories(const std::string& path) {
    check(Operation::createDirectories, path);
    // Made of the calls below, so that each folder it makes and flushes is seen.
    FileSystem::createDirectories(path);
}

void FaultInjectingFileSystem::createDirectory(const std::string& path, uint32_t mode) {
    check(Operation::createDirectory, path);
    inner_->createDirectory(path, mode);
    noteName(path);
}

void FaultInjectingFileSystem::moveNoReplace(const std::string& from, const std::string& to) {
    check(Operation::moveNoReplace, from + " -> " + to);
    inner_->moveNoReplace(from, to);
    noteName(to, from);
}

void FaultInjectingFileSystem::removeItem(const std::string& path) {
    check(Operation::removeItem, path);
    inner_->removeItem(path);
    noteRemoved(path);
}

void FaultInjectingFileSystem::removeTree(const std::string& path) {
    check(Operation::removeTree, path);
    inner_->removeTree(path);
    noteRemoved(path);
}

void FaultInjectingFileSystem::syncFolder(const std::string& path) {
    check(Operation::syncFolder, path);
    inner_->syncFolder(path);
    noteFolderSynced(path);
}

void FaultInjectingFileSystem::setPermissions(const std::string& path, uint32_t mode) {
    check(Operation::setPermissions, path);
    inner_->setPermissions(path, mode);
}

void FaultInjectingFileSystem::setModificationTime(const std::string& path, double modified) {
    check(Operation::setModificationTime, path);
    inner_->setModificationTime(path, modified);
}

std::string FaultInjectingFileSystem::readLink(const std::string& path) {
    check(Operation::readLink, path);
    return inner_->readLink(path);
}

void FaultInjectingFileSystem::createSymlink(const std::string& target, const std::string& path) {
    check(Operation::createSymlink, path);
    inner_->createSymlink(target, path);
    noteName(path);
}

std::string FaultInjectingFileSystem::canonicalPath(const std::string& path) {
    check(Operation::canonicalPath, path);
    return inner_->canonicalPath(path);
}

}  // namespace ordane::testing
