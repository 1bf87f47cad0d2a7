#include "OrdaneCore/Actions/ActivityStore.hpp"

#include <algorithm>

namespace ordane {

ActivityStore::ActivityStore(URL fileURL, std::shared_ptr<platform::FileSystem> fileSystem)
    : file_(std::move(fileURL), std::move(fileSystem), StoreFile::Unusable::setAside) {}

std::vector<ActivityEntry> ActivityStore::allEntries() {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    std::vector<ActivityEntry> result = entries_;
    std::stable_sort(result.begin(), result.end(),
                     [](const ActivityEntry& a, const ActivityEntry& b) { return a.date > b.date; });
    return result;
}

void ActivityStore::append(const ActivityEntry& entry) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    entries_.push_back(entry);
    saveLocked();
}

void ActivityStore::replace(const ActivityEntry& entry) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    auto found = std::find_if(entries_.begin(), entries_.end(), [&](const ActivityEntry& e) { return e.id == entry.id; });
    if (found == entries_.end()) return;
    *found = entry;
    saveLocked();
}

std::optional<ActivityEntry> ActivityStore::entry(const UUID& id) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    auto found = std::find_if(entries_.begin(), entries_.end(), [&](const ActivityEntry& e) { return e.id == id; });
    if (found == entries_.end()) return std::nullopt;
    return *found;
}

void ActivityStore::save() {
    std::lock_guard lock(mutex_);
    loadIfNeeded();  // an unread list is no list to write over the file
    saveLocked();
}

void ActivityStore::loadIfNeeded() {
    if (loaded_) return;
    loaded_ = true;  // read at most once, whatever happens
    auto decoded = file_.load([](std::string_view text) {
        return json::array<ActivityEntry>(json::parse(text));
    });
    if (decoded) entries_ = std::move(*decoded);
}

void ActivityStore::saveLocked() {
    std::string text;
    try {
        text = json::dumpPretty(json::array(entries_));
    } catch (const std::exception&) {
        return;  // nothing is written rather than a partial list
    }
    file_.write(text);
}

}  // namespace ordane
