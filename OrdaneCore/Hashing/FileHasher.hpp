#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stop_token>
#include <string>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// Whole-file SHA-256 (OpenSSL EVP), streamed in chunks of the caller's size, written as 64
// lower-case hexadecimal characters. Stateless: one hasher may be used from many threads.
class FileHasher {
public:
    // The safe mover and the duplicate finder read in chunks of this size.
    static constexpr int64_t defaultChunkSize = 1 << 20;

    explicit FileHasher(std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real());

    // Throws std::invalid_argument for a chunk size of 0 or less, the file system's error when the
    // file cannot be opened or read, and CancellationError when stopped (checked around every chunk).
    // One buffer is kept in memory: a larger chunk size is read in pieces of at most maxBufferSize.
    std::string sha256(const URL& url, int64_t chunkSize, std::stop_token stop = {}) const;

    // Opens a regular file for reading; anything else (folder, FIFO, device) is refused.
    std::unique_ptr<platform::ReadableFile> openForReading(const URL& url) const;
    // Closes a handle; a failure to close is ignored.
    static void closeHandle(std::unique_ptr<platform::ReadableFile> handle) noexcept;

    // Fills `buffer` up to `size` bytes; fewer only at the end of the file (a short read is no end).
    static size_t readFull(platform::ReadableFile& file, char* buffer, size_t size);

    // Each byte as two lower-case hexadecimal digits, no separators.
    static std::string hexString(std::span<const unsigned char> digest);

    static constexpr size_t maxBufferSize = 64u << 20;

private:
    std::shared_ptr<platform::FileSystem> fileSystem_;
};

}  // namespace ordane
