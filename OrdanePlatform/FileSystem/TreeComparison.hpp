#pragma once

#include <functional>
#include <optional>
#include <string>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane::platform {

// The content digest of a regular file; may throw (the hasher's errors are passed on).
using ContentHash = std::function<std::string(const std::string& path)>;

// Compares two items (files, links or whole folders) without following links: the same names at
// every level, the same kind of item, and for files the same size and content hash, for links the
// same target. Returns the path below `first` (relative, "" for the items themselves) where they
// first differ, or none when they match. An item that can't be read counts as a difference; only
// the hash function's errors are thrown.
std::optional<std::string> firstTreeDifference(FileSystem& fileSystem, const std::string& first,
                                               const std::string& second, const ContentHash& contentHash);

}  // namespace ordane::platform
