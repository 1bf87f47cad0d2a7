#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "OrdanePlatform/FileSystem/DownloadingStatus.hpp"
#include "OrdanePlatform/FileSystem/FileSystemError.hpp"

namespace ordane::platform {

// Values of one item, read without following links.
struct FileStatus {
    enum class Type { regular, directory, symlink, other };

    Type type = Type::other;
    int64_t size = 0;
    int64_t allocatedSize = 0;         // st_blocks * 512
    double modified = 0;               // seconds since 1970
    std::optional<double> created;     // only where the file system reports a birth time
    uint64_t device = 0;
    uint64_t inode = 0;
    uint32_t mode = 0;                 // permission bits
    uint64_t linkCount = 0;

    bool isDirectory() const { return type == Type::directory; }
    bool isRegular() const { return type == Type::regular; }
    bool isSymlink() const { return type == Type::symlink; }
};

// One name in a folder with the values read for it (without following links) while the folder
// was open.
struct DirectoryEntry {
    std::string name;
    std::optional<FileStatus> status;  // absent when the values could not be read
    int statusError = 0;               // errno of that failure
    // For a symbolic link: whether something is at its end, when the listing found out.
    std::optional<bool> linkLeadsSomewhere;
    // Cloud values some platforms keep per item; Linux file systems have none.
    bool isUbiquitous = false;
    std::optional<DownloadingStatus> downloadingStatus;
};

// A folder's entries, names sorted bytewise, and the identity of the folder that was read.
struct DirectoryListing {
    uint64_t device = 0;
    uint64_t inode = 0;
    // Its birth time, where the file system gives one: it tells the folder from an item made
    // later that was given its freed inode.
    std::optional<double> created;
    std::vector<DirectoryEntry> entries;
    // When hidden names were left out: those names, sorted bytewise, without values.
    std::vector<std::string> hiddenNames;
};

// A folder the file system holds open, so that its subfolders can be opened from it instead of by
// a path the kernel walks from the top. Closed when its last holder lets go.
class OpenFolder {
public:
    virtual ~OpenFolder() = default;
    // True when reading a folder in it on the same device cannot hang: it lies on a local disk or
    // in memory, not on a network or user-space file system, where a read may never return.
    virtual bool readsEndPromptly() const { return false; }
};

// Which file an open file is, and its status change time (ctime), which every write moves on and
// no one can set: while both are the same, so are the file's bytes.
struct FileVersion {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t changed = 0;  // nanoseconds since 1970

    bool operator==(const FileVersion&) const = default;
};

// An open file for sequential reading.
class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    // The file's version as its descriptor showed it when opened, before anything was read; none
    // where that can't be told (the base), and then nothing may be taken as unchanged.
    virtual std::optional<FileVersion> version() const { return std::nullopt; }
    // Reads up to `count` bytes; returns 0 at end of file. Throws FileSystemError.
    virtual size_t read(char* buffer, size_t count) = 0;
    // Moves on up to `count` bytes without handing them out; returns how many there were (fewer
    // only at the end of the file). The base reads them and throws them away.
    virtual uint64_t skip(uint64_t count);
};

// A newly created file for writing.
class WritableFile {
public:
    virtual ~WritableFile() = default;
    virtual void write(const char* data, size_t count) = 0;  // writes all or throws
    virtual void sync() = 0;
    virtual void close() = 0;
};

// Every file-system call that reads or writes the user's files or the stores goes through this
// interface, so tests can inject failures (tests run as root: permissions can't simulate them).
// Failures throw FileSystemError.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The process-wide real file system.
    static std::shared_ptr<FileSystem> real();

    // lstat-like values; never follows a final link.
    virtual FileStatus linkStatus(const std::string& path) = 0;
    // stat-like values; follows links.
    virtual FileStatus status(const std::string& path) = 0;
    // True when something (a broken link too) is at the path.
    virtual bool exists(const std::string& path) = 0;
    // Names in the folder, without "." and "..", sorted bytewise. Hidden names included.
    virtual std::vector<std::string> listDirectory(const std::string& path) = 0;

    // Opens a regular file for reading (O_NONBLOCK, refuses anything not a regular file).
    virtual std::unique_ptr<ReadableFile> openForReading(const std::string& path) = 0;
    // Creates a new file that must not exist yet (O_EXCL), with the given permission bits.
    virtual std::unique_ptr<WritableFile> createNewFile(const std::string& path, uint32_t mode) = 0;

    virtual std::string readFile(const std::string& path) = 0;
    // Temporary file in the same folder, fsync, rename over the target, fsync of the folder.
    virtual void writeFileAtomically(const std::string& path, const std::string& contents) = 0;
    // Hands the contents to the file in pieces through `write`, so a large file never has to be
    // held whole. The same guarantees as writeFileAtomically; an exception from `produce` leaves
    // the old file in place. The base gathers the pieces and calls writeFileAtomically.
    using Pieces = std::function<void(const std::function<void(std::string_view)>& write)>;
    virtual void writePiecesAtomically(const std::string& path, const Pieces& produce);
    // Adds the bytes at the end of the file, creating it (0644) when missing, and returns once
    // they are on disk; a file it creates is flushed into its folder too. A crash during the call
    // may leave part of the bytes at the end. The base rewrites the whole file atomically, so
    // stand-ins see only the calls they already know.
    virtual void appendDurably(const std::string& path, std::string_view bytes);

    // Creates the folder and its missing parents; fine when it exists as a folder. Each folder it
    // makes is flushed into its parent, so that what is later saved in it survives a power
    // failure. Built from status, createDirectory and syncFolder, so stand-ins see every step.
    virtual void createDirectories(const std::string& path);
    // Creates one folder that must not exist yet.
    virtual void createDirectory(const std::string& path, uint32_t mode) = 0;
    // Renames without ever replacing anything at `to` (EEXIST when taken, EXDEV across volumes).
    virtual void moveNoReplace(const std::string& from, const std::string& to) = 0;
    // Removes one file, link or empty folder.
    virtual void removeItem(const std::string& path) = 0;
    // Removes a folder with everything below it (links are removed, never followed).
    virtual void removeTree(const std::string& path) = 0;
    // Flushes a folder's entries to disk, so that names made, renamed or removed in it survive a
    // power failure (file systems that can't flush a folder count as done).
    virtual void syncFolder(const std::string& path) = 0;

    virtual void setPermissions(const std::string& path, uint32_t mode) = 0;
    // Sets access and modification time (seconds since 1970) without following links.
    virtual void setModificationTime(const std::string& path, double modified) = 0;
    virtual std::string readLink(const std::string& path) = 0;
    virtual void createSymlink(const std::string& target, const std::string& path) = 0;

    // Reads a folder's names in full, sorted bytewise and without "." and "..", with each entry's
    // values from statx (links not followed), and closes the folder before returning, so a walk
    // holds no descriptor while it descends. Names starting with "." are left out (listed in
    // `hiddenNames`, without values) unless `includeHidden`. A final link in `path` is followed. Throws FileSystemError when the folder
    // cannot be opened or read; an entry whose values cannot be read comes without them.
    // The base builds it from status, listDirectory and linkStatus (so stand-ins that fault those
    // fault enumeration too); the real file system reads the folder once through one descriptor.
    virtual DirectoryListing readDirectory(const std::string& path, bool includeHidden);
    // readDirectory of a folder that a walk listed in its parent: a final link is not followed
    // (ENOTDIR, as for a file), so that one put in the folder's place is never entered. With
    // `parent`, the folder held open that holds it, from which it is opened (by path when that
    // fails). `keep`, when given, may be handed the folder held open, for reads of its
    // subfolders: only when it has some and few folders are held. The base checks for a link,
    // then reads by path through readDirectory and keeps nothing, so stand-ins need only
    // readDirectory.
    virtual DirectoryListing readDirectoryFrom(const OpenFolder* parent, const std::string& path, bool includeHidden,
                                               std::shared_ptr<const OpenFolder>* keep);

    // True when the path leads to an item, links followed (a broken link gives false).
    // Asks `exists` first so the common miss costs no exception.
    bool existsFollowingLinks(const std::string& path) {
        if (!exists(path)) return false;
        try {
            status(path);
            return true;
        } catch (const FileSystemError&) {
            return false;
        }
    }

    // The absolute path with every link, "." and ".." resolved (realpath); the item must exist.
    // Not pure, so that partial stand-ins need not provide it; the base fails with ENOSYS.
    virtual std::string canonicalPath(const std::string& path);
};

}  // namespace ordane::platform
