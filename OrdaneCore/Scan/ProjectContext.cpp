#include "OrdaneCore/Scan/ProjectContext.hpp"

namespace ordane {

Json ProjectContext::toJson() const {
    if (const auto* source = std::get_if<SourceOfProject>(&value)) {
        return json::tagged("sourceOfProject", Json{{"root", json::urlValue(source->root)}});
    }
    const auto& recreatable = std::get<Recreatable>(value);
    Json payload = Json{{"kind", json::stringValue(recreatable.kind)}};
    json::setOptional(payload, "root", recreatable.root, json::urlValue);
    return json::tagged("recreatable", std::move(payload));
}

ProjectContext ProjectContext::fromJson(const Json& value) {
    auto tagged = json::taggedCase(value);
    const Json& payload = *tagged.payload;
    if (tagged.name == "sourceOfProject") return sourceOfProject(json::url(json::field(payload, "root")));
    if (tagged.name == "recreatable") {
        return recreatable(json::string(json::field(payload, "kind")),
                           json::optional<URL>(payload, "root", [](const Json& j) { return json::url(j); }));
    }
    throw DecodingError("Unknown ProjectContext case \"" + tagged.name + "\"");
}

}  // namespace ordane
