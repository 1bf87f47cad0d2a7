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

bool hasMarkerExtension(const std::unordered_set<std::string>& extensions, const std::string& name) {
    return name.front() != '.' && extensions.count(path::extension(name)) > 0;
}

// The shortest and longest of some texts, in bytes.
struct Lengths {
    size_t shortest = SIZE_MAX;
    size_t longest = 0;
    bool none() const { return shortest > longest; }
    bool holds(size_t length) const { return length >= shortest && length <= longest; }
};

Lengths lengthsOf(const std::unordered_set<std::string>& texts) {
    Lengths lengths;
    for (const std::string& text : texts) {
        lengths.shortest = std::min(lengths.shortest, text.size());
        lengths.longest = std::max(lengths.longest, text.size());
    }
    return lengths;
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
            if (hasMarkerExtension(projectMarkerExtensions, name)) return true;
        }
    } catch (const platform::FileSystemError&) {
    }
    return false;
}

bool ScanRules::isProjectRoot(const URL& folder, const platform::DirectoryListing& listing,
                              platform::FileSystem& fileSystem) const {
    // Asked of every folder a walk enters: a name or extension of another length than every
    // marker's is passed over without hashing it.
    Lengths names = lengthsOf(projectMarkerNames);
    Lengths extensions = lengthsOf(projectMarkerExtensions);
    auto isMarkerName = [&](const std::string& name) {
        return names.holds(name.size()) && projectMarkerNames.count(name) > 0;
    };
    // A link counts only when it leads somewhere, like the existence test above.
    auto existsThere = [&](const std::string& name) {
        return fileSystem.existsFollowingLinks(path::appending(folder.path(), name));
    };
    for (const auto& entry : listing.entries) {
        if (isMarkerName(entry.name)) {
            if (entry.status && !entry.status->isSymlink()) return true;
            if (existsThere(entry.name)) return true;
        }
        if (extensions.none()) continue;
        auto extension = path::nameExtension(entry.name);
        if (extension.ascii && !extensions.holds(extension.written.size())) continue;
        if (hasMarkerExtension(projectMarkerExtensions, entry.name)) return true;
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
