#include "Ordane/Screens/HomePath.hpp"

#include "Ordane/App/AppState.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

QString homeRelativeFolder(std::string_view folderPath, std::string_view homePath) {
    const std::string folder = platform::path::standardized(folderPath);
    const std::string home = platform::path::standardized(homePath);
    const std::optional<std::string> below = home.empty() ? std::nullopt : platform::path::relativePath(folder, home);
    return retro::qtext(below ? *below : folder);
}

QString homeRelativeFolder(std::string_view folderPath) {
    return homeRelativeFolder(folderPath, AppState::homeDirectory().path());
}

}  // namespace ordane
