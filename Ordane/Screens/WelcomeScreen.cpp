#include "Ordane/Screens/WelcomeScreen.hpp"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Ordane/App/AppState.hpp"
#include "Ordane/Desktop/DesktopServices.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/GroupBox.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/Panel.hpp"
#include "Ordane/Retro/RetroWindow.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "Ordane/Screens/SettingsScreen.hpp"

namespace ordane {

using retro::BevelButton;
using retro::Label;

namespace {

constexpr int contentWidth = 470;
constexpr int textWidth = 440;

}  // namespace

const QUrl WelcomeScreen::productPage{QStringLiteral("https://ordane.app/")};

QStringList WelcomeScreen::enabledFolders(const AppState& state) {
    QStringList result;
    const std::vector<URL> folders = state.userFolders().all();
    for (size_t i = 0; i < folders.size(); ++i) {
        if (state.scanSettings().disabledFolders.contains(UserFolders::settingsKeys[i])) continue;
        result << QString::fromStdString(UserFolders::displayName(folders[i]));
    }
    return result;
}

QString WelcomeScreen::interruptedPlanMessage(int64_t handled, int64_t neverHappened) {
    QString message = retro::counted(handled, QStringLiteral("item")) + QStringLiteral(" had already been handled (");
    if (handled == 0) {
        message += QStringLiteral("nothing was lost");
    } else {
        message += QStringLiteral("you'll find ") + (handled == 1 ? QStringLiteral("it") : QStringLiteral("them")) +
                   QStringLiteral(" in the Activity list");
    }
    return message + QStringLiteral(") and ") + retro::counted(neverHappened, QStringLiteral("item")) +
           QStringLiteral(" never happened. I don't finish interrupted plans on my own. Just scan again and pick again.");
}

QString WelcomeScreen::appVersion() {
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral("?") : version;
}

WelcomeScreen::WelcomeScreen(AppState& state, QWidget* parent) : Screen(state, parent) {
    QVBoxLayout* column = makeRetroWindow(QStringLiteral("Velmora Ordane"), contentWidth, 16, 10);
    QWidget* content = column->parentWidget();

    column->addWidget(new Label(QStringLiteral("Let's tidy up."), retro::font(QStringLiteral("Verdana-Bold"), 20),
                                retro::text, Label::Lines::one, content));

    notice_ = new retro::Panel(retro::light, retro::BevelStyle::etched, QMargins(10, 10, 10, 10),
                               QBoxLayout::TopToBottom, content);
    notice_->setObjectName(QStringLiteral("interruptedNotice"));
    notice_->setMaximumWidth(textWidth);
    notice_->box()->setSpacing(6);
    notice_->box()->addWidget(new Label(QStringLiteral("Last time, I was interrupted partway."),
                                        retro::font(QStringLiteral("Verdana-Bold"), 12), retro::text,
                                        Label::Lines::wrapped));
    noticeMessage_ = new Label(QString(), retro::font(QStringLiteral("Verdana"), 11), retro::text, Label::Lines::wrapped);
    noticeMessage_->setObjectName(QStringLiteral("interruptedMessage"));
    notice_->box()->addWidget(noticeMessage_);
    auto* gotIt = new BevelButton(QStringLiteral("OK, Got It"));
    connect(gotIt, &BevelButton::clicked, this, [this] { state_.dismissInterruptedPlans(); });
    notice_->box()->addWidget(gotIt, 0, Qt::AlignLeft);
    // In a row, so that a layout wider than the notice lays its wrapped text out at the notice's width.
    auto* noticeRow = new QHBoxLayout;
    noticeRow->addWidget(notice_, 1);
    noticeRow->addStretch(0);
    column->addLayout(noticeRow);

    auto* intro = new Label(
        QStringLiteral("I look through the folders you actually use and show you what's taking up space, what's "
                       "doubled up, and what's probably clutter. Then you decide. I never remove anything on my own. "
                       "At most, files go to the Trash, and you can always pull them back out."),
        retro::font(QStringLiteral("Verdana"), 12), retro::text, Label::Lines::wrapped, content);
    intro->setMaximumWidth(textWidth);
    intro->setLineSpacing(3);
    column->addWidget(intro);

    folders_ = new retro::GroupBox(QStringLiteral("Where I'll look"), content);
    folders_->setObjectName(QStringLiteral("folders"));
    folders_->content()->setSpacing(6);
    column->addWidget(folders_);

    auto* note = new Label(QStringLiteral("If I can't open one of these folders, I'll tell you which. Nothing here "
                                          "leaves this computer."),
                           retro::font(QStringLiteral("Verdana"), 11), retro::shadow, Label::Lines::wrapped, content);
    note->setMaximumWidth(textWidth);
    note->setLineSpacing(2);
    column->addWidget(note);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 4, 0, 0);
    auto* activity = new BevelButton(QStringLiteral("Activity"), BevelButton::Kind::plain, std::nullopt, content);
    connect(activity, &BevelButton::clicked, this,
            [this] { state_.setRoute(AppState::Route::of(AppState::Route::Kind::activity)); });
    auto* choose = new BevelButton(QStringLiteral("Choose Folders…"), BevelButton::Kind::plain, std::nullopt, content);
    connect(choose, &BevelButton::clicked, this, [this] {
        SettingsScreen::openWindow(state_);
        emit chooseFoldersRequested();
    });
    auto* scan = new BevelButton(QStringLiteral("Scan My Computer"), BevelButton::Kind::primary, 120, content);
    scan->setObjectName(QStringLiteral("scanButton"));
    connect(scan, &BevelButton::clicked, this, [this] { state_.startScan(); });
    buttons->addWidget(activity);
    buttons->addWidget(choose);
    buttons->addStretch(1);
    buttons->addWidget(scan);
    buttons->addStretch(1);
    column->addLayout(buttons);

    auto* versionRow = new QHBoxLayout;
    versionRow->setSpacing(8);
    versionRow->addWidget(new Label(QStringLiteral("Version ") + appVersion() +
                                        QStringLiteral(". I never go online, so I can't update myself."),
                                    retro::font(QStringLiteral("Verdana"), 10), retro::shadow, Label::Lines::wrapped,
                                    content));
    auto* check = new BevelButton(QStringLiteral("Check for New Versions"), BevelButton::Kind::plain, std::nullopt, content);
    connect(check, &BevelButton::clicked, this, [] { DesktopServices::current().openUrl(productPage); });
    versionRow->addWidget(check);
    versionRow->addStretch(1);
    column->addLayout(versionRow);

    follow({&AppState::scanSettingsChanged, &AppState::interruptedPlansChanged});
    refreshNow();
}

void WelcomeScreen::refresh() {
    const auto& plans = state_.interruptedPlans();
    notice_->setVisible(!plans.empty());
    if (!plans.empty()) {
        int64_t handled = 0;
        int64_t pending = 0;
        for (const ActionPlan& plan : plans) {
            for (const PlannedAction& action : plan.actions) {
                if (std::holds_alternative<PlannedAction::State::Done>(action.state.value)) ++handled;
                if (action.state.isPending()) ++pending;
            }
        }
        noticeMessage_->setTextIfChanged(interruptedPlanMessage(handled, pending));
    }

    const QStringList folders = enabledFolders(state_);
    if (foldersShown_ && folders == shownFolders_) return;
    foldersShown_ = true;
    shownFolders_ = folders;
    QVBoxLayout* rows = folders_->content();
    while (QLayoutItem* item = rows->takeAt(0)) {
        if (QLayout* row = item->layout()) {
            while (QLayoutItem* part = row->takeAt(0)) {
                delete part->widget();
                delete part;
            }
        }
        delete item->widget();
        delete item;
    }
    for (const QString& name : folders) {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        row->addWidget(new Label(QStringLiteral("✓"), retro::font(QStringLiteral("Verdana-Bold"), 11), retro::text));
        auto* label = new Label(name, retro::font(QStringLiteral("Verdana"), 12), retro::text);
        label->setObjectName(QStringLiteral("folderName"));
        row->addWidget(label);
        row->addStretch(1);
        rows->addLayout(row);
    }
}

}  // namespace ordane
