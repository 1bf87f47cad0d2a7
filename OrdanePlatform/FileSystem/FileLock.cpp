#include "OrdanePlatform/FileSystem/FileLock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "OrdanePlatform/FileSystem/FileSystemError.hpp"

namespace ordane::platform {

FileLock::FileLock(const std::string& path) {
    descriptor_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor_ < 0) throw FileSystemError(errno, "open", path);
    while (::flock(descriptor_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        int error = errno;
        ::close(descriptor_);
        throw FileSystemError(error, "flock", path);
    }
}

FileLock::~FileLock() {
    // Closing the only descriptor of the open file releases the lock.
    ::close(descriptor_);
}

}  // namespace ordane::platform
