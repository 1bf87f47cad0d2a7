#include "OrdaneCore/Hashing/FileHasher.hpp"

#include <algorithm>
#include <stdexcept>

#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Hashing/Sha256.hpp"

namespace ordane {

FileHasher::FileHasher(std::shared_ptr<platform::FileSystem> fileSystem) : fileSystem_(std::move(fileSystem)) {}

std::string FileHasher::sha256(const URL& url, int64_t chunkSize, std::stop_token stop) const {
    if (chunkSize <= 0) throw std::invalid_argument("chunk size must be positive, got " + std::to_string(chunkSize));
    std::unique_ptr<platform::ReadableFile> file = openForReading(url);

    Sha256 hash;
    checkCancellation(stop);

    const size_t bufferSize = std::min(static_cast<uint64_t>(chunkSize), static_cast<uint64_t>(maxBufferSize));
    auto buffer = std::make_unique_for_overwrite<char[]>(bufferSize);
    for (;;) {
        // A short read is no end of file: only an empty read is.
        const size_t count = file->read(buffer.get(), bufferSize);
        if (count == 0) break;
        hash.update(buffer.get(), count);
        checkCancellation(stop);
    }

    Sha256::Digest digest = hash.finish();
    closeHandle(std::move(file));
    return hexString(digest);
}

std::unique_ptr<platform::ReadableFile> FileHasher::openForReading(const URL& url) const {
    return fileSystem_->openForReading(url.path());
}

size_t FileHasher::readFull(platform::ReadableFile& file, char* buffer, size_t size) {
    size_t length = 0;
    while (length < size) {
        size_t count = file.read(buffer + length, size - length);
        if (count == 0) break;
        length += count;
    }
    return length;
}

void FileHasher::closeHandle(std::unique_ptr<platform::ReadableFile> handle) noexcept { handle.reset(); }

std::string FileHasher::hexString(std::span<const unsigned char> digest) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string result;
    result.reserve(digest.size() * 2);
    for (unsigned char byte : digest) {
        result += digits[byte >> 4];
        result += digits[byte & 0x0f];
    }
    return result;
}

}  // namespace ordane
