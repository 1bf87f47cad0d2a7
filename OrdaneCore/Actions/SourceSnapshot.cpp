#include "OrdaneCore/Actions/SourceSnapshot.hpp"

#include <algorithm>
#include <cerrno>
#include <optional>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

using platform::FileStatus;
using platform::FileSystemError;
namespace path = platform::path;

namespace {

// A folder's own size and date change with every entry made or removed in it (ours too), so a
// folder is compared by its names instead.
bool sameItem(const FileStatus& recorded, const FileStatus& now) {
    if (recorded.type != now.type || recorded.device != now.device || recorded.inode != now.inode) return false;
    return recorded.isDirectory() || (recorded.size == now.size && recorded.modified == now.modified);
}

// The item's values; none when it can't be read.
std::optional<FileStatus> currentStatus(platform::FileSystem& fileSystem, const std::string& path, int* errorNumber = nullptr) {
    try {
        return fileSystem.linkStatus(path);
    } catch (const FileSystemError& error) {
        if (errorNumber) *errorNumber = error.errorNumber();
        return std::nullopt;
    }
}

}  // namespace

SourceSnapshot SourceSnapshot::take(platform::FileSystem& fileSystem, const std::string& path) {
    SourceSnapshot snapshot;
    snapshot.root_ = read(fileSystem, path, path::lastComponent(path));
    return snapshot;
}

SourceSnapshot::Node SourceSnapshot::read(platform::FileSystem& fileSystem, const std::string& path, std::string name) {
    Node node{std::move(name), fileSystem.linkStatus(path), {}};
    if (node.status.isDirectory()) {
        for (std::string& child : fileSystem.listDirectory(path)) {
            std::string childPath = path::appending(path, child);
            node.children.push_back(read(fileSystem, childPath, std::move(child)));
        }
    }
    return node;
}

bool SourceSnapshot::matches(platform::FileSystem& fileSystem, const std::string& path) const {
    return matches(fileSystem, path, root_);
}

bool SourceSnapshot::matches(platform::FileSystem& fileSystem, const std::string& path, const Node& node) {
    auto now = currentStatus(fileSystem, path);
    if (!now || !sameItem(node.status, *now)) return false;
    if (!node.status.isDirectory()) return true;
    std::vector<std::string> names;
    try {
        names = fileSystem.listDirectory(path);
    } catch (const FileSystemError&) {
        return false;
    }
    if (names.size() != node.children.size()) return false;
    for (size_t k = 0; k < names.size(); ++k) {
        const Node& child = node.children[k];
        if (names[k] != child.name || !matches(fileSystem, path::appending(path, child.name), child)) return false;
    }
    return true;
}

bool SourceSnapshot::removeUnchanged(platform::FileSystem& fileSystem, const std::string& path) const {
    return removeUnchanged(fileSystem, path, root_);
}

bool SourceSnapshot::removeUnchanged(platform::FileSystem& fileSystem, const std::string& path, const Node& node) {
    int errorNumber = 0;
    auto now = currentStatus(fileSystem, path, &errorNumber);
    // Removed by someone else: the copy has it, and nothing is left here to keep.
    if (!now) return errorNumber == ENOENT;
    if (!sameItem(node.status, *now)) return false;
    if (node.status.isDirectory()) {
        bool emptied = true;
        for (const std::string& name : fileSystem.listDirectory(path)) {
            auto recorded = std::lower_bound(node.children.begin(), node.children.end(), name,
                                             [](const Node& child, const std::string& n) { return child.name < n; });
            bool known = recorded != node.children.end() && recorded->name == name;
            if (!known || !removeUnchanged(fileSystem, path::appending(path, name), *recorded)) emptied = false;
        }
        if (!emptied) return false;
    }
    try {
        fileSystem.removeItem(path);
    } catch (const FileSystemError& error) {
        // A name made in the folder at the last instant stays with it.
        if (error.errorNumber() == ENOTEMPTY || error.errorNumber() == EEXIST) return false;
        throw;
    }
    return true;
}

}  // namespace ordane
