#pragma once

#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// The roots in their order, without a root that is the same folder as an earlier one or that lies
// inside another root, so no file is walked twice. Folders are compared after following links (a
// drive mounted inside the home, a user folder that links elsewhere); a root that can't be resolved
// is compared as written. The roots kept are returned as given.
std::vector<URL> withoutOverlaps(const std::vector<URL>& roots, platform::FileSystem& fileSystem);

}  // namespace ordane
