#include "OrdaneCore/Actions/ActionExecutor.hpp"

#include <algorithm>
#include <cerrno>
#include <numeric>

#include "OrdaneCore/Actions/SafeMover.hpp"
#include "OrdanePlatform/FileSystem/FileLock.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

using platform::FileSystemError;
using MoveError = SafeMover::MoveError;
namespace path = platform::path;

namespace {

// Plan indexes in run order: moves first, then moves to the Trash, each in plan order.
std::vector<size_t> runOrder(const ActionPlan& plan) {
    std::vector<size_t> order(plan.actions.size());
    std::iota(order.begin(), order.end(), size_t{0});
    auto rank = [&](size_t index) { return std::pair(plan.actions[index].kind.isMove() ? 0 : 1, index); };
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return rank(a) < rank(b); });
    return order;
}

PlannedAction::State stateFor(const std::exception& error) {
    if (const auto* refusal = dynamic_cast<const MoveError*>(&error)) {
        bool notTheApprovedItem =
            refusal->kind() == MoveError::Kind::sourceMissing || refusal->kind() == MoveError::Kind::sourceChanged;
        if (notTheApprovedItem) return PlannedAction::State::skipped(refusal->errorDescription());
    }
    return PlannedAction::State::failed(ActionExecutor::errorText(error));
}

// The program may run twice: the lock makes a second run of a plan wait until the first is done,
// so that it re-checks every source after the first has moved it. Without a lock file (a folder
// that can't be made) the run goes on unlocked.
std::unique_ptr<platform::FileLock> lockRuns(platform::FileSystem& fileSystem, const ActionJournal& journal) {
    URL lockFile = journal.lockFile();
    try {
        fileSystem.createDirectories(lockFile.deletingLastPathComponent().path());
        return std::make_unique<platform::FileLock>(lockFile.path());
    } catch (const FileSystemError&) {
        return nullptr;
    }
}

void saveQuietly(const ActionJournal& journal, const ActionPlan& plan) {
    try {
        journal.save(plan);
    } catch (const std::exception&) {
        // The run goes on without a journal.
    }
}

void recordQuietly(const ActionJournal& journal, const ActionPlan& plan, const PlannedAction& action) {
    try {
        journal.record(plan, action);
    } catch (const std::exception&) {
        // The run goes on; the journal shows the action as it was.
    }
}

// The current size of an item to be moved back; -1 when it can't be read.
int64_t currentSize(platform::FileSystem& fileSystem, const URL& url) {
    try {
        return fileSystem.linkStatus(url.path()).size;
    } catch (const FileSystemError&) {
        return -1;
    }
}

// Whether anything is at the path. Only "not there" answers no: a drive that can't be read just now
// is no emptied Trash, so any other failure is thrown.
bool isPresent(platform::FileSystem& fileSystem, const std::string& path) {
    try {
        fileSystem.linkStatus(path);
        return true;
    } catch (const FileSystemError& error) {
        if (error.errorNumber() == ENOENT || error.errorNumber() == ENOTDIR) return false;
        throw;
    }
}

// The folders above `item` that are not there yet, deepest first. A folder that can't be looked at
// counts as there: only what is surely made by us is ever taken away again.
std::vector<std::string> missingFolders(platform::FileSystem& fileSystem, const URL& item) {
    std::vector<std::string> missing;
    for (std::string folder = path::parent(item.path()); folder.size() > 1; folder = path::parent(folder)) {
        try {
            if (fileSystem.exists(folder)) break;
        } catch (const FileSystemError&) {
            break;
        }
        missing.push_back(folder);
    }
    return missing;
}

// Of the folders that were missing, those that are there now: the ones a move made.
std::vector<URL> madeFolders(platform::FileSystem& fileSystem, const std::vector<std::string>& missing) {
    std::vector<URL> made;
    for (const std::string& folder : missing) {
        try {
            if (fileSystem.exists(folder)) made.push_back(URL::fileURL(folder, true));
        } catch (const FileSystemError&) {
        }
    }
    return made;
}

// The folders the plan made that hold `item`, deepest first. A later move into a folder an earlier
// one made counts it too, so whichever of them is undone last takes the folder away.
std::vector<URL> planFoldersHolding(const ActionPlan& plan, const URL& item) {
    const std::string folder = path::parent(item.path());
    std::vector<URL> holding;
    for (const PlannedAction& action : plan.actions) {
        for (const URL& made : action.createdFolders) {
            bool known = std::find(holding.begin(), holding.end(), made) != holding.end();
            if (!known && path::isSameOrInside(folder, made.path())) holding.push_back(made);
        }
    }
    std::sort(holding.begin(), holding.end(),
              [](const URL& a, const URL& b) { return a.path().size() > b.path().size(); });
    return holding;
}

// Takes away the folders the plan made above an item that left them, from the deepest up, each
// only while it is an empty folder (rmdir): anything put in one since keeps it and those above.
void removeEmptyMadeFolders(platform::FileSystem& fileSystem, const ActivityEntry& entry, const URL& item) {
    auto planMade = [&](const std::string& folder) {
        return std::any_of(entry.createdFolders.begin(), entry.createdFolders.end(),
                           [&](const URL& made) { return made.path() == folder; });
    };
    for (std::string folder = path::parent(item.path()); planMade(folder); folder = path::parent(folder)) {
        try {
            if (!fileSystem.linkStatus(folder).isDirectory()) return;
            fileSystem.removeItem(folder);
        } catch (const FileSystemError&) {
            return;  // not empty, or not ours to judge: it stays
        }
    }
}

ActivityEntry newEntry(ActivityEntry::Kind kind, int64_t sizeBytes, std::optional<std::string> suggestionKind = {}) {
    return ActivityEntry{UUID::random(), Date::now(), std::move(kind), sizeBytes, true, std::nullopt,
                         std::move(suggestionKind)};
}

}  // namespace

std::string ActionExecutor::ReversalResult::message() const {
    if (const auto* refusal = std::get_if<NotPossible>(&value)) return refusal->message;
    return "";
}

ActionExecutor::ActionExecutor()
    : ActionExecutor(platform::FileSystem::real(), platform::Trash::forCurrentUser(platform::FileSystem::real())) {}

ActionExecutor::ActionExecutor(std::shared_ptr<platform::FileSystem> fileSystem, platform::Trash trash)
    : fileSystem_(std::move(fileSystem)), trash_(std::move(trash)) {}

std::string ActionExecutor::errorText(const std::exception& error) {
    if (const auto* refusal = dynamic_cast<const MoveError*>(&error)) return refusal->errorDescription();
    if (const auto* failure = dynamic_cast<const FileSystemError*>(&error)) {
        // The system's own description of the errno; the path would repeat what the row shows.
        return failure->code().message() + ".";
    }
    // Paths in messages may hold bytes that are not UTF-8; stored texts must be valid.
    return platform::text::validUTF8(error.what());
}

ActionPlan ActionExecutor::execute(const ActionPlan& plan, const ActionJournal& journal, ActivityStore& activity,
                                   const Progress& progress) {
    std::lock_guard lock(mutex_);
    auto running = lockRuns(*fileSystem_, journal);
    ActionPlan working = plan;
    saveQuietly(journal, working);
    const int total = static_cast<int>(working.actions.size());
    int position = 0;
    for (size_t index : runOrder(working)) {
        ++position;
        PlannedAction& action = working.actions[index];
        if (!action.state.isPending()) continue;
        if (progress) progress(action, position, total);
        action.state = perform(action, working, activity);
        recordQuietly(journal, working, action);
    }
    journal.remove(working);
    return working;
}

PlannedAction::State ActionExecutor::perform(PlannedAction& action, const ActionPlan& plan, ActivityStore& activity) {
    try {
        if (const auto* move = std::get_if<PlannedAction::Kind::Move>(&action.kind.value)) {
            std::vector<std::string> missing = missingFolders(*fileSystem_, move->to);
            URL final;
            try {
                final = SafeMover::move(move->from, move->to, action.expectedSize, action.expectedModified, fileSystem_);
            } catch (...) {
                // A failed move may still have made folders that a later move then goes into.
                action.createdFolders = madeFolders(*fileSystem_, missing);
                throw;
            }
            action.createdFolders = madeFolders(*fileSystem_, missing);
            ActivityEntry entry = newEntry(ActivityEntry::Kind::moved(move->from, final), action.sizeBytes,
                                           action.recognitionKind);
            entry.createdFolders = planFoldersHolding(plan, final);
            activity.append(entry);
            return PlannedAction::State::done(final);
        }
        const URL& url = std::get<PlannedAction::Kind::Trash>(action.kind.value).url;
        URL trashed = moveToTrash(url, action);
        activity.append(newEntry(ActivityEntry::Kind::trashed(url, trashed), action.sizeBytes));
        return PlannedAction::State::done(trashed);
    } catch (const std::exception& error) {
        return stateFor(error);
    }
}

URL ActionExecutor::moveToTrash(const URL& url, const PlannedAction& action) {
    SafeMover::checkSource(url, action.expectedSize, action.expectedModified, *fileSystem_);
    try {
        return URL::fileURL(trash_.trashItem(url.path()), url.isDirectory());
    } catch (const std::exception&) {
        // Whatever the reason, the item has not moved: say so plainly.
        throw MoveError(MoveError::Kind::trashUnavailable, url.lastPathComponent());
    }
}

ActionExecutor::ReversalResult ActionExecutor::undo(const ActivityEntry& asked, ActivityStore& activity) {
    std::lock_guard lock(mutex_);
    const std::optional<ActivityEntry> stored = activity.entry(asked.id);
    if (!stored) return ReversalResult::notPossible(std::string(cantBeUndoneMessage));
    const ActivityEntry& entry = *stored;
    const auto* moved = std::get_if<ActivityEntry::Kind::Moved>(&entry.kind.value);
    if (!moved || !entry.undoable) return ReversalResult::notPossible(std::string(cantBeUndoneMessage));
    try {
        // No date test: an item edited after the move still goes back.
        SafeMover::move(moved->to, moved->from, currentSize(*fileSystem_, moved->to), std::nullopt, fileSystem_);
    } catch (const std::exception& error) {
        return ReversalResult::notPossible(errorText(error));
    }
    removeEmptyMadeFolders(*fileSystem_, entry, moved->to);
    recordReversal(entry, undoneNote, ActivityEntry::Kind::undone(entry.id), activity);
    return ReversalResult::done();
}

ActionExecutor::ReversalResult ActionExecutor::restoreFromTrash(const ActivityEntry& asked, ActivityStore& activity) {
    std::lock_guard lock(mutex_);
    const std::optional<ActivityEntry> stored = activity.entry(asked.id);
    if (!stored) return ReversalResult::notPossible(std::string(cantBeUndoneMessage));
    const ActivityEntry& entry = *stored;
    const auto* trashed = std::get_if<ActivityEntry::Kind::Trashed>(&entry.kind.value);
    if (!trashed || !entry.undoable) return ReversalResult::notPossible(std::string(cantBeUndoneMessage));
    const std::string& trashedPath = trashed->trashURL.path();
    // A drive that isn't connected is no emptied Trash: the entry stays undoable.
    if (!trash_.isReachable(trashedPath)) return ReversalResult::notPossible(std::string(trashUnreachableMessage));
    try {
        if (!isPresent(*fileSystem_, trashedPath)) return markTrashEmptied(entry, activity);
        // The name may have been reused by another item since ours left the Trash.
        if (!trash_.recordsOrigin(trashedPath, trashed->original.path())) return markTrashEmptied(entry, activity);
        SafeMover::move(trashed->trashURL, trashed->original, currentSize(*fileSystem_, trashed->trashURL),
                        std::nullopt, fileSystem_);
    } catch (const std::exception& error) {
        return ReversalResult::notPossible(errorText(error));
    }
    trash_.forget(trashedPath);
    recordReversal(entry, restoredNote, ActivityEntry::Kind::restoredFromTrash(entry.id), activity);
    return ReversalResult::done();
}

ActionExecutor::ReversalResult ActionExecutor::markTrashEmptied(const ActivityEntry& entry, ActivityStore& activity) {
    ActivityEntry gone = entry;
    gone.undoable = false;
    gone.undoableNote = std::string(trashEmptiedNote);
    activity.replace(gone);
    return ReversalResult::notPossible(std::string(noLongerInTrashMessage));
}

void ActionExecutor::recordReversal(const ActivityEntry& entry, std::string_view note, ActivityEntry::Kind reversal,
                                    ActivityStore& activity) {
    ActivityEntry reversed = entry;
    reversed.undoable = false;
    reversed.undoableNote = std::string(note);
    activity.replaceAndAppend(reversed, newEntry(std::move(reversal), entry.sizeBytes));
}

}  // namespace ordane
