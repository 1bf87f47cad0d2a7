#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane::platform {

// Reads folders on threads of its own before the depth-first enumerators that will enter them get
// there, nearest in walk order first, so that a walk spends its time on the items instead of
// waiting for the file system. Enumerators register with it (DirectoryEnumerator::readAheadOn);
// an enumerator registered later is served first, as one sizing a folder for another's walk.
// What was read but not yet asked for is bounded.
class FolderReadAhead {
public:
    // The thread count for a walk: a few, fewer on a small machine.
    static unsigned defaultThreads();
    // Folders being read or read and not yet asked for, at most; the nearest in walk order are
    // read first, so that a walk that stops early wastes little.
    static constexpr size_t maxFoldersAhead = 256;

    FolderReadAhead(std::shared_ptr<FileSystem> fileSystem, unsigned threads);
    // Waits for the reads under way; drops the rest.
    ~FolderReadAhead();
    FolderReadAhead(const FolderReadAhead&) = delete;
    FolderReadAhead& operator=(const FolderReadAhead&) = delete;

    // The rest is for DirectoryEnumerator.

    // What the enumerator's user will do with a subfolder: skip it, let the enumerator enter it,
    // or list all of it (hidden items and package contents too) with a nested enumerator (see
    // DirectoryEnumerator::readAheadWithin). A hint: a wrong answer costs time, never results.
    enum class Descent { skip, enter, whole };
    // Called on the read-ahead's threads; `isPackage`: a folder with a package extension.
    using WillEnter = std::function<Descent(const std::string& path, const DirectoryEntry& entry, bool isPackage)>;
    struct FolderIdentity {
        uint64_t device = 0;
        uint64_t inode = 0;
        bool operator==(const FolderIdentity&) const = default;
    };
    // A folder's place in its enumerator's walk: the index of each entry on the way down from
    // the root. Keys compare in walk order.
    using Position = std::vector<uint32_t>;
    // A subfolder read along with its parent, by the parent's reader.
    struct Subfolder {
        uint32_t index = 0;  // in the parent's listing
        DirectoryListing listing;
    };
    struct Read {
        DirectoryListing listing;
        std::exception_ptr error;  // what reading it threw instead
        // Its first few small subfolders, by index, up to the first with subfolders of its own:
        // handing each over on its own would cost more than reading it. Each is the one its
        // parent listed, and none is an ancestor.
        std::vector<Subfolder> subfolders;
        // The reader that read it, and its subfolders, by number: their memory is that
        // thread's, and goes back to it (giveBack). None when the walk's own thread read them.
        int reader = -1;
    };

    struct Walk;
    std::shared_ptr<Walk> attach(bool includeHidden, bool entersPackages, WillEnter willEnter);
    void detach(const std::shared_ptr<Walk>& walk);
    // The read of the folder at `position`, when it was read (or is being read) ahead; its
    // subfolders are then already on the way. Folders before it in walk order are dropped.
    std::optional<Read> take(const std::shared_ptr<Walk>& walk, const Position& position, const std::string& path);
    // A listing taken and done with, to be freed on the thread of the `reader` that read it (see
    // Read::reader).
    void giveBack(const std::shared_ptr<Walk>& walk, DirectoryListing&& listing, int reader);
    // After the enumerator read a folder itself: reads ahead the subfolders it will enter (all of
    // them, with hidden items, when the folder is listed `whole`). `ancestors`: the identities of
    // the folder's ancestors and its own.
    void readSubfoldersAhead(const std::shared_ptr<Walk>& walk, const Position& position, const std::string& path,
                             const DirectoryListing& listing, const std::vector<FolderIdentity>& ancestors,
                             bool whole);
    // Drops what was read ahead at and below `position` (a nested enumeration ended early).
    void dropBelow(const std::shared_ptr<Walk>& walk, const Position& position);

private:
    struct Key {
        uint64_t rank = 0;  // newer walks first
        Position position;
    };
    // A key looked up or extended without copying its position.
    struct KeyView {
        uint64_t rank;
        const Position& position;
    };
    struct KeyOrder {
        using is_transparent = void;
        template <typename A, typename B>
        bool operator()(const A& a, const B& b) const {
            return a.rank != b.rank ? a.rank < b.rank : a.position < b.position;
        }
    };
    enum class State { queued, reading, ready, gone };  // gone: taken, or dropped while read
    struct Task;
    using Tasks = std::map<Key, Task, KeyOrder>;
    // The order folders are read in: a walk's large folders first, then its others in walk order.
    struct ReadOrder {
        bool operator()(Tasks::iterator a, Tasks::iterator b) const;
    };
    using Queue = std::set<Tasks::iterator, ReadOrder>;
    struct Task {
        std::shared_ptr<const Walk> walk;
        std::string path;
        FolderIdentity listedAs;
        std::shared_ptr<const std::vector<FolderIdentity>> ancestors;  // one list for all of a folder's subfolders
        // The parent as its reader left it open, shared by its subfolders: each is opened from
        // it rather than by its whole path. None when the parent was read by the walk itself.
        std::shared_ptr<const OpenFolder> parent;
        bool whole = false;
        bool large = false;  // by its size in its parent's listing
        bool small = false;  // entered, and not large: it may be read along with its parent
        bool leaf = false;   // by its link count there: no subfolders
        // Small, on its parent's device, and where reads end promptly: the walk may read it
        // itself while it waits for another.
        bool quick = false;
        int madeBy = -1;  // the reader whose thread made it, if any: it frees it too
        // Written under the lock; read without it only by the walk waiting for its read.
        std::atomic<State> state = State::queued;
        bool awaited = false;  // the walk sleeps until it is read
        Queue::iterator queuedAt;  // its place in queued_, while queued
        Read read;
    };
    // Tasks taken out of tasks_ under the lock and freed after it, so that the lock is not held
    // while memory other threads allocated is given back.
    using Released = std::vector<Tasks::node_type>;

    void work(size_t reader);  // the reader numbered `reader`
    // The number of the reader running on this thread, or -1 on any other thread.
    int readerHere() const;
    // Hands each task in `released` made on a reader's thread to that reader to free; leaves the
    // others, for this thread.
    void returnToMakersLocked(Released& released);
    // A queued task taken to read: then read by readStarted, without the lock on entry and with
    // it on return. Returns the room kept for subfolders read along with it.
    size_t startLocked(Tasks::iterator task);
    void readStarted(std::unique_lock<std::mutex>& lock, Tasks::iterator task, size_t readWith,
                     std::vector<FolderIdentity>& lineage);
    // Reads the first small ones of `subfolders` (`most` of them) from `opened` into `read`, in
    // place of their tasks; tasks for their own subfolders take their place.
    void readSubfoldersWith(Read& read, Tasks& subfolders, const std::shared_ptr<const OpenFolder>& opened,
                            const std::vector<FolderIdentity>& lineage, size_t most);
    // Folders being read or read and not yet taken, with those read along with them.
    size_t foldersAheadLocked() const;
    Tasks::iterator nextToRead();
    // Built before taking the lock, so that adding them allocates nothing under it. `ancestors` is
    // shared by the tasks made, copied for them only when there is one; `opened`: the folder
    // held open, when it is.
    Tasks subfoldersOf(const std::shared_ptr<const Walk>& walk, KeyView key, const std::string& path,
                       const DirectoryListing& listing, const std::vector<FolderIdentity>& ancestors, bool whole,
                       const std::shared_ptr<const OpenFolder>& opened = nullptr) const;
    // An idle reader not yet woken and something for it to read; the caller wakes one.
    bool readerWantedLocked();
    bool readerRunningLowLocked();
    // `after`: the task of the folder they are in, when it has one.
    void addLocked(Tasks& subfolders, Tasks::iterator after);
    // Queue nodes are kept and used again: queueing a task allocates nothing under the lock.
    Queue::iterator enqueueLocked(Queue::const_iterator hint, Tasks::iterator task);
    void dequeueLocked(Tasks::iterator task);
    void eraseLocked(Tasks::iterator task, Released& released);

    std::shared_ptr<FileSystem> fileSystem_;
    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable readDone_;
    Tasks tasks_;  // queued, being read, and read but not yet taken
    Queue queued_;  // the tasks not yet started
    std::vector<Queue::node_type> spareQueueNodes_;
    size_t entriesHeld_ = 0;  // in tasks read and not yet taken
    size_t foldersReadWith_ = 0;  // in those tasks, and room kept for them in tasks being read
    uint64_t nextRank_ = UINT64_MAX;
    bool stopping_ = false;
    unsigned idle_ = 0;    // readers waiting for work
    unsigned waking_ = 0;  // of them, woken and not yet running
    // By reader: the listings given back and the tasks taken that it made, for it to free when it
    // next picks up a folder. Memory freed on the thread that allocated it goes back to that
    // thread's own caches; freed elsewhere, it costs both threads more.
    std::vector<std::vector<DirectoryListing>> used_;
    std::vector<Released> forReadersToFree_;
    Released droppedWhileRead_;           // tasks erased while a reader reads them
    std::vector<std::thread> threads_;
};

}  // namespace ordane::platform
