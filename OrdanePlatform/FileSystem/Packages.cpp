#include "OrdanePlatform/FileSystem/Packages.hpp"

#include <algorithm>
#include <array>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::platform {

bool isPackageExtension(std::string_view lowerCasedExtension) {
    static constexpr std::array<std::string_view, 13> extensions{
        "app",   "bundle",  "framework", "plugin",    "kext",      "pkg", "mpkg",
        "rtfd",  "pages",   "numbers",   "key",       "xcodeproj", "xcworkspace"};
    return std::find(extensions.begin(), extensions.end(), lowerCasedExtension) != extensions.end();
}

bool isPackageFolder(std::string_view path) { return isPackageExtension(path::extension(path)); }

}  // namespace ordane::platform
