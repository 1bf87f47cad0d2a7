#include "OrdanePlatform/Trash/MountTable.hpp"

#include <sys/sysmacros.h>

#include <charconv>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::platform {

namespace {

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> result;
    size_t start = 0;
    while (start < line.size()) {
        size_t end = line.find(' ', start);
        if (end == std::string_view::npos) end = line.size();
        if (end > start) result.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

// mountinfo writes space, tab, newline and backslash as a backslash and three octal digits.
std::string unescaped(std::string_view text) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            std::string_view digits = text.substr(i + 1, 3);
            bool octal = true;
            for (char c : digits) octal = octal && c >= '0' && c <= '7';
            if (octal) {
                result += static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}

std::optional<uint64_t> parseDevice(std::string_view text) {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    unsigned major = 0;
    unsigned minor = 0;
    auto first = std::from_chars(text.data(), text.data() + colon, major);
    auto second = std::from_chars(text.data() + colon + 1, text.data() + text.size(), minor);
    if (first.ec != std::errc() || first.ptr != text.data() + colon) return std::nullopt;
    if (second.ec != std::errc() || second.ptr != text.data() + text.size()) return std::nullopt;
    return makedev(major, minor);
}

}  // namespace

MountTable MountTable::read(FileSystem& fileSystem, const std::string& source) {
    return parse(fileSystem.readFile(source));
}

MountTable MountTable::parse(std::string_view text) {
    MountTable table;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::vector<std::string_view> parts = fields(text.substr(start, end - start));
        start = end + 1;
        // id, parent id, major:minor, root, mount point, options, optional fields..., "-", type, source, ...
        if (parts.size() < 7) continue;
        auto device = parseDevice(parts[2]);
        if (!device) continue;
        Mount mount;
        mount.mountPoint = unescaped(parts[4]);
        mount.device = *device;
        for (size_t i = 6; i + 1 < parts.size(); ++i) {
            if (parts[i] == "-") {
                mount.fileSystemType = std::string(parts[i + 1]);
                break;
            }
        }
        if (mount.mountPoint.empty() || mount.mountPoint.front() != '/') continue;
        table.mounts_.push_back(std::move(mount));
    }
    return table;
}

std::optional<MountTable::Mount> MountTable::mountContaining(std::string_view canonicalPath) const {
    const Mount* best = nullptr;
    for (const Mount& mount : mounts_) {
        if (!path::isSameOrInside(canonicalPath, mount.mountPoint) && mount.mountPoint != "/") continue;
        if (!best || mount.mountPoint.size() >= best->mountPoint.size()) best = &mount;
    }
    if (!best) return std::nullopt;
    return *best;
}

}  // namespace ordane::platform
