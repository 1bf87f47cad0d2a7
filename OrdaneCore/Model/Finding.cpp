#include "OrdaneCore/Model/Finding.hpp"

namespace ordane {

namespace {

Json textValue(const FindingText& text) {
    if (auto chars = text.stored()) return json::stringValue(*chars);
    return json::stringValue(text.str());
}

FindingText readText(const Json& value) { return FindingText(json::string(value)); }

}  // namespace

Json Finding::toJson() const {
    Json result = {
        {"id", json::uuidValue(id)},
        {"record", record.toJson()},
        {"category", json::enumValue(category)},
        {"recommendation", json::enumValue(recommendation)},
        {"reason", textValue(reason)},
    };
    json::setOptional(result, "detail", detail, textValue);
    json::setOptional(result, "suggestedDestination", suggestedDestination, json::urlValue);
    json::setOptional(result, "groupID", groupID, json::uuidValue);
    json::setOptional(result, "recognitionKind", recognitionKind, textValue);
    return result;
}

Finding Finding::fromJson(const Json& value) {
    Finding finding;
    finding.id = json::uuid(json::field(value, "id"));
    finding.record = FileRecord::fromJson(json::field(value, "record"));
    finding.category = json::enumeration<FindingCategory>(json::field(value, "category"));
    finding.recommendation = json::enumeration<Recommendation>(json::field(value, "recommendation"));
    finding.reason = readText(json::field(value, "reason"));
    finding.detail = json::optional<FindingText>(value, "detail", readText);
    finding.suggestedDestination =
        json::optional<URL>(value, "suggestedDestination", [](const Json& j) { return json::url(j); });
    finding.groupID = json::optional<UUID>(value, "groupID", [](const Json& j) { return json::uuid(j); });
    finding.recognitionKind = json::optional<FindingText>(value, "recognitionKind", readText);
    return finding;
}

}  // namespace ordane
