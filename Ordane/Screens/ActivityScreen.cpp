#include "Ordane/Screens/ActivityScreen.hpp"

#include <QApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>

#include "Ordane/App/AppState.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/Panel.hpp"
#include "Ordane/Retro/ScrollArea.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "Ordane/Screens/LazyColumn.hpp"
#include "Ordane/Screens/ListWell.hpp"
#include "OrdanePlatform/Format/DateTextFormatter.hpp"

namespace ordane {

using retro::BevelButton;
using retro::Label;
using Kind = ActivityEntry::Kind;

namespace {

using retro::bold;
using retro::verdana;

constexpr int contentWidth = 660;
constexpr int listHeight = 400;

bool isReversible(const ActivityEntry& entry) {
    return std::holds_alternative<Kind::Moved>(entry.kind.value) || std::holds_alternative<Kind::Trashed>(entry.kind.value);
}

// "Done. " and what became of the file, after one entry was taken back.
QString doneText(const ActivityEntry& entry) {
    if (std::holds_alternative<Kind::Moved>(entry.kind.value)) {
        return QStringLiteral("Done. The file is back where it was.");
    }
    if (std::holds_alternative<Kind::Trashed>(entry.kind.value)) {
        return QStringLiteral("Done. The file is back out of the Trash, right where it used to be.");
    }
    return QStringLiteral("Done. ");
}

// Today in the user's calendar and time zone, as seconds since 1970: [start, end).
std::pair<double, double> today() {
    const QDate date = QDate::currentDate();
    return {double(date.startOfDay().toSecsSinceEpoch()), double(date.addDays(1).startOfDay().toSecsSinceEpoch())};
}

bool isTodaysUndoable(const ActivityEntry& entry, const std::pair<double, double>& day) {
    const double seconds = std::trunc(entry.date.secondsSince1970());
    return entry.undoable && isReversible(entry) && seconds >= day.first && seconds < day.second;
}

}  // namespace

// One entry: its sentence, date and note, and the button that takes it back.
class ActivityScreen::Row : public QWidget {
public:
    Row(ActivityScreen& screen, const ActivityEntry& entry, QWidget* parent) : QWidget(parent), entry_(entry) {
        setObjectName(QStringLiteral("activityRow"));
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        auto* line = new QHBoxLayout;
        line->setContentsMargins(10, 7, 10, 7);
        line->setSpacing(10);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        auto* sentenceLabel = new Label(sentence(entry), bold(12), retro::text, Label::Lines::elided, this);
        sentenceLabel->setObjectName(QStringLiteral("sentence"));
        texts->addWidget(sentenceLabel);
        texts->addWidget(new Label(dateText(entry.date), verdana(10), retro::shadow, Label::Lines::one, this));
        if (entry.undoableNote) {
            auto* note = new Label(retro::qtext(*entry.undoableNote), verdana(10), retro::shadow, Label::Lines::wrapped,
                                   this);
            note->setObjectName(QStringLiteral("note"));
            texts->addWidget(note);
        }
        line->addLayout(texts, 1);
        if (const std::optional<QString> label = buttonLabel(entry)) {
            button_ = new BevelButton(*label, BevelButton::Kind::plain, std::nullopt, this);
            button_->setObjectName(QStringLiteral("undoButton"));
            connect(button_, &BevelButton::clicked, this, [&screen, id = entry.id] { screen.undoEntry(id); });
            line->addWidget(button_, 0, Qt::AlignTop);
        }
        column->addLayout(line);
        auto* separator = new retro::Panel(retro::light, std::nullopt, QMargins(), QBoxLayout::TopToBottom, this);
        separator->setFixedHeight(1);
        column->addWidget(separator);
    }

    const ActivityEntry& entry() const { return entry_; }
    // Rows of entries with the same note and the same button are equally high.
    static size_t shapeOf(const ActivityEntry& entry) {
        const size_t note = entry.undoableNote ? std::hash<std::string>{}(*entry.undoableNote) << 1 | 1 : 0;
        const std::optional<QString> label = buttonLabel(entry);
        return note * 3 + (!label ? 0 : std::holds_alternative<Kind::Moved>(entry.kind.value) ? 1 : 2);
    }
    void showBusy(bool busy, bool anyReversal) {
        if (!button_) return;
        button_->setTextIfChanged(busy ? QStringLiteral("Working…") : *buttonLabel(entry_));
        button_->setEnabled(!anyReversal);
    }

private:
    ActivityEntry entry_;
    BevelButton* button_ = nullptr;
};

// The rows of the state's list, built only for the part of it in sight.
class ActivityScreen::List : public LazyColumn {
public:
    explicit List(ActivityScreen& screen) : screen_(screen) { setObjectName(QStringLiteral("list")); }

    void showBusy() {
        const bool anyReversal = screen_.reversing();
        // Disabling the focused button would send the focus on down the rows, scrolling the list
        // and building and deleting rows under this loop: the focus leaves the list first.
        const QWidget* focused = QApplication::focusWidget();
        if (anyReversal && focused && isAncestorOf(focused)) {
            if (QWidget* outside = controlOutside(true)) outside->setFocus(Qt::TabFocusReason);
        }
        std::vector<QPointer<Row>> shown;
        for (const auto& [id, row] : rows()) shown.emplace_back(static_cast<Row*>(row));
        for (Row* row : shown) {
            if (row) row->showBusy(screen_.busyRow_ == row->entry().id, anyReversal);
        }
    }

protected:
    size_t itemCount() const override { return entries().size(); }
    UUID itemID(size_t i) const override { return entries()[i].id; }
    size_t shapeOf(size_t i) const override { return Row::shapeOf(entries()[i]); }
    bool rowShows(size_t i, const QWidget& row) const override {
        return static_cast<const Row&>(row).entry() == entries()[i];
    }
    QWidget* makeRow(size_t i) override {
        auto* row = new Row(screen_, entries()[i], this);
        row->showBusy(screen_.busyRow_ == entries()[i].id, screen_.reversing());
        return row;
    }

private:
    const std::vector<ActivityEntry>& entries() const { return screen_.state_.activityEntries(); }

    ActivityScreen& screen_;
};

QString ActivityScreen::sentence(const ActivityEntry& entry) {
    if (const auto* moved = std::get_if<Kind::Moved>(&entry.kind.value)) {
        return QStringLiteral("Moved ") + retro::qtext(moved->from.lastPathComponent()) + QStringLiteral(" into ") +
               retro::qtext(moved->to.deletingLastPathComponent().lastPathComponent());
    }
    if (const auto* trashed = std::get_if<Kind::Trashed>(&entry.kind.value)) {
        return QStringLiteral("Moved ") + retro::qtext(trashed->original.lastPathComponent()) +
               QStringLiteral(" to the Trash");
    }
    if (std::holds_alternative<Kind::Undone>(entry.kind.value)) return QStringLiteral("Undid an earlier move");
    return QStringLiteral("Took a file back out of the Trash");
}

QString ActivityScreen::dateText(const Date& date) {
    return retro::qtext(platform::DateTextFormatter::format(date.secondsSince1970(), "yMMMMdjmm"));
}

std::optional<QString> ActivityScreen::buttonLabel(const ActivityEntry& entry) {
    if (!entry.undoable) return std::nullopt;
    if (std::holds_alternative<Kind::Moved>(entry.kind.value)) return QStringLiteral("Undo");
    if (std::holds_alternative<Kind::Trashed>(entry.kind.value)) return QStringLiteral("Take Back Out of Trash");
    return std::nullopt;
}

QString ActivityScreen::undoAllSummary(int64_t putBack, int64_t notPutBack) {
    if (putBack == 0 && notPutBack > 0) {
        return notPutBack == 1 ? QStringLiteral("I couldn't put that item back.")
                               : QStringLiteral("I couldn't put any of those ") +
                                     retro::counted(notPutBack, QStringLiteral("item")) + QStringLiteral(" back.");
    }
    QString text = QStringLiteral("Done. ") + retro::counted(putBack, QStringLiteral("item")) +
                   QStringLiteral(" put back the way ") +
                   (putBack == 1 ? QStringLiteral("it was.") : QStringLiteral("they were."));
    if (notPutBack > 0) {
        text += QLatin1Char(' ') + retro::counted(notPutBack, QStringLiteral("item")) +
                QStringLiteral(" couldn't be put back.");
    }
    return text;
}

ActivityScreen::ActivityScreen(AppState& state, QWidget* parent) : Screen(state, parent) {
    QVBoxLayout* column = makeRetroWindow(QStringLiteral("Activity"), contentWidth, 10, 0);
    QWidget* content = column->parentWidget();
    addIntro(column, QStringLiteral("Every change I've made, newest first. You can undo moves here, and pull "
                                    "trashed files back out of the Trash."));

    noticePanel_ = new retro::Panel(retro::light, retro::BevelStyle::etched, QMargins(8, 8, 8, 8),
                                    QBoxLayout::TopToBottom, content);
    noticeLabel_ = new Label(QString(), bold(11), retro::selection, Label::Lines::wrapped, noticePanel_);
    noticeLabel_->setObjectName(QStringLiteral("notice"));
    noticePanel_->box()->addWidget(noticeLabel_);
    column->addWidget(noticePanel_);

    list_ = new List(*this);
    // The list never ends: a snapshot shows the well as the window does, not thousands of rows.
    scroll_ = makeListWell(list_, contentWidth, listHeight, content, retro::ScrollArea::InSnapshots::scrolled);
    column->addWidget(scroll_);

    empty_ = new retro::Panel(retro::window, retro::BevelStyle::sunkenWell, QMargins(30, 30, 30, 30),
                              QBoxLayout::TopToBottom, content);
    empty_->setObjectName(QStringLiteral("emptyList"));
    auto* emptyText = new Label(QStringLiteral("Nothing yet. I haven't changed a single thing on this computer."),
                                verdana(12), retro::shadow, Label::Lines::wrapped, empty_);
    emptyText->setAlignment(Qt::AlignCenter);
    empty_->box()->addWidget(emptyText);
    column->addWidget(empty_);

    auto* bottom = new QHBoxLayout;
    auto* back = new BevelButton(QStringLiteral("Back"), BevelButton::Kind::plain, 88, content);
    back->setObjectName(QStringLiteral("backButton"));
    connect(back, &BevelButton::clicked, this, [this] { state_.setRoute(std::nullopt); });
    undoAll_ = new BevelButton(QString(), BevelButton::Kind::plain, 88, content);
    undoAll_->setObjectName(QStringLiteral("undoAllButton"));
    connect(undoAll_, &BevelButton::clicked, this, &ActivityScreen::undoAllOfToday);
    bottom->addWidget(back);
    bottom->addStretch(1);
    bottom->addWidget(undoAll_);
    column->addLayout(bottom);

    follow({&AppState::activityEntriesChanged});
    refreshNow();
}

std::vector<ActivityEntry> ActivityScreen::todaysUndoableEntries() const {
    const auto day = today();
    std::vector<ActivityEntry> result;
    for (const ActivityEntry& entry : state_.activityEntries()) {
        if (isTodaysUndoable(entry, day)) result.push_back(entry);
    }
    return result;
}

const ActivityEntry* ActivityScreen::currentEntry(const UUID& id) const {
    for (const ActivityEntry& entry : state_.activityEntries()) {
        if (entry.id == id) return &entry;
    }
    return nullptr;
}

void ActivityScreen::setNotice(const QString& text) {
    notice_ = text;
    scheduleRefresh();
}

void ActivityScreen::undoEntry(const UUID& id) {
    const ActivityEntry* entry = currentEntry(id);
    if (reversing() || !entry || !buttonLabel(*entry)) return;
    busyRow_ = id;
    scheduleRefresh();
    const ActivityEntry taken = *entry;
    state_.undo(taken, this, [this, taken](const ActionExecutor::ReversalResult& result) {
        busyRow_.reset();
        setNotice(result.isDone() ? doneText(taken) : retro::qtext(result.message()));
    });
}

void ActivityScreen::undoAllOfToday() {
    if (reversing()) return;
    busyUndoingAll_ = true;
    scheduleRefresh();
    std::vector<UUID> ids;
    for (const ActivityEntry& entry : todaysUndoableEntries()) ids.push_back(entry.id);
    undoNext(std::move(ids), 0, 0, 0);
}

void ActivityScreen::undoNext(std::vector<UUID> ids, size_t next, int64_t putBack, int64_t notPutBack) {
    // The list is reloaded after every reversal: an entry taken back since the press is passed over.
    while (next < ids.size()) {
        const ActivityEntry* entry = currentEntry(ids[next]);
        if (entry && entry->undoable && isReversible(*entry)) break;
        ++next;
    }
    if (next == ids.size()) {
        busyUndoingAll_ = false;
        setNotice(undoAllSummary(putBack, notPutBack));
        return;
    }
    const ActivityEntry entry = *currentEntry(ids[next]);
    state_.undo(entry, this,
                [this, ids = std::move(ids), next, putBack, notPutBack](const ActionExecutor::ReversalResult& result) {
                    const bool done = result.isDone();
                    undoNext(ids, next + 1, putBack + done, notPutBack + !done);
                });
}

void ActivityScreen::refresh() {
    noticePanel_->setVisible(notice_.has_value());
    if (notice_) noticeLabel_->setTextIfChanged(*notice_);
    refreshRows();
    const auto day = today();
    const auto& entries = state_.activityEntries();
    const auto count = std::count_if(entries.begin(), entries.end(),
                                     [&day](const ActivityEntry& entry) { return isTodaysUndoable(entry, day); });
    undoAll_->setVisible(count >= 2);
    undoAll_->setTextIfChanged(busyUndoingAll_ ? QStringLiteral("Working…")
                                               : QStringLiteral("Undo Everything From Today (") +
                                                     QString::number(count) + QStringLiteral(")"));
    undoAll_->setEnabled(!reversing());
}

void ActivityScreen::refreshRows() {
    const std::vector<ActivityEntry>& entries = state_.activityEntries();
    scroll_->setVisible(!entries.empty());
    empty_->setVisible(entries.empty());
    list_->reload();
    list_->showBusy();
}

}  // namespace ordane
