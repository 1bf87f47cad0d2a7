#include "OrdaneCore/Stores/AnalysisCache.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ordane {

namespace {
bool withinTolerance(Date a, Date b) { return std::fabs(a.secondsSince(b)) <= AnalysisCache::modificationTolerance; }
}  // namespace

AnalysisCache::AnalysisCache(URL fileURL, std::shared_ptr<platform::FileSystem> fileSystem)
    : file_(std::move(fileURL), std::move(fileSystem), StoreFile::Unusable::rebuild) {}

void AnalysisCache::loadIfNeeded() {
    if (loaded_) return;
    loaded_ = true;
    // The text is given back as its entries are decoded, so that a load holds little more than
    // the entries.
    auto stored = file_.load([](std::string_view text, const StoreFile::Release& release) {
        std::unordered_map<std::string, Entry> result;
        StoreFile::readEntries(
            text, fileVersion, "entries", Entry::read,
            [&result](std::string path, Entry entry) { result.insert_or_assign(std::move(path), std::move(entry)); },
            release);
        return result;
    });
    if (stored) entries_ = std::move(*stored);
}

AnalysisCache::Entry* AnalysisCache::validEntry(const FileRecord& record) {
    if (!record.modified()) return nullptr;
    auto it = entries_.find(record.path());
    if (it == entries_.end()) return nullptr;
    Entry& entry = it->second;
    if (entry.schemaVersion != currentSchemaVersion || entry.size != record.size() ||
        !withinTolerance(*record.modified(), entry.mtime)) {
        return nullptr;
    }
    entry.lastSeen = Date::now();
    dirty_ = true;
    return &entry;
}

std::optional<AnalysisCache::Entry> AnalysisCache::cachedEntry(const FileRecord& record) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    if (Entry* entry = validEntry(record)) return *entry;
    return std::nullopt;
}

std::optional<ContentInsight> AnalysisCache::cachedInsight(const FileRecord& record) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    Entry* entry = validEntry(record);
    if (!entry || entry->detectorVersion != currentDetectorVersion) return std::nullopt;
    return entry->insight;
}

void AnalysisCache::store(Entry entry, const URL& url) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    auto it = entries_.find(url.path());
    if (it != entries_.end()) {
        const Entry& old = it->second;
        if (old.size == entry.size && old.mtime == entry.mtime) {  // hashes need the exact date
            if (!entry.partialSHA256) entry.partialSHA256 = old.partialSHA256;
            if (!entry.fullSHA256) entry.fullSHA256 = old.fullSHA256;
        }
        it->second = std::move(entry);
    } else {
        entries_.emplace(url.path(), std::move(entry));
    }
    dirty_ = true;
}

AnalysisCache::Hashes AnalysisCache::cachedHashes(const FileRecord& record) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    // Content hashes decide what is an "extra copy", so they need the exact modification date: a
    // same-size file renamed over this one within the tolerance must not pass for it.
    Entry* entry = validEntry(record);
    if (!entry || entry->mtime != *record.modified()) return Hashes{};
    return Hashes{entry->partialSHA256, entry->fullSHA256};
}

void AnalysisCache::recordHashes(const FileRecord& record, const std::optional<std::string>& partialSHA256,
                                 const std::optional<std::string>& fullSHA256) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    if (!record.modified()) return;
    Entry* entry = validEntry(record);
    if (!entry) {
        Entry fresh;
        fresh.size = record.size();
        fresh.mtime = *record.modified();
        fresh.detectorVersion = hashOnlyDetectorVersion;
        fresh.lastSeen = Date::now();
        entry = &entries_.insert_or_assign(record.path(), std::move(fresh)).first->second;
    }
    if (entry->mtime != *record.modified()) {
        // Hashes kept from another modification date no longer describe this content.
        entry->mtime = *record.modified();
        entry->partialSHA256.reset();
        entry->fullSHA256.reset();
    }
    if (partialSHA256) entry->partialSHA256 = partialSHA256;
    if (fullSHA256) entry->fullSHA256 = fullSHA256;
    dirty_ = true;
}

void AnalysisCache::saveIfDirty() {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    if (!dirty_) return;
    pruneLocked();
    file_.writeCompact(fileVersion, "entries", entries_, [](std::string& out, const Entry& entry) { entry.appendJson(out); });
    dirty_ = false;
}

void AnalysisCache::prune() {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    pruneLocked();
}

void AnalysisCache::pruneLocked() {
    const size_t before = entries_.size();
    const Date cutoff = Date::now().adding(-pruneAge);
    std::erase_if(entries_, [cutoff](const auto& item) { return !(item.second.lastSeen > cutoff); });
    if (entries_.size() > maxEntries) {
        // Newest first; among equal dates the smaller path stays, so the choice is repeatable.
        std::vector<std::pair<Date, const std::string*>> order;
        order.reserve(entries_.size());
        for (const auto& [path, entry] : entries_) order.emplace_back(entry.lastSeen, &path);
        auto newerFirst = [](const auto& a, const auto& b) {
            if (a.first != b.first) return a.first > b.first;
            return *a.second < *b.second;
        };
        std::nth_element(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(maxEntries), order.end(), newerFirst);
        std::vector<std::string> dropped;
        dropped.reserve(order.size() - maxEntries);
        for (size_t k = maxEntries; k < order.size(); ++k) dropped.push_back(*order[k].second);
        for (const std::string& path : dropped) entries_.erase(path);
    }
    if (entries_.size() != before) dirty_ = true;
}

}  // namespace ordane
