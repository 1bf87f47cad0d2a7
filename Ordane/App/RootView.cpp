#include "Ordane/App/RootView.hpp"

#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

#include "Ordane/App/AppState.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/StatusBar.hpp"
#include "Ordane/Screens/ActivityScreen.hpp"
#include "Ordane/Screens/CategoryScreen.hpp"
#include "Ordane/Screens/ConfirmScreen.hpp"
#include "Ordane/Screens/DashboardScreen.hpp"
#include "Ordane/Screens/DuplicateReviewScreen.hpp"
#include "Ordane/Screens/OrganizeScreen.hpp"
#include "Ordane/Screens/ScanningScreen.hpp"
#include "Ordane/Screens/WelcomeScreen.hpp"

namespace ordane {

ScreenChoice chooseScreen(const AppState& state) {
    using Kind = ScreenChoice::Kind;
    using RouteKind = AppState::Route::Kind;
    if (state.execution()) return ScreenChoice::of(Kind::confirm);
    const auto& route = state.route();
    if (route && route->kind == RouteKind::activity) return ScreenChoice::of(Kind::activity);
    switch (state.stage()) {
        case AppState::Stage::welcome: return ScreenChoice::of(Kind::welcome);
        case AppState::Stage::scanning: return ScreenChoice::of(Kind::scanning);
        case AppState::Stage::dashboard: break;
    }
    if (!route) return ScreenChoice::of(Kind::dashboard);
    switch (route->kind) {
        case RouteKind::category: return {Kind::category, route->category};
        case RouteKind::duplicates: return ScreenChoice::of(Kind::duplicates);
        case RouteKind::organize: return ScreenChoice::of(Kind::organize);
        case RouteKind::confirm: return ScreenChoice::of(Kind::confirm);
        case RouteKind::activity: break;
    }
    return ScreenChoice::of(Kind::activity);
}

QWidget* makeScreen(const ScreenChoice& choice, AppState& state, QWidget* parent) {
    using Kind = ScreenChoice::Kind;
    switch (choice.kind) {
        case Kind::welcome: return new WelcomeScreen(state, parent);
        case Kind::scanning: return new ScanningScreen(state, parent);
        case Kind::dashboard: return new DashboardScreen(state, parent);
        case Kind::category: return new CategoryScreen(state, choice.category, parent);
        case Kind::duplicates: return new DuplicateReviewScreen(state, parent);
        case Kind::organize: return new OrganizeScreen(state, parent);
        case Kind::confirm: return new ConfirmScreen(state, parent);
        case Kind::activity: return new ActivityScreen(state, parent);
    }
    return nullptr;
}

RootView::RootView(AppState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setMinimumSize(minimumWidth, minimumHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    stack_ = new QVBoxLayout;
    stack_->setContentsMargins(0, 0, 0, 0);
    column->addLayout(stack_, 1);
    buildStatusBar();
    for (auto changed : {&AppState::executionChanged, &AppState::routeChanged, &AppState::stageChanged}) {
        connect(&state_, changed, this, &RootView::scheduleChoice);
    }
    connect(&state_, &AppState::uiRefreshChanged, this, [this] {
        showChoice(true);
        buildStatusBar();
    });
    showChoice(false);
}

void RootView::buildStatusBar() {
    // Its fonts are taken at the text scale of the moment it is built.
    auto* next = new retro::StatusBar(
        {QStringLiteral("Ordane, a Velmora product"),
         QStringLiteral("Nothing ever gets deleted. At most, files go to the Trash, and you can pull them back out.")},
        this);
    auto* column = static_cast<QVBoxLayout*>(layout());
    if (statusBar_) {
        delete column->replaceWidget(statusBar_, next);
        delete statusBar_;
    } else {
        column->addWidget(next);
    }
    statusBar_ = next;
    statusBar_->show();
}

void RootView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), retro::desktop);
}

void RootView::scheduleChoice() {
    if (choicePending_) return;
    choicePending_ = true;
    QTimer::singleShot(0, this, [this] {
        choicePending_ = false;
        showChoice(false);
    });
}

void RootView::showChoice(bool rebuild) {
    ScreenChoice choice = chooseScreen(state_);
    if (!rebuild && choice_ && *choice_ == choice) return;
    choice_ = choice;
    QWidget* next = makeScreen(choice, state_, this);
    if (!next) next = new QWidget(this);  // a screen this build lacks: the desktop colour alone
    if (screen_) {
        delete stack_->replaceWidget(screen_, next);  // the old screen's layout item is ours
        screen_->hide();
        // The click that changed the route may still be running inside the old screen.
        screen_->deleteLater();
    } else {
        stack_->addWidget(next);
    }
    screen_ = next;
    screen_->show();
    // The screen takes the keys (Return for its primary button) until Tab moves into it; the focus
    // would otherwise be lost with the old screen.
    screen_->setFocus(Qt::OtherFocusReason);
    if (auto* welcome = qobject_cast<WelcomeScreen*>(next)) {
        connect(welcome, &WelcomeScreen::chooseFoldersRequested, this, &RootView::settingsRequested);
    }
}

}  // namespace ordane
