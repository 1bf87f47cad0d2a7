#pragma once

#include <optional>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdanePlatform/System/XdgDirectories.hpp"

namespace ordane {

// Which home folder the program reads and writes: the scan roots and Ordane's own folders both
// follow it, so one variable moves everything.
struct HomeFolder {
    static constexpr const char* overrideVariable = "ORDANE_HOME";

    // ORDANE_HOME as an absolute, standardized folder URL: an empty value counts as absent, a
    // relative one is taken from the current folder.
    static std::optional<URL> override();
    // $HOME when it is absolute, else the password database's home folder, else "/".
    static URL user();
    // The override when there is one, else the user's home.
    static URL current();
    // The data, config and cache folders in use. Under ORDANE_HOME they are that home's defaults
    // whatever XDG_* say: a run on another home never reads or writes the real user's records or
    // settings, nor their user-dirs file. Otherwise the environment's, for the user's home.
    static platform::XdgDirectories directories();
    // Whether a folder is, after following links, the user's real home (as $HOME or the password
    // database name it). Work that changes files refuses to run on it.
    static bool isRealHome(const URL& folder);
};

}  // namespace ordane
