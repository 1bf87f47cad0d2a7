#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// The user's six own folders, stored standardized. `movies` is the videos folder.
struct UserFolders {
    URL desktop;
    URL documents;
    URL downloads;
    URL movies;
    URL music;
    URL pictures;

    // The names the settings file uses for the six folders, in field order. They stay the same
    // whatever the folders are called on disk, so saved settings keep their meaning.
    static constexpr std::array<const char*, 6> settingsKeys{"Desktop", "Documents", "Downloads",
                                                             "Movies",  "Music",     "Pictures"};

    UserFolders(URL desktop, URL documents, URL downloads, URL movies, URL music, URL pictures);
    // The default folders under `home`: Desktop, Documents, Downloads, Videos, Music, Pictures.
    explicit UserFolders(const URL& home);
    // The folders a user-dirs.dirs file names (its keys, as platform::parseUserDirs gives them),
    // the default ones for the keys it lacks.
    UserFolders(const URL& home, const std::map<std::string, std::string>& userDirs);
    // Reads the user-dirs.dirs file; a missing or unreadable file gives the defaults.
    static UserFolders read(const URL& home, const std::string& userDirsFile, platform::FileSystem& fileSystem);

    // The six URLs in field order (the order of settingsKeys).
    std::vector<URL> all() const;
    // A folder's name as the person sees it on disk ("Videos", "Dokumente"), always valid UTF-8.
    static std::string displayName(const URL& folder);
    // The display name of the user folder holding the URL, else the name of the URL's parent
    // folder. Always valid UTF-8: it is put into sentences.
    std::string containingFolderName(const URL& url) const;
    // How much a copy's place says it belongs: lower is better (read by the keeper choice).
    int locationCode(const URL& url) const;
    bool isInsideDownloads(const URL& url) const;
    bool isInsideDesktop(const URL& url) const;

    bool operator==(const UserFolders&) const = default;
};

}  // namespace ordane
