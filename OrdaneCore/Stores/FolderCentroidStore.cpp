#include "OrdaneCore/Stores/FolderCentroidStore.hpp"

#include <cmath>

#include "OrdaneCore/Vectors/StableHash.hpp"

namespace ordane {

Json FolderCentroidStore::FolderEntry::toJson() const {
    // Reading refuses it, and with it the whole file.
    if (docCount < 0) throw EncodingError("Negative document count");
    return Json{
        {"path", json::stringValue(path)},
        {"membershipHash", Json(membershipHash)},
        {"docCount", docCount},
        {"cohesion", json::numberValue(cohesion)},
        {"centroid", centroid.toJson()},
        {"centroidNorm", json::float32Value(centroidNorm)},
        {"computedAt", json::dateValue(computedAt)},
    };
}

FolderCentroidStore::FolderEntry FolderCentroidStore::FolderEntry::fromJson(const Json& value) {
    FolderEntry entry;
    entry.path = json::string(json::field(value, "path"));
    entry.membershipHash = json::uint64(json::field(value, "membershipHash"));
    entry.docCount = json::int64(json::field(value, "docCount"));
    if (entry.docCount < 0) throw DecodingError("Negative document count");
    entry.cohesion = json::number(json::field(value, "cohesion"));
    entry.centroid = SparseVector::fromJson(json::field(value, "centroid"));
    entry.centroidNorm = json::float32(json::field(value, "centroidNorm"));
    entry.computedAt = json::date(json::field(value, "computedAt"));
    return entry;
}

FolderCentroidStore::FolderCentroidStore(URL fileURL, std::shared_ptr<platform::FileSystem> fileSystem)
    : file_(std::move(fileURL), std::move(fileSystem), StoreFile::Unusable::rebuild) {}

std::optional<FolderCentroidStore::FolderEntry> FolderCentroidStore::entry(const std::string& path) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    auto it = folders_.find(path);
    if (it == folders_.end()) return std::nullopt;
    return it->second;
}

std::vector<FolderCentroidStore::FolderEntry> FolderCentroidStore::allEntries() {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    std::vector<FolderEntry> result;
    result.reserve(folders_.size());
    for (const auto& [path, entry] : folders_) result.push_back(entry);
    return result;
}

void FolderCentroidStore::upsert(FolderEntry entry) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    std::string key = entry.path;
    folders_.insert_or_assign(std::move(key), std::move(entry));
    dirty_ = true;
}

void FolderCentroidStore::retain(const std::set<std::string>& paths) {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    size_t removed = std::erase_if(folders_, [&paths](const auto& item) { return !paths.contains(item.first); });
    if (removed > 0) dirty_ = true;
}

void FolderCentroidStore::saveIfDirty() {
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    if (!dirty_) return;
    file_.writeCompact(fileVersion, "folders", folders_,
                       [](std::string& out, const FolderEntry& entry) { json::appendCompact(out, entry.toJson()); });
    // A failed write loses this run's changes; the old file stays whole and is rebuilt later.
    dirty_ = false;
}

void FolderCentroidStore::loadIfNeeded() {
    if (loaded_) return;
    loaded_ = true;
    auto stored = file_.load([](std::string_view text) {
        std::map<std::string, FolderEntry> result;
        StoreFile::readEntries(
            text, fileVersion, "folders", [](JsonReader& reader) { return FolderEntry::fromJson(reader.readValue()); },
            [&result](std::string, FolderEntry entry) {
                std::string key = entry.path;
                result.insert_or_assign(std::move(key), std::move(entry));
            });
        return result;
    });
    if (stored) folders_ = std::move(*stored);
}

uint64_t FolderCentroidStore::membershipHash(const std::vector<FileRecord>& records) {
    uint64_t hash = 0;
    for (const FileRecord& record : records) {
        int64_t seconds = 0;
        if (record.modified()) {
            double since1970 = std::trunc(record.modified()->secondsSince1970());
            // A date no file system gives counts as none rather than overflowing the conversion.
            if (std::isfinite(since1970) && std::fabs(since1970) < 9.2e18) seconds = static_cast<int64_t>(since1970);
        }
        std::string text = record.url().lastPathComponent() + "|" + std::to_string(record.size()) + "|" +
                           std::to_string(seconds);
        hash ^= StableHash::fnv1a64(text);
    }
    return hash;
}

}  // namespace ordane
