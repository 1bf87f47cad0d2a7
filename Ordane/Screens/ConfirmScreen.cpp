#include "Ordane/Screens/ConfirmScreen.hpp"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Ordane/Desktop/DesktopServices.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/CheckBox.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/GroupBox.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/Panel.hpp"
#include "Ordane/Retro/ProgressBar.hpp"
#include "Ordane/Retro/RetroWindow.hpp"
#include "Ordane/Retro/ScrollArea.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "Ordane/Screens/ListWell.hpp"
#include "Ordane/Screens/HomePath.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

using retro::BevelButton;
using retro::Label;

namespace {

using retro::bold;
using retro::verdana;

constexpr int reviewWidth = 700;
constexpr int runningWidth = 460;
constexpr int finishedWidth = 520;
constexpr int listHeight = 380;
const QString arrow = QStringLiteral(" → ");

QString folderPlace(const URL& url) { return ConfirmScreen::placeName(platform::path::parent(url.path())); }

}  // namespace

// One approved finding: its box, name, where it goes, a cloud warning, its size and a way to see it.
class ConfirmScreen::ReviewRow : public QWidget {
public:
    ReviewRow(AppState& state, const Finding& finding, bool trash, QWidget* parent) : QWidget(parent), finding_(finding) {
        setObjectName(QStringLiteral("reviewRow"));
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(8);
        const QString name = retro::qtext(finding.record.url().lastPathComponent());
        check_ = new retro::CheckBox(QString(), this);
        check_->setObjectName(QStringLiteral("reviewCheck"));
        check_->setAccessibleName(name);
        connect(check_, &retro::CheckBox::toggled, this,
                [&state, finding](bool checked) { state.setApproved(finding, checked); });
        row->addWidget(check_, 0, Qt::AlignTop);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        auto* nameLabel = new Label(name, bold(12), retro::text, Label::Lines::elided, this);
        nameLabel->setObjectName(QStringLiteral("reviewName"));
        texts->addWidget(nameLabel);
        QString place;
        if (trash) {
            place = folderPlace(finding.record.url()) + QStringLiteral(" → Trash");
        } else if (finding.suggestedDestination) {
            place = folderPlace(finding.record.url()) + arrow + folderPlace(*finding.suggestedDestination);
        }
        auto* placeLabel = new Label(place, verdana(11), retro::shadow, Label::Lines::elided, this);
        placeLabel->setObjectName(QStringLiteral("reviewPlace"));
        texts->addWidget(placeLabel);
        if (finding.record.cloudProvider()) {
            texts->addWidget(new Label(QStringLiteral("Heads up: this syncs with ") +
                                           providerWords(*finding.record.cloudProvider()) +
                                           QStringLiteral(", so it also happens on your other devices."),
                                       bold(11), retro::alert, Label::Lines::wrapped, this));
        }
        row->addLayout(texts, 1);
        row->addWidget(new Label(retro::sizeText(finding.record.size()), verdana(11), retro::text, Label::Lines::one, this),
                       0, Qt::AlignTop);
        auto* reveal = new BevelButton(QStringLiteral("Show in Folder"), BevelButton::Kind::plain, std::nullopt, this);
        const QString path = retro::qtext(finding.record.path());
        connect(reveal, &BevelButton::clicked, this, [path] { DesktopServices::current().reveal(path); });
        row->addWidget(reveal, 0, Qt::AlignTop);
    }
    const Finding& finding() const { return finding_; }
    void showChecked(bool checked) { check_->showChecked(checked); }

private:
    Finding finding_;
    retro::CheckBox* check_;
};

QString ConfirmScreen::placeName(std::string_view folderPath) {
    const QString place = homeRelativeFolder(folderPath);
    return place.isEmpty() ? QStringLiteral("Home") : place;
}

QString ConfirmScreen::countWords(int64_t count) { return retro::counted(count, QStringLiteral("item")); }

QString ConfirmScreen::providerWords(CloudProvider provider) {
    switch (provider) {
        case CloudProvider::iCloudDrive: return QStringLiteral("iCloud Drive");
        case CloudProvider::dropbox: return QStringLiteral("Dropbox");
        case CloudProvider::oneDrive: return QStringLiteral("OneDrive");
        case CloudProvider::googleDrive: return QStringLiteral("Google Drive");
        case CloudProvider::other: break;
    }
    return QStringLiteral("a cloud service");
}

QString ConfirmScreen::summary(const ActionPlan& plan) {
    int64_t done = 0;
    int64_t trashed = 0;
    for (const PlannedAction& action : plan.actions) {
        if (!std::holds_alternative<PlannedAction::State::Done>(action.state.value)) continue;
        ++done;
        if (action.kind.isTrash()) trashed += action.sizeBytes;
    }
    QString text = QStringLiteral("Done: ") + countWords(done);
    if (trashed < 1) return text + QStringLiteral(" handled.");
    return text + QStringLiteral(" handled, ") + retro::sizeText(trashed) + QStringLiteral(" now in the Trash.");
}

ConfirmScreen::ConfirmScreen(AppState& state, QWidget* parent) : Screen(state, parent) {
    buildReview();
    buildRunning();
    buildFinished();
    follow({&AppState::executionChanged, &AppState::analysisChanged, &AppState::approvedForTrashChanged,
            &AppState::approvedForMoveChanged});
    refreshNow();
}

retro::RetroWindow* ConfirmScreen::shownWindow() const {
    for (retro::RetroWindow* window : {reviewWindow_, runningWindow_, finishedWindow_}) {
        if (window->isVisibleTo(this)) return window;
    }
    return nullptr;
}

void ConfirmScreen::buildReview() {
    QVBoxLayout* column = makeRetroWindow(QStringLiteral("Check My Work"), reviewWidth, 12, 0);
    reviewWindow_ = retroWindow();
    QWidget* content = column->parentWidget();
    addIntro(column, QStringLiteral("Here's everything you approved, one more time. Uncheck anything you "
                                    "changed your mind about."));

    auto* list = new QWidget;
    list->setObjectName(QStringLiteral("list"));
    auto* listColumn = new QVBoxLayout(list);
    listColumn->setContentsMargins(10, 10, 10, 10);
    listColumn->setSpacing(14);
    for (Section* section : {&moves_, &trash_}) {
        section->holder = new QWidget(list);
        section->holder->setObjectName(section == &moves_ ? QStringLiteral("movesSection")
                                                          : QStringLiteral("trashSection"));
        section->column = new QVBoxLayout(section->holder);
        section->column->setContentsMargins(0, 0, 0, 0);
        section->column->setSpacing(6);
        section->header = new Label(QString(), bold(13), retro::text, Label::Lines::wrapped, section->holder);
        section->header->setObjectName(QStringLiteral("sectionHeader"));
        section->column->addWidget(section->header);
        listColumn->addWidget(section->holder);
    }
    auto* nothing = new retro::Panel(retro::window, std::nullopt, QMargins(20, 20, 20, 20), QBoxLayout::TopToBottom,
                                     list);
    nothing->box()->addWidget(new Label(QStringLiteral("Nothing is checked anymore. Go back and pick what you want "
                                                       "done. Or don't. Doing nothing is always fine."),
                                        verdana(12), retro::shadow, Label::Lines::wrapped, nothing));
    nothing_ = nothing;
    listColumn->addWidget(nothing_);
    listColumn->addStretch(1);
    column->addWidget(makeListWell(list, reviewWidth, listHeight, content));

    auto* bottom = new QHBoxLayout;
    auto* back = new BevelButton(QStringLiteral("Go Back"), BevelButton::Kind::plain, 88, content);
    back->setObjectName(QStringLiteral("goBackButton"));
    connect(back, &BevelButton::clicked, this, [this] { state_.setRoute(std::nullopt); });
    bottom->addWidget(back);
    bottom->addStretch(1);
    totals_ = new QWidget(content);
    auto* totalsColumn = new QVBoxLayout(totals_);
    totalsColumn->setContentsMargins(0, 0, 0, 0);
    totalsColumn->setSpacing(6);
    total_ = new Label(QString(), bold(13), retro::text, Label::Lines::one, totals_);
    total_->setObjectName(QStringLiteral("totalLine"));
    total_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    totalsColumn->addWidget(total_, 0, Qt::AlignRight);
    doIt_ = new BevelButton(QString(), BevelButton::Kind::primary, 120, totals_);
    doIt_->setObjectName(QStringLiteral("doItButton"));
    connect(doIt_, &BevelButton::clicked, this, [this] { state_.execute(state_.buildPlan()); });
    totalsColumn->addWidget(doIt_, 0, Qt::AlignRight);
    bottom->addWidget(totals_);
    column->addLayout(bottom);
}

void ConfirmScreen::buildRunning() {
    QVBoxLayout* column = makeRetroWindow(QStringLiteral("Working…"), runningWidth, 14, 0);
    runningWindow_ = retroWindow();
    QWidget* content = column->parentWidget();
    addIntro(column, QStringLiteral("Doing exactly what you approved, one item at a time."));
    current_ = new Label(QString(), bold(12), retro::text, Label::Lines::elided, content);
    current_->setObjectName(QStringLiteral("currentItem"));
    column->addWidget(current_);
    progress_ = new retro::ProgressBar(content);
    progress_->setFixedWidth(420);
    column->addWidget(progress_);
    position_ = new Label(QString(), verdana(11), retro::shadow, Label::Lines::one, content);
    position_->setObjectName(QStringLiteral("position"));
    column->addWidget(position_);
}

void ConfirmScreen::buildFinished() {
    finishedColumn_ = makeRetroWindow(QStringLiteral("All Done"), finishedWidth, 12, 0);
    finishedWindow_ = retroWindow();
    QWidget* content = finishedColumn_->parentWidget();
    summary_ = new Label(QString(), bold(14), retro::text, Label::Lines::wrapped, content);
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setContentsMargins(0, 8, 0, 0);
    finishedColumn_->addWidget(summary_);
    finishedColumn_->addWidget(new Label(QStringLiteral("Everything I did is written down in the Activity list. You "
                                                        "can undo moves there and pull trashed files back out."),
                                         verdana(11), retro::shadow, Label::Lines::wrapped, content));
    auto* row = new QHBoxLayout;
    auto* activity = new BevelButton(QStringLiteral("See the Activity List"), BevelButton::Kind::plain, 88, content);
    activity->setObjectName(QStringLiteral("activityButton"));
    connect(activity, &BevelButton::clicked, this, [this] {
        state_.setExecution(std::nullopt);
        state_.setRoute(AppState::Route::of(AppState::Route::Kind::activity));
    });
    auto* finish = new BevelButton(QStringLiteral("Finish"), BevelButton::Kind::primary, 120, content);
    finish->setObjectName(QStringLiteral("finishButton"));
    connect(finish, &BevelButton::clicked, this, [this] { state_.startOver(); });
    row->addWidget(activity);
    row->addStretch(1);
    row->addWidget(finish);
    finishedColumn_->addLayout(row);
}

void ConfirmScreen::refresh() {
    const std::optional<AppState::Execution>& execution = state_.execution();
    const auto* running = execution ? std::get_if<AppState::Execution::Running>(&execution->value) : nullptr;
    const auto* finished = execution ? std::get_if<AppState::Execution::Finished>(&execution->value) : nullptr;
    reviewWindow_->setVisible(!execution);
    runningWindow_->setVisible(running != nullptr);
    finishedWindow_->setVisible(finished != nullptr);
    if (running) refreshRunning(*running);
    if (finished) refreshFinished(finished->plan);
    if (!execution) refreshReview();
}

void ConfirmScreen::refreshReview() {
    const std::vector<Finding> moves = state_.approvedMoveFindings();
    const std::vector<Finding> trash = state_.approvedTrashFindings();
    refreshSection(moves_, moves, false, QStringLiteral(". Nothing gets deleted."));
    refreshSection(trash_, trash, true, QStringLiteral(" to the Trash. You can put them back."));
    nothing_->setVisible(moves.empty() && trash.empty());

    const int64_t approved = int64_t(state_.approvedForTrash().size() + state_.approvedForMove().size());
    totals_->setVisible(approved >= 1);
    const QString bytes = retro::sizeText(state_.approvedBytes());
    total_->setTextIfChanged(QStringLiteral("Total: ") + countWords(approved) + QStringLiteral(", ") + bytes);
    doIt_->setTextIfChanged(QStringLiteral("Do It (") + countWords(approved) + QStringLiteral(", ") + bytes +
                            QStringLiteral(")"));
}

void ConfirmScreen::refreshSection(Section& section, const std::vector<Finding>& findings, bool trash,
                                   const QString& tail) {
    section.holder->setVisible(!findings.empty());
    section.header->setTextIfChanged(QStringLiteral("Moving ") + countWords(int64_t(findings.size())) + tail);
    section.rows.sync(
        section.column, 1, findings.size(), [&](size_t i) { return findings[i].id; },  // 1: after the header
        [&](size_t i, const ReviewRow& row) { return row.finding() == findings[i]; },
        [&](size_t i, ReviewRow*) { return new ReviewRow(state_, findings[i], trash, section.holder); });
    for (auto& [id, row] : section.rows.byId()) row->showChecked(state_.isApproved(row->finding()));
}

void ConfirmScreen::refreshRunning(const AppState::Execution::Running& running) {
    current_->setTextIfChanged(running.currentName.empty() ? QStringLiteral("Starting…")
                                                           : retro::qtext(running.currentName));
    progress_->setFraction(running.total >= 1 ? std::optional<double>(double(running.index) / running.total)
                                              : std::nullopt);
    position_->setTextIfChanged(QString::number(running.index) + QStringLiteral(" of ") +
                                QString::number(running.total));
}

void ConfirmScreen::refreshFinished(const ActionPlan& plan) {
    summary_->setTextIfChanged(summary(plan));
    if (shownPlan_ == plan) return;
    shownPlan_ = plan;
    delete notDone_;
    notDone_ = nullptr;
    std::vector<const PlannedAction*> skipped;
    std::vector<const PlannedAction*> failed;
    for (const PlannedAction& action : plan.actions) {
        if (std::holds_alternative<PlannedAction::State::Skipped>(action.state.value)) skipped.push_back(&action);
        if (std::holds_alternative<PlannedAction::State::Failed>(action.state.value)) failed.push_back(&action);
    }
    if (skipped.empty() && failed.empty()) return;
    auto* box = new retro::GroupBox(QStringLiteral("A few things I didn't do"), finishedColumn_->parentWidget());
    box->setObjectName(QStringLiteral("notDone"));
    box->content()->setSpacing(6);
    skipped.insert(skipped.end(), failed.begin(), failed.end());
    for (const PlannedAction* action : skipped) {
        const auto* skip = std::get_if<PlannedAction::State::Skipped>(&action->state.value);
        const std::string& message =
            skip ? skip->reason : std::get<PlannedAction::State::Failed>(action->state.value).message;
        auto* entry = new QVBoxLayout;
        entry->setSpacing(1);
        entry->addWidget(new Label(retro::qtext(action->sourceURL().lastPathComponent()), bold(11), retro::text,
                                   Label::Lines::elided, box));
        entry->addWidget(new Label(retro::qtext(message), verdana(11), retro::shadow, Label::Lines::wrapped, box));
        box->content()->addLayout(entry);
    }
    notDone_ = box;
    finishedColumn_->insertWidget(1, box);
    box->show();
}

}  // namespace ordane
