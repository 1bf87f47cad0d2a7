#include "OrdaneCore/Stores/AnalysisCache.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "OrdaneCore/Hashing/Sha256.hpp"

namespace ordane {

namespace {
bool withinTolerance(Date a, Date b) { return std::fabs(a.secondsSince(b)) <= AnalysisCache::modificationTolerance; }

// A digest written in the one form the file takes (none for anything else, which stays text).
bool fitsInt32(int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

bool digestOf(const std::optional<std::string>& hash, std::optional<Sha256::Digest>& digest) {
    if (!hash) return true;
    digest = Sha256::fromHex(*hash);
    return digest.has_value();
}

std::optional<std::string> hexOf(const std::optional<Sha256::Digest>& digest) {
    if (!digest) return std::nullopt;
    return Sha256::hex(*digest);
}
}  // namespace

AnalysisCache::Stored::Stored(Entry entry) {
    bool hashesOnly = !entry.fingerprint && !entry.sampleText && !entry.sampleSource && !entry.insight &&
                      fitsInt32(entry.schemaVersion) && fitsInt32(entry.detectorVersion) &&
                      digestOf(entry.partialSHA256, partial_) && digestOf(entry.fullSHA256, full_);
    if (!hashesOnly) {
        partial_.reset();
        full_.reset();
        whole_ = std::make_unique<Entry>(std::move(entry));
        return;
    }
    size_ = entry.size;
    mtime_ = entry.mtime;
    lastSeen_ = entry.lastSeen;
    schemaVersion_ = static_cast<int32_t>(entry.schemaVersion);
    detectorVersion_ = static_cast<int32_t>(entry.detectorVersion);
}

AnalysisCache::Entry AnalysisCache::Stored::entry() const {
    if (whole_) return *whole_;
    Entry entry;
    entry.size = size_;
    entry.mtime = mtime_;
    entry.lastSeen = lastSeen_;
    entry.schemaVersion = schemaVersion_;
    entry.detectorVersion = detectorVersion_;
    entry.partialSHA256 = hexOf(partial_);
    entry.fullSHA256 = hexOf(full_);
    return entry;
}

void AnalysisCache::Stored::appendJson(std::string& out) const {
    if (whole_) {
        whole_->appendJson(out);
    } else {
        entry().appendJson(out);
    }
}

AnalysisCache::Hashes AnalysisCache::Stored::hashes() const {
    if (whole_) return Hashes{whole_->partialSHA256, whole_->fullSHA256};
    return Hashes{hexOf(partial_), hexOf(full_)};
}

void AnalysisCache::Stored::setLastSeen(Date date) { (whole_ ? whole_->lastSeen : lastSeen_) = date; }

void AnalysisCache::Stored::setMtime(Date date) {
    if (whole_) {
        whole_->mtime = date;
        whole_->partialSHA256.reset();
        whole_->fullSHA256.reset();
    } else {
        mtime_ = date;
        partial_.reset();
        full_.reset();
    }
}

void AnalysisCache::Stored::setHashes(const std::optional<std::string>& partial, const std::optional<std::string>& full) {
    if (!whole_) {
        std::optional<Digest> partialDigest = partial_;
        std::optional<Digest> fullDigest = full_;
        if (digestOf(partial, partialDigest) && digestOf(full, fullDigest)) {
            partial_ = partialDigest;
            full_ = fullDigest;
            return;
        }
        makeWhole();  // a hash in another form is kept as it came, and refused when written
    }
    if (partial) whole_->partialSHA256 = partial;
    if (full) whole_->fullSHA256 = full;
}

void AnalysisCache::Stored::makeWhole() {
    whole_ = std::make_unique<Entry>(entry());
    partial_.reset();
    full_.reset();
}

AnalysisCache::AnalysisCache(URL fileURL, std::shared_ptr<platform::FileSystem> fileSystem)
    : file_(std::move(fileURL), std::move(fileSystem), StoreFile::Unusable::rebuild) {}

void AnalysisCache::loadIfNeeded() {
    if (loaded_) return;
    loaded_ = true;
    // Read piece by piece as its entries are decoded, so that a load holds little more than the
    // entries.
    // Entries are made ready to keep on the decoding threads; only the keys, whose folders are
    // shared, are made in turn.
    Entries result;
    const bool read = file_.loadEntries(
        fileVersion, "entries", [](JsonReader& reader) { return Stored(Entry::read(reader)); },
        [this, &result](std::string path, Stored entry) {
            result.insert_or_assign(SharedFolderPath(path, folders_), std::move(entry));
        });
    if (read) entries_ = std::move(result);
}

AnalysisCache::Stored* AnalysisCache::validEntry(const FileRecord& record) {
    if (!record.modified()) return nullptr;
    const std::string path = record.path();
    auto it = entries_.find(std::string_view(path));
    if (it == entries_.end()) return nullptr;
    Stored& entry = it->second;
    if (entry.schemaVersion() != currentSchemaVersion || entry.size() != record.size() ||
        !withinTolerance(*record.modified(), entry.mtime())) {
        return nullptr;
    }
    entry.setLastSeen(Date::now());
    dirty_ = true;
    return &entry;
}

std::optional<AnalysisCache::Entry> AnalysisCache::cachedEntry(const FileRecord& record) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    if (Stored* entry = validEntry(record)) return entry->entry();
    return std::nullopt;
}

std::optional<ContentInsight> AnalysisCache::cachedInsight(const FileRecord& record) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    Stored* entry = validEntry(record);
    const Entry* whole = entry ? entry->whole() : nullptr;  // an entry of hashes alone has no insight
    if (!whole || whole->detectorVersion != currentDetectorVersion) return std::nullopt;
    return whole->insight;
}

void AnalysisCache::store(Entry entry, const URL& url) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    auto it = entries_.find(std::string_view(url.path()));
    if (it != entries_.end()) {
        const Stored& old = it->second;
        if (old.size() == entry.size && old.mtime() == entry.mtime) {  // hashes need the exact date
            Hashes kept = old.hashes();
            if (!entry.partialSHA256) entry.partialSHA256 = std::move(kept.partial);
            if (!entry.fullSHA256) entry.fullSHA256 = std::move(kept.full);
        }
        it->second = Stored(std::move(entry));
    } else {
        entries_.emplace(SharedFolderPath(url.path(), folders_), Stored(std::move(entry)));
    }
    dirty_ = true;
}

AnalysisCache::Hashes AnalysisCache::cachedHashes(const FileRecord& record) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    // Content hashes decide what is an "extra copy", so they need the exact modification date: a
    // same-size file renamed over this one within the tolerance must not pass for it.
    Stored* entry = validEntry(record);
    if (!entry || entry->mtime() != *record.modified()) return Hashes{};
    return entry->hashes();
}

void AnalysisCache::recordHashes(const FileRecord& record, const std::optional<std::string>& partialSHA256,
                                 const std::optional<std::string>& fullSHA256) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    if (!record.modified()) return;
    Stored* entry = validEntry(record);
    if (!entry) {
        Entry fresh;
        fresh.size = record.size();
        fresh.mtime = *record.modified();
        fresh.detectorVersion = hashOnlyDetectorVersion;
        fresh.lastSeen = Date::now();
        entry = &entries_.insert_or_assign(SharedFolderPath(record.path(), folders_), Stored(std::move(fresh))).first->second;
    }
    // Hashes kept from another modification date no longer describe this content.
    if (entry->mtime() != *record.modified()) entry->setMtime(*record.modified());
    entry->setHashes(partialSHA256, fullSHA256);
    dirty_ = true;
}

void AnalysisCache::saveIfDirty() {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    if (!dirty_) return;
    pruneLocked();
    file_.writeCompact(fileVersion, "entries", entries_, [](std::string& out, const Stored& entry) { entry.appendJson(out); });
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
    std::erase_if(entries_, [cutoff](const auto& item) { return !(item.second.lastSeen() > cutoff); });
    if (entries_.size() > maxEntries) {
        // Newest first; among equal dates the smaller path stays, so the choice is repeatable. The
        // dropped ones go by position: a home's worth of paths is not copied to drop them.
        using Position = decltype(entries_)::iterator;
        std::vector<std::pair<Date, Position>> order;
        order.reserve(entries_.size());
        for (auto it = entries_.begin(); it != entries_.end(); ++it) order.emplace_back(it->second.lastSeen(), it);
        auto newerFirst = [](const auto& a, const auto& b) {
            if (a.first != b.first) return a.first > b.first;
            return a.second->first < b.second->first;
        };
        std::nth_element(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(maxEntries), order.end(), newerFirst);
        for (size_t k = maxEntries; k < order.size(); ++k) entries_.erase(order[k].second);
    }
    if (entries_.size() != before) dirty_ = true;
}

}  // namespace ordane
