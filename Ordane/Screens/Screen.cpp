#include "Ordane/Screens/Screen.hpp"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "Ordane/App/AppState.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/Panel.hpp"
#include "Ordane/Retro/RetroWindow.hpp"

namespace ordane {

Screen::Screen(AppState& state, QWidget* parent) : QWidget(parent), state_(state) {
    auto* centre = new QVBoxLayout(this);
    centre->setContentsMargins(0, 0, 0, 0);
}

QSize Screen::sizeHint() const { return retro::sizeForWrappedText(*this); }

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
    keepWidth(content, contentWidth, content);
    return column;
}

retro::Label* Screen::addIntro(QVBoxLayout* column, const QString& text) {
    auto* intro = new retro::Label(text, retro::verdana(12), retro::text, retro::Label::Lines::wrapped,
                                   column->parentWidget());
    intro->setContentsMargins(0, 8, 0, 0);
    column->addWidget(intro);
    return intro;
}

void Screen::keepWidth(QWidget* target, int designWidth, QWidget* measured) {
    widthTarget_ = target;
    widthMeasured_ = measured;
    designWidth_ = designWidth;
}

void Screen::refreshNow() {
    refresh();
    if (!widthTarget_) return;
    widthTarget_->setMinimumWidth(0);
    widthTarget_->setMaximumWidth(QWIDGETSIZE_MAX);
    widthTarget_->setFixedWidth(std::max(designWidth_, widthMeasured_->minimumSizeHint().width()));
}

void Screen::keyPressEvent(QKeyEvent* event) {
    // A text field passes Return on once it has taken the text; the name typed is all it meant.
    if (!retro::isPlainReturn(*event) || qobject_cast<QLineEdit*>(focusWidget())) {
        QWidget::keyPressEvent(event);
        return;
    }
    for (auto* button : findChildren<retro::BevelButton*>()) {
        if (button->kind() == retro::BevelButton::Kind::primary && button->isVisibleTo(this) && button->isEnabled()) {
            if (!event->isAutoRepeat()) button->click();
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void Screen::scheduleRefresh() {
    if (refreshPending_) return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        refreshNow();
    });
}

}  // namespace ordane
