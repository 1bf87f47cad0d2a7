#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Model/ActivityEntry.hpp"
#include "OrdaneCore/Stores/StoreFile.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// The user's record of every change: activity.json, a pretty-printed array in the order entries
// were appended. Each change is first added to a log beside it (one compact JSON line per change,
// on disk before the call returns), so that recording costs the same however long the list. The
// log is folded into activity.json, written whole and atomically, when the list is loaded, when
// the store is closed, and whenever the log has grown to a good part of the list; replaying a
// log that was already folded changes nothing. A file that exists but can't be read or decoded is
// moved aside before it is ever written over or removed. Every public member takes the store's
// lock; none throws.
class ActivityStore {
public:
    // Log lines, at least, before they are folded into activity.json.
    static constexpr size_t minimumLinesBeforeFold = 1000;

    explicit ActivityStore(URL fileURL,
                           std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real());
    // Folds what the log holds into activity.json.
    ~ActivityStore();
    ActivityStore(const ActivityStore&) = delete;
    ActivityStore& operator=(const ActivityStore&) = delete;

    // Newest first; equal dates keep the order in which they were appended.
    std::vector<ActivityEntry> allEntries();
    void append(const ActivityEntry& entry);
    // Puts the entry in place of the stored one with its id and records it; nothing when no such id.
    void replace(const ActivityEntry& entry);
    // replace(replacement), then append(entry), both on disk in one write: a reversal costs one
    // flush, not two.
    void replaceAndAppend(const ActivityEntry& replacement, const ActivityEntry& entry);
    std::optional<ActivityEntry> entry(const UUID& id);
    // Writes the whole list to activity.json (read first when it hasn't been) and clears the log;
    // failures are silent and the list in memory keeps the change.
    void save();

    const URL& fileURL() const { return file_.fileURL(); }
    // The log of changes not yet folded into the file: activity.log beside activity.json.
    static URL logURL(const URL& fileURL);

private:
    void loadIfNeeded();
    // Applies one log line; false when it isn't one.
    bool replay(std::string_view line);
    void add(const ActivityEntry& entry);
    // Logs the changes in one write, or writes the whole list when the log can't be used or is due
    // to be folded.
    void record(const std::vector<std::function<Json()>>& changes);
    // The log line of an entry added at position `at`.
    static Json appendedChange(int64_t at, const ActivityEntry& entry);
    bool fold();

    std::mutex mutex_;
    StoreFile file_;
    StoreFile log_;
    std::vector<ActivityEntry> entries_;
    std::unordered_map<UUID, size_t> positions_;  // the first entry with each id
    size_t logLines_ = 0;     // changes in the log since it was last cleared
    bool logUsable_ = true;   // false while the log holds what must not be added to
    bool loaded_ = false;
};

}  // namespace ordane
