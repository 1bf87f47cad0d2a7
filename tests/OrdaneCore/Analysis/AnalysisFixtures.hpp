#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "OrdaneCore/Foundation/Date.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"

namespace ordane::testing {

// A home folder that exists only on paper, for the analysis rules that never touch the disk.
inline const char* paperHome = "/home/ann";

inline UserFolders paperFolders() { return UserFolders(URL::fileURL(paperHome, true)); }

// A record of a file at `path` (relative paths are taken below the paper home).
inline FileRecord fileRecord(const std::string& path, int64_t size = 10000, std::optional<Date> modified = std::nullopt,
                             std::optional<Date> created = std::nullopt) {
    FileRecord record;
    record.id = UUID::random();
    record.url = URL::fileURL(path.front() == '/' ? path : std::string(paperHome) + "/" + path);
    record.size = size;
    record.allocatedSize = size;
    record.modified = modified;
    record.created = created;
    return record;
}

inline FileRecord folderRecord(const std::string& path, int64_t size = 10000, bool isPackage = false) {
    FileRecord record = fileRecord(path, size);
    record.url = URL::fileURL(record.url.path(), true);
    record.isDirectory = true;
    record.isPackage = isPackage;
    return record;
}

inline Date day(double days) { return Date{days * 86400.0}; }

}  // namespace ordane::testing
