#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane::testing {

// Passes every call to the real file system, except the operations told to fail, which throw
// FileSystemError with the given errno. Operations are named after the member functions
// ("readFile", "writeFileAtomically", "moveNoReplace", ...). Counts every call.
class FaultInjectingFileSystem : public platform::FileSystem {
public:
    explicit FaultInjectingFileSystem(std::shared_ptr<platform::FileSystem> base = platform::FileSystem::real());

    // The next `times` calls of the operation fail; a negative count fails every call from now on.
    void fail(const std::string& operation, int errorNumber, int times = -1);
    void heal(const std::string& operation);
    int calls(const std::string& operation) const;

    platform::FileStatus linkStatus(const std::string& path) override;
    platform::FileStatus status(const std::string& path) override;
    bool exists(const std::string& path) override;
    std::vector<std::string> listDirectory(const std::string& path) override;
    std::unique_ptr<platform::ReadableFile> openForReading(const std::string& path) override;
    std::unique_ptr<platform::WritableFile> createNewFile(const std::string& path, uint32_t mode) override;
    std::string readFile(const std::string& path) override;
    void writeFileAtomically(const std::string& path, const std::string& contents) override;
    void createDirectories(const std::string& path) override;
    void createDirectory(const std::string& path, uint32_t mode) override;
    void moveNoReplace(const std::string& from, const std::string& to) override;
    void removeItem(const std::string& path) override;
    void removeTree(const std::string& path) override;
    void setPermissions(const std::string& path, uint32_t mode) override;
    void setModificationTime(const std::string& path, double modified) override;
    std::string readLink(const std::string& path) override;
    void createSymlink(const std::string& target, const std::string& path) override;

private:
    struct Fault {
        int errorNumber = 0;
        int remaining = 0;  // negative: for good
    };

    // Counts the call and throws when the operation is set to fail.
    void enter(const std::string& operation, const std::string& path);

    std::shared_ptr<platform::FileSystem> base_;
    mutable std::mutex mutex_;
    std::map<std::string, Fault> faults_;
    std::map<std::string, int> calls_;
};

}  // namespace ordane::testing
