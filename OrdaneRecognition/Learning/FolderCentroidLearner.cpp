#include "OrdaneRecognition/Learning/FolderCentroidLearner.hpp"

#include <map>
#include <set>

#include "OrdaneCore/Vectors/CentroidMath.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace path = platform::path;

namespace {

bool isExcludedFolderName(const std::string& name) { return name == "From Downloads" || name.starts_with("."); }

FolderCentroidStore::FolderEntry computedEntry(const std::string& folder, uint64_t membershipHash,
                                               const std::vector<SparseVector>& vectors) {
    FolderCentroidStore::FolderEntry entry;
    entry.path = folder;
    entry.membershipHash = membershipHash;
    entry.docCount = static_cast<int64_t>(vectors.size());
    entry.cohesion = CentroidMath::leaveOneOutCohesion(vectors);
    entry.centroid = CentroidMath::sparsify(CentroidMath::centroid(vectors), FolderCentroidLearner::centroidTerms);
    entry.centroidNorm = SparseVector::norm(entry.centroid);
    entry.computedAt = Date::now();
    return entry;
}

}  // namespace

std::optional<std::string> FolderCentroidLearner::candidateFolder(const FileRecord& record) const {
    std::string parent = path::parent(record.url().standardized().path());
    const std::string& documents = folders.documents.path();
    if (!path::isInside(parent, documents)) return std::nullopt;
    size_t depth = 0;
    std::string_view rest = std::string_view(parent).substr(documents.size() + 1);
    for (size_t start = 0; start <= rest.size();) {
        size_t end = rest.find('/', start);
        if (end == std::string_view::npos) end = rest.size();
        if (end > start) ++depth;
        start = end + 1;
    }
    if (depth != 1 && depth != 2) return std::nullopt;
    if (isExcludedFolderName(path::lastComponent(parent))) return std::nullopt;
    // The path is the store's key and is written as text: a folder it can't hold is not learned.
    if (!platform::text::isValidUTF8(parent)) return std::nullopt;
    return parent;
}

std::vector<FolderCentroidStore::FolderEntry> FolderCentroidLearner::learn(
    const std::vector<FileRecord>& records, const std::unordered_map<URL, SparseVector>& vectors,
    FolderCentroidStore& store) const {
    std::map<std::string, std::vector<const FileRecord*>> groups;
    for (const FileRecord& record : records) {
        if (record.isDirectory() || record.isPackage()) continue;
        if (auto folder = candidateFolder(record)) groups[*folder].push_back(&record);
    }

    std::vector<FolderCentroidStore::FolderEntry> result;
    std::set<std::string> kept;
    for (const auto& [folder, members] : groups) {
        if (members.size() > maxFolderSize) continue;
        std::vector<FileRecord> eligible;
        std::vector<SparseVector> usable;
        for (const FileRecord* record : members) {
            if (quarantinedURLs.contains(record->url())) continue;
            eligible.push_back(*record);
            if (auto it = vectors.find(record->url()); it != vectors.end()) usable.push_back(it->second);
        }
        if (eligible.empty()) continue;
        uint64_t hash = FolderCentroidStore::membershipHash(eligible);

        // An unchanged folder keeps its entry even when this run has fewer vectors for it: documents
        // answered from their cached insight (sensitive kinds) come without one.
        std::optional<FolderCentroidStore::FolderEntry> entry = store.entry(folder);
        if (!entry || entry->membershipHash != hash) {
            double share = static_cast<double>(usable.size()) / static_cast<double>(eligible.size());
            if (usable.size() < minUsableVectors || share < minUsableShare) continue;
            entry = computedEntry(folder, hash, usable);
            store.upsert(*entry);
        }
        kept.insert(folder);
        if (entry->cohesion >= minCohesion) result.push_back(std::move(*entry));
    }
    store.retain(kept);
    store.saveIfDirty();
    return result;
}

}  // namespace ordane
