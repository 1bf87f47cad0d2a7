#include "OrdaneCore/Model/ContentInsight.hpp"

namespace ordane {

Json ContentInsight::toJson() const {
    Json result = {
        {"url", json::urlValue(url)},
        {"kind", json::enumValue(kind)},
        {"tier", json::enumValue(tier)},
        {"provenance", json::array(provenance)},
        {"analyzerID", json::stringValue(analyzerID)},
    };
    json::setOptional(result, "title", title, json::stringValue);
    json::setOptional(result, "subjectName", subjectName, json::stringValue);
    json::setOptional(result, "groupKey", groupKey, json::stringValue);
    json::setOptional(result, "suggestedName", suggestedName, json::stringValue);
    json::setOptional(result, "suggestedFolder", suggestedFolder, json::urlValue);
    return result;
}

ContentInsight ContentInsight::fromJson(const Json& value) {
    auto readString = [](const Json& j) { return json::string(j); };
    return ContentInsight{
        json::url(json::field(value, "url")),
        json::enumeration<DocKind>(json::field(value, "kind")),
        json::enumeration<ConfidenceTier>(json::field(value, "tier")),
        json::optional<std::string>(value, "title", readString),
        json::optional<std::string>(value, "subjectName", readString),
        json::optional<std::string>(value, "groupKey", readString),
        json::optional<std::string>(value, "suggestedName", readString),
        json::optional<URL>(value, "suggestedFolder", [](const Json& j) { return json::url(j); }),
        json::array<EvidenceClaim>(json::field(value, "provenance")),
        json::string(json::field(value, "analyzerID")),
    };
}

}  // namespace ordane
