#pragma once

#include <stdexcept>
#include <string>

namespace ordane::platform {

// The item's volume has no trash that can be used (none can be found or made there); the item was
// left where it was.
class TrashUnavailableError : public std::runtime_error {
public:
    explicit TrashUnavailableError(std::string path)
        : std::runtime_error("no usable trash for " + path), path_(std::move(path)) {}

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace ordane::platform
