#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "Ordane/App/HomeFolder.hpp"
#include "Ordane/App/ScanRoots.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "Ordane/App/ScopedVariable.hpp"
#include "Support/TempDir.hpp"

namespace ordane {
namespace {

using testing::ScopedVariable;
using testing::TempDir;
using testing::makeDirectories;
using testing::writeFile;

TEST(HomeFolder, AnEmptyOverrideIsAbsentAndARelativeOneIsTakenFromTheCurrentFolder) {
    TempDir dir;
    makeDirectories(dir / "work/home");
    char previous[4096];
    ASSERT_TRUE(::getcwd(previous, sizeof previous));
    ASSERT_EQ(::chdir((dir / "work").c_str()), 0);
    struct Case {
        const char* value;
        std::optional<std::string> expected;
    } cases[] = {
        {nullptr, std::nullopt},
        {"", std::nullopt},
        {"home", dir / "work/home"},
        {"./home/../home/", dir / "work/home"},
        {".", dir / "work"},
        {"/elsewhere//x/", "/elsewhere/x"},
    };
    for (const Case& c : cases) {
        ScopedVariable variable("ORDANE_HOME", c.value);
        std::optional<URL> found = HomeFolder::override();
        EXPECT_EQ(found ? std::optional(found->path()) : std::nullopt, c.expected) << (c.value ? c.value : "(unset)");
        EXPECT_EQ(HomeFolder::current().path(), c.expected.value_or(HomeFolder::user().path()));
    }
    ASSERT_EQ(::chdir(previous), 0);
}

TEST(HomeFolder, TheRealHomeIsRecognisedThroughLinksAndOtherFoldersAreNot) {
    TempDir dir;
    makeDirectories(dir / "real");
    platform::FileSystem::real()->createSymlink(dir / "real", dir / "link");
    ScopedVariable home("HOME", (dir / "real").c_str());
    EXPECT_TRUE(HomeFolder::isRealHome(URL::fileURL(dir / "real", true)));
    EXPECT_TRUE(HomeFolder::isRealHome(URL::fileURL(dir / "link/", true)));
    EXPECT_TRUE(HomeFolder::isRealHome(URL::fileURL(dir / "real/sub/..", true)));
    EXPECT_FALSE(HomeFolder::isRealHome(URL::fileURL(dir.path(), true)));
    EXPECT_FALSE(HomeFolder::isRealHome(URL::fileURL(dir / "real/Documents", true)));
}

TEST(ScanRoots, AFolderReachedTwiceOrInsideAnotherRootIsWalkedOnce) {
    TempDir dir;
    const std::string home = dir / "home";
    for (const char* name : {"Desktop", "Documents", "Documents/drive", "Downloads", "elsewhere"}) {
        makeDirectories(home + "/" + name);
    }
    writeFile(home + "/afile", "x");
    auto& fs = *platform::FileSystem::real();
    fs.createSymlink(home + "/Desktop/sub", home + "/Pictures");  // a user folder linking into another
    fs.createSymlink(home + "/elsewhere", home + "/Music");       // a user folder linking elsewhere
    makeDirectories(home + "/Desktop/sub");
    auto url = [&](const std::string& relative) { return URL::fileURL(home + "/" + relative, true); };

    std::vector<URL> roots = {url("Desktop"),   url("Documents"),        url("Downloads"), url("Movies"),
                              url("Music"),     url("Pictures"),         url("Documents/drive"),
                              url("Downloads/"), url("elsewhere"),       url("afile")};
    std::vector<URL> expected = {url("Desktop"), url("Documents"), url("Downloads"), url("Movies"), url("Music"),
                                 url("afile")};
    EXPECT_EQ(withoutOverlaps(roots, fs), expected);
    // A drive that holds the home keeps the drive and drops the folders inside it.
    EXPECT_EQ(withoutOverlaps({url("Desktop"), URL::fileURL(dir.path(), true)}, fs),
              std::vector<URL>{URL::fileURL(dir.path(), true)});
}

}  // namespace
}  // namespace ordane
