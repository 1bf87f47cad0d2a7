#include "OrdaneCore/Actions/ActivityStore.hpp"

#include <algorithm>

#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

namespace path = platform::path;

namespace {

constexpr std::string_view appended = "append";
constexpr std::string_view replaced = "replace";

}  // namespace

URL ActivityStore::logURL(const URL& fileURL) {
    const std::string& file = fileURL.path();
    return URL::fileURL(path::appending(path::parent(file), path::stem(file) + ".log"));
}

ActivityStore::ActivityStore(URL fileURL, std::shared_ptr<platform::FileSystem> fileSystem)
    : file_(fileURL, fileSystem, StoreFile::Unusable::setAside),
      log_(logURL(fileURL), std::move(fileSystem), StoreFile::Unusable::setAside) {}

ActivityStore::~ActivityStore() {
    std::lock_guard lock(mutex_);
    if (!loaded_ || (logLines_ == 0 && logUsable_)) return;
    try {
        fold();  // leaves activity.json whole for whoever reads it next
    } catch (...) {
        // The log keeps every change; the next load folds it.
    }
}

std::vector<ActivityEntry> ActivityStore::allEntries() {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    auto earlier = [](const ActivityEntry& a, const ActivityEntry& b) { return a.date < b.date; };
    std::vector<ActivityEntry> result;
    if (!std::is_sorted(entries_.begin(), entries_.end(), earlier)) {
        result = entries_;
        std::stable_sort(result.begin(), result.end(),
                         [](const ActivityEntry& a, const ActivityEntry& b) { return a.date > b.date; });
        return result;
    }
    // Appended in date order, as they almost always are: the runs of equal dates from the end,
    // each in stored order, without sorting.
    result.reserve(entries_.size());
    for (size_t end = entries_.size(); end > 0;) {
        size_t begin = end - 1;
        while (begin > 0 && entries_[begin - 1].date == entries_[end - 1].date) --begin;
        result.insert(result.end(), entries_.begin() + static_cast<std::ptrdiff_t>(begin),
                      entries_.begin() + static_cast<std::ptrdiff_t>(end));
        end = begin;
    }
    return result;
}

void ActivityStore::append(const ActivityEntry& entry) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    const int64_t at = static_cast<int64_t>(entries_.size());
    add(entry);
    record({[&] { return appendedChange(at, entry); }});
}

Json ActivityStore::appendedChange(int64_t at, const ActivityEntry& entry) {
    Json change = Json::object();
    change["at"] = at;
    change["entry"] = entry.toJson();
    return json::tagged(appended, std::move(change));
}

void ActivityStore::replace(const ActivityEntry& entry) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    auto found = positions_.find(entry.id);
    if (found == positions_.end()) return;
    entries_[found->second] = entry;
    record({[&] { return json::tagged(replaced, entry.toJson()); }});
}

void ActivityStore::replaceAndAppend(const ActivityEntry& replacement, const ActivityEntry& entry) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    std::vector<std::function<Json()>> changes;
    if (auto found = positions_.find(replacement.id); found != positions_.end()) {
        entries_[found->second] = replacement;
        changes.push_back([&] { return json::tagged(replaced, replacement.toJson()); });
    }
    const int64_t at = static_cast<int64_t>(entries_.size());
    add(entry);
    changes.push_back([&] { return appendedChange(at, entry); });
    record(changes);
}

std::optional<ActivityEntry> ActivityStore::entry(const UUID& id) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    auto found = positions_.find(id);
    if (found == positions_.end()) return std::nullopt;
    return entries_[found->second];
}

void ActivityStore::save() {
    std::lock_guard lock(mutex_);
    loadIfNeeded();  // an unread list is no list to write over the file
    fold();
}

void ActivityStore::add(const ActivityEntry& entry) {
    positions_.emplace(entry.id, entries_.size());  // an id seen before keeps its first place
    entries_.push_back(entry);
}

void ActivityStore::loadIfNeeded() {
    if (loaded_) return;
    loaded_ = true;  // read at most once, whatever happens
    auto decoded = file_.load([](std::string_view text) {
        return json::array<ActivityEntry>(json::parse(text));
    });
    if (decoded) {
        for (const ActivityEntry& entry : *decoded) add(entry);
    }
    // What was recorded since the file was last written whole. A last line cut short by a crash
    // was never reported as recorded and is dropped; a damaged line before the end means the log
    // is not what was written: what comes before it is used and the log is moved aside, not removed.
    bool hasLog = false;
    bool damaged = false;
    log_.load([&](std::string_view text) {
        hasLog = true;
        size_t start = 0;
        for (size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n', start)) {
            if (!replay(text.substr(start, end - start))) {
                damaged = true;
                break;
            }
            start = end + 1;
        }
        return true;
    });
    if (damaged) log_.markUnusable();
    // A log that can't be read at all was marked unusable by the load: the next line logged
    // moves it aside first.
    if (hasLog) {
        logUsable_ = false;  // until the fold clears it, for its last line may be cut short
        fold();
    }
}

bool ActivityStore::replay(std::string_view line) {
    try {
        const Json parsed = json::parse(line);
        const json::TaggedCase change = json::taggedCase(parsed);
        if (change.name == appended) {
            const int64_t at = json::int64(json::field(*change.payload, "at"));
            if (at < 0) return false;
            ActivityEntry entry = ActivityEntry::fromJson(json::field(*change.payload, "entry"));
            // Already in the list: the log was folded before it could be cleared. (Past its end:
            // the file was set aside, and the log is all there is.)
            if (static_cast<size_t>(at) >= entries_.size()) add(entry);
        } else if (change.name == replaced) {
            ActivityEntry entry = ActivityEntry::fromJson(*change.payload);
            auto found = positions_.find(entry.id);
            if (found != positions_.end()) entries_[found->second] = std::move(entry);
        } else {
            return false;
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void ActivityStore::record(const std::vector<std::function<Json()>>& changes) {
    // Folded once the log holds a quarter of the list: the whole writes then cost each change a
    // bounded share, and a load replays few lines.
    const size_t foldAt = std::max(minimumLinesBeforeFold, entries_.size() / 4);
    if (logUsable_ && logLines_ + changes.size() < foldAt) {
        std::string lines;
        try {
            for (const auto& change : changes) lines += json::dumpCompact(change()) + '\n';
        } catch (const std::exception&) {
            return;  // nothing is written rather than a line that can't be read back
        }
        // A crash within the write leaves the last line cut short, which a load drops: the changes
        // before it stand, as if the crash had come between two writes.
        if (log_.append(lines)) {
            logLines_ += changes.size();
            return;
        }
        // Part of the line may have reached the log: it must not be added to before it is cleared.
        logUsable_ = false;
    }
    fold();
}

bool ActivityStore::fold() {
    std::string text;
    try {
        text = json::dumpPretty(json::array(entries_));
    } catch (const std::exception&) {
        return false;  // nothing is written rather than a partial list
    }
    if (!file_.write(text)) return false;
    // Everything in the log is in the file now; replaying it before it is gone changes nothing.
    if (log_.remove()) {
        logLines_ = 0;
        logUsable_ = true;
    }
    return true;
}

}  // namespace ordane
