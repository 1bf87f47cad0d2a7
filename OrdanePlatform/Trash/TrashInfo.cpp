#include "OrdanePlatform/Trash/TrashInfo.hpp"

#include "OrdanePlatform/Path/PercentEncoding.hpp"

namespace ordane::platform {

namespace {

constexpr std::string_view groupHeader = "[Trash Info]";

std::string_view trimmedLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace

std::string TrashInfo::text() const {
    return std::string(groupHeader) + "\nPath=" + path::percentEncoded(path) + "\nDeletionDate=" + deletionDate +
           "\n";
}

std::optional<TrashInfo> TrashInfo::parse(std::string_view text) {
    TrashInfo info;
    bool inGroup = false;
    bool sawGroup = false;
    bool sawPath = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = trimmedLine(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            inGroup = line == groupHeader;
            sawGroup = sawGroup || inGroup;
            continue;
        }
        if (!inGroup) continue;
        if (line.substr(0, 5) == "Path=" && !sawPath) {
            auto decoded = path::percentDecoded(line.substr(5));
            if (!decoded || decoded->empty()) return std::nullopt;
            info.path = *decoded;
            sawPath = true;
        } else if (line.substr(0, 13) == "DeletionDate=") {
            info.deletionDate = std::string(line.substr(13));
        }
    }
    if (!sawGroup || !sawPath) return std::nullopt;
    return info;
}

std::string TrashInfo::localDate(std::time_t time) {
    std::tm local{};
    ::localtime_r(&time, &local);
    char buffer[32];
    size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S", &local);
    return std::string(buffer, length);
}

}  // namespace ordane::platform
