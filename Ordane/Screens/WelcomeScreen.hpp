#pragma once

#include <QStringList>
#include <QUrl>
#include <cstdint>

#include "Ordane/Screens/Screen.hpp"

namespace ordane {

namespace retro {
class BevelButton;
class GroupBox;
class Label;
class Panel;
}  // namespace retro

// Shown at the welcome stage: what Ordane does and promises, the folders it will look through,
// the buttons that start a scan or lead to the activity list and the settings, the version, and a
// notice about plans an earlier run left unfinished.
class WelcomeScreen : public Screen {
    Q_OBJECT
public:
    static const QUrl productPage;

    explicit WelcomeScreen(AppState& state, QWidget* parent = nullptr);

    // The standard folders not switched off, in their fixed order.
    static QStringList enabledFolders(const AppState& state);
    static QString interruptedPlanMessage(int64_t handled, int64_t neverHappened);
    // The application's version, or "?" when it has none.
    static QString appVersion();

signals:
    // "Choose Folders…" was pressed; the settings window has been asked to open.
    void chooseFoldersRequested();

protected:
    void refresh() override;

private:
    retro::Panel* notice_;
    retro::Label* noticeMessage_;
    retro::GroupBox* folders_;
    QStringList shownFolders_;
    bool foldersShown_ = false;
};

}  // namespace ordane
