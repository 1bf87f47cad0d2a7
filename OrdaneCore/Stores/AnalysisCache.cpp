#include "OrdaneCore/Stores/AnalysisCache.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "OrdaneCore/Hashing/Sha256.hpp"
#include "OrdanePlatform/System/FreedMemory.hpp"

namespace ordane {

namespace {
bool withinTolerance(Date a, Date b) { return std::fabs(a.secondsSince(b)) <= AnalysisCache::modificationTolerance; }

bool fitsBits(int64_t value, int bits) { return value >= 0 && value < (int64_t{1} << bits); }

// A digest written in the one form the file takes (none for anything else, which stays text).
bool digestOf(const std::optional<std::string>& hash, std::optional<Sha256::Digest>& digest) {
    if (!hash) return true;
    digest = Sha256::fromHex(*hash);
    return digest.has_value();
}
}  // namespace

AnalysisCache::Stored::Stored(Entry entry) {
    std::optional<Digest> partial;
    std::optional<Digest> full;
    bool small = !entry.fingerprint && !entry.sampleText && !entry.sampleSource && !entry.insight &&
                 fitsBits(entry.size, compactSizeBits) && fitsBits(entry.schemaVersion, compactSchemaVersionBits) &&
                 fitsBits(entry.detectorVersion, compactDetectorVersionBits) && digestOf(entry.partialSHA256, partial) &&
                 digestOf(entry.fullSHA256, full);
    if (!small) {
        becomeWhole(std::make_unique<Entry>(std::move(entry)));
        return;
    }
    size_ = static_cast<uint64_t>(entry.size);
    schemaVersion_ = static_cast<uint64_t>(entry.schemaVersion);
    detectorVersion_ = static_cast<uint64_t>(entry.detectorVersion);
    mtime_ = entry.mtime;
    lastSeen_ = entry.lastSeen;
    placeDigests(partial, full);
}

AnalysisCache::Stored::Stored(Stored&& other) noexcept { takeFrom(other); }

AnalysisCache::Stored& AnalysisCache::Stored::operator=(Stored&& other) noexcept {
    if (this != &other) {
        release();
        takeFrom(other);
    }
    return *this;
}

AnalysisCache::Stored::~Stored() { release(); }

void AnalysisCache::Stored::takeFrom(Stored& other) {
    size_ = other.size_;
    schemaVersion_ = other.schemaVersion_;
    detectorVersion_ = other.detectorVersion_;
    hasPartial_ = other.hasPartial_;
    hasFull_ = other.hasFull_;
    apart_ = other.apart_;
    isWhole_ = other.isWhole_;
    mtime_ = other.mtime_;
    lastSeen_ = other.lastSeen_;
    std::memcpy(digest_, other.digest_, sizeof digest_);
    // The heap block, if any, is this one's now.
    other.hasPartial_ = 0;
    other.hasFull_ = 0;
    other.apart_ = 0;
    other.isWhole_ = 0;
}

void AnalysisCache::Stored::release() {
    if (isWhole_) delete wholeEntry();
    if (apart_) delete[] digestsApart();
    isWhole_ = 0;
    apart_ = 0;
    hasPartial_ = 0;
    hasFull_ = 0;
}

void AnalysisCache::Stored::becomeWhole(std::unique_ptr<Entry> entry) {
    release();
    placePointer(entry.release());
    isWhole_ = 1;
}

void AnalysisCache::Stored::makeWhole() { becomeWhole(std::make_unique<Entry>(entry())); }

std::optional<AnalysisCache::Stored::Digest> AnalysisCache::Stored::partialDigest() const {
    if (!hasPartial_) return std::nullopt;
    Digest digest;
    std::memcpy(digest.data(), apart_ ? digestsApart() : digest_, digest.size());
    return digest;
}

std::optional<AnalysisCache::Stored::Digest> AnalysisCache::Stored::fullDigest() const {
    if (!hasFull_) return std::nullopt;
    Digest digest;
    std::memcpy(digest.data(), apart_ ? digestsApart() + digest.size() : digest_, digest.size());
    return digest;
}

void AnalysisCache::Stored::placeDigests(const std::optional<Digest>& partial, const std::optional<Digest>& full) {
    std::unique_ptr<unsigned char[]> both;
    if (partial && full && *partial != *full) {
        both = std::make_unique<unsigned char[]>(2 * partial->size());
        std::memcpy(both.get(), partial->data(), partial->size());
        std::memcpy(both.get() + partial->size(), full->data(), full->size());
    }
    release();
    hasPartial_ = partial.has_value();
    hasFull_ = full.has_value();
    if (both) {
        placePointer(both.release());
        apart_ = 1;
    } else if (partial || full) {
        const Digest& digest = partial ? *partial : *full;  // the same when both are given
        std::memcpy(digest_, digest.data(), digest.size());
    }
}

AnalysisCache::Entry AnalysisCache::Stored::entry() const {
    if (isWhole_) return *wholeEntry();
    Entry entry;
    entry.size = static_cast<int64_t>(size_);
    entry.mtime = mtime_;
    entry.lastSeen = lastSeen_;
    entry.schemaVersion = static_cast<int64_t>(schemaVersion_);
    entry.detectorVersion = static_cast<int64_t>(detectorVersion_);
    Hashes hashes = this->hashes();
    entry.partialSHA256 = std::move(hashes.partial);
    entry.fullSHA256 = std::move(hashes.full);
    return entry;
}

void AnalysisCache::Stored::appendJson(std::string& out) const {
    if (isWhole_) {
        wholeEntry()->appendJson(out);
    } else {
        entry().appendJson(out);
    }
}

AnalysisCache::Hashes AnalysisCache::Stored::hashes() const {
    if (isWhole_) return Hashes{wholeEntry()->partialSHA256, wholeEntry()->fullSHA256};
    Hashes result;
    if (auto digest = partialDigest()) result.partial = Sha256::hex(*digest);
    if (auto digest = fullDigest()) result.full = Sha256::hex(*digest);
    return result;
}

void AnalysisCache::Stored::setLastSeen(Date date) { (isWhole_ ? wholeEntry()->lastSeen : lastSeen_) = date; }

void AnalysisCache::Stored::setMtime(Date date) {
    if (isWhole_) {
        wholeEntry()->mtime = date;
        wholeEntry()->partialSHA256.reset();
        wholeEntry()->fullSHA256.reset();
    } else {
        mtime_ = date;
        release();
    }
}

void AnalysisCache::Stored::setHashes(const std::optional<std::string>& partial, const std::optional<std::string>& full) {
    if (!isWhole_) {
        std::optional<Digest> partialGiven;
        std::optional<Digest> fullGiven;
        if (digestOf(partial, partialGiven) && digestOf(full, fullGiven)) {
            placeDigests(partialGiven ? partialGiven : partialDigest(), fullGiven ? fullGiven : fullDigest());
            return;
        }
        makeWhole();  // a hash in another form is kept as it came, and refused when written
    }
    if (partial) wholeEntry()->partialSHA256 = partial;
    if (full) wholeEntry()->fullSHA256 = full;
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
    // A first search of a large home leaves many more entries than are kept.
    if (before - entries_.size() >= releaseAfterDropping) platform::returnFreedMemory();
}

}  // namespace ordane
