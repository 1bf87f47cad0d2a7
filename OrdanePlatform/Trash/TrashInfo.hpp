#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace ordane::platform {

// The contents of one info/<name>.trashinfo file.
struct TrashInfo {
    // Where the item was: absolute in the home trash, relative to the volume's top folder in a
    // volume trash. Percent-encoded in the file, plain here.
    std::string path;
    // Local time, "YYYY-MM-DDThh:mm:ss".
    std::string deletionDate;

    std::string text() const;
    // None when the "[Trash Info]" group or a valid Path key is missing.
    static std::optional<TrashInfo> parse(std::string_view text);
    static std::string localDate(std::time_t time);

    bool operator==(const TrashInfo&) const = default;
};

}  // namespace ordane::platform
