#pragma once

#include <memory>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Model/ActionPlan.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// Keeps each running plan on disk, one "<PLAN-ID>.json" per plan, so that a run cut short can be
// reported at the next start. Files that can't be read or decoded are skipped and never removed.
struct ActionJournal {
    URL directory;
    std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real();

    // Creates the folder and writes the plan atomically, pretty-printed with sorted keys.
    // Throws FileSystemError or EncodingError.
    void save(const ActionPlan& plan) const;
    // Removes the plan's file; a missing file or a failure is ignored.
    void remove(const ActionPlan& plan) const;
    // Every decodable plan file, oldest plan first (equal dates in listing order).
    std::vector<ActionPlan> loadAll() const;

    URL fileURL(const UUID& planID) const;
    // The file an executor locks while it runs a plan: beside the journal folder, in the
    // Application Support folder, so that every instance of the program finds the same one.
    URL lockFile() const;
};

}  // namespace ordane
