#pragma once

#include <string>
#include <system_error>

namespace ordane::platform {

// A failed file-system call: the errno it gave and the path it was about.
class FileSystemError : public std::system_error {
public:
    FileSystemError(int errorNumber, std::string operation, std::string path)
        : std::system_error(errorNumber, std::generic_category(), operation + " " + path),
          operation_(std::move(operation)),
          path_(std::move(path)) {}

    int errorNumber() const { return code().value(); }
    const std::string& operation() const { return operation_; }
    const std::string& path() const { return path_; }

private:
    std::string operation_;
    std::string path_;
};

}  // namespace ordane::platform
