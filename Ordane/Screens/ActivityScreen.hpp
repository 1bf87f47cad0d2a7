#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "Ordane/Screens/Screen.hpp"
#include "OrdaneCore/Model/ActivityEntry.hpp"

namespace ordane {

namespace retro {
class BevelButton;
class Label;
class Panel;
class ScrollArea;
}  // namespace retro

// The written record of every change, newest first, with a button to take back each move or
// trashed file, one for everything undoable from today, and one line telling how the last undo
// went. Only one reversal runs at a time: while one runs every undo button is disabled, and each
// entry is read again by id just before it is reversed, so nothing is taken back twice.
class ActivityScreen : public Screen {
    Q_OBJECT
public:
    explicit ActivityScreen(AppState& state, QWidget* parent = nullptr);

    static QString sentence(const ActivityEntry& entry);
    static QString dateText(const Date& date);
    // The row button's label, or nothing for an entry that has none.
    static std::optional<QString> buttonLabel(const ActivityEntry& entry);
    // What the undo of everything from today says when it ends.
    static QString undoAllSummary(int64_t putBack, int64_t notPutBack);

    // Undoable moves and trashed files dated today, newest first.
    std::vector<ActivityEntry> todaysUndoableEntries() const;
    const std::optional<QString>& notice() const { return notice_; }
    // Whether a reversal started here is running.
    bool reversing() const { return busyRow_.has_value() || busyUndoingAll_; }
    // A row's button: the entry as the state holds it now, when it is still undoable.
    void undoEntry(const UUID& id);
    void undoAllOfToday();

protected:
    void refresh() override;

private:
    class Row;
    class List;

    const ActivityEntry* currentEntry(const UUID& id) const;
    void undoNext(std::vector<UUID> ids, size_t next, int64_t putBack, int64_t notPutBack);
    void setNotice(const QString& text);
    void refreshRows();

    std::optional<QString> notice_;
    std::optional<UUID> busyRow_;
    bool busyUndoingAll_ = false;

    retro::Panel* noticePanel_;
    retro::Label* noticeLabel_;
    List* list_;
    retro::ScrollArea* scroll_;
    retro::Panel* empty_;
    retro::BevelButton* undoAll_;
};

}  // namespace ordane
