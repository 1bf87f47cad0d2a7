#pragma once

#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane::platform {

// The operating system's file system, through POSIX and Linux calls.
class RealFileSystem : public FileSystem {
public:
    FileStatus linkStatus(const std::string& path) override;
    FileStatus status(const std::string& path) override;
    bool exists(const std::string& path) override;
    std::vector<std::string> listDirectory(const std::string& path) override;
    std::unique_ptr<ReadableFile> openForReading(const std::string& path) override;
    std::unique_ptr<WritableFile> createNewFile(const std::string& path, uint32_t mode) override;
    std::string readFile(const std::string& path) override;
    void writeFileAtomically(const std::string& path, const std::string& contents) override;
    void writePiecesAtomically(const std::string& path, const Pieces& produce) override;
    void appendDurably(const std::string& path, std::string_view bytes) override;
    void createDirectory(const std::string& path, uint32_t mode) override;
    void moveNoReplace(const std::string& from, const std::string& to) override;
    void removeItem(const std::string& path) override;
    void removeTree(const std::string& path) override;
    void syncFolder(const std::string& path) override;
    void setPermissions(const std::string& path, uint32_t mode) override;
    void setModificationTime(const std::string& path, double modified) override;
    std::string readLink(const std::string& path) override;
    void createSymlink(const std::string& target, const std::string& path) override;
    DirectoryListing readDirectory(const std::string& path, bool includeHidden) override;
    DirectoryListing readDirectoryFrom(const OpenFolder* parent, const std::string& path, bool includeHidden,
                                       std::shared_ptr<const OpenFolder>* keep) override;
    // Folders held open for readDirectoryFrom at most: well under the soft limit on descriptors,
    // which the rest of the program shares.
    static size_t maxFoldersHeldOpen();

protected:
    // What readDirectoryFrom does for this class itself. A stand-in derived from it that changes
    // readDirectory has its readDirectory asked instead, unless it overrides readDirectoryFrom
    // too and calls this.
    DirectoryListing readDirectoryFromOpen(const OpenFolder* parent, const std::string& path, bool includeHidden,
                                           std::shared_ptr<const OpenFolder>* keep);
    std::string canonicalPath(const std::string& path) override;
};

}  // namespace ordane::platform
