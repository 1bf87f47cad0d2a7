#include "OrdanePlatform/FileSystem/RealFileSystem.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <typeinfo>
#include <utility>
#include <vector>

#include "OrdanePlatform/Concurrency/BoundedParallel.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::platform {

namespace {

[[noreturn]] void fail(const char* operation, const std::string& path, int errorNumber = errno) {
    throw FileSystemError(errorNumber, operation, path);
}

double seconds(const statx_timestamp& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

FileStatus statusFrom(const struct statx& sx) {
    FileStatus s;
    if (S_ISREG(sx.stx_mode)) {
        s.type = FileStatus::Type::regular;
    } else if (S_ISDIR(sx.stx_mode)) {
        s.type = FileStatus::Type::directory;
    } else if (S_ISLNK(sx.stx_mode)) {
        s.type = FileStatus::Type::symlink;
    }
    s.size = static_cast<int64_t>(sx.stx_size);
    s.allocatedSize = static_cast<int64_t>(sx.stx_blocks) * 512;
    s.modified = seconds(sx.stx_mtime);
    if (sx.stx_mask & STATX_BTIME) s.created = seconds(sx.stx_btime);
    s.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    s.inode = sx.stx_ino;
    s.mode = sx.stx_mode & 07777;
    s.linkCount = sx.stx_nlink;
    return s;
}

// statx relative to a folder descriptor (or AT_FDCWD); returns the errno, 0 on success.
int statxAt(int folder, const char* name, bool followLinks, struct statx& sx, int extraFlags = 0) {
    int flags = AT_STATX_SYNC_AS_STAT | (followLinks ? 0 : AT_SYMLINK_NOFOLLOW) | extraFlags;
    unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
    return ::statx(folder, name, flags, mask, &sx) == 0 ? 0 : errno;
}

FileStatus statusAt(const std::string& path, bool followLinks) {
    struct statx sx {};
    if (int error = statxAt(AT_FDCWD, path.c_str(), followLinks, sx)) fail("stat", path, error);
    return statusFrom(sx);
}

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// `flags`: O_NOFOLLOW where the folder must be the entry of its name, not a link's end.
int openFolder(const std::string& path, int flags = 0) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY | flags);
    if (fd < 0) fail("list", path);
    return fd;
}

// Bytes [from, from + 8) of a name as one big-endian number, zero-padded (names hold no NUL):
// numbers in the order of the bytes.
uint64_t bytesAt(const std::string& name, size_t from) {
    if (name.size() <= from) return 0;
    uint64_t bytes = 0;
    if (name.size() >= from + 8) {
        std::memcpy(&bytes, name.data() + from, 8);
    } else {
        std::memcpy(&bytes, name.data() + from, name.size() - from);
    }
    return std::endian::native == std::endian::little ? __builtin_bswap64(bytes) : bytes;
}

// The order of `names` bytewise, as std::sort would put them: found by their first sixteen bytes
// as two numbers first, as most names differ there (many share eight: "libboost_…") and comparing
// numbers costs a fraction of comparing strings (every folder of a scan is sorted). Valid until
// the next call on the thread.
struct SortKey {
    uint64_t head;   // bytes 0-7
    uint64_t tail;   // bytes 8-15
    uint32_t index;  // into names
};
// Room for this many entries is kept on a thread from folder to folder; a huge folder's is not
// kept for good by a thread that lives on.
constexpr size_t keptEntries = size_t{1} << 16;

const std::vector<SortKey>& bytewiseOrder(const std::vector<std::string>& names) {
    thread_local std::vector<SortKey> keys;  // kept: one folder after another is sorted on a thread
    if (keys.capacity() > keptEntries && names.size() <= keptEntries) std::vector<SortKey>().swap(keys);
    keys.resize(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        keys[i] = SortKey{bytesAt(names[i], 0), bytesAt(names[i], 8), static_cast<uint32_t>(i)};
    }
    std::sort(keys.begin(), keys.end(), [&names](const SortKey& a, const SortKey& b) {
        if (a.head != b.head) return a.head < b.head;
        if (a.tail != b.tail) return a.tail < b.tail;
        return names[a.index] < names[b.index];
    });
    return keys;
}

void sortBytewise(std::vector<std::string>& names) {
    if (names.size() < 2) return;
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (const SortKey& key : bytewiseOrder(names)) sorted.push_back(std::move(names[key.index]));
    names.swap(sorted);
}

// All names of an open folder but "." and "..", in the folder's order, added to `names`; names
// starting with "." go to `hidden` when given, sorted. Read with getdents64 straight into a
// buffer: a scan reads every folder once and the directory stream's extra calls would be a fifth
// of its system calls.
void readNames(int fd, const std::string& path, std::vector<std::string>& names,
               std::vector<std::string>* hidden = nullptr) {
    alignas(dirent64) char buffer[32768];
    for (;;) {
        ssize_t filled = ::getdents64(fd, buffer, sizeof buffer);
        if (filled < 0) {
            if (errno == EINTR) continue;
            fail("list", path);
        }
        if (filled == 0) break;
        // An entry takes at least 24 bytes: room for all of them at once instead of growing by
        // steps (still doubling, for a folder that takes many reads).
        size_t room = names.size() + static_cast<size_t>(filled) / 24;
        if (room > names.capacity()) names.reserve(std::max(room, 2 * names.capacity()));
        for (ssize_t offset = 0; offset < filled;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            (hidden && name.front() == '.' ? *hidden : names).emplace_back(name);
        }
    }
    if (hidden) sortBytewise(*hidden);
}

class FdReadableFile : public ReadableFile {
public:
    FdReadableFile(int fd, std::string path, const struct stat& opened)
        : fd_(fd),
          path_(std::move(path)),
          version_{static_cast<uint64_t>(opened.st_dev), static_cast<uint64_t>(opened.st_ino),
                   static_cast<int64_t>(opened.st_ctim.tv_sec) * 1'000'000'000 + opened.st_ctim.tv_nsec} {}
    ~FdReadableFile() override { ::close(fd_); }

    std::optional<FileVersion> version() const override { return version_; }

    size_t read(char* buffer, size_t count) override {
        for (;;) {
            ssize_t n = ::read(fd_, buffer, count);
            if (n >= 0) return static_cast<size_t>(n);
            if (errno != EINTR) fail("read", path_);
        }
    }

    uint64_t skip(uint64_t count) override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) fail("read", path_);
        off_t position = ::lseek(fd_, 0, SEEK_CUR);
        if (position < 0) fail("read", path_);
        uint64_t left = st.st_size > position ? static_cast<uint64_t>(st.st_size - position) : 0;
        uint64_t skipped = std::min(count, left);
        if (::lseek(fd_, static_cast<off_t>(skipped), SEEK_CUR) < 0) fail("read", path_);
        return skipped;
    }

private:
    int fd_;
    std::string path_;
    FileVersion version_;
};

class FdWritableFile : public WritableFile {
public:
    FdWritableFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~FdWritableFile() override {
        if (fd_ >= 0) ::close(fd_);
    }

    void write(const char* data, size_t count) override {
        while (count > 0) {
            ssize_t n = ::write(fd_, data, count);
            if (n < 0) {
                if (errno == EINTR) continue;
                fail("write", path_);
            }
            data += n;
            count -= static_cast<size_t>(n);
            written_ += static_cast<uint64_t>(n);
        }
        // A large file goes to the disk while the rest is still being written, so that the sync
        // at its end waits for the last part only. The sync alone makes it durable.
        if (written_ - writingFrom_ >= writeBackStep) {
            ::sync_file_range(fd_, static_cast<off_t>(writingFrom_), static_cast<off_t>(written_ - writingFrom_),
                              SYNC_FILE_RANGE_WRITE);
            writingFrom_ = written_;
        }
    }

    void sync() override {
        if (::fsync(fd_) != 0) fail("fsync", path_);
    }

    void close() override {
        int fd = fd_;
        fd_ = -1;
        if (fd >= 0 && ::close(fd) != 0) fail("close", path_);
    }

private:
    static constexpr uint64_t writeBackStep = uint64_t{8} << 20;

    int fd_;
    std::string path_;
    uint64_t written_ = 0;
    uint64_t writingFrom_ = 0;  // where the bytes not yet sent to the disk start
};

std::string temporarySibling(const std::string& path) {
    static std::atomic<uint64_t> counter{0};
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string folder = path::parent(path);
    std::string name = "." + path::lastComponent(path) + ".tmp-" + std::to_string(::getpid()) + "-" +
                       std::to_string(counter.fetch_add(1)) + "-" + std::to_string(random() % 1000000);
    return path::appending(folder.empty() ? "." : folder, name);
}

void syncFolderIfPossible(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;  // best effort: the rename itself has happened
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::shared_ptr<FileSystem> FileSystem::real() {
    static std::shared_ptr<FileSystem> instance = std::make_shared<RealFileSystem>();
    return instance;
}

std::string FileSystem::canonicalPath(const std::string& path) { fail("realpath", path, ENOSYS); }

FileStatus RealFileSystem::linkStatus(const std::string& path) { return statusAt(path, false); }

FileStatus RealFileSystem::status(const std::string& path) { return statusAt(path, true); }

bool RealFileSystem::exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> RealFileSystem::listDirectory(const std::string& path) {
    Descriptor folder(openFolder(path));
    std::vector<std::string> names;
    readNames(folder.get(), path, names);
    sortBytewise(names);
    return names;
}

namespace {

// The values of entries [from, to) of the folder open on `fd`, links not followed.
void readValues(int fd, std::vector<DirectoryEntry>& entries, size_t from, size_t to) {
    for (size_t index = from; index < to; ++index) {
        DirectoryEntry& entry = entries[index];
        struct statx sx;  // filled whole by a call that succeeds; not cleared for each of a scan's items
        if (int error = statxAt(fd, entry.name.c_str(), false, sx)) {
            entry.statusError = error;
        } else {
            entry.status = statusFrom(sx);
            // Asked of every link a walk meets; cheaper here, relative to the open folder.
            if (entry.status->isSymlink()) entry.linkLeadsSomewhere = statxAt(fd, entry.name.c_str(), true, sx) == 0;
        }
    }
}

// A folder this large is read in parts side by side: a walk waits for it while one thread alone
// would take tens of milliseconds (a manual section holds tens of thousands of pages).
constexpr size_t entriesReadInParts = 4096;
constexpr size_t entriesPerPart = 2048;
constexpr size_t partsAtOnce = 4;

void readValues(int fd, std::vector<DirectoryEntry>& entries) {
    if (entries.size() < entriesReadInParts) return readValues(fd, entries, 0, entries.size());
    size_t parts = (entries.size() + entriesPerPart - 1) / entriesPerPart;
    BoundedParallel::runIndices(
        parts, partsAtOnce, {},
        [&](size_t part) {
            readValues(fd, entries, part * entriesPerPart, std::min(entries.size(), (part + 1) * entriesPerPart));
        },
        [](size_t) {});
}

// The folder open on `fd`, read as readDirectory reads it.
DirectoryListing readOpenFolder(int fd, const std::string& path, bool includeHidden) {
    // Read like the entries' values, so the two compare (a walk checks a folder it opens against
    // its entry in the parent's listing).
    struct statx identity {};
    if (int error = statxAt(fd, "", false, identity, AT_EMPTY_PATH)) fail("stat", path, error);
    FileStatus folder = statusFrom(identity);
    DirectoryListing listing;
    listing.device = folder.device;
    listing.inode = folder.inode;
    listing.created = folder.created;
    // Kept from folder to folder on a thread: only the names' own bytes are allocated anew.
    thread_local std::vector<std::string> names;
    names.clear();
    readNames(fd, path, names, includeHidden ? nullptr : &listing.hiddenNames);
    // Each name moved straight from where the folder gave it to its place in the listing.
    listing.entries.resize(names.size());
    size_t index = 0;
    for (const SortKey& key : bytewiseOrder(names)) listing.entries[index++].name = std::move(names[key.index]);
    readValues(fd, listing.entries);
    if (names.capacity() > keptEntries) std::vector<std::string>().swap(names);
    return listing;
}

std::atomic<size_t> foldersHeldOpen{0};

// Kernel file systems of local disks and memory, by their magic numbers (linux/magic.h and the
// file systems' own): their reads end, if only with an error. Network and FUSE file systems are
// left out: one that lost its server blocks a read for good.
bool readsEndPromptlyOn(int64_t type) {
    switch (static_cast<uint32_t>(type)) {
        case 0xEF53:      // ext2, ext3, ext4
        case 0x58465342:  // xfs
        case 0x9123683E:  // btrfs
        case 0xF2F52010:  // f2fs
        case 0xCA451A4E:  // bcachefs
        case 0x2FC12FC1:  // zfs
        case 0x3153464A:  // jfs
        case 0x01021994:  // tmpfs
        case 0x858458F6:  // ramfs
        case 0x794C7630:  // overlayfs
        case 0x4D44:      // vfat
        case 0x2011BAB0:  // exfat
        case 0x5346544E:  // ntfs3
        case 0x482B:      // hfsplus
        case 0x9660:      // iso9660
        case 0x73717368:  // squashfs
            return true;
        default:
            return false;
    }
}

// Asked once per device on each thread: a walk's threads last one walk, and a device number is
// only given to another file system once this one is unmounted.
bool readsEndPromptly(int fd, uint64_t device) {
    thread_local std::vector<std::pair<uint64_t, bool>> known;
    for (const auto& [knownDevice, prompt] : known) {
        if (knownDevice == device) return prompt;
    }
    struct statfs fs {};
    bool prompt = ::fstatfs(fd, &fs) == 0 && readsEndPromptlyOn(static_cast<int64_t>(fs.f_type));
    if (known.size() < 64) known.emplace_back(device, prompt);
    return prompt;
}

class HeldFolder : public OpenFolder {
public:
    HeldFolder(int fd, bool readsEndPromptly) : fd_(fd), readsEndPromptly_(readsEndPromptly) {}
    ~HeldFolder() override {
        ::close(fd_);
        foldersHeldOpen.fetch_sub(1, std::memory_order_relaxed);
    }
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;
    int fd() const { return fd_; }
    bool readsEndPromptly() const override { return readsEndPromptly_; }

private:
    int fd_;
    bool readsEndPromptly_;
};

bool hasSubfolder(const DirectoryListing& listing) {
    return std::any_of(listing.entries.begin(), listing.entries.end(),
                       [](const DirectoryEntry& entry) { return entry.status && entry.status->isDirectory(); });
}

}  // namespace

DirectoryListing RealFileSystem::readDirectory(const std::string& path, bool includeHidden) {
    Descriptor folder(openFolder(path));
    return readOpenFolder(folder.get(), path, includeHidden);
}

size_t RealFileSystem::maxFoldersHeldOpen() {
    static const size_t most = [] {
        struct rlimit limit {};
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return size_t{64};
        if (limit.rlim_cur == RLIM_INFINITY) return size_t{1024};
        return std::min<size_t>(limit.rlim_cur / 4, 1024);
    }();
    return most;
}

DirectoryListing RealFileSystem::readDirectoryFrom(const OpenFolder* parent, const std::string& path,
                                                   bool includeHidden, std::shared_ptr<const OpenFolder>* keep) {
    // Stand-ins built on this class fault readDirectory: reading past it would lose their faults.
    if (typeid(*this) != typeid(RealFileSystem)) return FileSystem::readDirectoryFrom(parent, path, includeHidden, keep);
    return readDirectoryFromOpen(parent, path, includeHidden, keep);
}

DirectoryListing RealFileSystem::readDirectoryFromOpen(const OpenFolder* parent, const std::string& path,
                                                       bool includeHidden, std::shared_ptr<const OpenFolder>* keep) {
    int fd = -1;
    if (const auto* held = dynamic_cast<const HeldFolder*>(parent)) {
        // The entry's name is what follows the last "/": a walk's paths are its names appended.
        const char* name = path.c_str() + (path.rfind('/') + 1);
        fd = ::openat(held->fd(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    }
    // By path when that failed (out of descriptors, a link put in its place...): a link is still
    // not followed, so the outcome is the same.
    Descriptor folder(fd >= 0 ? fd : openFolder(path, O_NOFOLLOW));
    DirectoryListing listing = readOpenFolder(folder.get(), path, includeHidden);
    if (keep && hasSubfolder(listing)) {
        if (foldersHeldOpen.fetch_add(1, std::memory_order_relaxed) < maxFoldersHeldOpen()) {
            *keep = std::make_shared<HeldFolder>(folder.get(), readsEndPromptly(folder.get(), listing.device));
            folder.release();
        } else {
            foldersHeldOpen.fetch_sub(1, std::memory_order_relaxed);
        }
    }
    return listing;
}

namespace {
// A regular file opened for reading, and its size; anything else is refused.
int openRegularFile(const std::string& path, struct stat& st) {
    // O_NONBLOCK so that a FIFO put in place of a file cannot hang the open.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) fail("open", path);
    if (::fstat(fd, &st) != 0) {
        int error = errno;
        ::close(fd);
        fail("stat", path, error);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        fail("open", path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    // Regular files ignore O_NONBLOCK for reads, but clear it all the same.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace

std::unique_ptr<ReadableFile> RealFileSystem::openForReading(const std::string& path) {
    struct stat st {};
    int fd = openRegularFile(path, st);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<FdReadableFile>(fd, path, st);
}

std::unique_ptr<WritableFile> RealFileSystem::createNewFile(const std::string& path, uint32_t mode) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0) fail("create", path);
    return std::make_unique<FdWritableFile>(fd, path);
}

std::string RealFileSystem::readFile(const std::string& path) {
    auto file = openForReading(path);
    std::string contents;
    // Sized up front, a large file is read without the copies of a growing string.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && st.st_size > 0 && static_cast<uint64_t>(st.st_size) < contents.max_size()) {
        try {
            contents.reserve(static_cast<size_t>(st.st_size));
        } catch (const std::bad_alloc&) {
            // Read it growing, as far as memory goes.
        }
    }
    char buffer[1 << 16];
    while (size_t n = file->read(buffer, sizeof buffer)) contents.append(buffer, n);
    return contents;
}

void RealFileSystem::writeFileAtomically(const std::string& path, const std::string& contents) {
    writePiecesAtomically(path, [&contents](const auto& write) { write(contents); });
}

void RealFileSystem::writePiecesAtomically(const std::string& path, const Pieces& produce) {
    std::string temporary = temporarySibling(path);
    try {
        auto file = createNewFile(temporary, 0644);
        produce([&file](std::string_view piece) { file->write(piece.data(), piece.size()); });
        file->sync();
        file->close();
        if (::rename(temporary.c_str(), path.c_str()) != 0) fail("rename", path);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    std::string folder = path::parent(path);
    syncFolderIfPossible(folder.empty() ? "." : folder);
}

void RealFileSystem::appendDurably(const std::string& path, std::string_view bytes) {
    bool created = true;
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0 && errno == EEXIST) {
        created = false;
        // O_NONBLOCK so that a FIFO put in its place cannot hang the open.
        fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    }
    if (fd < 0) fail("open", path);
    FdWritableFile file(fd, path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) fail("stat", path);
    if (!S_ISREG(st.st_mode)) fail("open", path, EINVAL);
    file.write(bytes.data(), bytes.size());
    if (::fdatasync(fd) != 0) fail("fsync", path);
    file.close();
    if (created) {
        std::string folder = path::parent(path);
        syncFolderIfPossible(folder.empty() ? "." : folder);
    }
}

void RealFileSystem::createDirectory(const std::string& path, uint32_t mode) {
    if (::mkdir(path.c_str(), mode) != 0) fail("mkdir", path);
}

void RealFileSystem::moveNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        fail("move", from + " -> " + to);
    }
}

void RealFileSystem::removeItem(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) fail("remove", path);
    int result = S_ISDIR(st.st_mode) ? ::rmdir(path.c_str()) : ::unlink(path.c_str());
    if (result != 0) fail("remove", path);
}

void RealFileSystem::removeTree(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) fail("remove", path);
    if (S_ISDIR(st.st_mode)) {
        for (const std::string& name : listDirectory(path)) removeTree(path::appending(path, name));
    }
    removeItem(path);
}

void RealFileSystem::syncFolder(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fail("open", path);
    Descriptor folder(fd);
    // Some file systems have nothing to flush for a folder and say so.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) fail("fsync", path);
}

void RealFileSystem::setPermissions(const std::string& path, uint32_t mode) {
    if (::fchmodat(AT_FDCWD, path.c_str(), mode, 0) != 0) fail("chmod", path);
}

void RealFileSystem::setModificationTime(const std::string& path, double modified) {
    struct timespec times[2];
    double whole = std::floor(modified);
    times[0].tv_sec = static_cast<time_t>(whole);
    times[0].tv_nsec = static_cast<long>((modified - whole) * 1e9);
    times[1] = times[0];
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) fail("utimes", path);
}

std::string RealFileSystem::readLink(const std::string& path) {
    std::string buffer(4096, '\0');
    ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) fail("readlink", path);
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}

void RealFileSystem::createSymlink(const std::string& target, const std::string& path) {
    if (::symlink(target.c_str(), path.c_str()) != 0) fail("symlink", path);
}

std::string RealFileSystem::canonicalPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) fail("realpath", path);
    std::string result = resolved;
    ::free(resolved);
    return result;
}

}  // namespace ordane::platform
