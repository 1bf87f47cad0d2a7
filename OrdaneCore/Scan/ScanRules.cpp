#include "OrdaneCore/Scan/ScanRules.hpp"

#include <algorithm>
#include <cstdint>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

namespace path = platform::path;

ScanRules ScanRules::standard(const URL& home) {
    const std::string homePath = home.standardized().path();
    ScanRules rules;
    rules.deniedPaths = {"/System", "/Library", "/private", "/bin", "/sbin", "/usr", "/etc", "/var"};
    for (const char* relative : {"Library", "Music/Music", "Pictures/Photos Library.photoslibrary", "Applications"}) {
        rules.deniedPaths.insert(path::standardized(path::appending(homePath, relative)));
    }
    rules.appManagedBundleExtensions = {"photoslibrary", "musiclibrary", "tvlibrary", "aplibrary",
                                        "migratedphotolibrary", "vmwarevm", "pvm", "utm", "vbox", "band",
                                        "logicx", "fcpbundle", "imovielibrary"};
    rules.projectMarkerNames = {".git",   "package.json",  "pyproject.toml", "requirements.txt", "Cargo.toml",
                                "go.mod", "Package.swift", "Gemfile",        "composer.json",
                                // Unpacked C and C++ source trees.
                                "CMakeLists.txt", "meson.build", "configure.ac", "Makefile"};
    rules.projectMarkerExtensions = {"xcodeproj", "xcworkspace"};
    rules.recreatableDirNames = {"node_modules", ".venv",  "venv", "dist",        "build", ".build", "target",
                                 "DerivedData",  "Pods",   ".next", "__pycache__", ".tox",  ".gradle"};
    rules.volumeSystemFolderNames = {"lost+found", "system volume information", "$recycle.bin"};
    return rules;
}

ScanRules ScanRules::fixture(const std::unordered_set<std::string>& extraDeniedPaths) {
    ScanRules rules = standard(URL::fileURL("/nonexistent-home-for-fixtures", true));
    rules.deniedPaths.insert(extraDeniedPaths.begin(), extraDeniedPaths.end());
    return rules;
}

namespace {

bool endsInMarkerExtension(const std::unordered_set<std::string>& extensions, std::string_view name) {
    return name.front() != '.' && extensions.count(path::extension(name)) > 0;
}

}  // namespace

bool ScanRules::isProjectRoot(const URL& folder, platform::FileSystem& fileSystem) const {
    // Asked of every folder a scan passes: a missing marker must not cost an exception.
    for (const std::string& name : projectMarkerNames) {
        if (fileSystem.existsFollowingLinks(path::appending(folder.path(), name))) return true;
    }
    if (projectMarkerExtensions.empty()) return false;
    try {
        for (const std::string& name : fileSystem.listDirectory(folder.path())) {
            if (endsInMarkerExtension(projectMarkerExtensions, name)) return true;
        }
    } catch (const platform::FileSystemError&) {
    }
    return false;
}

bool ScanRules::isProjectRoot(const URL& folder, const platform::DirectoryListing& listing,
                              platform::FileSystem& fileSystem) const {
    return ProjectMarkers(*this).areIn(folder.path(), listing, fileSystem);
}

ProjectMarkers::ProjectMarkers(const ScanRules& rules)
    : names_(rules.projectMarkerNames.begin(), rules.projectMarkerNames.end()),
      extensions_(rules.projectMarkerExtensions) {
    std::sort(names_.begin(), names_.end());
    // A name is never empty; dropping "" keeps every marker's first byte readable.
    names_.erase(std::remove(names_.begin(), names_.end(), std::string()), names_.end());
    for (const std::string& extension : extensions_) {
        shortestExtension_ = std::min(shortestExtension_, extension.size());
        longestExtension_ = std::max(longestExtension_, extension.size());
        // Lower-cased, a last ASCII byte stays the last byte, A-Z lowered: those are all it can be.
        auto last = static_cast<unsigned char>(extension.empty() ? 0 : extension.back());
        if (last >= 0x80) {
            lastBytes_.fill(true);  // an extension of other bytes: no ASCII byte can be ruled out
        } else {
            lastBytes_[last] = true;
            if (last >= 'a' && last <= 'z') lastBytes_[last - 'a' + 'A'] = true;
        }
    }
}

bool ProjectMarkers::isMarkerName(std::string_view name) const {
    return std::binary_search(names_.begin(), names_.end(), name, std::less<>());
}

bool ProjectMarkers::hasMarkerExtension(std::string_view name) const {
    if (extensions_.empty()) return false;
    auto last = static_cast<unsigned char>(name.back());
    if (last < 0x80 && !lastBytes_[last]) return false;
    // Told from the name's end: most names have no extension as long as a marker's, or none.
    auto extension = path::nameExtension(name, longestExtension_);
    if (extension.written.empty()) return false;
    if (extension.ascii &&
        (extension.written.size() < shortestExtension_ || extension.written.size() > longestExtension_)) {
        return false;
    }
    return endsInMarkerExtension(extensions_, name);
}

bool ProjectMarkers::areIn(const std::string& folderPath, const platform::DirectoryListing& listing,
                           platform::FileSystem& fileSystem) const {
    // A link counts only when it leads somewhere, like the existence test of isProjectRoot.
    auto existsThere = [&](const std::string& name) {
        return fileSystem.existsFollowingLinks(path::appending(folderPath, name));
    };
    auto firstByte = [](std::string_view text) { return static_cast<unsigned char>(text.front()); };
    // Both are sorted bytewise, so their first bytes rise together: `next` is the first marker
    // whose first byte is not below the entry's.
    size_t next = 0;
    for (const auto& entry : listing.entries) {
        const std::string& name = entry.name;
        if (name.empty()) continue;
        while (next < names_.size() && firstByte(names_[next]) < firstByte(name)) ++next;
        for (size_t marker = next; marker < names_.size() && firstByte(names_[marker]) == firstByte(name); ++marker) {
            if (names_[marker] != name) continue;
            if (entry.status && !entry.status->isSymlink()) return true;
            if (existsThere(name)) return true;
        }
        // Past the last marker name, only extensions are left to look for.
        if (next == names_.size() && extensions_.empty()) break;
        if (hasMarkerExtension(name)) return true;
    }
    for (const std::string& name : listing.hiddenNames) {
        if (isMarkerName(name) && existsThere(name)) return true;
    }
    return false;
}

bool ScanRules::isDenied(const URL& url) const { return isDeniedPath(url.standardized().path()); }

bool ScanRules::isDeniedPath(const std::string& standardizedPath) const {
    return deniedPaths.count(standardizedPath) > 0;
}

bool ScanRules::isAppManagedBundle(const URL& url) const {
    return appManagedBundleExtensions.count(url.pathExtension()) > 0;
}

bool ScanRules::isAppManagedBundleName(std::string_view name) const {
    // Asked of every folder a walk meets, and most have no extension at all.
    if (path::nameExtension(name).written.empty()) return false;
    return appManagedBundleExtensions.count(path::extension(name)) > 0;
}

bool ScanRules::isRecreatableDirName(std::string_view name) const {
    return recreatableDirNames.count(std::string(name)) > 0;
}

bool ScanRules::isVolumeSystemFolderName(std::string_view name) const {
    // Asked of every folder the walk meets: compared in place (the known names are lower-case).
    auto sameLetter = [](char c, char known) { return (c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) == known; };
    for (const std::string& known : volumeSystemFolderNames) {
        if (std::equal(name.begin(), name.end(), known.begin(), known.end(), sameLetter)) return true;
    }
    return false;
}

}  // namespace ordane
