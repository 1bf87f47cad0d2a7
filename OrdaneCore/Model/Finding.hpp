#pragma once

#include <optional>
#include <string>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Model/FindingCategory.hpp"
#include "OrdaneCore/Model/Recommendation.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"

namespace ordane {

// One judged file: what kind of finding it is, what Ordane advises, and why.
struct Finding {
    UUID id;
    FileRecord record;
    FindingCategory category = FindingCategory::biggestFiles;
    Recommendation recommendation = Recommendation::review;
    std::string reason;
    std::optional<std::string> detail;
    std::optional<URL> suggestedDestination;  // the full URL after the move
    std::optional<UUID> groupID;
    std::optional<std::string> recognitionKind;  // a DocKind raw value

    bool operator==(const Finding&) const = default;

    Json toJson() const;
    static Finding fromJson(const Json& json);
};

}  // namespace ordane

template <>
struct std::hash<ordane::Finding> {
    size_t operator()(const ordane::Finding& finding) const noexcept {
        return std::hash<ordane::UUID>{}(finding.id) ^ (std::hash<ordane::FileRecord>{}(finding.record) << 1);
    }
};
