#pragma once

#include <QWidget>
#include <initializer_list>

class QVBoxLayout;

namespace ordane {

class AppState;

namespace retro {
class RetroWindow;
}

// What every screen shares: it holds the state, shows one retro window at its ideal size centred
// in whatever space it gets, and refreshes at most once per turn of the event loop however many of
// the state's changes it follows arrive in that turn.
class Screen : public QWidget {
    Q_OBJECT
public:
    explicit Screen(AppState& state, QWidget* parent = nullptr);
    retro::RetroWindow* retroWindow() const { return window_; }

protected:
    using Change = void (AppState::*)();
    void follow(std::initializer_list<Change> changes);
    void setRetroWindow(retro::RetroWindow* window);
    // Makes and shows a retro window whose content is a column exactly `contentWidth` wide, with
    // `topPadding` above its first row; returns the column.
    QVBoxLayout* makeRetroWindow(const QString& title, int contentWidth, int spacing, int topPadding);
    void scheduleRefresh();
    // Reads everything shown from the state; safe to run any number of times.
    virtual void refresh() = 0;

    AppState& state_;

private:
    retro::RetroWindow* window_ = nullptr;
    bool refreshPending_ = false;
};

}  // namespace ordane
