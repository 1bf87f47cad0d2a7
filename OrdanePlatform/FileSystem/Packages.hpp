#pragma once

#include <string_view>

namespace ordane::platform {

// Linux keeps no package flag, so a folder counts as a package (one document or program the
// person sees as a single item) when its lower-cased extension is one of a fixed list.
// The one place that list lives.
bool isPackageExtension(std::string_view lowerCasedExtension);

// A folder at `path` is a package by its name alone.
bool isPackageFolder(std::string_view path);

}  // namespace ordane::platform
