#include <QLineEdit>
#include <QTest>

#include "Ordane/App/TextScale.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"
#include "Ordane/Screens/SettingsScreen.hpp"

namespace ordane::testing {
namespace {

class SettingsScreenTest : public ScreenTest {
public:
    std::string settingsFile() { return readFile(support("settings.json")); }
};

TEST_F(SettingsScreenTest, TextSizeNameAndFoldersAreWrittenAtOnce) {
    writeFile(homePath(".config/user-dirs.dirs"), "XDG_VIDEOS_DIR=\"$HOME/Filme\"\n");
    SettingsScreen screen(*state);
    layOut(screen, QStringLiteral("settings"));
    click(withText(screen, QStringLiteral("Biggest")));
    EXPECT_EQ(currentTextScale(), 1.4);
    EXPECT_NE(settingsFile().find("\"textScale\""), std::string::npos);

    auto* name = screen.findChild<QLineEdit*>(QStringLiteral("ownerName"));
    ASSERT_NE(name, nullptr);
    QTest::keyClicks(name, QStringLiteral("Ann"));
    EXPECT_NE(settingsFile().find("Ann"), std::string::npos);
    for (int i = 0; i < 3; ++i) QTest::keyClick(name, Qt::Key_Backspace);
    EXPECT_EQ(settingsFile().find("ownerName"), std::string::npos);

    click(withText<retro::CheckBox>(screen, QStringLiteral("Downloads")));
    EXPECT_NE(settingsFile().find("Downloads"), std::string::npos);
    // Shown by its own name, stored under the key the settings always used.
    click(withText<retro::CheckBox>(screen, QStringLiteral("Filme")));
    EXPECT_EQ(state->scanSettings().disabledFolders, (std::set<std::string>{"Downloads", "Movies"}));
}

TEST_F(SettingsScreenTest, DrivesAreSwitchedByPath) {
    std::vector<platform::ExternalVolume> mounted;
    AppState::Dependencies dependencies;
    dependencies.volumes = [&mounted] { return mounted; };
    state.reset();
    state = std::make_unique<AppState>(std::move(dependencies));
    settle();
    mounted = {{"/media/ann/STICK", "STICK", true}, {"/media/ann/4A2B-1C3D", "4A2B-1C3D", true}};
    SettingsScreen screen(*state);
    layOut(screen, QStringLiteral("settings-drives"));
    click(withText<retro::CheckBox>(screen, QStringLiteral("STICK")));
    EXPECT_EQ(state->scanSettings().enabledExternalVolumes, std::set<std::string>{"/media/ann/STICK"});
    EXPECT_FALSE(withText<retro::CheckBox>(screen, QStringLiteral("4A2B-1C3D"))->isChecked());
}

}  // namespace
}  // namespace ordane::testing
