#include "Ordane/App/ScanRoots.hpp"

#include <string>

#include "OrdanePlatform/FileSystem/FileSystemError.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

std::vector<URL> withoutOverlaps(const std::vector<URL>& roots, platform::FileSystem& fileSystem) {
    std::vector<std::string> resolved;
    resolved.reserve(roots.size());
    for (const URL& root : roots) {
        try {
            resolved.push_back(fileSystem.canonicalPath(root.path()));
        } catch (const platform::FileSystemError&) {
            resolved.push_back(platform::path::standardized(root.path()));
        }
    }
    std::vector<URL> kept;
    for (size_t i = 0; i < roots.size(); ++i) {
        bool covered = false;
        for (size_t j = 0; j < roots.size() && !covered; ++j) {
            if (j == i) continue;
            covered = (j < i && resolved[j] == resolved[i]) ||
                      (resolved[j] != resolved[i] && platform::path::isInside(resolved[i], resolved[j]));
        }
        if (!covered) kept.push_back(roots[i]);
    }
    return kept;
}

}  // namespace ordane
