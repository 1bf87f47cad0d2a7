#include <gtest/gtest.h>
#include <unistd.h>

#include "Ordane/App/HomeFolder.hpp"
#include "Ordane/App/ScanRoots.hpp"
#include "Ordane/App/ScanSettings.hpp"
#include "Ordane/App/ScopedVariable.hpp"
#include "OrdaneCore/Stores/AppSupportPaths.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

namespace ordane {
namespace {

using testing::ScopedVariable;
using testing::TempDir;
using testing::makeDirectories;
using testing::readFile;
using testing::writeFile;

TEST(HomeFolder, AnEmptyOverrideIsAbsentAndARelativeOneIsTakenFromTheCurrentFolder) {
    TempDir dir;
    makeDirectories(dir / "work/home");
    char previous[4096];
    ASSERT_TRUE(::getcwd(previous, sizeof previous));
    ASSERT_EQ(::chdir((dir / "work").c_str()), 0);
    struct Case { const char* value; std::optional<std::string> expected; } cases[] = {
        {nullptr, std::nullopt},
        {"", std::nullopt},
        {"./home/../home/", dir / "work/home"},
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

TEST(HomeFolder, UnderAnOverrideOrdanesFoldersStayInThatHomeWhateverXdgSays) {
    ScopedVariable data("XDG_DATA_HOME", "/elsewhere/data");
    ScopedVariable config("XDG_CONFIG_HOME", "/elsewhere/config");
    ScopedVariable home("HOME", "/home/jo");
    {
        ScopedVariable override("ORDANE_HOME", "/tmp/demo");
        EXPECT_EQ(HomeFolder::directories(), platform::XdgDirectories::under("/tmp/demo"));
        EXPECT_EQ(AppSupportPaths(HomeFolder::directories()).settingsFile().path(), "/tmp/demo/.config/Ordane/settings.json");
    }
    ScopedVariable noOverride("ORDANE_HOME", nullptr);
    EXPECT_EQ(HomeFolder::directories(),
              (platform::XdgDirectories{"/elsewhere/data", "/elsewhere/config", "/home/jo/.cache"}));
}

TEST(HomeFolder, TheRealHomeIsRecognisedThroughLinksAndOtherFoldersAreNot) {
    TempDir dir;
    makeDirectories(dir / "real");
    platform::FileSystem::real()->createSymlink(dir / "real", dir / "link");
    ScopedVariable home("HOME", (dir / "real").c_str());
    EXPECT_TRUE(HomeFolder::isRealHome(URL::fileURL(dir / "link/", true)));
    EXPECT_TRUE(HomeFolder::isRealHome(URL::fileURL(dir / "real/sub/..", true)));
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

TEST(ScanSettings, ReadsBothArraysAsRequiredAndOnlyAUsableTextScale) {
    struct Case {
        const char* text;
        std::optional<ScanSettings> expected;  // none: the file doesn't decode
    } cases[] = {
        {R"({"textScale": 1.25})", std::nullopt},
        {R"({"disabledFolders": []})", std::nullopt},
        {R"({"disabledFolders": [], "enabledExternalVolumes": []})", ScanSettings{}},
        {R"({"disabledFolders": ["Music", "Music"], "enabledExternalVolumes": ["/media/a"], "textScale": 1.4,
             "ownerName": "Ada"})",
         ScanSettings{{"Music"}, {"/media/a"}, 1.4, "Ada"}},
        {R"({"disabledFolders": [], "enabledExternalVolumes": [], "textScale": null, "ownerName": null})",
         ScanSettings{}},
        {R"({"disabledFolders": [], "enabledExternalVolumes": [], "textScale": -1.2})", ScanSettings{}},
        {R"({"disabledFolders": [], "enabledExternalVolumes": [], "textScale": 1e999})", ScanSettings{}},
        {R"({"disabledFolders": [], "enabledExternalVolumes": [], "textScale": 3.0})",
         ScanSettings{{}, {}, 3.0, std::nullopt}},
        {R"({"disabledFolders": [], "enabledExternalVolumes": [], "textScale": "1.2"})", std::nullopt},
    };
    TempDir dir;
    const URL file = URL::fileURL(dir / "settings.json");
    for (const Case& c : cases) {
        writeFile(file.path(), c.text);
        EXPECT_EQ(ScanSettings::load(file), c.expected.value_or(ScanSettings{})) << c.text;
    }
}

TEST(ScanSettings, SavesSortedKeysWithoutAbsentOnesAndKeepsTheOldFileWhenAWriteFails) {
    TempDir dir;
    const URL file = URL::fileURL(dir / "deeper/folder/settings.json");
    ASSERT_TRUE(ScanSettings{}.save(file));
    EXPECT_EQ(readFile(file.path()), "{\n  \"disabledFolders\": [],\n  \"enabledExternalVolumes\": []\n}");

    // A drive whose mount path is not UTF-8 is kept in the reversible form, so saving still works.
    ScanSettings full{{"Music", "Desktop"}, {"/media/b", "/media/a", "/media/Caf\xE9"}, 1.2, "Zoë"};
    ASSERT_TRUE(full.save(file));
    EXPECT_NE(readFile(file.path()).find("\"file:///media/Caf%E9\""), std::string::npos);
    EXPECT_EQ(ScanSettings::load(file), full);
    // A failed write reports it and leaves the old file.
    auto fs = std::make_shared<testing::FaultInjectingFileSystem>();
    fs->fail(testing::FaultInjectingFileSystem::Operation::writeFileAtomically, "settings", ENOSPC);
    EXPECT_FALSE(ScanSettings{}.save(file, fs));
    EXPECT_EQ(ScanSettings::load(file), full);
}

// Damaged files are the store file's concern; a file too large to be settings is this one's.
TEST(ScanSettings, AFileTooLargeToBeSettingsIsSetAsideBeforeItIsReplaced) {
    TempDir dir;
    const URL file = URL::fileURL(dir / "settings.json");
    const std::string contents =
        "{\"disabledFolders\": [\"" + std::string(50 << 20, 'x') + "\"], \"enabledExternalVolumes\": []}";
    writeFile(file.path(), contents);
    EXPECT_EQ(ScanSettings::load(file), ScanSettings{});
    ScanSettings chosen{{"Pictures"}, {}, std::nullopt, std::nullopt};
    ASSERT_TRUE(chosen.save(file));
    std::vector<std::string> names = platform::FileSystem::real()->listDirectory(dir.path());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(readFile(dir / names[1]), contents);
    EXPECT_EQ(ScanSettings::load(file), chosen);
}

}  // namespace
}  // namespace ordane
