#pragma once

#include <cstddef>
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

    explicit LockstepHasher(std::shared_ptr<platform::FileSystem> fileSystem) : fileSystem_(std::move(fileSystem)) {}

    // One digest per path, none for a file that cannot be opened or read (it leaves, the others go
    // on). Throws CancellationError when stopped (checked after every chunk).
    std::vector<std::optional<Sha256::Digest>> sha256(const std::vector<std::string>& paths,
                                                      std::stop_token stop = {}) const;

private:
    std::shared_ptr<platform::FileSystem> fileSystem_;
};

}  // namespace ordane
