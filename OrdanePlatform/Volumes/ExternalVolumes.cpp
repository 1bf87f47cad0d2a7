#include "OrdanePlatform/Volumes/ExternalVolumes.hpp"

#include <sys/sysmacros.h>

#include <algorithm>

#include "OrdanePlatform/FileSystem/FileSystemError.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::platform {

namespace {

// udev writes unsafe bytes of a label as "\xHH".
std::string unescapedLabel(std::string_view text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && hex(text[i + 2]) >= 0 &&
            hex(text[i + 3]) >= 0) {
            result += static_cast<char>(hex(text[i + 2]) * 16 + hex(text[i + 3]));
            i += 3;
            continue;
        }
        result += text[i];
    }
    return result;
}

bool readsOne(FileSystem& fileSystem, const std::string& path) {
    try {
        std::string text = fileSystem.readFile(path);
        return !text.empty() && text[0] == '1';
    } catch (const FileSystemError&) {
        return false;
    }
}

// The label whose link leads to the device node of the kernel name, if any.
std::string labelOf(FileSystem& fileSystem, const std::string& labels, const std::string& kernelName) {
    std::vector<std::string> names;
    try {
        names = fileSystem.listDirectory(labels);
    } catch (const FileSystemError&) {
        return {};
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        try {
            if (path::lastComponent(fileSystem.canonicalPath(path::appending(labels, name))) == kernelName) {
                return unescapedLabel(name);
            }
        } catch (const FileSystemError&) {
        }
    }
    return {};
}

}  // namespace

std::vector<ExternalVolume> ExternalVolumes::mounted(FileSystem& fileSystem, const Sources& sources) {
    MountTable table;
    try {
        table = MountTable::read(fileSystem, sources.mountTable);
    } catch (const FileSystemError&) {
        return {};
    }
    std::optional<uint64_t> rootDevice;
    std::vector<MountTable::Mount> mounts;
    for (const MountTable::Mount& mount : table.mounts()) {
        if (mount.mountPoint == "/") rootDevice = mount.device;
        auto same = std::find_if(mounts.begin(), mounts.end(),
                                 [&](const MountTable::Mount& other) { return other.mountPoint == mount.mountPoint; });
        if (same != mounts.end()) {
            *same = mount;
        } else {
            mounts.push_back(mount);
        }
    }

    std::vector<ExternalVolume> volumes;
    for (const MountTable::Mount& mount : mounts) {
        bool underParent = std::any_of(sources.mountParents.begin(), sources.mountParents.end(),
                                       [&](const std::string& parent) { return path::isInside(mount.mountPoint, parent); });
        if (!underParent || mount.device == rootDevice || ::major(mount.device) == 0) continue;
        std::string deviceLink = path::appending(
            sources.blockDevices, std::to_string(::major(mount.device)) + ":" + std::to_string(::minor(mount.device)));
        std::string devicePath;
        try {
            devicePath = fileSystem.canonicalPath(deviceLink);
        } catch (const FileSystemError&) {
            continue;  // no block device behind it
        }
        ExternalVolume volume;
        volume.path = mount.mountPoint;
        // A partition's flag is on its disk, one level up.
        volume.removable = readsOne(fileSystem, path::appending(devicePath, "removable")) ||
                           readsOne(fileSystem, path::appending(path::parent(devicePath), "removable"));
        volume.name = labelOf(fileSystem, sources.labels, path::lastComponent(devicePath));
        if (volume.name.empty()) volume.name = path::lastComponent(mount.mountPoint);
        volumes.push_back(std::move(volume));
    }
    return volumes;
}

std::vector<ExternalVolume> ExternalVolumes::mounted() { return mounted(*FileSystem::real(), Sources{}); }

}  // namespace ordane::platform
