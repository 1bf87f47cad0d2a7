#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane::platform {

// The mounted file systems, as /proc/self/mountinfo lists them.
class MountTable {
public:
    struct Mount {
        std::string mountPoint;  // canonical path, escapes undone
        uint64_t device = 0;     // as stat reports it (makedev of major:minor)
        std::string fileSystemType;

        bool operator==(const Mount&) const = default;
    };

    static constexpr const char* defaultSource = "/proc/self/mountinfo";

    // Reads the table through the file system; an unreadable table throws FileSystemError.
    static MountTable read(FileSystem& fileSystem, const std::string& source = defaultSource);
    // Parses mountinfo text; malformed lines are passed over.
    static MountTable parse(std::string_view text);

    // The mount that holds a canonical path: the one with the longest mount point that is the path
    // or one of its ancestors; among equal mount points the last listed, which is mounted on top.
    std::optional<Mount> mountContaining(std::string_view canonicalPath) const;

    const std::vector<Mount>& mounts() const { return mounts_; }

private:
    std::vector<Mount> mounts_;
};

}  // namespace ordane::platform
