#pragma once

#include <string>
#include <vector>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/Trash/MountTable.hpp"

namespace ordane::platform {

// A mounted drive the user may add to a scan.
struct ExternalVolume {
    std::string path;        // the mount point; the identity kept in the settings
    std::string name;        // the file system's label, else the mount point's last component
    bool removable = false;  // the kernel marks the disk removable (a USB stick, a card)

    bool operator==(const ExternalVolume&) const = default;
};

// The external drives: volumes on a real block device mounted below one of the mount parents,
// other than the root file system. Read from the mount table and the kernel's block device tree.
class ExternalVolumes {
public:
    // Where the facts are read; tests point them at a tree of their own.
    struct Sources {
        std::string mountTable = MountTable::defaultSource;
        std::string blockDevices = "/sys/dev/block";  // "<major>:<minor>" links into /sys/block
        std::string labels = "/dev/disk/by-label";    // label names linking to the device node
        std::vector<std::string> mountParents = {"/media", "/run/media", "/mnt"};
    };

    // In the order the mount table lists them; a mount point mounted over keeps its top mount.
    // An unreadable mount table gives none; a volume whose facts can't be read is left out.
    static std::vector<ExternalVolume> mounted(FileSystem& fileSystem, const Sources& sources);
    static std::vector<ExternalVolume> mounted();
};

}  // namespace ordane::platform
