#include "Support/FaultInjectingFileSystem.hpp"

namespace ordane::testing {

using platform::FileStatus;
using platform::FileSystemError;

FaultInjectingFileSystem::FaultInjectingFileSystem(std::shared_ptr<platform::FileSystem> base)
    : base_(std::move(base)) {}

void FaultInjectingFileSystem::fail(const std::string& operation, int errorNumber, int times) {
    std::lock_guard lock(mutex_);
    faults_[operation] = Fault{errorNumber, times};
}

void FaultInjectingFileSystem::heal(const std::string& operation) {
    std::lock_guard lock(mutex_);
    faults_.erase(operation);
}

int FaultInjectingFileSystem::calls(const std::string& operation) const {
    std::lock_guard lock(mutex_);
    auto it = calls_.find(operation);
    return it == calls_.end() ? 0 : it->second;
}

void FaultInjectingFileSystem::enter(const std::string& operation, const std::string& path) {
    std::lock_guard lock(mutex_);
    ++calls_[operation];
    auto it = faults_.find(operation);
    if (it == faults_.end()) return;
    int errorNumber = it->second.errorNumber;
    if (it->second.remaining > 0 && --it->second.remaining == 0) faults_.erase(it);
    throw FileSystemError(errorNumber, operation, path);
}

FileStatus FaultInjectingFileSystem::linkStatus(const std::string& path) {
    enter("linkStatus", path);
    return base_->linkStatus(path);
}

FileStatus FaultInjectingFileSystem::status(const std::string& path) {
    enter("status", path);
    return base_->status(path);
}

bool FaultInjectingFileSystem::exists(const std::string& path) {
    enter("exists", path);
    return base_->exists(path);
}

std::vector<std::string> FaultInjectingFileSystem::listDirectory(const std::string& path) {
    enter("listDirectory", path);
    return base_->listDirectory(path);
}

std::unique_ptr<platform::ReadableFile> FaultInjectingFileSystem::openForReading(const std::string& path) {
    enter("openForReading", path);
    return base_->openForReading(path);
}

std::unique_ptr<platform::WritableFile> FaultInjectingFileSystem::createNewFile(const std::string& path,
                                                                               uint32_t mode) {
    enter("createNewFile", path);
    return base_->createNewFile(path, mode);
}

std::string FaultInjectingFileSystem::readFile(const std::string& path) {
    enter("readFile", path);
    return base_->readFile(path);
}

void FaultInjectingFileSystem::writeFileAtomically(const std::string& path, const std::string& contents) {
    enter("writeFileAtomically", path);
    base_->writeFileAtomically(path, contents);
}

void FaultInjectingFileSystem::createDirectories(const std::string& path) {
    enter("createDirectories", path);
    base_->createDirectories(path);
}

void FaultInjectingFileSystem::createDirectory(const std::string& path, uint32_t mode) {
    enter("createDirectory", path);
    base_->createDirectory(path, mode);
}

void FaultInjectingFileSystem::moveNoReplace(const std::string& from, const std::string& to) {
    enter("moveNoReplace", from);
    base_->moveNoReplace(from, to);
}

void FaultInjectingFileSystem::removeItem(const std::string& path) {
    enter("removeItem", path);
    base_->removeItem(path);
}

void FaultInjectingFileSystem::removeTree(const std::string& path) {
    enter("removeTree", path);
    base_->removeTree(path);
}

void FaultInjectingFileSystem::setPermissions(const std::string& path, uint32_t mode) {
    enter("setPermissions", path);
    base_->setPermissions(path, mode);
}

void FaultInjectingFileSystem::setModificationTime(const std::string& path, double modified) {
    enter("setModificationTime", path);
    base_->setModificationTime(path, modified);
}

std::string FaultInjectingFileSystem::readLink(const std::string& path) {
    enter("readLink", path);
    return base_->readLink(path);
}

void FaultInjectingFileSystem::createSymlink(const std::string& target, const std::string& path) {
    enter("createSymlink", path);
    base_->createSymlink(target, path);
}

}  // namespace ordane::testing
