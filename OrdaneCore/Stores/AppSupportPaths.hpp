#pragma once

#include <memory>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/System/XdgDirectories.hpp"

namespace ordane {

// Every file and folder Ordane keeps on disk, where Linux programs keep theirs: the user's records
// in the data folder, the settings in the config folder, what can be rebuilt in the cache folder.
struct AppSupportPaths {
    URL base;          // the records: <data home>/Ordane, a folder
    URL configFolder;  // <config home>/Ordane
    URL cacheFolder;   // <cache home>/Ordane

    // The folders under the given base directories.
    explicit AppSupportPaths(const platform::XdgDirectories& directories);
    // The default base directories under `home` (.local/share, .config, .cache).
    explicit AppSupportPaths(const URL& home);

    URL activityFile() const;
    URL settingsFile() const;
    URL journalDirectory() const;
    URL analysisCacheFile() const;
    URL folderCentroidsFile() const;
    URL filingPriorsFile() const;

    // Creates the base folder, then the journal folder, each with missing parents; existing folders
    // are fine. Throws the first FileSystemError; the journal folder is then not attempted. The
    // config and cache folders are made by the first save into them.
    void ensureDirectories(platform::FileSystem& fileSystem = *platform::FileSystem::real()) const;

    bool operator==(const AppSupportPaths&) const = default;
};

}  // namespace ordane
