#include "OrdaneCore/Model/PlannedAction.hpp"

#include "OrdaneCore/Foundation/TaggedUnion.hpp"

namespace ordane {

namespace {
std::string readString(const Json& json) { return json::string(json); }
}  // namespace

Json PlannedAction::Kind::Move::payload() const {
    return Json{{"from", json::urlValue(from)}, {"to", json::urlValue(to)}};
}

PlannedAction::Kind::Move PlannedAction::Kind::Move::fromPayload(const Json& payload) {
    return Move{json::url(json::field(payload, "from")), json::url(json::field(payload, "to"))};
}

Json PlannedAction::Kind::Trash::payload() const { return json::unnamed(json::urlValue(url)); }

PlannedAction::Kind::Trash PlannedAction::Kind::Trash::fromPayload(const Json& payload) {
    return Trash{json::url(json::unnamedField(payload))};
}

Json PlannedAction::Kind::toJson() const { return json::encodeTagged(value); }

PlannedAction::Kind PlannedAction::Kind::fromJson(const Json& json) {
    return {json::decodeTagged<decltype(value)>(json, "PlannedAction.Kind")};
}

Json PlannedAction::State::Pending::payload() const { return Json::object(); }

PlannedAction::State::Pending PlannedAction::State::Pending::fromPayload(const Json&) { return {}; }

Json PlannedAction::State::Done::payload() const { return Json{{"resultURL", json::urlValue(resultURL)}}; }

PlannedAction::State::Done PlannedAction::State::Done::fromPayload(const Json& payload) {
    return Done{json::url(json::field(payload, "resultURL"))};
}

Json PlannedAction::State::Failed::payload() const { return json::unnamed(json::stringValue(message)); }

PlannedAction::State::Failed PlannedAction::State::Failed::fromPayload(const Json& payload) {
    return Failed{json::string(json::unnamedField(payload))};
}

Json PlannedAction::State::Skipped::payload() const { return json::unnamed(json::stringValue(reason)); }

PlannedAction::State::Skipped PlannedAction::State::Skipped::fromPayload(const Json& payload) {
    return Skipped{json::string(json::unnamedField(payload))};
}

Json PlannedAction::State::toJson() const { return json::encodeTagged(value); }

PlannedAction::State PlannedAction::State::fromJson(const Json& json) {
    return {json::decodeTagged<decltype(value)>(json, "PlannedAction.State")};
}

const URL& PlannedAction::sourceURL() const {
    if (const auto* move = std::get_if<Kind::Move>(&kind.value)) return move->from;
    return std::get<Kind::Trash>(kind.value).url;
}

Json PlannedAction::toJson() const {
    Json result = {
        {"id", json::uuidValue(id)},
        {"kind", kind.toJson()},
        {"sizeBytes", sizeBytes},
        {"expectedSize", expectedSize},
        {"state", state.toJson()},
    };
    json::setOptional(result, "expectedModified", expectedModified, json::dateValue);
    json::setOptional(result, "cloudWarning", cloudWarning, json::stringValue);
    json::setOptional(result, "recognitionKind", recognitionKind, json::stringValue);
    json::setNonEmpty(result, "createdFolders", createdFolders, json::urlValue);
    return result;
}

PlannedAction PlannedAction::fromJson(const Json& value) {
    return PlannedAction{
        json::uuid(json::field(value, "id")),
        Kind::fromJson(json::field(value, "kind")),
        json::int64(json::field(value, "sizeBytes")),
        json::int64(json::field(value, "expectedSize")),
        json::optional<Date>(value, "expectedModified", [](const Json& j) { return json::date(j); }),
        json::optional<std::string>(value, "cloudWarning", readString),
        json::optional<std::string>(value, "recognitionKind", readString),
        State::fromJson(json::field(value, "state")),
        json::optionalArray<URL>(value, "createdFolders", [](const Json& j) { return json::url(j); }),
    };
}

}  // namespace ordane
