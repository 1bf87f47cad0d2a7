#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"

namespace ordane {

// The folders a scan shows to exist. The walk reports files, not the folders that hold them, so
// the set is built from every record's ancestors as well as from the directory records.
//
// Each folder keeps its real standardized path beside a lower-cased key: a look-up may ignore
// case, but whatever is handed back must be the real path, because Linux file names are
// case-sensitive and a move into a lower-cased spelling would create a second folder.
class ExistingFolders {
public:
    struct Folder {
        std::string path;  // standardized, as on disk
        std::string key;   // `path` lower-cased (root locale)

        bool operator==(const Folder&) const = default;
    };

    ExistingFolders() = default;

    // Every folder a scan shows: each directory record, and every folder that holds a record, from
    // the record's parent up to and including the scan root it lies in. A record under no root
    // adds only itself (when it is a directory): nothing above the roots is known to the scan.
    static ExistingFolders fromScan(const std::vector<FileRecord>& records, const std::vector<URL>& roots);

    // Adds a folder by its path (standardized here); a path already held is not added twice.
    // Returns false when it was already held.
    bool insert(std::string_view path);

    // True when a folder of exactly this path (standardized here, case-sensitive) was seen.
    bool contains(std::string_view path) const;

    // The real path of a folder whose lower-cased path is `key`: the exact one when `key` is itself
    // a real path, else the smallest of the spellings seen. Null when none has that key.
    const std::string* pathWithKey(std::string_view key) const;

    // The folders in the order they were added.
    const std::vector<Folder>& folders() const { return folders_; }
    size_t size() const { return folders_.size(); }
    bool empty() const { return folders_.empty(); }

    bool operator==(const ExistingFolders& other) const { return folders_ == other.folders_; }

private:
    bool insertStandardized(std::string path);

    std::vector<Folder> folders_;
    std::unordered_set<std::string> paths_;
    std::unordered_map<std::string, size_t> byKey_;  // key -> index of the smallest path with it
};

}  // namespace ordane
