#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Model/ActivityEntry.hpp"
#include "OrdaneCore/Stores/StoreFile.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// The user's record of every change: activity.json, a pretty-printed array in the order entries
// were appended. Loaded once on first use; rewritten whole after every change. A file that exists
// but can't be read or decoded is renamed aside before the first write, never replaced. Every
// public member takes the store's lock; none throws.
class ActivityStore {
public:
    explicit ActivityStore(URL fileURL,
                           std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real());

    // Newest first; equal dates keep the order in which they were appended.
    std::vector<ActivityEntry> allEntries();
    void append(const ActivityEntry& entry);
    // Puts the entry in place of the stored one with its id and saves; nothing when no such id.
    void replace(const ActivityEntry& entry);
    std::optional<ActivityEntry> entry(const UUID& id);
    // Writes the whole list (read first when it hasn't been); failures are silent and the list in
    // memory keeps the change.
    void save();

    const URL& fileURL() const { return file_.fileURL(); }

private:
    void loadIfNeeded();
    void saveLocked();

    std::mutex mutex_;
    StoreFile file_;
    std::vector<ActivityEntry> entries_;
    bool loaded_ = false;
};

}  // namespace ordane
