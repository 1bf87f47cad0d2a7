#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Foundation/SaturatingAdd.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"

namespace ordane {

// Where a scan is, as the progress screen shows it.
struct ScanProgress {
    struct ReadingDocuments {
        int64_t done = 0;
        int64_t total = 0;
        bool operator==(const ReadingDocuments&) const = default;
    };
    struct ComparingDuplicates {
        int64_t done = 0;
        int64_t total = 0;
        bool operator==(const ComparingDuplicates&) const = default;
    };
    struct Walking {
        bool operator==(const Walking&) const = default;
    };
    struct Finishing {
        bool operator==(const Finishing&) const = default;
    };
    using Phase = std::variant<ReadingDocuments, ComparingDuplicates, Walking, Finishing>;

    int64_t filesSeen = 0;  // records emitted so far
    int64_t bytesSeen = 0;  // sum of their sizes
    std::string currentFolder;  // a folder name, not a path
    Phase phase = Walking{};

    bool operator==(const ScanProgress&) const = default;
};

// Something the walk could not look at.
struct ScanIssue {
    enum class Kind { permissionDenied, vanished, brokenSymlink, unreadable, cloudOnlySkipped };

    UUID id;
    Kind kind = Kind::unreadable;
    std::string path;
    std::string message;

    bool operator==(const ScanIssue&) const = default;
    Json toJson() const;
    static ScanIssue fromJson(const Json& json);
};

template <>
struct EnumCases<ScanIssue::Kind> {
    static constexpr std::array<std::pair<ScanIssue::Kind, std::string_view>, 5> cases{{
        {ScanIssue::Kind::permissionDenied, "permissionDenied"},
        {ScanIssue::Kind::vanished, "vanished"},
        {ScanIssue::Kind::brokenSymlink, "brokenSymlink"},
        {ScanIssue::Kind::unreadable, "unreadable"},
        {ScanIssue::Kind::cloudOnlySkipped, "cloudOnlySkipped"},
    }};
};

struct CategoryStat {
    int64_t count = 0;
    int64_t bytes = 0;

    void add(const FileRecord& record) {
        count += 1;
        bytes = saturatingAdd(bytes, record.size());
    }

    bool operator==(const CategoryStat&) const = default;
    Json toJson() const;
    static CategoryStat fromJson(const Json& json);
};

struct ScanSummary {
    Date startedAt;
    Date finishedAt;
    std::vector<URL> roots;
    int64_t totalFiles = 0;
    int64_t totalBytes = 0;
    std::map<TypeBucket, CategoryStat> byType;
    std::vector<ScanIssue> issues;

    bool operator==(const ScanSummary&) const = default;
    Json toJson() const;  // byType as an object keyed by the bucket's raw value
    static ScanSummary fromJson(const Json& json);
};

struct ScanEvent {
    std::variant<ScanProgress, FileRecord, ScanIssue, ScanSummary> value;

    bool operator==(const ScanEvent&) const = default;
};

}  // namespace ordane
