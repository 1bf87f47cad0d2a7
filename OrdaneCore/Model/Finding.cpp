#include "OrdaneCore/Model/Finding.hpp"

namespace ordane {

Json Finding::toJson() const {
    Json result = {
        {"id", json::uuidValue(id)},
        {"record", record.toJson()},
        {"category", json::enumValue(category)},
        {"recommendation", json::enumValue(recommendation)},
        {"reason", json::stringValue(reason)},
    };
    json::setOptional(result, "detail", detail, json::stringValue);
    json::setOptional(result, "suggestedDestination", suggestedDestination, json::urlValue);
    json::setOptional(result, "groupID", groupID, json::uuidValue);
    json::setOptional(result, "recognitionKind", recognitionKind, json::stringValue);
    return result;
}

Finding Finding::fromJson(const Json& value) {
    auto readString = [](const Json& j) { return json::string(j); };
    Finding finding;
    finding.id = json::uuid(json::field(value, "id"));
    finding.record = FileRecord::fromJson(json::field(value, "record"));
    finding.category = json::enumeration<FindingCategory>(json::field(value, "category"));
    finding.recommendation = json::enumeration<Recommendation>(json::field(value, "recommendation"));
    finding.reason = json::string(json::field(value, "reason"));
    finding.detail = json::optional<std::string>(value, "detail", readString);
    finding.suggestedDestination =
        json::optional<URL>(value, "suggestedDestination", [](const Json& j) { return json::url(j); });
    finding.groupID = json::optional<UUID>(value, "groupID", [](const Json& j) { return json::uuid(j); });
    finding.recognitionKind = json::optional<std::string>(value, "recognitionKind", readString);
    return finding;
}

}  // namespace ordane
