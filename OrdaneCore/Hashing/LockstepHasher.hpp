#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "OrdaneCore/Hashing/Sha256.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// Whole-file SHA-256 of files that are likely copies of each other: they are read side by side,
// chunk by chunk, and compared byte for byte, so each distinct content is hashed once and a copy
// costs a read and a comparison. The digests are those each file would have on its own.
class LockstepHasher {
public:
    // At most this many bytes of chunk buffers per call (but at least minimumChunk per file).
    static constexpr size_t bufferBudget = 8u << 20;
    static constexpr size_t minimumChunk = 64u << 10;
    static constexpr size_t maximumChunk = 1u << 20;

    // The hash of a start the files had when it was read, so that it need not be read again.
    struct SharedStart {
        Sha256 hash;          // after the first `length` bytes
        uint64_t length = 0;
        // By path, the version of the file when its start was read. A file whose open descriptor
        // shows another version, or that has none here, may have changed since: it is read whole.
        std::vector<std::optional<platform::FileVersion>> versions;
    };

    explicit LockstepHasher(std::shared_ptr<platform::FileSystem> fileSystem) : fileSystem_(std::move(fileSystem)) {}

    // One digest per path, none for a file that cannot be opened or read (it leaves, the others go
    // on), nor for one whose length is not `length` when that is given. With `start`, each file
    // still of the version given for it is read from the end of that start on. Throws
    // CancellationError when stopped (checked after every chunk).
    std::vector<std::optional<Sha256::Digest>> sha256(const std::vector<std::string>& paths, std::stop_token stop = {},
                                                      const SharedStart* start = nullptr,
                                                      std::optional<uint64_t> length = std::nullopt) const;

private:
    std::shared_ptr<platform::FileSystem> fileSystem_;
};

}  // namespace ordane
