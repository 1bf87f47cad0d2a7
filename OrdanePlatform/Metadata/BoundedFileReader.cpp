#include "OrdanePlatform/Metadata/BoundedFileReader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace ordane::platform {

BoundedFileReader::BoundedFileReader(const std::string& path, size_t cap) : cap_(cap) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) return;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    fileSize_ = static_cast<uint64_t>(st.st_size);
}

BoundedFileReader::~BoundedFileReader() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string_view> BoundedFileReader::read(uint64_t offset, size_t length) {
    if (fd_ < 0 || offset > fileSize_ || length > fileSize_ - offset) return std::nullopt;
    if (offset >= windowStart_ && offset - windowStart_ <= window_.size() &&
        length <= window_.size() - (offset - windowStart_)) {
        return std::string_view(window_).substr(offset - windowStart_, length);
    }
    const size_t allowed = cap_ - bytesRead_;
    if (length > allowed) return std::nullopt;
    // Read ahead for the small headers that usually follow, within the cap and the file.
    const auto wanted = static_cast<size_t>(
        std::min<uint64_t>({std::max(length, readAhead), allowed, fileSize_ - offset}));
    window_.resize(wanted);
    windowStart_ = offset;
    size_t filled = 0;
    while (filled < wanted) {
        const ssize_t got = ::pread(fd_, window_.data() + filled, wanted - filled, static_cast<off_t>(offset + filled));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // an error, or a file that shrank since it was opened
        filled += static_cast<size_t>(got);
    }
    bytesRead_ += filled;
    window_.resize(filled);
    if (filled < length) return std::nullopt;
    return std::string_view(window_).substr(0, length);
}

}  // namespace ordane::platform
