#include "Ordane/Screens/HomePath.hpp"

#include "Ordane/App/AppState.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

QString homeRelativeFolder(std::string_view folderPath, std::string_view homePath) {
    const std::string folder = platform::path::standardized(folderPath);
    const std::string home = platform::path::standardized(homePath);
    if (home.empty() || !platform::path::isSameOrInside(folder, home)) return retro::qtext(folder);
    size_t start = home.size();
    while (start < folder.size() && folder[start] == '/') ++start;
    return retro::qtext(std::string_view(folder).substr(start));
}

QString homeRelativeFolder(std::string_view folderPath) {
    return homeRelativeFolder(folderPath, AppState::homeDirectory().path());
}

}  // namespace ordane
