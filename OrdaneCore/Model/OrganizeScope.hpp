#pragma once

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"

namespace ordane {

// Which files a filing proposal may touch: files lying directly in Desktop, Documents, Pictures,
// Videos or Music, and files in Downloads (at any depth unless the flag is turned off).
struct OrganizeScope {
    UserFolders folders;
    bool includeDownloadsSubfolders = true;

    // Paths compare as Unicode text: canonically equivalent spellings are equal; case matters.
    bool contains(const URL& url) const;

    bool operator==(const OrganizeScope&) const = default;
};

}  // namespace ordane
