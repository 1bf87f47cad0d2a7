#pragma once

#include <map>
#include <string>
#include <string_view>

namespace ordane::platform {

// Where a Linux desktop keeps a user's data, settings and caches (the XDG base directories).
struct XdgDirectories {
    std::string dataHome;    // $XDG_DATA_HOME, else home/.local/share
    std::string configHome;  // $XDG_CONFIG_HOME, else home/.config
    std::string cacheHome;   // $XDG_CACHE_HOME, else home/.cache

    // The defaults under a home folder; the environment is not read.
    static XdgDirectories under(std::string_view home);
    // Each variable when it holds an absolute path (the standard ignores relative ones), else the
    // default under `home`.
    static XdgDirectories fromEnvironment(std::string_view home);

    // The file that names the user's own folders (Desktop, Documents …).
    std::string userDirsFile() const;

    bool operator==(const XdgDirectories&) const = default;
};

// The entries of a user-dirs.dirs file: `XDG_<KEY>_DIR="$HOME/…"` or an absolute path, quoted or
// not, backslash escapes undone. Keyed by <KEY> ("DESKTOP", "DOWNLOAD" …), each path standardized
// and absolute. Comments, malformed lines and relative paths are passed over; an entry that is the
// home folder itself means the folder is not set and is left out. A later line wins.
std::map<std::string, std::string> parseUserDirs(std::string_view text, std::string_view home);

}  // namespace ordane::platform
