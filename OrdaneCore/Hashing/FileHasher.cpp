#include "OrdaneCore/Hashing/FileHasher.hpp"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>

#include "OrdaneCore/Foundation/CancellationError.hpp"

namespace ordane {

namespace {

struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

void checkOpenSSL(int result, const char* operation) {
    if (result != 1) throw std::runtime_error(std::string("SHA-256 ") + operation + " failed");
}

}  // namespace

FileHasher::FileHasher(std::shared_ptr<platform::FileSystem> fileSystem) : fileSystem_(std::move(fileSystem)) {}

std::string FileHasher::sha256(const URL& url, int64_t chunkSize, std::stop_token stop) const {
    if (chunkSize <= 0) throw std::invalid_argument("chunk size must be positive, got " + std::to_string(chunkSize));
    std::unique_ptr<platform::ReadableFile> file = openForReading(url);

    std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
    if (!context) throw std::bad_alloc();
    checkOpenSSL(EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr), "init");
    checkCancellation(stop);

    const size_t bufferSize = std::min(static_cast<uint64_t>(chunkSize), static_cast<uint64_t>(maxBufferSize));
    auto buffer = std::make_unique_for_overwrite<char[]>(bufferSize);
    for (;;) {
        // A short read is no end of file: only an empty read is.
        const size_t count = file->read(buffer.get(), bufferSize);
        if (count == 0) break;
        checkOpenSSL(EVP_DigestUpdate(context.get(), buffer.get(), count), "update");
        checkCancellation(stop);
    }

    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    checkOpenSSL(EVP_DigestFinal_ex(context.get(), digest, &length), "final");
    closeHandle(std::move(file));
    return hexString({digest, length});
}

std::unique_ptr<platform::ReadableFile> FileHasher::openForReading(const URL& url) const {
    return fileSystem_->openForReading(url.path());
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
