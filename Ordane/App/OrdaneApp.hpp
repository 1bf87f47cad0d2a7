#pragma once

#include <memory>

namespace ordane {

class AppState;
class RootView;

// The windowed application: the one state, the main window that shows it and the settings
// window, which opens beside the main window.
class OrdaneApp {
public:
    OrdaneApp();
    ~OrdaneApp();
    // Shows the main window centred on its screen.
    void show();
    // Brings the main window back from minimised and in front of other windows.
    void comeForward();
    // Opens (or raises) the settings window and puts it beside the main window.
    void openSettings();
    RootView& mainWindow() const { return *root_; }

private:
    std::unique_ptr<AppState> state_;
    std::unique_ptr<RootView> root_;
};

}  // namespace ordane
