#include "Ordane/Screens/SettingsScreen.hpp"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QShowEvent>
#include <QPointer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "Ordane/App/AppState.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/CheckBox.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/GroupBox.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/Panel.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "OrdanePlatform/System/UserAccount.hpp"

namespace ordane {

using retro::Label;

namespace {

struct TextSize {
    const char* label;
    double scale;
};
constexpr std::array<TextSize, 3> textSizes{{{"Regular", 1.0}, {"Bigger", 1.2}, {"Biggest", 1.4}}};
constexpr int columnWidth = 360;

QPointer<SettingsScreen> openWindowInstance;

// The row of text-size buttons; it strokes the chosen one's edge, one pixel outside and (through
// the button) one inside.
class TextSizeRow : public QWidget {
public:
    using QWidget::QWidget;
    QWidget* chosen = nullptr;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!chosen) return;
        QPainter painter(this);
        painter.setPen(QPen(retro::selection, 1));
        painter.drawRect(QRectF(chosen->geometry()).adjusted(-0.5, -0.5, 0.5, 0.5));
    }
};

Label* explanation(const QString& text, QWidget* parent) {
    return new Label(text, retro::font(QStringLiteral("Verdana"), 11), retro::shadow, Label::Lines::wrapped, parent);
}

}  // namespace

SettingsScreen* SettingsScreen::openWindow(AppState& state) {
    if (!openWindowInstance) {
        openWindowInstance = new SettingsScreen(state);
        openWindowInstance->setAttribute(Qt::WA_DeleteOnClose);
        openWindowInstance->setWindowTitle(QStringLiteral("Settings"));
    }
    openWindowInstance->show();
    openWindowInstance->raise();
    openWindowInstance->activateWindow();
    return openWindowInstance;
}

SettingsScreen* SettingsScreen::openedWindow() { return openWindowInstance; }

SettingsScreen::SettingsScreen(AppState& state, QWidget* parent) : Screen(state, parent) {
    buildBody();
    follow({&AppState::scanSettingsChanged});
    // The window stays open over a text-size change, so it builds its controls again at the new size.
    connect(&state_, &AppState::uiRefreshChanged, this, &SettingsScreen::rebuild);
    rebuildDrives();
    refreshNow();
}

void SettingsScreen::buildBody() {
    sizeButtons_.clear();
    folderChecks_.clear();
    body_ = new QWidget(this);
    QWidget* body = body_;
    layout()->addWidget(body);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(14);

    auto* sizes = new retro::GroupBox(QStringLiteral("Text size"), body);
    auto* sizeRow = new TextSizeRow(sizes);
    sizeRow->setObjectName(QStringLiteral("textSizeRow"));
    auto* sizeLayout = new QHBoxLayout(sizeRow);
    sizeLayout->setContentsMargins(1, 1, 1, 1);
    sizeLayout->setSpacing(10);
    for (const TextSize& size : textSizes) {
        auto* button = new retro::BevelButton(QString::fromLatin1(size.label), retro::BevelButton::Kind::plain,
                                              std::nullopt, sizeRow);
        connect(button, &retro::BevelButton::clicked, this, [this, scale = size.scale] {
            state_.updateScanSettings(scale);
        });
        sizeLayout->addWidget(button);
        sizeButtons_.push_back(button);
    }
    sizeLayout->addStretch(1);
    sizes->content()->addWidget(sizeRow);
    column->addWidget(sizes);

    auto* name = new retro::GroupBox(QStringLiteral("Your name"), body);
    name->content()->setSpacing(6);
    name->content()->addWidget(explanation(
        QStringLiteral("I use your name to spot your own documents, like all the versions of a resume. Leave it blank "
                       "to use your account's name."),
        name));
    auto* field = new retro::Panel(retro::window, retro::BevelStyle::sunkenWell, QMargins(5, 5, 5, 5),
                                   QBoxLayout::TopToBottom, name);
    ownerName_ = new QLineEdit(field);
    ownerName_->setObjectName(QStringLiteral("ownerName"));
    ownerName_->setFrame(false);
    ownerName_->setFont(retro::font(QStringLiteral("Verdana"), 12));
    if (auto account = platform::UserAccount::current()) {
        ownerName_->setPlaceholderText(retro::qtext(account->fullName()));
    }
    connect(ownerName_, &QLineEdit::textEdited, this, [this](const QString& text) {
        changeSettings([&](ScanSettings& settings) {
            if (text.isEmpty()) {
                settings.ownerName.reset();
            } else {
                settings.ownerName = text.toStdString();
            }
        });
    });
    field->box()->addWidget(ownerName_);
    name->content()->addWidget(field);
    column->addWidget(name);

    auto* folders = new retro::GroupBox(QStringLiteral("Folders I look through"), body);
    folders->content()->setSpacing(6);
    // Labelled with the folders' own names; the settings keep their fixed keys.
    const std::vector<URL> userFolders = state_.userFolders().all();
    for (size_t i = 0; i < userFolders.size(); ++i) {
        auto* check = new retro::CheckBox(QString::fromStdString(UserFolders::displayName(userFolders[i])), folders);
        connect(check, &retro::CheckBox::toggled, this, [this, folder = std::string(UserFolders::settingsKeys[i])](bool on) {
            changeSettings([&](ScanSettings& settings) {
                if (on) {
                    settings.disabledFolders.erase(folder);
                } else {
                    settings.disabledFolders.insert(folder);
                }
            });
        });
        folders->content()->addWidget(check);
        folderChecks_.push_back(check);
    }
    column->addWidget(folders);

    drives_ = new retro::GroupBox(QStringLiteral("External drives"), body);
    drives_->setObjectName(QStringLiteral("drives"));
    drives_->content()->setSpacing(6);
    column->addWidget(drives_);

    column->addWidget(new Label(QStringLiteral("Changes apply to the next scan."),
                                retro::font(QStringLiteral("Verdana"), 10), retro::shadow, Label::Lines::one, body));
    column->addStretch(1);
    keepWidth(this, columnWidth, body);
}

std::vector<QWidget*> SettingsScreen::focusStops() const {
    std::vector<QWidget*> stops(sizeButtons_.begin(), sizeButtons_.end());
    stops.push_back(ownerName_);
    stops.insert(stops.end(), folderChecks_.begin(), folderChecks_.end());
    stops.insert(stops.end(), driveChecks_.begin(), driveChecks_.end());
    return stops;
}

void SettingsScreen::rebuild() {
    const QPoint place = pos();
    const std::vector<QWidget*> before = focusStops();
    const QWidget* focused = focusWidget();
    const auto stop = std::find(before.begin(), before.end(), focused);
    // Also when the window is in the background: the control gets the keys once it is active again.
    const bool hadFocus = focused && stop != before.end();
    const int cursor = ownerName_->cursorPosition();

    // The press on a text-size button that brought us here is still running inside the old body.
    layout()->removeWidget(body_);
    body_->hide();
    body_->deleteLater();
    buildBody();
    rebuildDrives();
    refreshNow();
    body_->show();  // now, not on the next turn: only a shown control takes the focus
    ownerName_->setCursorPosition(cursor);
    if (hadFocus) {
        const std::vector<QWidget*> after = focusStops();
        const auto index = size_t(stop - before.begin());
        if (index < after.size()) after[index]->setFocus(Qt::OtherFocusReason);
    }
    if (isWindow()) {
        fitWindow();
        move(place);
    }
}

template <class Edit>
void SettingsScreen::changeSettings(Edit edit) {
    ScanSettings settings = state_.scanSettings();
    edit(settings);
    state_.setScanSettings(std::move(settings));
    state_.saveScanSettings();
}

void SettingsScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    volumes_ = state_.mountedExternalVolumes();
    rebuildDrives();
    refreshNow();
    fitWindow();
}

void SettingsScreen::fitWindow() {
    // Not adjustSize(): it keeps a window within two thirds of the screen, which cuts off the
    // wrapped explanations at the larger text sizes.
    if (isWindow()) resize(sizeHint());
}

void SettingsScreen::rebuildDrives() {
    QVBoxLayout* rows = drives_->content();
    while (QLayoutItem* item = rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    driveChecks_.clear();
    if (volumes_.empty()) {
        rows->addWidget(new Label(QStringLiteral("No external drives are plugged in right now."),
                                  retro::font(QStringLiteral("Verdana"), 11), retro::shadow, Label::Lines::wrapped,
                                  drives_));
    } else {
        addDriveChecks(rows);
    }
    // Shown now rather than on the next turn, so that fitting the window counts them.
    for (int i = 0; i < rows->count(); ++i) rows->itemAt(i)->widget()->show();
}

void SettingsScreen::addDriveChecks(QVBoxLayout* rows) {
    rows->addWidget(explanation(QStringLiteral("Off unless you turn one on. Same rules as everywhere else. Nothing "
                                               "gets removed without you."),
                                drives_));
    for (const platform::ExternalVolume& volume : volumes_) {
        auto* check = new retro::CheckBox(retro::qtext(volume.name), drives_);
        connect(check, &retro::CheckBox::toggled, this, [this, path = volume.path](bool on) {
            changeSettings([&](ScanSettings& settings) {
                if (on) {
                    settings.enabledExternalVolumes.insert(path);
                } else {
                    settings.enabledExternalVolumes.erase(path);
                }
            });
        });
        rows->addWidget(check);
        driveChecks_.push_back(check);
    }
}

void SettingsScreen::refresh() {
    const ScanSettings& settings = state_.scanSettings();
    auto* row = static_cast<TextSizeRow*>(sizeButtons_.front()->parentWidget());
    QWidget* chosen = nullptr;
    for (size_t i = 0; i < textSizes.size(); ++i) {
        if (settings.effectiveTextScale() == textSizes[i].scale) chosen = sizeButtons_[i];
    }
    for (auto* button : sizeButtons_) button->setOutlined(button == chosen);
    if (row->chosen != chosen) {
        row->chosen = chosen;
        row->update();
    }
    const QString name = retro::qtext(settings.ownerName.value_or(std::string()));
    if (ownerName_->text() != name) ownerName_->setText(name);
    for (size_t i = 0; i < folderChecks_.size(); ++i) {
        folderChecks_[i]->showChecked(!settings.disabledFolders.contains(UserFolders::settingsKeys[i]));
    }
    for (size_t i = 0; i < driveChecks_.size(); ++i) {
        driveChecks_[i]->showChecked(settings.enabledExternalVolumes.contains(volumes_[i].path));
    }
}

void SettingsScreen::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), retro::face);
}

}  // namespace ordane
