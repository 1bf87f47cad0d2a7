#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>

#include "OrdaneCore/Foundation/Date.hpp"
#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "OrdaneCore/Model/Finding.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"
#include "Support/TempDir.hpp"

namespace ordane::testing {

// A home folder that exists only on paper, for the analysis rules that never touch the disk.
inline const char* paperHome = "/home/ann";

inline UserFolders paperFolders() { return UserFolders(URL::fileURL(paperHome, true)); }

// The analyses' "now": 2024-03-15 00:00 UTC.
inline const Date fixtureNow = Date::fromUnix(1710460800);

// A record of a file at `path` (relative paths are taken below the paper home).
inline FileRecord fileRecord(const std::string& path, int64_t size = 10000, std::optional<Date> modified = std::nullopt,
                             std::optional<Date> created = std::nullopt) {
    FileRecord record;
    record.setID(UUID::random());
    record.setURL(URL::fileURL(path.front() == '/' ? path : std::string(paperHome) + "/" + path));
    record.setSize(size);
    record.setAllocatedSize(size);
    record.setModified(modified);
    record.setCreated(created);
    return record;
}

inline FileRecord folderRecord(const std::string& path, int64_t size = 10000, bool isPackage = false) {
    FileRecord record = fileRecord(path, size);
    record.setURL(URL::fileURL(record.path(), true));
    record.setIsDirectory(true);
    record.setIsPackage(isPackage);
    return record;
}

// Writes a file below `dir` and gives the record a scan would make of it.
inline FileRecord writtenFile(const TempDir& dir, const std::string& relative, const std::string& contents,
                              Date modified) {
    writeFile(dir / relative, contents);
    return fileRecord(dir / relative, static_cast<int64_t>(contents.size()), modified);
}

inline Date day(double days) { return Date{days * 86400.0}; }

inline ContentInsight insightFor(const URL& url, DocKind kind, ConfidenceTier tier,
                                 std::optional<std::string> groupKey = std::nullopt) {
    ContentInsight insight;
    insight.url = url;
    insight.kind = kind;
    insight.tier = tier;
    insight.groupKey = std::move(groupKey);
    insight.analyzerID = "rules-v1";
    return insight;
}

// Bytes that differ from seed to seed and along the file.
inline std::string pattern(size_t size, char seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + (i * 7) % 251);
    return bytes;
}

inline std::vector<std::string> memberNames(const DuplicateGroup& group) {
    std::vector<std::string> names;
    for (const FileRecord& member : group.members()) names.push_back(member.url().lastPathComponent());
    return names;
}

inline Finding makeFinding(FileRecord record, FindingCategory category, Recommendation recommendation,
                           std::string reason = "", std::optional<std::string> detail = std::nullopt) {
    return Finding{UUID::random(), std::move(record), category,   recommendation, std::move(reason),
                   std::move(detail), std::nullopt,     std::nullopt, std::nullopt};
}

// What a finding says, to compare in one go; absent when there is no finding.
using Role = std::tuple<FindingCategory, Recommendation, std::string>;
inline Role role(const Finding& finding) { return {finding.category, finding.recommendation, finding.reason}; }
inline std::optional<Role> role(const std::optional<Finding>& finding) {
    if (!finding) return std::nullopt;
    return role(*finding);
}

}  // namespace ordane::testing
