#pragma once

#include <memory>
#include <string>

#include "OrdaneCore/Actions/ActionExecutor.hpp"
#include "OrdaneCore/Actions/ActionJournal.hpp"
#include "OrdaneCore/Actions/ActivityStore.hpp"
#include "OrdaneCore/Hashing/FileHasher.hpp"
#include "OrdaneCore/Model/ActionPlan.hpp"
#include "OrdanePlatform/FileSystem/TreeComparison.hpp"
#include "OrdanePlatform/Trash/Trash.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

namespace ordane::testing {

// Where two items (whole folders too) first differ in names, kinds, sizes or contents; none when equal.
inline std::optional<std::string> treeDifference(const std::string& a, const std::string& b) {
    FileHasher hasher;
    return platform::firstTreeDifference(*platform::FileSystem::real(), a, b, [&](const std::string& path) {
        return hasher.sha256(URL::fileURL(path), FileHasher::defaultChunkSize);
    });
}

inline std::vector<std::string> namesIn(const std::string& folder) {
    return platform::FileSystem::real()->listDirectory(folder);
}

// A temporary folder with its own Trash, journal folder and activity file, all reached through one
// fault-injecting file system.
struct ActionWorkspace {
    TempDir dir;
    std::shared_ptr<FaultInjectingFileSystem> fs = std::make_shared<FaultInjectingFileSystem>();
    std::string trashDirectory = dir / "data/Trash";
    platform::Trash trash{fs, trashDirectory, 1234};
    ActionJournal journal{URL::fileURL(dir / "support/journal", true), fs};
    ActivityStore activity{URL::fileURL(dir / "support/activity.json"), fs};
    ActionExecutor executor{fs, trash};

    URL url(const std::string& relative) const { return URL::fileURL(dir / relative); }

    // An action as the plan builder makes it: size and date of the item as it is now.
    PlannedAction action(PlannedAction::Kind kind) const {
        platform::FileStatus status = platform::FileSystem::real()->linkStatus(kind.isMove()
            ? std::get<PlannedAction::Kind::Move>(kind.value).from.path()
            : std::get<PlannedAction::Kind::Trash>(kind.value).url.path());
        return PlannedAction{UUID::random(), std::move(kind), status.size, status.size,
                             Date::fromUnix(status.modified), std::nullopt, std::nullopt,
                             PlannedAction::State::pending()};
    }
    PlannedAction move(const std::string& from, const std::string& to) const {
        return action(PlannedAction::Kind::move(url(from), url(to)));
    }
    PlannedAction trashing(const std::string& relative) const {
        return action(PlannedAction::Kind::trash(url(relative)));
    }
    static ActionPlan plan(std::vector<PlannedAction> actions) {
        return ActionPlan{UUID::random(), Date::now(), std::move(actions)};
    }
    ActionPlan run(std::vector<PlannedAction> actions, const ActionExecutor::Progress& progress = {}) {
        return executor.execute(plan(std::move(actions)), journal, activity, progress);
    }
    // Runs one action and returns its activity entry.
    ActivityEntry runOne(PlannedAction action) {
        run({std::move(action)});
        return activity.allEntries().at(0);
    }
};

}  // namespace ordane::testing
