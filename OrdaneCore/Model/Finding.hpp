#pragma once

#include <optional>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Model/FindingCategory.hpp"
#include "OrdaneCore/Model/FindingText.hpp"
#include "OrdaneCore/Model/Recommendation.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"

namespace ordane {

// One judged file: what kind of finding it is, what Ordane advises, and why. The texts are shared
// (FindingText), not strings of their own: a scan of a million files makes hundreds of thousands of
// findings, most of them in one of a few sentences, most details the file's own path.
struct Finding {
    UUID id;
    FileRecord record;
    FindingCategory category = FindingCategory::biggestFiles;
    Recommendation recommendation = Recommendation::review;
    FindingText reason;
    std::optional<FindingText> detail;
    std::optional<URL> suggestedDestination;  // the full URL after the move
    std::optional<UUID> groupID;
    std::optional<FindingText> recognitionKind;  // a DocKind raw value

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
