#pragma once

#include <QWidget>
#include <optional>

#include "OrdaneCore/Model/FindingCategory.hpp"

class QVBoxLayout;

namespace ordane {

class AppState;

// Which screen the main window shows; the category only matters for a category list.
struct ScreenChoice {
    enum class Kind { welcome, scanning, dashboard, category, duplicates, organize, confirm, activity };
    Kind kind = Kind::welcome;
    FindingCategory category = FindingCategory::biggestFiles;

    static ScreenChoice of(Kind kind) { return {kind, FindingCategory::biggestFiles}; }
    bool operator==(const ScreenChoice& other) const {
        return kind == other.kind && (kind != Kind::category || category == other.category);
    }
};

// The screen for the state: a present execution first, then the activity list at any stage, then
// the stage, and on the dashboard the route.
ScreenChoice chooseScreen(const AppState& state);

// A new screen for the choice, at its initial local values; nullptr for a screen this build lacks.
QWidget* makeScreen(const ScreenChoice& choice, AppState& state, QWidget* parent = nullptr);

// The main window's content: the chosen screen on the desktop colour above a status bar. It keeps
// the screen while the choice stays, and builds the screen and the status bar anew when the state's
// uiRefresh changes.
class RootView : public QWidget {
    Q_OBJECT
public:
    static constexpr int minimumWidth = 900;
    static constexpr int minimumHeight = 640;

    explicit RootView(AppState& state, QWidget* parent = nullptr);
    QWidget* currentScreen() const { return screen_; }
    std::optional<ScreenChoice> currentChoice() const { return choice_; }

signals:
    // The shown screen asked for the settings window.
    void settingsRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void scheduleChoice();
    // Shows the chosen screen; `rebuild` replaces it even when the choice stays.
    void showChoice(bool rebuild);
    void buildStatusBar();

    AppState& state_;
    QVBoxLayout* stack_;
    QWidget* screen_ = nullptr;
    QWidget* statusBar_ = nullptr;
    std::optional<ScreenChoice> choice_;
    bool choicePending_ = false;
};

}  // namespace ordane
