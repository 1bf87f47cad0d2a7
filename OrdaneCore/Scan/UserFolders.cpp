#include "OrdaneCore/Scan/UserFolders.hpp"

#include <utility>

#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace path = platform::path;

namespace {
URL folderURL(const URL& url) { return URL::fileURL(url.standardized().path(), true); }

bool inside(const URL& url, const URL& folder) { return path::isInside(url.standardized().path(), folder.path()); }
}  // namespace

UserFolders::UserFolders(URL desktop, URL documents, URL downloads, URL movies, URL music, URL pictures)
    : desktop(folderURL(desktop)),
      documents(folderURL(documents)),
      downloads(folderURL(downloads)),
      movies(folderURL(movies)),
      music(folderURL(music)),
      pictures(folderURL(pictures)) {}

UserFolders::UserFolders(const URL& home)
    : UserFolders(home.appendingPathComponent("Desktop", true), home.appendingPathComponent("Documents", true),
                  home.appendingPathComponent("Downloads", true), home.appendingPathComponent("Movies", true),
                  home.appendingPathComponent("Music", true), home.appendingPathComponent("Pictures", true)) {}

std::vector<URL> UserFolders::all() const { return {desktop, documents, downloads, movies, music, pictures}; }

std::string UserFolders::containingFolderName(const URL& url) const {
    const std::pair<const char*, const URL*> named[] = {
        {"Desktop", &desktop}, {"Documents", &documents}, {"Downloads", &downloads},
        {"Movies", &movies},   {"Music", &music},         {"Pictures", &pictures},
    };
    for (const auto& [name, folder] : named) {
        if (inside(url, *folder)) return name;
    }
    return platform::text::validUTF8(url.deletingLastPathComponent().lastPathComponent());
}

int UserFolders::locationCode(const URL& url) const {
    if (inside(url, documents)) return 0;
    if (inside(url, pictures) || inside(url, movies) || inside(url, music)) return 1;
    if (inside(url, desktop)) {
        bool directChild = path::parent(url.standardized().path()) == desktop.path();
        return directChild ? 3 : 2;
    }
    if (inside(url, downloads)) return 4;
    return 2;
}

bool UserFolders::isInsideDownloads(const URL& url) const { return inside(url, downloads); }

bool UserFolders::isInsideDesktop(const URL& url) const { return inside(url, desktop); }

}  // namespace ordane
