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

TEST_F(SettingsScreenTest, TextSizeNameAndFoldersAreWrittenAtOnceAndTheCurrentScaleIsOutlined) {
    writeFile(homePath(".config/user-dirs.dirs"), "XDG_VIDEOS_DIR=\"$HOME/Filme\"\n");
    SettingsScreen screen(*state);
    layOut(screen, QStringLiteral("settings"));
    auto* regular = withText(screen, QStringLiteral("Regular"));
    auto* biggest = withText(screen, QStringLiteral("Biggest"));
    ASSERT_TRUE(regular && biggest);
    EXPECT_TRUE(regular->isOutlined());
    EXPECT_FALSE(biggest->isOutlined());
    EXPECT_FALSE(state->scanSettings().textScale.has_value());

    click(regular);
    EXPECT_EQ(state->scanSettings().textScale, 1.0);
    EXPECT_NE(settingsFile().find("\"textScale\""), std::string::npos);

    const UUID before = state->uiRefresh();
    click(biggest);
    EXPECT_EQ(currentTextScale(), 1.4);
    EXPECT_NE(state->uiRefresh(), before);
    EXPECT_TRUE(biggest->isOutlined());
    EXPECT_FALSE(regular->isOutlined());

    auto* name = screen.findChild<QLineEdit*>(QStringLiteral("ownerName"));
    ASSERT_NE(name, nullptr);
    QTest::keyClicks(name, QStringLiteral("  "));
    EXPECT_EQ(state->scanSettings().ownerName, std::optional<std::string>("  "));
    QTest::keyClicks(name, QStringLiteral("Ann"));
    EXPECT_EQ(state->scanSettings().ownerName, std::optional<std::string>("  Ann"));
    EXPECT_NE(settingsFile().find("  Ann"), std::string::npos);
    for (int i = 0; i < 5; ++i) QTest::keyClick(name, Qt::Key_Backspace);
    EXPECT_FALSE(state->scanSettings().ownerName.has_value());
    EXPECT_EQ(settingsFile().find("ownerName"), std::string::npos);

    auto* downloads = withText<retro::CheckBox>(screen, QStringLiteral("Downloads"));
    ASSERT_NE(downloads, nullptr);
    EXPECT_TRUE(downloads->isChecked());
    click(downloads);
    EXPECT_EQ(state->scanSettings().disabledFolders, std::set<std::string>{"Downloads"});
    EXPECT_NE(settingsFile().find("Downloads"), std::string::npos);
    click(downloads);
    EXPECT_TRUE(state->scanSettings().disabledFolders.empty());
    // Shown by its own name, stored under the key the settings always used.
    click(withText<retro::CheckBox>(screen, QStringLiteral("Filme")));
    EXPECT_EQ(state->scanSettings().disabledFolders, std::set<std::string>{"Movies"});

    // A change made elsewhere shows here without writing anything back.
    ScanSettings settings = state->scanSettings();
    settings.disabledFolders = {"Music"};
    state->setScanSettings(settings);
    QCoreApplication::processEvents();
    EXPECT_FALSE(withText<retro::CheckBox>(screen, QStringLiteral("Music"))->isChecked());
    EXPECT_EQ(state->scanSettings().disabledFolders, std::set<std::string>{"Music"});
}

TEST_F(SettingsScreenTest, DrivesAreListedWhenShownAndSwitchedByPath) {
    std::vector<platform::ExternalVolume> mounted;
    AppState::Dependencies dependencies;
    dependencies.volumes = [&mounted] { return mounted; };
    state.reset();
    state = std::make_unique<AppState>(std::move(dependencies));
    settle();
    const QString none = QStringLiteral("No external drives are plugged in right now.");
    {
        SettingsScreen screen(*state);
        layOut(screen);
        EXPECT_TRUE(showsText(screen, none));
        EXPECT_TRUE(visible<retro::CheckBox>(*screen.findChild<QWidget*>(QStringLiteral("drives"))).empty());
    }
    mounted = {{"/media/ann/STICK", "STICK", true}, {"/media/ann/4A2B-1C3D", "4A2B-1C3D", true}};
    SettingsScreen screen(*state);
    layOut(screen, QStringLiteral("settings-drives"));
    EXPECT_FALSE(showsText(screen, none));
    click(withText<retro::CheckBox>(screen, QStringLiteral("STICK")));
    EXPECT_EQ(state->scanSettings().enabledExternalVolumes, std::set<std::string>{"/media/ann/STICK"});
    EXPECT_FALSE(withText<retro::CheckBox>(screen, QStringLiteral("4A2B-1C3D"))->isChecked());
}

}  // namespace
}  // namespace ordane::testing
