#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ordane {

// A folder name typed by the user or made by the planner, cleaned for use as one folder: no "/",
// ":" or control characters, whitespace runs as one space, no leading dots, at most 60 characters
// and 255 bytes. None when nothing usable is left; a long name is refused, never shortened.
std::optional<std::string> sanitizedFolderName(std::string_view name);

}  // namespace ordane
