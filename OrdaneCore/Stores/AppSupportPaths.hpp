#pragma once

#include <memory>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// Every file and folder Ordane keeps on disk, all below one base folder of the home folder in use.
struct AppSupportPaths {
    URL base;  // home + "Library/Application Support/Ordane", a folder

    explicit AppSupportPaths(const URL& home);

    URL activityFile() const;
    URL settingsFile() const;
    URL journalDirectory() const;
    URL analysisCacheFile() const;
    URL folderCentroidsFile() const;
    URL filingPriorsFile() const;

    // Creates the base folder, then the journal folder, each with missing parents; existing folders
    // are fine. Throws the first FileSystemError; the journal folder is then not attempted.
    void ensureDirectories(platform::FileSystem& fileSystem = *platform::FileSystem::real()) const;

    bool operator==(const AppSupportPaths&) const = default;
};

}  // namespace ordane
