#pragma once

#include <QWidget>
#include <initializer_list>

class QVBoxLayout;

namespace ordane {

class AppState;

namespace retro {
class Label;
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
    // Whether a refresh is waiting for the next turn of the event loop.
    bool refreshPending() const { return refreshPending_; }
    // As wide as the content asks, and as high as its wrapped texts need at that width.
    QSize sizeHint() const override;

protected:
    using Change = void (AppState::*)();
    void follow(std::initializer_list<Change> changes);
    void setRetroWindow(retro::RetroWindow* window);
    // Makes and shows a retro window whose content is a column exactly `contentWidth` wide, with
    // `topPadding` above its first row; returns the column.
    QVBoxLayout* makeRetroWindow(const QString& title, int contentWidth, int spacing, int topPadding);
    // The wrapped sentence that opens a window's column.
    static retro::Label* addIntro(QVBoxLayout* column, const QString& text);
    void scheduleRefresh();
    // Reads everything shown from the state; safe to run any number of times.
    virtual void refresh() = 0;
    // Return presses the screen's primary button, when one is shown; a text field or a button with
    // the focus keeps Return for itself.
    void keyPressEvent(QKeyEvent* event) override;
    // Refreshes now, then widens the content when its rigid rows (buttons, counters) no longer fit
    // its design width, as large text scales need; it never gets narrower than the design.
    void refreshNow();
    // `target` is kept `designWidth` wide, or as wide as `measured` needs at the least.
    void keepWidth(QWidget* target, int designWidth, QWidget* measured);

    AppState& state_;

private:
    retro::RetroWindow* window_ = nullptr;
    bool refreshPending_ = false;
    QWidget* widthTarget_ = nullptr;
    QWidget* widthMeasured_ = nullptr;
    int designWidth_ = 0;
};

}  // namespace ordane
