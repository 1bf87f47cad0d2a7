#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "AppStateHome.hpp"
#include <QTest>

#include "Ordane/App/AppState.hpp"
#include "Ordane/App/OrdaneApp.hpp"
#include "Ordane/App/RootView.hpp"
#include "Ordane/Screens/SettingsScreen.hpp"
#include "Ordane/Screens/WelcomeScreen.hpp"
#include "Support/TempDir.hpp"

namespace ordane {
namespace {

using testing::AppStateHome;
using testing::writeFile;

// A Debian home set up in German, as xdg-user-dirs writes it, scanned through the whole road.
class DebianHome : public AppStateHome {
protected:
    DebianHome() {
        writeFile(home / ".config/user-dirs.dirs",
                  "# This file is written by xdg-user-dirs-update\n"
                  "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                  "XDG_TEMPLATES_DIR=\"$HOME/Vorlagen\"\nXDG_PUBLICSHARE_DIR=\"$HOME/\"\n"
                  "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\nXDG_MUSIC_DIR=\"$HOME/Musik\"\n"
                  "XDG_PICTURES_DIR=\"$HOME/Bilder\"\nXDG_VIDEOS_DIR=\"$HOME/Videos\"\n");
        const std::string clip(9000, 'v');
        add("Videos/Urlaub.mp4", clip, 3);
        add("Videos/Urlaub (Kopie).mp4", clip, 2);
        add("Downloads/Vortrag.webm", std::string(4000, 'w'), 40);
        add("Dokumente/Notizen.txt", "Einkaufsliste", 1);
        add("Movies/not a user folder.mkv", "x", 1);
    }

    void add(const std::string& relative, const std::string& contents, int daysOld) {
        writeFile(home / relative, contents);
        platform::FileSystem::real()->setModificationTime(home / relative,
                                                          Date::now().adding(-daysOld * 86400.0).secondsSince1970());
    }

    const Finding* findingFor(const AppState& state, const std::string& relative) const {
        const auto& findings = state.analysis()->findings;
        auto found = std::find_if(findings.begin(), findings.end(),
                                  [&](const Finding& f) { return f.record.path() == home / relative; });
        return found == findings.end() ? nullptr : &*found;
    }
};

TEST_F(DebianHome, TheScanFollowsUserDirsAndSpeaksOfTheFoldersByTheirOwnNames) {
    AppState state;
    std::vector<std::string> roots;
    for (const URL& root : state.scanRoots()) roots.push_back(root.path());
    EXPECT_EQ(roots, (std::vector<std::string>{home / "Schreibtisch", home / "Dokumente", home / "Downloads",
                                               home / "Videos", home / "Musik", home / "Bilder"}));
    EXPECT_EQ(WelcomeScreen::enabledFolders(state).join(','),
              QStringLiteral("Schreibtisch,Dokumente,Downloads,Videos,Musik,Bilder"));

    state.startScan();
    ASSERT_TRUE(waitFor([&] { return state.stage() == AppState::Stage::dashboard; }));
    settle(state);
    ASSERT_TRUE(state.analysis());
    for (const FileRecord& record : state.records()) EXPECT_FALSE(record.path().starts_with(home / "Movies/"));

    ASSERT_EQ(state.analysis()->exactGroups.size(), 1u);
    EXPECT_EQ(state.analysis()->exactGroups[0].members().size(), 2u);

    const Finding* talk = findingFor(state, "Downloads/Vortrag.webm");
    ASSERT_TRUE(talk && talk->suggestedDestination);
    EXPECT_EQ(talk->suggestedDestination->path(), home / "Videos/From Downloads/Vortrag.webm");
    ASSERT_TRUE(state.analysis()->organization);
    std::set<std::string> shownPaths;
    for (const ProposedFolder& folder : state.analysis()->organization->folders) shownPaths.insert(folder.displayPath);
    EXPECT_TRUE(shownPaths.contains("Videos → From Downloads"));

    // Ordane's own files: the rebuildable cache in the cache folder, settings in the config folder.
    state.saveScanSettings();
    EXPECT_TRUE(platform::FileSystem::real()->exists(home / ".cache/Ordane/analysis-cache.json"));
    EXPECT_TRUE(platform::FileSystem::real()->exists(home / ".config/Ordane/settings.json"));
    EXPECT_FALSE(platform::FileSystem::real()->exists(home / "Library"));
}

TEST_F(AppStateHome, ControlCommaOpensTheSettingsWindow) {
    OrdaneApp app;
    app.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&app.mainWindow()));
    QTest::keyClick(&app.mainWindow(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_NE(SettingsScreen::openedWindow(), nullptr);
}

}  // namespace
}  // namespace ordane
