#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "OrdaneCore/Stores/AppSupportPaths.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using ordane::AppSupportPaths;
using ordane::URL;
using ordane::platform::FileSystemError;
using ordane::testing::TempDir;

TEST(AppSupportPaths, NamesEveryFileBelowTheBaseFolder) {
    const AppSupportPaths paths(URL::fileURL("/tmp/h", true));
    const std::string base = "/tmp/h/Library/Application Support/Ordane";
    EXPECT_EQ(paths.base, URL::fileURL(base, true));
    EXPECT_EQ(paths.base.absoluteString(), "file:///tmp/h/Library/Application%20Support/Ordane/");
    EXPECT_EQ(paths.analysisCacheFile().path(), base + "/analysis-cache.json");
    EXPECT_EQ(paths.activityFile().path(), base + "/activity.json");
    EXPECT_EQ(paths.settingsFile().path(), base + "/settings.json");
    EXPECT_EQ(paths.folderCentroidsFile().path(), base + "/folder-centroids.json");
    EXPECT_EQ(paths.filingPriorsFile().path(), base + "/filing-priors.json");
    EXPECT_EQ(paths.journalDirectory(), URL::fileURL(base + "/journal", true));
    EXPECT_FALSE(paths.activityFile().isDirectory());
    EXPECT_EQ(AppSupportPaths(URL::fileURL("/tmp/h/", true)), paths);
}

TEST(AppSupportPaths, EnsuringTheFoldersTwiceSucceedsAndAFailureIsThrownBeforeTheJournalFolder) {
    TempDir home;
    const AppSupportPaths paths(URL::fileURL(home.path(), true));
    ordane::testing::FaultInjectingFileSystem refusing;
    refusing.fail("createDirectories", ENOSPC, 1);
    try {
        paths.ensureDirectories(refusing);
        FAIL() << "expected the file system's error";
    } catch (const FileSystemError& error) {
        EXPECT_EQ(error.errorNumber(), ENOSPC);
    }
    EXPECT_EQ(refusing.calls("createDirectories"), 1);
    EXPECT_FALSE(std::filesystem::exists(paths.base.path()));

    paths.ensureDirectories();
    paths.ensureDirectories();
    EXPECT_TRUE(std::filesystem::is_directory(paths.journalDirectory().path()));
    TempDir blocked;
    ordane::testing::writeFile(blocked / "Library", "a file where a folder belongs");
    EXPECT_THROW(AppSupportPaths(URL::fileURL(blocked.path(), true)).ensureDirectories(), FileSystemError);
}
