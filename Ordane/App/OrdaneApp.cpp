#include "Ordane/App/OrdaneApp.hpp"

#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>

#include "Ordane/App/AppState.hpp"
#include "Ordane/App/RootView.hpp"
#include "Ordane/Screens/SettingsScreen.hpp"

namespace ordane {

OrdaneApp::OrdaneApp() : state_(std::make_unique<AppState>()), root_(std::make_unique<RootView>(*state_)) {
    root_->setWindowTitle(QStringLiteral("Ordane"));
    root_->resize(1040, 760);
    QObject::connect(root_.get(), &RootView::settingsRequested, root_.get(), [this] { openSettings(); });
    // GNOME and the generic theme give no Preferences key; Ctrl+, is what Linux programs use.
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Preferences);
    const QKeySequence controlComma(Qt::CTRL | Qt::Key_Comma);
    if (!keys.contains(controlComma)) keys.append(controlComma);
    auto* settings = new QShortcut(root_.get());
    settings->setKeys(keys);
    QObject::connect(settings, &QShortcut::activated, root_.get(), [this] { openSettings(); });
}

OrdaneApp::~OrdaneApp() {
    if (SettingsScreen* settings = SettingsScreen::openedWindow()) delete settings;
    root_.reset();
    state_.reset();
}

void OrdaneApp::show() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = root_->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        root_->move(frame.topLeft());
    }
    root_->show();
}

void OrdaneApp::comeForward() {
    root_->setWindowState((root_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    root_->show();
    root_->raise();
    root_->activateWindow();
}

void OrdaneApp::openSettings() {
    SettingsScreen* settings = SettingsScreen::openWindow(*state_);
    const QRect main = root_->frameGeometry();
    QPoint place(main.right() + 12, main.top());
    if (QScreen* screen = root_->screen()) {
        const QRect available = screen->availableGeometry();
        // No room on the right: overlap the main window's right edge rather than leave the screen.
        if (place.x() + settings->width() > available.right()) place.setX(available.right() - settings->width());
    }
    settings->move(place);
}

}  // namespace ordane
