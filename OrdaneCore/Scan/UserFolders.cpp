#include "OrdaneCore/Scan/UserFolders.hpp"

#include <utility>

#include "OrdanePlatform/FileSystem/FileSystemError.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/System/XdgDirectories.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace path = platform::path;

namespace {
URL folderURL(const URL& url) { return URL::fileURL(url.standardized().path(), true); }

bool inside(const URL& url, const URL& folder) { return path::isInside(url.standardized().path(), folder.path()); }

// user-dirs.dirs keys, and the folder names a fresh Debian home has, in field order.
constexpr std::array<std::pair<const char*, const char*>, 6> userDirKeys{{
    {"DESKTOP", "Desktop"}, {"DOCUMENTS", "Documents"}, {"DOWNLOAD", "Downloads"},
    {"VIDEOS", "Videos"},   {"MUSIC", "Music"},         {"PICTURES", "Pictures"},
}};

URL userDir(const URL& home, const std::map<std::string, std::string>& userDirs, size_t index) {
    auto [key, defaultName] = userDirKeys[index];
    auto entry = userDirs.find(key);
    if (entry != userDirs.end()) return URL::fileURL(entry->second, true);
    return home.appendingPathComponent(defaultName, true);
}

constexpr size_t fileSizeLimit = 64 * 1024;  // a user-dirs.dirs file is a few hundred bytes
}  // namespace

UserFolders::UserFolders(URL desktop, URL documents, URL downloads, URL movies, URL music, URL pictures)
    : desktop(folderURL(desktop)),
      documents(folderURL(documents)),
      downloads(folderURL(downloads)),
      movies(folderURL(movies)),
      music(folderURL(music)),
      pictures(folderURL(pictures)) {}

UserFolders::UserFolders(const URL& home) : UserFolders(home, {}) {}

UserFolders::UserFolders(const URL& home, const std::map<std::string, std::string>& userDirs)
    : UserFolders(userDir(home, userDirs, 0), userDir(home, userDirs, 1), userDir(home, userDirs, 2),
                  userDir(home, userDirs, 3), userDir(home, userDirs, 4), userDir(home, userDirs, 5)) {}

UserFolders UserFolders::read(const URL& home, const std::string& userDirsFile, platform::FileSystem& fileSystem) {
    try {
        if (fileSystem.status(userDirsFile).size > static_cast<int64_t>(fileSizeLimit)) return UserFolders(home);
        return UserFolders(home, platform::parseUserDirs(fileSystem.readFile(userDirsFile), home.path()));
    } catch (const platform::FileSystemError&) {
        return UserFolders(home);
    }
}

std::vector<URL> UserFolders::all() const { return {desktop, documents, downloads, movies, music, pictures}; }

std::string UserFolders::displayName(const URL& folder) { return platform::text::validUTF8(folder.lastPathComponent()); }

std::string UserFolders::containingFolderName(const URL& url) const {
    for (const URL& folder : all()) {
        if (inside(url, folder)) return displayName(folder);
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
