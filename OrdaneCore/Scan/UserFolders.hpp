#pragma once

#include <string>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"

namespace ordane {

// The six standard folders under the home folder, stored standardized.
struct UserFolders {
    URL desktop;
    URL documents;
    URL downloads;
    URL movies;
    URL music;
    URL pictures;

    UserFolders(URL desktop, URL documents, URL downloads, URL movies, URL music, URL pictures);
    explicit UserFolders(const URL& home);

    std::vector<URL> all() const;
    // "Desktop", "Documents" … for a URL below one of them, else the name of the URL's parent folder.
    // Always valid UTF-8: it is put into sentences.
    std::string containingFolderName(const URL& url) const;
    // How much a copy's place says it belongs: lower is better (read by the keeper choice).
    int locationCode(const URL& url) const;
    bool isInsideDownloads(const URL& url) const;
    bool isInsideDesktop(const URL& url) const;

    bool operator==(const UserFolders&) const = default;
};

}  // namespace ordane
