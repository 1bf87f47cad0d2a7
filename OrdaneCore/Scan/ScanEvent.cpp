#include "OrdaneCore/Scan/ScanEvent.hpp"

namespace ordane {

Json ScanIssue::toJson() const {
    return {
        {"id", json::uuidValue(id)},
        {"kind", json::enumValue(kind)},
        {"path", json::filePathValue(path)},
        {"message", json::stringValue(message)},
    };
}

ScanIssue ScanIssue::fromJson(const Json& value) {
    return ScanIssue{
        json::uuid(json::field(value, "id")),
        json::enumeration<Kind>(json::field(value, "kind")),
        json::filePath(json::field(value, "path")),
        json::string(json::field(value, "message")),
    };
}

Json CategoryStat::toJson() const { return {{"count", count}, {"bytes", bytes}}; }

CategoryStat CategoryStat::fromJson(const Json& value) {
    return CategoryStat{json::int64(json::field(value, "count")), json::int64(json::field(value, "bytes"))};
}

Json ScanSummary::toJson() const {
    Json types = Json::object();
    for (const auto& [bucket, stat] : byType) types[std::string(rawValue(bucket))] = stat.toJson();
    return {
        {"startedAt", json::dateValue(startedAt)},
        {"finishedAt", json::dateValue(finishedAt)},
        {"roots", json::array(roots, json::urlValue)},
        {"totalFiles", totalFiles},
        {"totalBytes", totalBytes},
        {"byType", std::move(types)},
        {"issues", json::array(issues)},
    };
}

ScanSummary ScanSummary::fromJson(const Json& value) {
    ScanSummary summary;
    summary.startedAt = json::date(json::field(value, "startedAt"));
    summary.finishedAt = json::date(json::field(value, "finishedAt"));
    summary.roots = json::array<URL>(json::field(value, "roots"), [](const Json& j) { return json::url(j); });
    summary.totalFiles = json::int64(json::field(value, "totalFiles"));
    summary.totalBytes = json::int64(json::field(value, "totalBytes"));
    const Json& types = json::field(value, "byType");
    json::requireObject(types, "byType");
    for (const auto& [key, stat] : types.items()) {
        auto bucket = enumFromRaw<TypeBucket>(key);
        if (!bucket) throw DecodingError("Unknown type bucket \"" + key + "\"");
        summary.byType[*bucket] = CategoryStat::fromJson(stat);
    }
    summary.issues = json::array<ScanIssue>(json::field(value, "issues"));
    return summary;
}

}  // namespace ordane
