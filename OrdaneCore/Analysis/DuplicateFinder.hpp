#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

class AnalysisCache;

// Finds files with byte-for-byte identical contents (exact groups, each with the copy to keep),
// and files in one folder whose names differ only by a copy or version suffix (name groups).
struct DuplicateFinder {
    struct KeeperChoice {
        int64_t keepIndex = 0;
        std::string keepReason;

        bool operator==(const KeeperChoice&) const = default;
    };

    // Called with (done, total) as whole-file hashes finish (a job's files together), on the calling thread.
    using Progress = std::function<void(int64_t done, int64_t total)>;

    static constexpr int64_t partialHashLength = 65536;
    static constexpr int64_t wholeFileChunkSize = 1 << 20;

    UserFolders folders;
    int64_t minimumSize = 4096;  // smallest file that takes part
    int hashWidth = 4;           // hashing jobs at once; at least 1
    std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real();

    explicit DuplicateFinder(UserFolders folders,
                             std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real())
        : folders(std::move(folders)), fileSystem(std::move(fileSystem)) {}

    // Groups of identical files, the group that frees the most bytes first. Narrows by size, then
    // by the SHA-256 of the first 64 KiB, then by the SHA-256 of the whole file (a file that short
    // is not read again, a longer one is read on from 64 KiB while it is the same file, unchanged,
    // as when its start was read, otherwise from its start; one whose length is no longer the
    // scan's leaves the search). Files of one size (and start) are read in one job, at most hashWidth jobs
    // at once, and compared byte for byte, so each distinct content is hashed once. The cache (may be
    // null) spares reads of unchanged files and keeps what is computed. Two paths to one file
    // (same device and inode) are one file: only the first of them takes part. Throws
    // CancellationError when stopped before or during the partial hashing; a stop during
    // whole-file hashing ends the search with the groups the finished hashes make. `progress`
    // reports the whole-file hashes only.
    std::vector<DuplicateGroup> exactGroups(const std::vector<FileRecord>& records, AnalysisCache* cache,
                                            const Progress& progress, std::stop_token stop = {}) const;

    // Which of identical copies (sorted by path, at least two) stays, and why.
    KeeperChoice chooseKeeper(const std::vector<FileRecord>& members) const;

    // Files of one folder and extension whose stems agree once copy and version suffixes are
    // removed, leaving out every member of an exact group. Review only.
    std::vector<DuplicateGroup> nameGroups(const std::vector<FileRecord>& records,
                                           const std::vector<DuplicateGroup>& exactGroups) const;

    // The stem without its copy and version suffixes, lower-cased ("Report final copy 2.pdf" → "report").
    static std::string normalizedStem(std::string_view fileName);

    // Whether a record may be compared at all (a regular local file outside software projects).
    bool takesPart(const FileRecord& record) const;

    struct PartialHash {
        std::string hash;
        bool wholeFile = false;  // the file ended within the first 64 KiB at the record's size
        bool operator==(const PartialHash&) const = default;
    };
    // The SHA-256 text of the first 64 KiB (or the whole of a shorter file); none when unreadable.
    std::optional<PartialHash> partialHash(const FileRecord& record) const;
};

}  // namespace ordane
