#include "Ordane/Screens/Screen.hpp"

#include <QTimer>
#include <QVBoxLayout>

#include "Ordane/App/AppState.hpp"
#include "Ordane/Retro/RetroWindow.hpp"

namespace ordane {

Screen::Screen(AppState& state, QWidget* parent) : QWidget(parent), state_(state) {
    auto* centre = new QVBoxLayout(this);
    centre->setContentsMargins(0, 0, 0, 0);
}

void Screen::follow(std::initializer_list<Change> changes) {
    for (Change change : changes) connect(&state_, change, this, &Screen::scheduleRefresh);
}

void Screen::setRetroWindow(retro::RetroWindow* window) {
    window_ = window;
    layout()->addWidget(window);
    layout()->setAlignment(window, Qt::AlignCenter);
}

QVBoxLayout* Screen::makeRetroWindow(const QString& title, int contentWidth, int spacing, int topPadding) {
    auto* window = new retro::RetroWindow(title, this);
    auto* content = new QWidget(window);
    content->setFixedWidth(contentWidth);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, topPadding, 0, 0);
    column->setSpacing(spacing);
    window->content()->addWidget(content);
    setRetroWindow(window);
    return column;
}

void Screen::scheduleRefresh() {
    if (refreshPending_) return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        refresh();
    });
}

}  // namespace ordane
