#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <variant>

#include "OrdaneCore/Actions/ActionJournal.hpp"
#include "OrdaneCore/Actions/ActivityStore.hpp"
#include "OrdaneCore/Model/ActionPlan.hpp"
#include "OrdaneCore/Model/ActivityEntry.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/Trash/Trash.hpp"

namespace ordane {

// Carries out approved plans one action at a time (all moves, then all moves to the Trash), and
// takes moves and trashed items back. Every public member takes the executor's lock, so calls run
// one at a time; the progress callback runs under it and may only hand its values elsewhere.
class ActionExecutor {
public:
    // The outcome of an undo or a restore.
    struct ReversalResult {
        struct NotPossible {
            std::string message;  // the sentence shown to the user
            bool operator==(const NotPossible&) const = default;
        };
        struct Done {
            bool operator==(const Done&) const = default;
        };

        std::variant<NotPossible, Done> value;

        static ReversalResult notPossible(std::string message) { return {NotPossible{std::move(message)}}; }
        static ReversalResult done() { return {Done{}}; }
        bool isDone() const { return std::holds_alternative<Done>(value); }
        // The sentence of a refusal; "" when done.
        std::string message() const;

        bool operator==(const ReversalResult&) const = default;
    };

    // The action about to run (still pending), its 1-based position in the run order, and the
    // number of actions in the plan.
    using Progress = std::function<void(const PlannedAction& action, int position, int total)>;

    static constexpr std::string_view cantBeUndoneMessage = "This step can't be undone anymore.";
    static constexpr std::string_view undoneNote = "Undone.";
    static constexpr std::string_view restoredNote = "Taken back out of the Trash.";
    static constexpr std::string_view trashEmptiedNote = "The Trash was emptied, so this can't come back from there.";
    static constexpr std::string_view noLongerInTrashMessage =
        "That file is no longer in the Trash. The Trash was probably emptied.";
    static constexpr std::string_view trashUnreachableMessage =
        "I can't reach the Trash on that drive right now. Connect the drive and try again.";

    // The real file system and the current user's Trash.
    ActionExecutor();
    ActionExecutor(std::shared_ptr<platform::FileSystem> fileSystem, platform::Trash trash);

    // Runs every pending action and returns the plan with each outcome in its state. Never fails
    // as a whole: each failure stays in its action. The journal holds the plan during the run.
    ActionPlan execute(const ActionPlan& plan, const ActionJournal& journal, ActivityStore& activity,
                       const Progress& progress = {});

    // Moves a moved item back where it was, then takes away the folders its plan made for it that
    // this leaves empty. Only the entry's id counts: it is read again from the store under the
    // lock, so a step asked for twice (a double click) is taken back once.
    ReversalResult undo(const ActivityEntry& entry, ActivityStore& activity);
    // Moves a trashed item out of the Trash back to its former place; reads the entry as undo does.
    ReversalResult restoreFromTrash(const ActivityEntry& entry, ActivityStore& activity);

    // The text shown for a failure: a MoveError's sentence, otherwise the error's description.
    static std::string errorText(const std::exception& error);

private:
    // Runs one action of `plan`; a move also notes in the action the folders it made.
    PlannedAction::State perform(PlannedAction& action, const ActionPlan& plan, ActivityStore& activity);
    URL moveToTrash(const URL& url, const PlannedAction& action);
    // The entry, no longer undoable, with the note; then the record of the reversal.
    void recordReversal(const ActivityEntry& entry, std::string_view note, ActivityEntry::Kind reversal,
                        ActivityStore& activity);
    ReversalResult markTrashEmptied(const ActivityEntry& entry, ActivityStore& activity);

    std::mutex mutex_;
    std::shared_ptr<platform::FileSystem> fileSystem_;
    platform::Trash trash_;
};

}  // namespace ordane
