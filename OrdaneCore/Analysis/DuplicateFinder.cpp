#include "OrdaneCore/Analysis/DuplicateFinder.hpp"

#include <openssl/evp.h>

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <utility>

#include "OrdaneCore/Analysis/GroupOrder.hpp"
#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Hashing/FileHasher.hpp"
#include "OrdaneCore/Stores/AnalysisCache.hpp"
#include "OrdanePlatform/Concurrency/BoundedParallel.hpp"

namespace ordane {

namespace {

// Records by position in the caller's list; buckets keep the order in which they were first met,
// so the result does not depend on hashing.
template <class Key>
class Buckets {
public:
    void add(const Key& key, size_t record) {
        auto [it, inserted] = index_.try_emplace(key, buckets_.size());
        if (inserted) buckets_.emplace_back(key, std::vector<size_t>{});
        buckets_[it->second].second.push_back(record);
    }
    // Buckets of at least two records, in first-met order.
    std::vector<std::pair<Key, std::vector<size_t>>> shared() && {
        std::vector<std::pair<Key, std::vector<size_t>>> result;
        for (auto& bucket : buckets_) {
            if (bucket.second.size() >= 2) result.push_back(std::move(bucket));
        }
        return result;
    }

private:
    std::unordered_map<Key, size_t> index_;
    std::vector<std::pair<Key, std::vector<size_t>>> buckets_;
};

struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct FileIdentityHash {
    size_t operator()(const FileIdentity& id) const noexcept { return std::hash<uint64_t>{}(id.inode * 31 + id.device); }
};

std::optional<std::string> cachedHash(AnalysisCache* cache, const FileRecord& record, bool whole) {
    if (!cache) return std::nullopt;
    AnalysisCache::Hashes hashes = cache->cachedHashes(record);  // no copy of samples and fingerprints
    return whole ? hashes.full : hashes.partial;
}

}  // namespace

std::vector<DuplicateGroup> DuplicateFinder::exactGroups(const std::vector<FileRecord>& records, AnalysisCache* cache,
                                                         const Progress& progress, std::stop_token stop) const {
    // Sizes first: only a file that shares its size with another can have a copy.
    Buckets<int64_t> sizes;
    for (size_t i = 0; i < records.size(); ++i) {
        if (takesPart(records[i])) sizes.add(records[i].size, i);
    }
    auto sameSize = std::move(sizes).shared();

    // Two paths to one file (hard links, a folder reached twice) are one file: grouping them would
    // offer the kept file itself for removal. Only the first path takes part.
    std::unordered_map<FileIdentity, size_t, FileIdentityHash> seen;
    for (auto& [size, members] : sameSize) {
        std::vector<size_t> distinct;
        for (size_t record : members) {
            try {
                platform::FileStatus status = fileSystem->status(records[record].url.path());
                if (!status.isRegular()) continue;
                if (seen.try_emplace(FileIdentity{status.device, status.inode}, record).second) distinct.push_back(record);
            } catch (const platform::FileSystemError&) {
                // gone since the scan: it leaves the search
            }
        }
        members = std::move(distinct);
    }

    // The first 64 KiB of each remaining file, at most hashWidth files at once; a file that short
    // has been read whole, and its hash is its whole-file hash too.
    std::vector<size_t> candidates;
    for (const auto& [size, members] : sameSize) {
        if (members.size() >= 2) candidates.insert(candidates.end(), members.begin(), members.end());
    }
    if (candidates.empty()) return {};
    checkCancellation(stop);
    std::vector<std::optional<std::string>> partialHashes(candidates.size());
    std::vector<std::pair<size_t, std::string>> known;  // (record, whole-file hash)
    std::vector<size_t> toRead;
    for (size_t i = 0; i < candidates.size(); ++i) {
        partialHashes[i] = cachedHash(cache, records[candidates[i]], false);
        if (!partialHashes[i]) toRead.push_back(i);
    }
    std::vector<bool> readWhole(candidates.size(), false);
    platform::BoundedParallel::run<std::optional<PartialHash>>(
        toRead.size(), static_cast<size_t>(std::max(hashWidth, 1)), stop,
        [&](size_t job) { return partialHash(records[candidates[toRead[job]]]); },
        [&](size_t job, std::optional<PartialHash>& partial) {
            if (!partial) return;  // unreadable: it leaves the search
            size_t slot = toRead[job];
            partialHashes[slot] = partial->hash;
            readWhole[slot] = partial->wholeFile;
            if (cache) {
                const FileRecord& record = records[candidates[slot]];
                cache->recordHashes(record, partial->hash,
                                    partial->wholeFile ? std::optional<std::string>(partial->hash) : std::nullopt);
            }
        });
    checkCancellation(stop);

    Buckets<std::string> partials;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const FileRecord& record = records[candidates[i]];
        if (partialHashes[i]) partials.add(std::to_string(record.size) + "-" + *partialHashes[i], i);
    }

    std::vector<size_t> toHash;
    int64_t readWholeAlready = 0;
    for (const auto& [key, members] : std::move(partials).shared()) {
        for (size_t slot : members) {
            size_t record = candidates[slot];
            if (readWhole[slot]) {
                known.emplace_back(record, *partialHashes[slot]);
                ++readWholeAlready;
            } else if (auto whole = cachedHash(cache, records[record], true)) {
                known.emplace_back(record, *whole);
            } else {
                toHash.push_back(record);
            }
        }
    }

    // Whole files, at most hashWidth at once. Counting, progress and cache writes stay on this
    // thread; a stop ends the stage with what has finished. A file read whole at the partial
    // stage is not read again but counts as hashed whole, first.
    const int64_t total = readWholeAlready + static_cast<int64_t>(toHash.size());
    int64_t done = 0;
    while (done < readWholeAlready) {
        ++done;
        if (progress) progress(done, total);
    }
    FileHasher hasher(fileSystem);
    platform::BoundedParallel::run<std::optional<std::string>>(
        toHash.size(), static_cast<size_t>(std::max(hashWidth, 1)), stop,
        [&](size_t job) -> std::optional<std::string> {
            try {
                return hasher.sha256(records[toHash[job]].url, wholeFileChunkSize, stop);
            } catch (const platform::FileSystemError&) {
                return std::nullopt;  // unreadable: it leaves the search
            } catch (const CancellationError&) {
                return std::nullopt;  // stopped: it leaves the search
            }
        },
        [&](size_t job, std::optional<std::string>& hash) {
            ++done;
            if (progress) progress(done, total);
            if (!hash) return;
            known.emplace_back(toHash[job], *hash);
            if (cache) cache->recordHashes(records[toHash[job]], std::nullopt, *hash);
        });

    Buckets<std::string> wholes;
    for (const auto& [record, hash] : known) wholes.add(hash, record);

    std::vector<DuplicateGroup> groups;
    for (auto& [hash, members] : std::move(wholes).shared()) {
        std::vector<FileRecord> sorted;
        for (size_t record : members) sorted.push_back(records[record]);
        GroupOrder::byPath(sorted);
        KeeperChoice keeper = chooseKeeper(sorted);
        groups.emplace_back(UUID::random(), DuplicateKind::exact, std::move(sorted), keeper.keepIndex,
                            std::move(keeper.keepReason), hash);
    }
    GroupOrder::byReclaimableBytes(groups);
    return groups;
}

std::optional<DuplicateFinder::PartialHash> DuplicateFinder::partialHash(const FileRecord& record) const {
    std::string buffer(static_cast<size_t>(partialHashLength), '\0');
    size_t length = 0;
    bool endOfFile = false;
    try {
        FileHasher hasher(fileSystem);
        auto file = hasher.openForReading(record.url);
        // Short reads happen (network file systems): only an empty read is the end.
        while (length < buffer.size()) {
            size_t count = file->read(buffer.data() + length, buffer.size() - length);
            if (count == 0) {
                endOfFile = true;
                break;
            }
            length += count;
        }
        FileHasher::closeHandle(std::move(file));
    } catch (const platform::FileSystemError&) {
        return std::nullopt;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (EVP_Digest(buffer.data(), length, digest, &digestLength, EVP_sha256(), nullptr) != 1) return std::nullopt;
    bool wholeFile = endOfFile && static_cast<int64_t>(length) == record.size;
    return PartialHash{FileHasher::hexString({digest, digestLength}), wholeFile};
}

}  // namespace ordane
