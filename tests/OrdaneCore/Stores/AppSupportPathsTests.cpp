#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "OrdaneCore/Stores/AppSupportPaths.hpp"
#include "OrdanePlatform/FileSystem/RealFileSystem.hpp"
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

TEST(AppSupportPaths, EnsuringTheFoldersTwiceSucceeds) {
    TempDir home;
    const AppSupportPaths paths(URL::fileURL(home.path(), true));
    paths.ensureDirectories();
    paths.ensureDirectories();
    EXPECT_TRUE(std::filesystem::is_directory(paths.base.path()));
    EXPECT_TRUE(std::filesystem::is_directory(paths.journalDirectory().path()));
}

namespace {
// Records the folders asked for and refuses the first.
struct RefusingFileSystem : ordane::platform::RealFileSystem {
    std::vector<std::string> asked;
    void createDirectories(const std::string& path) override {
        asked.push_back(path);
        throw FileSystemError(ENOSPC, "mkdir", path);
    }
};
}  // namespace

TEST(AppSupportPaths, AFailureIsThrownAndTheJournalFolderIsNotAttempted) {
    RefusingFileSystem refusing;
    const AppSupportPaths paths(URL::fileURL("/nowhere", true));
    try {
        paths.ensureDirectories(refusing);
        FAIL() << "expected the file system's error";
    } catch (const FileSystemError& error) {
        EXPECT_EQ(error.errorNumber(), ENOSPC);
    }
    EXPECT_EQ(refusing.asked, std::vector<std::string>{paths.base.path()});

    TempDir home;
    ordane::testing::writeFile(home / "Library", "a file where a folder belongs");
    EXPECT_THROW(AppSupportPaths(URL::fileURL(home.path(), true)).ensureDirectories(), FileSystemError);
}
