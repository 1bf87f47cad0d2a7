#include "OrdanePlatform/FileSystem/FolderReadAhead.hpp"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <iterator>

#include "OrdanePlatform/FileSystem/Packages.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::platform {

namespace {

// Entries read and not yet taken, beyond which nothing more is read ahead (memory).
constexpr size_t maxEntriesHeld = size_t{1} << 17;

// A folder's size as its parent lists it, from which it is read ahead of its turn: a few thousand
// entries on the usual file systems. A hint: a wrong one costs time, never results.
constexpr int64_t largeFolderBytes = int64_t{64} << 10;

// Subfolders read along with their parent, at most, and the entries after which no more are: a
// walk waits for the parent until they are read.
constexpr size_t maxReadWith = 16;
constexpr size_t maxEntriesReadWith = 1024;

// A folder the walk reads itself rather than wait idle: some tens of entries, read in well under
// a millisecond.
constexpr int64_t quickFolderBytes = 4096;

size_t entriesIn(const FolderReadAhead::Read& read) {
    size_t entries = read.listing.entries.size();
    for (const auto& subfolder : read.subfolders) entries += subfolder.listing.entries.size();
    return entries;
}

// The lock is held for a few hundred nanoseconds at a time, by the walk's thread and every
// reader: waiting that long costs less than sleeping, which costs both sides a system call and
// the sleeper a trip through the scheduler.
void lockSoon(std::mutex& mutex) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (mutex.try_lock()) return;
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
    mutex.lock();
}

std::unique_lock<std::mutex> lockedSoon(std::mutex& mutex) {
    lockSoon(mutex);
    return std::unique_lock<std::mutex>(mutex, std::adopt_lock);
}

// How long the walk waits for a folder a reader is finishing before it sleeps: about what going
// to sleep and being woken costs the two threads.
constexpr auto spinBeforeSleeping = std::chrono::microseconds(30);

template <typename Done>
bool doneSoon(const Done& done) {
    auto until = std::chrono::steady_clock::now() + spinBeforeSleeping;
    for (;;) {
        for (int attempt = 0; attempt < 32; ++attempt) {
            if (done()) return true;
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
        if (std::chrono::steady_clock::now() >= until) return done();
    }
}

// Moves `from`'s items to the end of `to`, leaving `from` empty. Both keep their capacity from
// call to call, so that this allocates only while they grow.
template <typename Item>
void handOver(std::vector<Item>& from, std::vector<Item>& to) {
    if (to.empty()) {
        to.swap(from);
    } else {
        std::move(from.begin(), from.end(), std::back_inserter(to));
        from.clear();
    }
}

// The read-ahead whose reader runs on this thread, and its number there.
thread_local const FolderReadAhead* readingFor = nullptr;
thread_local int readerNumber = -1;

}  // namespace

struct FolderReadAhead::Walk {
    uint64_t rank = 0;
    bool includeHidden = false;
    bool entersPackages = false;
    WillEnter willEnter;
    // Used on the walk's thread only, between its calls to the read-ahead: what its takes
    // erase, kept empty between them so that its capacity stays (erasing allocates nothing under
    // the lock), and the listings it gave back by reader, until its next take hands them over.
    Released taken;
    std::vector<std::vector<DirectoryListing>> used;
    std::vector<FolderIdentity> lineage;  // for the folders it reads while it would wait
};

unsigned FolderReadAhead::defaultThreads() {
    // With the walk reading small folders itself while it waits, three keep it fed; a fourth
    // costs more processor time than the wall time it saves.
    return std::clamp(std::thread::hardware_concurrency(), 1u, 3u);
}

FolderReadAhead::FolderReadAhead(std::shared_ptr<FileSystem> fileSystem, unsigned threads)
    : fileSystem_(std::move(fileSystem)) {
    threads_.reserve(threads);
    // One a thread that reads at most, a walk's among them: never grown under the lock.
    droppedWhileRead_.reserve(threads + 1);
    used_.resize(threads);
    forReadersToFree_.resize(threads);
    for (unsigned i = 0; i < threads; ++i) {
        threads_.emplace_back([this, i] {
            ::pthread_setname_np(::pthread_self(), "folder-reader");  // for profilers
            readingFor = this;
            readerNumber = static_cast<int>(i);
            work(i);
        });
    }
}

FolderReadAhead::~FolderReadAhead() {
    {
        auto lock = lockedSoon(mutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    for (auto& thread : threads_) thread.join();
}

std::shared_ptr<FolderReadAhead::Walk> FolderReadAhead::attach(bool includeHidden, bool entersPackages,
                                                               WillEnter willEnter) {
    auto walk = std::make_shared<Walk>();
    walk->includeHidden = includeHidden;
    walk->entersPackages = entersPackages;
    walk->willEnter = std::move(willEnter);
    walk->used.resize(threads_.size());
    auto lock = lockedSoon(mutex_);
    walk->rank = nextRank_--;
    return walk;
}

void FolderReadAhead::detach(const std::shared_ptr<Walk>& walk) {
    bool wake = false;
    Released released;
    Released taken;
    {
        auto lock = lockedSoon(mutex_);
        auto task = tasks_.lower_bound(Key{walk->rank, {}});
        while (task != tasks_.end() && task->first.rank == walk->rank) eraseLocked(task++, released);
        // Tasks taken may still hold folders open: freed now, not when a reader next runs.
        for (Released& made : forReadersToFree_) handOver(made, taken);
        wake = readerRunningLowLocked();
    }
    if (wake) workAvailable_.notify_one();
}

void FolderReadAhead::dropBelow(const std::shared_ptr<Walk>& walk, const Position& position) {
    bool wake = false;
    Released released;
    {
        auto lock = lockedSoon(mutex_);
        auto task = tasks_.lower_bound(KeyView{walk->rank, position});
        auto below = [&](const Key& key) {
            return key.rank == walk->rank && key.position.size() >= position.size() &&
                   std::equal(position.begin(), position.end(), key.position.begin());
        };
        while (task != tasks_.end() && below(task->first)) eraseLocked(task++, released);
        // Room made is no work added: readers are woken as for a take.
        wake = readerRunningLowLocked();
    }
    if (wake) workAvailable_.notify_one();
}

void FolderReadAhead::giveBack(const std::shared_ptr<Walk>& walk, DirectoryListing&& listing, int reader) {
    if (reader < 0 || static_cast<size_t>(reader) >= walk->used.size()) {
        DirectoryListing mine = std::move(listing);  // the walk's own: freed here and now
        return;
    }
    walk->used[static_cast<size_t>(reader)].push_back(std::move(listing));
}

int FolderReadAhead::readerHere() const { return readingFor == this ? readerNumber : -1; }

void FolderReadAhead::returnToMakersLocked(Released& released) {
    size_t kept = 0;
    for (Tasks::node_type& node : released) {
        int reader = node.mapped().madeBy;
        if (reader >= 0) {
            forReadersToFree_[static_cast<size_t>(reader)].push_back(std::move(node));
        } else {
            released[kept++] = std::move(node);
        }
    }
    released.resize(kept);
}

std::optional<FolderReadAhead::Read> FolderReadAhead::take(const std::shared_ptr<Walk>& walk,
                                                           const Position& position, const std::string& path) {
    std::optional<Read> result;
    bool wake = false;
    Released& released = walk->taken;
    {
        auto lock = lockedSoon(mutex_);
        // Most of what the walk is done with was made on the readers' threads: it is freed there,
        // each part by the reader that made it when it next picks up a folder.
        for (size_t reader = 0; reader < used_.size(); ++reader) handOver(walk->used[reader], used_[reader]);
        // The walk is past everything before this folder: none of it will be asked for.
        auto first = tasks_.lower_bound(Key{walk->rank, {}});
        auto asked = [&](Tasks::iterator task) {
            return task != tasks_.end() && task->first.rank == walk->rank && task->first.position == position;
        };
        // Mostly the walk's first: then it is not looked up again.
        auto found = asked(first) ? first : tasks_.lower_bound(KeyView{walk->rank, position});
        while (first != found) eraseLocked(first++, released);
        if (!asked(found)) {
            returnToMakersLocked(released);
            lock.unlock();
            released.clear();  // what the walk's own thread made
            return std::nullopt;
        }
        if (found->second.path != path || found->second.state.load(std::memory_order_relaxed) == State::queued) {
            // Cheaper read here and now than handed over.
            eraseLocked(found, released);
        } else {
            auto ready = [&state = found->second.state] {
                return state.load(std::memory_order_acquire) == State::ready;
            };
            // Still being read: rather than wait idle, the walk reads folders still queued, as a
            // reader would (the readers are busy), while they are small and cannot hang; one that
            // hung would hold back everything before it. Only this walk's thread erases its tasks:
            // the one waited for stays where it is.
            for (auto next = nextToRead(); !ready() && next != tasks_.end() && next->second.quick;
                 next = nextToRead()) {
                size_t readWith = startLocked(next);
                lock.unlock();
                readStarted(lock, next, readWith, walk->lineage);
            }
            if (!ready()) {
                lock.unlock();
                doneSoon(ready);
                lock = lockedSoon(mutex_);
            }
            if (!ready()) {
                // Woken for this folder only, not by every other read that ends meanwhile.
                found->second.awaited = true;
                readDone_.wait(lock, ready);
            }
            foldersReadWith_ -= found->second.read.subfolders.size();
            Read read = std::move(found->second.read);
            found->second.read.listing.entries.clear();  // counted as moved out
            entriesHeld_ -= entriesIn(read);
            found->second.state.store(State::gone, std::memory_order_relaxed);  // erased as no longer held
            eraseLocked(found, released);
            result = std::move(read);
        }
        wake = readerRunningLowLocked();
        returnToMakersLocked(released);
    }
    if (wake) workAvailable_.notify_one();
    released.clear();  // what the walk's own thread made
    return result;
}

void FolderReadAhead::readSubfoldersAhead(const std::shared_ptr<Walk>& walk, const Position& position,
                                          const std::string& path, const DirectoryListing& listing,
                                          const std::vector<FolderIdentity>& ancestors, bool whole) {
    if (threads_.empty()) return;
    auto subfolders = subfoldersOf(walk, KeyView{walk->rank, position}, path, listing, ancestors, whole);
    if (subfolders.empty()) return;
    bool wake = false;
    {
        auto lock = lockedSoon(mutex_);
        addLocked(subfolders, tasks_.end());
        wake = readerWantedLocked();
    }
    if (wake) workAvailable_.notify_one();
}

FolderReadAhead::Tasks FolderReadAhead::subfoldersOf(const std::shared_ptr<const Walk>& walk, KeyView key,
                                                     const std::string& path, const DirectoryListing& listing,
                                                     const std::vector<FolderIdentity>& ancestors, bool whole,
                                                     const std::shared_ptr<const OpenFolder>& opened) const {
    Tasks subfolders;
    std::shared_ptr<const std::vector<FolderIdentity>> shared;
    for (size_t index = 0; index < listing.entries.size(); ++index) {
        const DirectoryEntry& entry = listing.entries[index];
        if (!entry.status || !entry.status->isDirectory()) continue;
        std::string subfolder = path::appending(path, entry.name);
        Descent descent = Descent::whole;
        if (!whole) {
            bool isPackage = isPackageFolder(entry.name);
            descent = isPackage && !walk->entersPackages ? Descent::skip : Descent::enter;
            if (walk->willEnter) descent = walk->willEnter(subfolder, entry, isPackage);
        }
        if (descent == Descent::skip) continue;
        Key added{key.rank, {}};
        added.position.reserve(key.position.size() + 1);
        added.position = key.position;
        added.position.push_back(static_cast<uint32_t>(index));
        // Made in place: the state is atomic, so a task cannot be moved.
        Task& task = subfolders.try_emplace(subfolders.end(), std::move(added))->second;
        task.whole = descent == Descent::whole;
        task.walk = walk;
        task.path = std::move(subfolder);
        task.listedAs = FolderIdentity{entry.status->device, entry.status->inode};
        task.large = entry.status->size >= largeFolderBytes;
        task.small = !task.large && descent == Descent::enter;
        // Two links: its own name and its "." (most file systems count a folder's subfolders' "..").
        task.leaf = entry.status->linkCount == 2;
        task.madeBy = readerHere();
        task.quick = entry.status->size <= quickFolderBytes && opened && opened->readsEndPromptly() &&
                     entry.status->device == listing.device;
        if (!shared) shared = std::make_shared<const std::vector<FolderIdentity>>(ancestors);
        task.ancestors = shared;
        task.parent = opened;
    }
    return subfolders;
}

void FolderReadAhead::readSubfoldersWith(Read& read, Tasks& subfolders,
                                         const std::shared_ptr<const OpenFolder>& opened,
                                         const std::vector<FolderIdentity>& lineage, size_t most) {
    size_t entries = 0;
    Tasks below;  // subfolders of those read
    std::vector<FolderIdentity> leafLineage;
    bool more = true;
    while (more && !subfolders.empty() && subfolders.begin()->second.small && read.subfolders.size() < most &&
           entries < maxEntriesReadWith) {
        auto node = subfolders.extract(subfolders.begin());
        const Task& task = node.mapped();
        // What comes after a subfolder with subfolders of its own is too far ahead.
        more = task.leaf;
        try {
            std::shared_ptr<const OpenFolder> kept;
            DirectoryListing listing =
                fileSystem_->readDirectoryFrom(opened.get(), task.path, task.walk->includeHidden, &kept);
            // As for a task: otherwise the walk reads it itself, and finds what is wrong.
            FolderIdentity identity{listing.device, listing.inode};
            if (identity != task.listedAs || std::find(lineage.begin(), lineage.end(), identity) != lineage.end()) {
                continue;
            }
            entries += listing.entries.size();
            // Its subfolders are read ahead like any other folder's (a leaf has some when its
            // parent's listing counted wrong, or it changed since).
            leafLineage.assign(lineage.begin(), lineage.end());
            leafLineage.push_back(identity);
            Tasks theirs = subfoldersOf(task.walk, KeyView{node.key().rank, node.key().position}, task.path, listing,
                                        leafLineage, false, kept);
            below.merge(theirs);
            read.subfolders.push_back(Subfolder{node.key().position.back(), std::move(listing)});
        } catch (...) {
            // Read again by the walk, which reports the error.
        }
    }
    subfolders.merge(below);
}

bool FolderReadAhead::ReadOrder::operator()(Tasks::iterator a, Tasks::iterator b) const {
    // A large folder keeps a reader long enough that the walk would wait for it on getting there:
    // it is started as soon as it is known. Newer walks still come first (a nested walk holds up
    // the one it is part of).
    if (a->first.rank == b->first.rank && a->second.large != b->second.large) return a->second.large;
    return KeyOrder{}(a->first, b->first);
}

void FolderReadAhead::addLocked(Tasks& subfolders, Tasks::iterator after) {
    // Moves the nodes over; any already there stay behind in `subfolders`. A folder's subfolders
    // come in order and nothing lies between them yet, so each goes right after the one before
    // (a hint that is wrong only costs the usual search). The first goes right after the folder
    // they are in, and in the queue before the first task queued after them, which is mostly
    // among the next few.
    auto hint = after == tasks_.end() ? after : std::next(after);
    auto queueHint = queued_.end();
    auto later = hint;
    for (int looked = 0; looked < 4 && later != tasks_.end(); ++looked, ++later) {
        if (later->second.state.load(std::memory_order_relaxed) == State::queued) {
            queueHint = later->second.queuedAt;
            break;
        }
    }
    for (auto subfolder = subfolders.begin(); subfolder != subfolders.end();) {
        auto next = std::next(subfolder);
        auto node = subfolders.extract(subfolder);
        auto added = tasks_.insert(hint, std::move(node));
        if (node.empty()) {
            added->second.queuedAt = enqueueLocked(queueHint, added);
            hint = std::next(added);
            queueHint = std::next(added->second.queuedAt);
        } else {
            subfolders.insert(std::move(node));
        }
        subfolder = next;
    }
}

FolderReadAhead::Queue::iterator FolderReadAhead::enqueueLocked(Queue::const_iterator hint, Tasks::iterator task) {
    if (spareQueueNodes_.empty()) return queued_.insert(hint, task);
    Queue::node_type node = std::move(spareQueueNodes_.back());
    spareQueueNodes_.pop_back();
    node.value() = task;
    return queued_.insert(hint, std::move(node));
}

void FolderReadAhead::dequeueLocked(Tasks::iterator task) {
    spareQueueNodes_.push_back(queued_.extract(task->second.queuedAt));
}

void FolderReadAhead::eraseLocked(Tasks::iterator task, Released& released) {
    State state = task->second.state.load(std::memory_order_relaxed);
    if (state == State::queued) dequeueLocked(task);
    if (state == State::ready) {
        entriesHeld_ -= entriesIn(task->second.read);
        foldersReadWith_ -= task->second.read.subfolders.size();
    }
    if (state == State::reading) {
        // Its reader still uses it: kept for the reader, which finds it dropped and frees it.
        task->second.state.store(State::gone, std::memory_order_relaxed);
        droppedWhileRead_.push_back(tasks_.extract(task));
        return;
    }
    released.push_back(tasks_.extract(task));
}

bool FolderReadAhead::readerWantedLocked() {
    // A reader woken and not yet running is not woken again: it would only find no room left
    // and go back to sleep.
    if (idle_ <= waking_ || nextToRead() == tasks_.end()) return false;
    ++waking_;
    return true;
}

bool FolderReadAhead::readerRunningLowLocked() {
    // Waking a reader costs the walk's thread a system call: it waits until the folders read
    // or being read ahead run low, then wakes one, which wakes the others.
    return foldersAheadLocked() < maxFoldersAhead / 2 && readerWantedLocked();
}

size_t FolderReadAhead::foldersAheadLocked() const { return tasks_.size() - queued_.size() + foldersReadWith_; }

FolderReadAhead::Tasks::iterator FolderReadAhead::nextToRead() {
    // The nearest folder in walk order, while not too much is read and not yet taken.
    if (queued_.empty() || entriesHeld_ >= maxEntriesHeld) return tasks_.end();
    if (foldersAheadLocked() >= maxFoldersAhead) return tasks_.end();
    return *queued_.begin();
}

void FolderReadAhead::work(size_t reader) {
    std::vector<DirectoryListing> used;
    Released released;
    std::vector<FolderIdentity> lineage;  // the folder's ancestors and its own, capacity kept
    auto lock = lockedSoon(mutex_);
    for (;;) {
        Tasks::iterator task;
        ++idle_;
        while (!stopping_ && (task = nextToRead()) == tasks_.end()) {
            workAvailable_.wait(lock);
            if (waking_ > 0) --waking_;  // woken, or now and then spuriously: then one more is woken
        }
        --idle_;
        if (stopping_) return;
        size_t readWith = startLocked(task);
        if (!used_[reader].empty()) used.swap(used_[reader]);
        if (!forReadersToFree_[reader].empty()) released.swap(forReadersToFree_[reader]);
        // Each reader that finds work wakes the next while there is more: the walk's own thread
        // wakes at most one.
        bool wake = readerWantedLocked();
        lock.unlock();
        if (wake) workAvailable_.notify_one();
        used.clear();  // capacity kept, for the next swap
        released.clear();
        readStarted(lock, task, readWith, lineage);
    }
}

size_t FolderReadAhead::startLocked(Tasks::iterator task) {
    dequeueLocked(task);
    task->second.state.store(State::reading, std::memory_order_relaxed);
    // Subfolders read with it count as read ahead: room for them is kept from the start.
    size_t readWith = std::min(maxReadWith, maxFoldersAhead - std::min(maxFoldersAhead, foldersAheadLocked()));
    foldersReadWith_ += readWith;
    return readWith;
}

void FolderReadAhead::readStarted(std::unique_lock<std::mutex>& lock, Tasks::iterator task, size_t readWith,
                                  std::vector<FolderIdentity>& lineage) {
    // Read without the lock: none of it changes while the task is read, and a task dropped
    // meanwhile is kept for this thread to free (see eraseLocked).
    const Key& key = task->first;
    Task& reading = task->second;
    Read read;
    Tasks subfolders;
    std::shared_ptr<const OpenFolder> opened;
    try {
        read.listing = fileSystem_->readDirectoryFrom(reading.parent.get(), reading.path,
                                                      reading.whole || reading.walk->includeHidden, &opened);
    } catch (...) {
        read.error = std::current_exception();
    }
    read.reader = readerHere();
    if (!read.error) {
        // Only a folder the enumerator will accept is worth going on into: not one met again
        // below itself, and not one replaced since its parent was listed.
        FolderIdentity identity{read.listing.device, read.listing.inode};
        const auto& ancestors = *reading.ancestors;
        bool accepted = identity == reading.listedAs &&
                        std::find(ancestors.begin(), ancestors.end(), identity) == ancestors.end();
        if (accepted) {
            lineage.assign(ancestors.begin(), ancestors.end());
            lineage.push_back(identity);
            subfolders = subfoldersOf(reading.walk, KeyView{key.rank, key.position}, reading.path, read.listing,
                                      lineage, reading.whole, opened);
            readSubfoldersWith(read, subfolders, opened, lineage, readWith);
        }
    }
    // Not under the lock: the last of its siblings frees them (and closes the parent).
    reading.ancestors.reset();
    reading.parent.reset();
    opened.reset();  // held by the subfolders from now on, if any

    lock = lockedSoon(mutex_);
    Tasks::node_type dropped;
    bool walkWaits = false;  // for this folder
    foldersReadWith_ -= readWith;
    if (reading.state.load(std::memory_order_relaxed) == State::reading) {
        entriesHeld_ += entriesIn(read);
        foldersReadWith_ += read.subfolders.size();
        reading.read = std::move(read);
        reading.state.store(State::ready, std::memory_order_release);
        addLocked(subfolders, task);
        walkWaits = reading.awaited;
    } else {
        auto kept = std::find_if(droppedWhileRead_.begin(), droppedWhileRead_.end(),
                                 [&](const Tasks::node_type& node) { return &node.mapped() == &reading; });
        dropped = std::move(*kept);
        *kept = std::move(droppedWhileRead_.back());
        droppedWhileRead_.pop_back();
    }
    if (walkWaits || dropped || !subfolders.empty()) {
        lock.unlock();
        // The walk is woken once the lock is free: it would only wait for it again.
        if (walkWaits) readDone_.notify_all();
        // What is no longer wanted is freed without holding up the others.
        dropped = {};
        read = Read{};
        subfolders.clear();
        lock = lockedSoon(mutex_);
    }
}

}  // namespace ordane::platform
