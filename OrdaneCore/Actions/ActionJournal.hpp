#pragma once

#include <memory>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Model/ActionPlan.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// Keeps each running plan on disk, one "<PLAN-ID>.json" per plan, so that a run cut short can be
// reported at the next start. What happens to its actions during the run is added to
// "<PLAN-ID>.log" beside it, one line per action, so that recording a step costs the same however
// long the plan. Files that can't be read or decoded are skipped and never removed.
struct ActionJournal {
    URL directory;
    std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real();

    // Creates the folder and writes the plan atomically, pretty-printed with sorted keys.
    // Throws FileSystemError or EncodingError.
    void save(const ActionPlan& plan) const;
    // After `save`: adds the action as it stands now (its state) to the plan's log, on disk
    // before it returns. Throws FileSystemError or EncodingError.
    void record(const ActionPlan& plan, const PlannedAction& action) const;
    // Removes the plan's file and its log; a missing file or a failure is ignored.
    void remove(const ActionPlan& plan) const;
    // Every decodable plan file with what its log adds (up to a line cut short or damaged),
    // oldest plan first (equal dates in listing order).
    std::vector<ActionPlan> loadAll() const;

    URL fileURL(const UUID& planID) const;
    URL logURL(const UUID& planID) const;
    // The file an executor locks while it runs a plan: beside the journal folder, in the
    // Application Support folder, so that every instance of the program finds the same one.
    URL lockFile() const;
};

}  // namespace ordane
