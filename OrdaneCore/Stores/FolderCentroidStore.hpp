#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "OrdaneCore/Foundation/Date.hpp"
#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Stores/StoreFile.hpp"
#include "OrdaneCore/Vectors/SparseVector.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// Per destination folder, the centroid of its documents' term vectors and a hash of its membership,
// so a centroid is recomputed only when the folder's files change. A cache: an unusable file is
// simply rebuilt. Every public member takes the store's lock.
class FolderCentroidStore {
public:
    struct FolderEntry {
        std::string path;  // also the key
        uint64_t membershipHash = 0;
        int64_t docCount = 0;
        double cohesion = 0;
        SparseVector centroid;
        float centroidNorm = 0;
        Date computedAt;

        bool operator==(const FolderEntry&) const = default;
        Json toJson() const;
        static FolderEntry fromJson(const Json& value);
    };

    static constexpr int64_t fileVersion = 1;

    explicit FolderCentroidStore(URL fileURL,
                                 std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real());

    std::optional<FolderEntry> entry(const std::string& path);
    std::vector<FolderEntry> allEntries();
    void upsert(FolderEntry entry);
    // Keeps only the folders in `paths`; dirty only when some were dropped.
    void retain(const std::set<std::string>& paths);
    void saveIfDirty();

    // XOR of the stable hashes of "name|size|whole seconds since 1970" of each record: independent
    // of order, 0 for no records, changed by a rename, a resize or a touch of a second or more.
    static uint64_t membershipHash(const std::vector<FileRecord>& records);

private:
    void loadIfNeeded();

    std::mutex mutex_;
    StoreFile file_;
    std::map<std::string, FolderEntry> folders_;
    bool loaded_ = false;
    bool dirty_ = false;
};

}  // namespace ordane
