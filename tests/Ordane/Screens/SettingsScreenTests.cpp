#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "Ordane/App/TextScale.hpp"
#include "Ordane/Retro/Fonts.hpp"
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

// An open window follows a text-size change where it stands, with the same control focused.
TEST_F(SettingsScreenTest, AnOpenWindowTakesANewTextSizeInPlaceKeepingTheFocus) {
    SettingsScreen* window = SettingsScreen::openWindow(*state);
    window->move(140, 90);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const QPoint place = window->pos();
    const int regularHeight = window->height();

    click(withText(*window, QStringLiteral("Biggest")));
    ASSERT_EQ(SettingsScreen::openedWindow(), window);
    EXPECT_EQ(withText<retro::CheckBox>(*window, QStringLiteral("Downloads"))->font(),
              retro::font(QStringLiteral("Verdana"), 12));
    EXPECT_GT(window->height(), regularHeight);
    EXPECT_GE(window->height(), window->sizeHint().height());
    EXPECT_EQ(overlaps(*window), std::vector<std::string>{});  // nothing cut off at the new height
    EXPECT_EQ(window->pos(), place);
    auto* focused = qobject_cast<retro::BevelButton*>(QApplication::focusWidget());
    ASSERT_TRUE(focused);
    EXPECT_EQ(focused->text(), QStringLiteral("Biggest"));
    EXPECT_TRUE(focused->isVisibleTo(window));
    EXPECT_TRUE(focused->isOutlined());

    // Typing in the name field, then a size change from elsewhere: the field keeps the keys and the caret.
    const std::vector<QLineEdit*> names = visible<QLineEdit>(*window, QStringLiteral("ownerName"));
    ASSERT_EQ(names.size(), 1u);  // the controls built at the old size are gone from sight
    QLineEdit* name = names.front();
    name->setFocus();
    QTest::keyClicks(name, QStringLiteral("Ann"));
    name->setCursorPosition(1);
    state->updateScanSettings(1.2);
    QCoreApplication::processEvents();
    auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_TRUE(field);
    EXPECT_TRUE(field->isVisibleTo(window));
    EXPECT_EQ(field->text(), QStringLiteral("Ann"));
    EXPECT_EQ(field->cursorPosition(), 1);
    EXPECT_EQ(window->pos(), place);
    delete window;

    // Opened afresh at the biggest size, it is as high as its content too.
    state->updateScanSettings(1.4);
    window = SettingsScreen::openWindow(*state);
    QCoreApplication::processEvents();
    EXPECT_GE(window->height(), window->sizeHint().height());
    EXPECT_EQ(overlaps(*window), std::vector<std::string>{});
    delete window;
}

}  // namespace
}  // namespace ordane::testing
