#include "OrdaneCore/Analysis/DuplicateFinder.hpp"

#include <algorithm>
#include <cstring>
#include <optional>
#include <tuple>
#include <utility>

#include "OrdaneCore/Analysis/GroupOrder.hpp"
#include "OrdaneCore/Analysis/SharedRuns.hpp"
#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Hashing/FileHasher.hpp"
#include "OrdaneCore/Hashing/LockstepHasher.hpp"
#include "OrdaneCore/Hashing/Sha256.hpp"
#include "OrdaneCore/Stores/AnalysisCache.hpp"
#include "OrdanePlatform/Concurrency/BoundedParallel.hpp"

namespace ordane {

namespace {

using Digest = Sha256::Digest;

struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<Digest> cachedHash(AnalysisCache* cache, const FileRecord& record, bool whole) {
    if (!cache) return std::nullopt;
    AnalysisCache::Hashes hashes = cache->cachedHashes(record);  // no copy of samples and fingerprints
    const std::optional<std::string>& text = whole ? hashes.full : hashes.partial;
    return text ? Sha256::fromHex(*text) : std::nullopt;  // anything else is computed again
}

// The first bytes of a file, up to DuplicateFinder::partialHashLength, read into `buffer`.
struct Prefix {
    const char* bytes = nullptr;
    size_t length = 0;
    bool endOfFile = false;
    std::optional<platform::FileVersion> version;  // the file's, before it was read
};

// Throws the file system's error.
Prefix readPrefix(platform::FileSystem& fileSystem, const std::string& path, char* buffer) {
    constexpr size_t size = DuplicateFinder::partialHashLength;
    auto file = fileSystem.openForReading(path);
    // Short reads happen (network file systems): only an empty read is the end.
    size_t length = FileHasher::readFull(*file, buffer, size);
    std::optional<platform::FileVersion> version = file->version();
    FileHasher::closeHandle(std::move(file));
    return {buffer, length, length < size, version};
}

// Starts already read in one partial-hash job, so a copy's start is compared, not hashed again.
// Each start is read straight into the job's store and stays there when it is new, so nothing is
// copied. Only starts of one size are kept (a copy has its original's size), so the store holds
// one size's starts at a time. The store is the thread's, kept between jobs.
class KnownStarts {
public:
    static constexpr size_t budget = 4u << 20;  // bytes kept per size

    // `resume` is where the hash of a full 64 KiB start is kept for the whole-file stage, by slot:
    // only while another file of the size has been seen with the same start.
    explicit KnownStarts(std::vector<std::unique_ptr<Sha256>>& resume) : resume_(resume) {
        thread_local auto store = std::make_unique_for_overwrite<char[]>(budget + DuplicateFinder::partialHashLength);
        store_ = store.get();
    }
    ~KnownStarts() { forget(); }
    KnownStarts(const KnownStarts&) = delete;
    KnownStarts& operator=(const KnownStarts&) = delete;

    // Starts of another size are never copies of the ones kept: they are let go.
    void beginSize(int64_t size) {
        if (size == size_) return;
        forget();
        size_ = size;
    }

    // Where to read the next start.
    char* space() { return store_ + used_; }

    // The partial digest of the start just read into space() for `slot`: an equal start's, or its own.
    Digest digest(const Prefix& prefix, size_t slot) {
        uint64_t mark = markOf(prefix);
        for (Known& known : known_) {
            if (known.mark == mark && known.length == prefix.length &&
                std::memcmp(store_ + known.offset, prefix.bytes, prefix.length) == 0) {
                ++known.uses;
                return known.digest;
            }
        }
        if (used_ + prefix.length > budget) return Sha256::of(prefix.bytes, prefix.length);
        Sha256 running;
        running.update(prefix.bytes, prefix.length);
        // A full start may go on to the whole-file stage: its state spares reading it again there.
        if (prefix.length == static_cast<size_t>(DuplicateFinder::partialHashLength)) {
            resume_[slot] = std::make_unique<Sha256>(running);
        }
        Digest digest = running.finish();
        known_.push_back({mark, used_, prefix.length, digest, slot, 1});
        used_ += prefix.length;
        return digest;
    }

private:
    struct Known {
        uint64_t mark;
        size_t offset;
        size_t length;
        Digest digest;
        size_t slot;  // the first file read with this start
        int uses;
    };
    // A start no other file of the size shared goes no further: its state is not needed.
    void forget() {
        for (const Known& known : known_) {
            if (known.uses < 2) resume_[known.slot].reset();
        }
        known_.clear();
        used_ = 0;
    }
    // A cheap look at both ends, so most different starts never reach memcmp.
    static uint64_t markOf(const Prefix& prefix) {
        uint64_t head = 0, tail = 0;
        std::memcpy(&head, prefix.bytes, std::min<size_t>(prefix.length, 8));
        if (prefix.length >= 8) std::memcpy(&tail, prefix.bytes + prefix.length - 8, 8);
        return head * 0x9E3779B97F4A7C15ull ^ tail;
    }
    std::vector<std::unique_ptr<Sha256>>& resume_;
    char* store_ = nullptr;
    size_t used_ = 0;
    int64_t size_ = -1;
    std::vector<Known> known_;
};

// Files per job: status questions, partial hashes, whole-file hashes (of one size and start).
constexpr size_t statusJobSize = 512;
constexpr size_t partialJobSize = 256;
constexpr size_t maximumPartialJobSize = 1024;  // a longer run of one size is cut
constexpr size_t wholeJobSize = 16;

size_t blockCount(size_t count, size_t blockSize) { return (count + blockSize - 1) / blockSize; }

}  // namespace

std::vector<DuplicateGroup> DuplicateFinder::exactGroups(const std::vector<FileRecord>& records, AnalysisCache* cache,
                                                         const Progress& progress, std::stop_token stop) const {
    const size_t width = static_cast<size_t>(std::max(hashWidth, 1));

    // Sizes first: only a file that shares its size with another can have a copy.
    struct Sized {
        int64_t size;
        size_t position;  // the record's
    };
    std::vector<Sized> sized;
    sized.reserve(static_cast<size_t>(
        std::count_if(records.begin(), records.end(), [this](const FileRecord& record) { return takesPart(record); })));
    for (size_t i = 0; i < records.size(); ++i) {
        if (takesPart(records[i])) sized.push_back({records[i].size(), i});
    }

    std::vector<char> shared(sized.size(), 0);  // shares its size with another
    SharedRuns::forEach(sized, [](const Sized& s) { return s.size; }, [&](auto begin, auto end) {
        for (auto it = begin; it != end; ++it) shared[static_cast<size_t>(it - sized.begin())] = 1;
    });

    // Two paths to one file (hard links, a folder reached twice) are one file: grouping them would
    // offer the kept file itself for removal. Only the first path takes part. The questions are
    // asked in parallel (whatever the stop token says: a stop is checked once they are answered).
    std::vector<std::optional<FileIdentity>> identities(sized.size());
    platform::BoundedParallel::runIndices(
        blockCount(sized.size(), statusJobSize), width, {},
        [&](size_t job) {
            for (size_t i = job * statusJobSize; i < std::min(sized.size(), (job + 1) * statusJobSize); ++i) {
                if (!shared[i]) continue;
                try {
                    platform::FileStatus status = fileSystem->status(records[sized[i].position].path());
                    if (status.isRegular()) identities[i] = FileIdentity{status.device, status.inode};
                } catch (const platform::FileSystemError&) {
                    // gone since the scan: it leaves the search
                }
            }
        },
        [](size_t) {});
    // The first path of each file, found by sorting, not with a map of every file.
    std::vector<uint32_t> byIdentity;
    for (size_t i = 0; i < sized.size(); ++i) {
        if (identities[i]) byIdentity.push_back(static_cast<uint32_t>(i));
    }
    std::sort(byIdentity.begin(), byIdentity.end(), [&](uint32_t a, uint32_t b) {
        const FileIdentity& x = *identities[a];
        const FileIdentity& y = *identities[b];
        return std::tie(x.device, x.inode, a) < std::tie(y.device, y.inode, b);
    });
    // Each later path is compared with the first of its run, which stays set: with three or more
    // paths to one file, the one just before may already be cleared.
    for (size_t k = 1, first = 0; k < byIdentity.size(); ++k) {
        if (*identities[byIdentity[k]] == *identities[byIdentity[first]]) {
            identities[byIdentity[k]].reset();
        } else {
            first = k;
        }
    }
    std::vector<uint32_t>().swap(byIdentity);
    size_t candidateCount = 0;
    for (const auto& identity : identities) candidateCount += identity ? 1 : 0;
    std::vector<size_t> candidates;  // records, by size, then by position
    candidates.reserve(candidateCount);
    for (size_t begin = 0; begin < sized.size();) {
        size_t end = begin + 1;
        while (end < sized.size() && sized[end].size == sized[begin].size) ++end;
        size_t first = candidates.size();
        for (size_t i = begin; i < end; ++i) {
            if (identities[i]) candidates.push_back(sized[i].position);
        }
        if (candidates.size() - first < 2) candidates.resize(first);
        begin = end;
    }
    std::vector<std::optional<FileIdentity>>().swap(identities);
    std::vector<Sized>().swap(sized);
    if (candidates.empty()) return {};
    checkCancellation(stop);

    // The first 64 KiB of each remaining file, at most hashWidth jobs at once; a file that short
    // has been read whole, and its hash is its whole-file hash too.
    enum Known : unsigned char { unknown, start, whole, cachedStart };
    std::vector<Digest> partial(candidates.size());
    std::vector<unsigned char> partialKnown(candidates.size(), unknown);
    std::vector<std::unique_ptr<Sha256>> resume(candidates.size());  // see KnownStarts
    // The version of each file whose start was read here: only while a file is still that
    // version may its whole-file hash go on from a start hashed here.
    std::vector<std::optional<platform::FileVersion>> versions(candidates.size());
    size_t toRead = 0;
    for (size_t slot = 0; slot < candidates.size(); ++slot) {
        if (auto hash = cachedHash(cache, records[candidates[slot]], false)) {
            partial[slot] = *hash;
            partialKnown[slot] = cachedStart;
        } else {
            ++toRead;
        }
    }
    // Job j reads the slots from bounds[j] up to bounds[j + 1] whose start is not known yet: whole
    // runs of one size where they fit, so that copies meet in one job and their start is hashed once.
    auto sizeAt = [&](size_t slot) { return records[candidates[slot]].size(); };
    std::vector<size_t> bounds = {0};
    for (size_t slot = 0, count = 0; slot < candidates.size(); ++slot) {
        if ((count >= partialJobSize && sizeAt(slot) != sizeAt(slot - 1)) || count >= maximumPartialJobSize) {
            bounds.push_back(slot);
            count = 0;
        }
        if (partialKnown[slot] == unknown) ++count;
    }
    bounds.push_back(candidates.size());
    platform::BoundedParallel::runIndices(
        toRead == 0 ? 0 : bounds.size() - 1, width, stop,
        [&](size_t job) {
            KnownStarts starts(resume);
            for (size_t slot = bounds[job]; slot < bounds[job + 1]; ++slot) {
                if (partialKnown[slot] != unknown) continue;
                const FileRecord& record = records[candidates[slot]];
                starts.beginSize(record.size());
                Prefix prefix;
                try {
                    prefix = readPrefix(*fileSystem, record.path(), starts.space());
                } catch (const platform::FileSystemError&) {
                    continue;  // unreadable: it leaves the search
                }
                partial[slot] = starts.digest(prefix, slot);
                versions[slot] = prefix.version;
                bool wholeFile = prefix.endOfFile && static_cast<int64_t>(prefix.length) == record.size();
                partialKnown[slot] = wholeFile ? whole : start;
            }
        },
        [&](size_t job) {
            if (!cache) return;
            for (size_t slot = bounds[job]; slot < bounds[job + 1]; ++slot) {
                if (partialKnown[slot] != start && partialKnown[slot] != whole) continue;
                std::string hash = Sha256::hex(partial[slot]);
                cache->recordHashes(records[candidates[slot]], hash,
                                    partialKnown[slot] == whole ? std::optional<std::string>(hash) : std::nullopt);
            }
        });
    checkCancellation(stop);
    std::vector<size_t>().swap(bounds);

    // Whole files of one size and start: known already, or to be hashed side by side. The slots
    // lie in order of size, so each size's starts are sorted on their own, not all at once.
    struct Started {
        Digest digest;
        size_t position;  // the slot's
    };
    std::vector<Digest>& full = partial;  // a slot's whole-file hash replaces its partial one
    std::vector<unsigned char> fullKnown(candidates.size(), 0);
    struct WholeJob {
        std::vector<size_t> slots;
        std::optional<LockstepHasher::SharedStart> start;  // their first 64 KiB, hashed at the partial stage
    };
    std::vector<WholeJob> wholeJobs;
    int64_t readWholeAlready = 0;
    int64_t toHash = 0;
    std::vector<Started> started;
    for (size_t begin = 0; begin < candidates.size();) {
        const int64_t size = records[candidates[begin]].size();
        size_t end = begin + 1;
        while (end < candidates.size() && records[candidates[end]].size() == size) ++end;
        started.clear();
        for (size_t slot = begin; slot < end; ++slot) {
            if (partialKnown[slot] != unknown) started.push_back({partial[slot], slot});
        }
        begin = end;
        SharedRuns::forEach(started, [](const Started& s) { return s.digest; }, [&](auto first, auto last) {
            std::vector<size_t> pending;
            std::optional<LockstepHasher::SharedStart> shared;
            for (auto it = first; it != last; ++it) {
                size_t slot = it->position;
                if (resume[slot] && !shared) shared = LockstepHasher::SharedStart{std::move(*resume[slot]), partialHashLength, {}};
                resume[slot].reset();
                if (partialKnown[slot] == whole) {
                    fullKnown[slot] = 1;
                    ++readWholeAlready;
                } else if (auto hash = cachedHash(cache, records[candidates[slot]], true)) {
                    full[slot] = *hash;
                    fullKnown[slot] = 1;
                } else {
                    pending.push_back(slot);
                }
            }
            toHash += static_cast<int64_t>(pending.size());
            for (size_t from = 0; from < pending.size(); from += wholeJobSize) {
                size_t to = std::min(pending.size(), from + wholeJobSize);
                WholeJob& job = wholeJobs.emplace_back(WholeJob{
                    std::vector<size_t>(pending.begin() + static_cast<std::ptrdiff_t>(from),
                                        pending.begin() + static_cast<std::ptrdiff_t>(to)),
                    shared});
                if (!job.start) continue;
                for (size_t slot : job.slots) job.start->versions.push_back(versions[slot]);
            }
        });
    }
    std::vector<Started>().swap(started);
    std::vector<unsigned char>().swap(partialKnown);
    decltype(resume)().swap(resume);
    decltype(versions)().swap(versions);
    // The biggest files first, so the last job to finish is a short one.
    std::stable_sort(wholeJobs.begin(), wholeJobs.end(), [&](const WholeJob& a, const WholeJob& b) {
        return records[candidates[a.slots.front()]].size() > records[candidates[b.slots.front()]].size();
    });

    // Whole files, at most hashWidth jobs at once. Counting, progress and cache writes stay on this
    // thread; a stop ends the stage with what has finished. A file read whole at the partial
    // stage is not read again but counts as hashed whole, first.
    const int64_t total = readWholeAlready + toHash;
    int64_t done = 0;
    while (done < readWholeAlready) {
        ++done;
        if (progress) progress(done, total);
    }
    LockstepHasher hasher(fileSystem);
    platform::BoundedParallel::run<std::vector<std::optional<Digest>>>(
        wholeJobs.size(), width, stop,
        [&](size_t job) {
            const WholeJob& work = wholeJobs[job];
            std::vector<std::string> paths;
            for (size_t slot : work.slots) paths.push_back(records[candidates[slot]].path());
            // A file no longer as long as the scan saw it has changed since: it leaves the search.
            auto length = static_cast<uint64_t>(records[candidates[work.slots.front()]].size());
            try {
                return hasher.sha256(paths, stop, work.start ? &*work.start : nullptr, length);
            } catch (const CancellationError&) {
                return std::vector<std::optional<Digest>>(paths.size());  // stopped: they leave the search
            }
        },
        [&](size_t job, std::vector<std::optional<Digest>>& digests) {
            for (size_t i = 0; i < digests.size(); ++i) {
                ++done;
                if (progress) progress(done, total);
                if (!digests[i]) continue;  // unreadable: it leaves the search
                size_t slot = wholeJobs[job].slots[i];
                full[slot] = *digests[i];
                fullKnown[slot] = 1;
                if (cache) cache->recordHashes(records[candidates[slot]], std::nullopt, Sha256::hex(*digests[i]));
            }
            std::vector<std::optional<Digest>>().swap(digests);
        });

    decltype(wholeJobs)().swap(wholeJobs);

    // The groups. What the search worked with is let go first: the cache is at its fullest now.
    struct Hashed {
        Digest digest;
        size_t position;  // the record's
    };
    std::vector<Hashed> hashed;
    hashed.reserve(static_cast<size_t>(std::count(fullKnown.begin(), fullKnown.end(), 1)));
    for (size_t slot = 0; slot < candidates.size(); ++slot) {
        if (fullKnown[slot]) hashed.push_back({full[slot], candidates[slot]});
    }
    std::vector<Digest>().swap(partial);
    std::vector<unsigned char>().swap(fullKnown);
    std::vector<size_t>().swap(candidates);
    size_t groupCount = 0;
    SharedRuns::forEach(hashed, [](const Hashed& h) { return h.digest; }, [&](auto, auto) { ++groupCount; });
    std::vector<DuplicateGroup> groups;
    std::vector<size_t> firsts;
    groups.reserve(groupCount);
    firsts.reserve(groupCount);
    SharedRuns::forEach(hashed, [](const Hashed& h) { return h.digest; }, [&](auto begin, auto end) {
        std::vector<FileRecord> sorted;
        sorted.reserve(static_cast<size_t>(end - begin));
        for (auto it = begin; it != end; ++it) sorted.push_back(records[it->position]);
        GroupOrder::byPath(sorted);
        KeeperChoice keeper = chooseKeeper(sorted);
        firsts.push_back(begin->position);
        groups.emplace_back(UUID::random(), DuplicateKind::exact, std::move(sorted), keeper.keepIndex,
                            std::move(keeper.keepReason), Sha256::hex(begin->digest));
    });
    std::vector<Hashed>().swap(hashed);
    GroupOrder::byFirstRecordThenReclaimableBytes(groups, firsts);
    return groups;
}

std::optional<DuplicateFinder::PartialHash> DuplicateFinder::partialHash(const FileRecord& record) const {
    thread_local auto buffer = std::make_unique_for_overwrite<char[]>(partialHashLength);
    Prefix prefix;
    try {
        prefix = readPrefix(*fileSystem, record.path(), buffer.get());
    } catch (const platform::FileSystemError&) {
        return std::nullopt;
    }
    bool wholeFile = prefix.endOfFile && static_cast<int64_t>(prefix.length) == record.size();
    return PartialHash{Sha256::hex(Sha256::of(prefix.bytes, prefix.length)), wholeFile};
}

}  // namespace ordane
