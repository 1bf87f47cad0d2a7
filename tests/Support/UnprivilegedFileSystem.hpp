#pragma once

#include "OrdanePlatform/FileSystem/RealFileSystem.hpp"

namespace ordane::testing {

// The real file system as an ordinary user meets it: adding or removing a folder's entries needs
// the owner's write and search permission on that folder. Tests run as root, where the kernel
// grants both anyway, so read-only folders would go unnoticed without this.
class UnprivilegedFileSystem : public platform::RealFileSystem {
public:
    std::unique_ptr<platform::WritableFile> createNewFile(const std::string& path, uint32_t mode) override;
    void createDirectory(const std::string& path, uint32_t mode) override;
    void moveNoReplace(const std::string& from, const std::string& to) override;
    void removeItem(const std::string& path) override;
    void createSymlink(const std::string& target, const std::string& path) override;

private:
    // Throws EACCES unless the folder holding `path` lets its owner change its entries.
    void requireWritableFolder(const std::string& path);
};

}  // namespace ordane::testing
