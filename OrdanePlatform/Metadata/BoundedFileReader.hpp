#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ordane::platform {

// Reads pieces of a file that may be damaged or made to mislead, never more than `cap` bytes in
// all however the pieces are asked for: lengths pointing past the end, or endless small pieces,
// end in a refusal rather than in reading the whole file. Memory is bounded by the cap too.
// Small pieces are served from one read-ahead window, so walking a file's headers costs a read
// or two.
class BoundedFileReader {
public:
    static constexpr size_t readAhead = 16 * 1024;

    // Opens a regular file (a FIFO or device in its place is refused without waiting on it).
    BoundedFileReader(const std::string& path, size_t cap);
    ~BoundedFileReader();
    BoundedFileReader(const BoundedFileReader&) = delete;
    BoundedFileReader& operator=(const BoundedFileReader&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    uint64_t fileSize() const { return fileSize_; }
    // Bytes taken from the file so far; never above the cap.
    size_t bytesRead() const { return bytesRead_; }

    // Exactly `length` bytes from `offset`, valid until the next call; nothing when they lie past
    // the end of the file, would take the reads past the cap, or cannot be read.
    std::optional<std::string_view> read(uint64_t offset, size_t length);

private:
    int fd_ = -1;
    uint64_t fileSize_ = 0;
    size_t cap_;
    size_t bytesRead_ = 0;
    std::string window_;
    uint64_t windowStart_ = 0;
};

}  // namespace ordane::platform
