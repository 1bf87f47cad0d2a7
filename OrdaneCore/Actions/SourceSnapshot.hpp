#pragma once

#include <string>
#include <vector>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// What an item (a folder with everything below it) looked like before it was copied: names, kinds,
// sizes, modification dates and inodes, links not followed. Another program may write into a
// folder while it is being moved; comparing against this record keeps the mover from removing
// anything that was not part of the verified copy.
class SourceSnapshot {
public:
    // Reads the item; throws FileSystemError when any part of it can't be read.
    static SourceSnapshot take(platform::FileSystem& fileSystem, const std::string& path);

    // True when the item still has exactly the recorded names and values.
    bool matches(platform::FileSystem& fileSystem, const std::string& path) const;

    // Removes, item by item, what still matches the record, and leaves whatever was added or
    // changed (with the folders that hold it). Returns true when the whole item is gone. Failures
    // other than finding a change are thrown.
    bool removeUnchanged(platform::FileSystem& fileSystem, const std::string& path) const;

private:
    struct Node {
        std::string name;
        platform::FileStatus status;
        std::vector<Node> children;  // sorted by name; folders only
    };

    static Node read(platform::FileSystem& fileSystem, const std::string& path, std::string name);
    static bool matches(platform::FileSystem& fileSystem, const std::string& path, const Node& node);
    static bool removeUnchanged(platform::FileSystem& fileSystem, const std::string& path, const Node& node);

    Node root_;
};

}  // namespace ordane
