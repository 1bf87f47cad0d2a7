#include <gtest/gtest.h>

#include "Ordane/App/ScopedVariable.hpp"
#include "OrdanePlatform/System/XdgDirectories.hpp"

namespace ordane::platform {
namespace {

TEST(UserDirs, ParsesTheLinesXdgUserDirsWritesAndPassesOverTheRest) {
    using Entries = std::map<std::string, std::string>;
    struct Case {
        const char* text;
        Entries expected;
    } cases[] = {
        {"# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n",
         {{"DESKTOP", "/home/jo/Schreibtisch"}}},
        {"XDG_VIDEOS_DIR=\"/srv/media/Filme/\"\nXDG_MUSIC_DIR=\"${HOME}/Musik\"", {{"VIDEOS", "/srv/media/Filme"},
                                                                                  {"MUSIC", "/home/jo/Musik"}}},
        {"  XDG_DOCUMENTS_DIR = $HOME/Dokumente # mine\n", {{"DOCUMENTS", "/home/jo/Dokumente"}}},
        {"XDG_PICTURES_DIR=\"$HOME/My \\\"Best\\\" Pictures\"", {{"PICTURES", "/home/jo/My \"Best\" Pictures"}}},
        {"XDG_DOWNLOAD_DIR=\"$HOME/Downloads/../Netz\"", {{"DOWNLOAD", "/home/jo/Netz"}}},
        // Not set: the home itself; skipped: relative, another variable, unclosed quote, no key.
        {"XDG_DESKTOP_DIR=\"$HOME/x\"\nXDG_DESKTOP_DIR=\"$HOME/\"", {}},
        {"XDG_DESKTOP_DIR=\"$HOME\"\nXDG_MUSIC_DIR=\"Musik\"\nXDG_VIDEOS_DIR=\"$HOMEWORK/v\"", {}},
        {"XDG_MUSIC_DIR=\"$HOME/Musik\nXDG__DIR=\"/x\"\nDESKTOP_DIR=\"/x\"\n# XDG_MUSIC_DIR=\"/x\"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(parseUserDirs(c.text, "/home/jo/"), c.expected) << c.text;
}

TEST(XdgDirectories, AbsoluteVariablesWinAndOthersFallBackUnderTheHome) {
    testing::ScopedVariable data("XDG_DATA_HOME", "/data/x/");
    testing::ScopedVariable config("XDG_CONFIG_HOME", "relative/ignored");
    testing::ScopedVariable cache("XDG_CACHE_HOME", nullptr);
    XdgDirectories directories = XdgDirectories::fromEnvironment("/home/jo");
    EXPECT_EQ(directories, (XdgDirectories{"/data/x", "/home/jo/.config", "/home/jo/.cache"}));
    EXPECT_EQ(directories.userDirsFile(), "/home/jo/.config/user-dirs.dirs");
    EXPECT_EQ(XdgDirectories::under("/h"), (XdgDirectories{"/h/.local/share", "/h/.config", "/h/.cache"}));
}

}  // namespace
}  // namespace ordane::platform
