#include <gtest/gtest.h>

#include "OrdaneCore/Scan/CloudStatus.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using platform::DownloadingStatus;
using ordane::testing::makeDirectories;

TEST(CloudStatus, ProviderByPath) {
    const std::pair<const char*, std::optional<CloudProvider>> cases[] = {
        {"/home/ada/Library/Mobile Documents/com~apple~CloudDocs/a.txt", CloudProvider::iCloudDrive},
        {"/home/ada/Library/CloudStorage/OneDrive-Personal/a.txt", CloudProvider::oneDrive},
        {"/home/ada/Library/CloudStorage/Dropbox/a.txt", CloudProvider::dropbox},
        {"/home/ada/Library/CloudStorage/GoogleDrive-ada@example.com/My Drive/a", CloudProvider::googleDrive},
        {"/home/ada/Library/CloudStorage/Box-Box/a.txt", CloudProvider::other},
        // The storage folder's own first level counts too: the component runs to the end.
        {"/home/ada/Library/CloudStorage/OneDrive-Work", CloudProvider::oneDrive},
        {"/home/ada/Dropbox/taxes/2023.pdf", CloudProvider::dropbox},
        {"/home/ada/Dropbox", std::nullopt},
        {"/home/ada/DropboxOld/a.txt", std::nullopt},
        {"/home/ada/Documents/a.txt", std::nullopt},
        {"/home/adam/Dropbox/a.txt", std::nullopt},
        // Paths are standardized before the test, the home too.
        {"/home/ada/Documents/../Dropbox/a.txt", CloudProvider::dropbox}};
    for (auto [path, provider] : cases) {
        EXPECT_EQ(CloudStatus::provider(URL::fileURL(path), URL::fileURL("/home/ada", true)), provider) << path;
    }
    EXPECT_EQ(CloudStatus::provider(URL::fileURL("/home/ada/Dropbox/a"), URL::fileURL("/home/x/../ada/", true)),
              CloudProvider::dropbox);
}

// The walk's test covers these rules on real sparse files; here what it can't give: the
// platform's cloud values, and the one case where the file system has no sparse files.
TEST(CloudStatus, StateOfSyncedItems) {
    EXPECT_EQ(CloudStatus::state(true, DownloadingStatus::downloaded, 5000, 0, false), CloudState::cloudDownloaded);
    EXPECT_EQ(CloudStatus::state(true, DownloadingStatus::current, 5000, 0, true), CloudState::cloudDownloaded);
    EXPECT_EQ(CloudStatus::state(true, std::nullopt, 5000, 0, false), CloudState::cloudDownloaded);
    EXPECT_EQ(CloudStatus::state(false, std::nullopt, 5000, 0, true), CloudState::cloudOnly);
}

TEST(CloudStatus, CloudRootsInTheOrderFoundEachOnce) {
    ordane::testing::TempDir dir;
    auto fs = platform::FileSystem::real();
    URL home = URL::fileURL(dir.path(), true);
    EXPECT_TRUE(CloudStatus::cloudRoots(home, *fs).empty());
    makeDirectories(dir / "Dropbox");
    EXPECT_EQ(CloudStatus::cloudRoots(home, *fs), std::vector<CloudProvider>{CloudProvider::dropbox});

    for (const char* folder : {"Library/Mobile Documents/com~apple~CloudDocs", "Library/CloudStorage/OneDrive-Personal",
                               "Library/CloudStorage/OneDrive-Work", "Library/CloudStorage/Dropbox",
                               "Library/CloudStorage/Box-Box"}) {
        makeDirectories(dir / folder);
    }
    // Listing order is bytewise: Box-Box, Dropbox, OneDrive-Personal, OneDrive-Work.
    EXPECT_EQ(CloudStatus::cloudRoots(home, *fs),
              (std::vector<CloudProvider>{CloudProvider::iCloudDrive, CloudProvider::dropbox, CloudProvider::oneDrive}));

    // A broken link is no folder.
    ordane::testing::TempDir other;
    fs->createSymlink(other / "missing", other / "Dropbox");
    EXPECT_TRUE(CloudStatus::cloudRoots(URL::fileURL(other.path(), true), *fs).empty());
}
