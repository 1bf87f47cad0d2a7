#pragma once

#include <QString>
#include <string_view>

namespace ordane {

// A folder as the user knows it: its path below the home folder (AppState::homeDirectory), empty
// for the home folder itself, or the whole standardized path when it lies outside. Only a whole
// component counts as inside: with home /home/al, /home/alice stays whole.
QString homeRelativeFolder(std::string_view folderPath);

// The same against a given home path (both standardized before they are compared).
QString homeRelativeFolder(std::string_view folderPath, std::string_view homePath);

}  // namespace ordane
