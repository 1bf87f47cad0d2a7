#include <gtest/gtest.h>

#include "OrdaneCore/Scan/CloudStatus.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using platform::DownloadingStatus;

namespace {

const URL home = URL::fileURL("/home/ada", true);

std::optional<CloudProvider> providerOf(const std::string& path) {
    return CloudStatus::provider(URL::fileURL(path), home);
}

}  // namespace

TEST(CloudStatus, ProviderByPath) {
    EXPECT_EQ(providerOf("/home/ada/Library/Mobile Documents/com~apple~CloudDocs/a.txt"), CloudProvider::iCloudDrive);
    EXPECT_EQ(providerOf("/home/ada/Library/CloudStorage/OneDrive-Personal/a.txt"), CloudProvider::oneDrive);
    EXPECT_EQ(providerOf("/home/ada/Library/CloudStorage/Dropbox/a.txt"), CloudProvider::dropbox);
    EXPECT_EQ(providerOf("/home/ada/Library/CloudStorage/GoogleDrive-ada@example.com/My Drive/a"),
              CloudProvider::googleDrive);
    EXPECT_EQ(providerOf("/home/ada/Library/CloudStorage/Box-Box/a.txt"), CloudProvider::other);
    // The storage folder's own first level counts too: the component runs to the end.
    EXPECT_EQ(providerOf("/home/ada/Library/CloudStorage/OneDrive-Work"), CloudProvider::oneDrive);
    EXPECT_EQ(providerOf("/home/ada/Dropbox/taxes/2023.pdf"), CloudProvider::dropbox);
    EXPECT_EQ(providerOf("/home/ada/Dropbox"), std::nullopt);
    EXPECT_EQ(providerOf("/home/ada/DropboxOld/a.txt"), std::nullopt);
    EXPECT_EQ(providerOf("/home/ada/Documents/a.txt"), std::nullopt);
    EXPECT_EQ(providerOf("/home/adam/Dropbox/a.txt"), std::nullopt);
    // Paths are standardized before the test, the home too.
    EXPECT_EQ(providerOf("/home/ada/Documents/../Dropbox/a.txt"), CloudProvider::dropbox);
    EXPECT_EQ(CloudStatus::provider(URL::fileURL("/home/ada/Dropbox/a"), URL::fileURL("/home/x/../ada/", true)),
              CloudProvider::dropbox);
}

// The walk's test covers these rules on real sparse files; here what it can't give: the
// platform's cloud values, and the one case where the file system has no sparse files.
TEST(CloudStatus, StateAndProviderOfSyncedItems) {
    EXPECT_EQ(CloudStatus::state(true, DownloadingStatus::notDownloaded, 5000, 5000, false), CloudState::cloudOnly);
    EXPECT_EQ(CloudStatus::state(true, DownloadingStatus::downloaded, 5000, 0, false), CloudState::cloudDownloaded);
    EXPECT_EQ(CloudStatus::state(true, DownloadingStatus::current, 5000, 0, true), CloudState::cloudDownloaded);
    EXPECT_EQ(CloudStatus::state(true, std::nullopt, 5000, 0, false), CloudState::cloudDownloaded);
    EXPECT_EQ(CloudStatus::state(false, std::nullopt, 5000, 0, true), CloudState::cloudOnly);
    EXPECT_EQ(CloudStatus::state(false, std::nullopt, 5000, 0, false), CloudState::local);
    EXPECT_EQ(CloudStatus::recordedProvider(CloudProvider::dropbox, true), CloudProvider::dropbox);
    EXPECT_EQ(CloudStatus::recordedProvider(std::nullopt, true), CloudProvider::iCloudDrive);
}

TEST(CloudStatus, CloudRootsInTheOrderFoundEachOnce) {
    ordane::testing::TempDir dir;
    auto fs = platform::FileSystem::real();
    URL homeURL = URL::fileURL(dir.path(), true);
    EXPECT_TRUE(CloudStatus::cloudRoots(homeURL, *fs).empty());

    ordane::testing::makeDirectories(dir / "Dropbox");
    EXPECT_EQ(CloudStatus::cloudRoots(homeURL, *fs), std::vector<CloudProvider>{CloudProvider::dropbox});

    ordane::testing::makeDirectories(dir / "Library/Mobile Documents/com~apple~CloudDocs");
    ordane::testing::makeDirectories(dir / "Library/CloudStorage/OneDrive-Personal");
    ordane::testing::makeDirectories(dir / "Library/CloudStorage/OneDrive-Work");
    ordane::testing::makeDirectories(dir / "Library/CloudStorage/Dropbox");
    ordane::testing::makeDirectories(dir / "Library/CloudStorage/Box-Box");
    // Listing order is bytewise: Box-Box, Dropbox, OneDrive-Personal, OneDrive-Work.
    EXPECT_EQ(CloudStatus::cloudRoots(homeURL, *fs),
              (std::vector<CloudProvider>{CloudProvider::iCloudDrive, CloudProvider::dropbox, CloudProvider::oneDrive}));

    // A broken link is no folder.
    ordane::testing::TempDir other;
    fs->createSymlink(other / "missing", other / "Dropbox");
    EXPECT_TRUE(CloudStatus::cloudRoots(URL::fileURL(other.path(), true), *fs).empty());
}
