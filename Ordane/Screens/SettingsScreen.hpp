#pragma once

#include <vector>

#include "Ordane/Screens/Screen.hpp"

#include "OrdanePlatform/Volumes/ExternalVolumes.hpp"

class QLineEdit;
class QVBoxLayout;

namespace ordane {

namespace retro {
class BevelButton;
class CheckBox;
class GroupBox;
}  // namespace retro

// The preferences: text size, the owner's name, the standard folders to look through and the
// external drives to add. Every change goes to the state and settings.json at once. The drives
// are listed as they were mounted when the window was last shown.
class SettingsScreen : public Screen {
    Q_OBJECT
public:
    explicit SettingsScreen(AppState& state, QWidget* parent = nullptr);

    // Opens the one settings window of the application (or raises it when it is open already).
    static SettingsScreen* openWindow(AppState& state);
    // The open settings window, if any.
    static SettingsScreen* openedWindow();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void refresh() override;

private:
    void buildBody();
    // Builds every control again at the current text scale, in the same place, with the same
    // control focused.
    void rebuild();
    // The controls that take the keyboard, in the order they are built.
    std::vector<QWidget*> focusStops() const;
    // As a window: as high as the content needs at its width.
    void fitWindow();
    void rebuildDrives();
    void addDriveChecks(QVBoxLayout* rows);
    template <class Edit>
    void changeSettings(Edit edit);

    QWidget* body_ = nullptr;
    std::vector<retro::BevelButton*> sizeButtons_;
    QLineEdit* ownerName_;
    std::vector<retro::CheckBox*> folderChecks_;
    retro::GroupBox* drives_;
    std::vector<platform::ExternalVolume> volumes_;
    std::vector<retro::CheckBox*> driveChecks_;
};

}  // namespace ordane
