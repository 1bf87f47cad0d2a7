#pragma once

#include <string>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane::platform {

// Copies the item at `from` (a file, a link, or a folder with everything below it) to `to`, where
// nothing may exist yet: a folder is never merged into an existing one and a file never replaces
// one. Permission bits and modification times are kept; files and folders are flushed to disk.
// Other kinds of item (pipes, sockets, devices) are refused with ENOTSUP.
//
// When the copy fails after it created `to`, everything it created is removed before the error is
// thrown, so a half copy never looks like a real item. When `to` was already taken, nothing there
// is touched.
void copyItem(FileSystem& fileSystem, const std::string& from, const std::string& to);

// Removes a copy that copyItem made (never the user's own items): its folders kept their modes, so
// a read-only one is made writable for its owner before it is emptied, as an ordinary user must.
void removeCopy(FileSystem& fileSystem, const std::string& path);

}  // namespace ordane::platform
