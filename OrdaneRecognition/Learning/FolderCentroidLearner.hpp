#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"
#include "OrdaneCore/Stores/FolderCentroidStore.hpp"
#include "OrdaneCore/Vectors/SparseVector.hpp"

namespace ordane {

// Learns what the user's own folders one or two levels below Documents contain: per folder, the
// mean term vector of its documents and how alike they are. A folder's entry is recomputed only
// when its membership changed, and is kept in the store between runs.
struct FolderCentroidLearner {
    static constexpr size_t maxFolderSize = 300;   // folders with more records are never learned
    static constexpr size_t minUsableVectors = 5;  // more than 4 members with a vector
    static constexpr double minUsableShare = 0.6;
    static constexpr double minCohesion = 0.3;     // entries below it are kept but not returned
    static constexpr size_t centroidTerms = 512;

    UserFolders folders;
    // Files the system itself moved recently: never members of their folder.
    std::unordered_set<URL> quarantinedURLs;

    // The standardized path of the folder the record may teach: its parent, one or two levels below
    // Documents, not named "From Downloads" nor hidden, and valid UTF-8 (the path is the store key).
    std::optional<std::string> candidateFolder(const FileRecord& record) const;

    // Updates the store (upserts, drops folders no longer qualifying, saves) and returns the entries
    // coherent enough to predict with, in no particular order. `vectors` holds the documents the
    // run could read, by URL.
    std::vector<FolderCentroidStore::FolderEntry> learn(const std::vector<FileRecord>& records,
                                                        const std::unordered_map<URL, SparseVector>& vectors,
                                                        FolderCentroidStore& store) const;
};

}  // namespace ordane
