#pragma once

#include <string>

namespace ordane::platform {

// An exclusive advisory lock (flock) on a file, held from construction until destruction. While
// another holder has it, in this process or another, the constructor waits. The file is created
// when missing (its folder must exist); it holds nothing and stays behind.
class FileLock {
public:
    // Throws FileSystemError when the file can't be opened or locked.
    explicit FileLock(const std::string& path);
    ~FileLock();

    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int descriptor_ = -1;
};

}  // namespace ordane::platform
