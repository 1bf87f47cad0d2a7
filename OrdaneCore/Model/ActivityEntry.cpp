#include "OrdaneCore/Model/ActivityEntry.hpp"

#include "OrdaneCore/Foundation/TaggedUnion.hpp"

namespace ordane {

namespace {
Json originalEntryPayload(const UUID& id) { return Json{{"originalEntryID", json::uuidValue(id)}}; }
UUID originalEntryID(const Json& payload) { return json::uuid(json::field(payload, "originalEntryID")); }
}  // namespace

Json ActivityEntry::Kind::Moved::payload() const {
    return Json{{"from", json::urlValue(from)}, {"to", json::urlValue(to)}};
}

ActivityEntry::Kind::Moved ActivityEntry::Kind::Moved::fromPayload(const Json& payload) {
    return Moved{json::url(json::field(payload, "from")), json::url(json::field(payload, "to"))};
}

Json ActivityEntry::Kind::Trashed::payload() const {
    return Json{{"original", json::urlValue(original)}, {"trashURL", json::urlValue(trashURL)}};
}

ActivityEntry::Kind::Trashed ActivityEntry::Kind::Trashed::fromPayload(const Json& payload) {
    return Trashed{json::url(json::field(payload, "original")), json::url(json::field(payload, "trashURL"))};
}

Json ActivityEntry::Kind::Undone::payload() const { return originalEntryPayload(originalEntryID); }

ActivityEntry::Kind::Undone ActivityEntry::Kind::Undone::fromPayload(const Json& payload) {
    return Undone{ordane::originalEntryID(payload)};
}

Json ActivityEntry::Kind::RestoredFromTrash::payload() const { return originalEntryPayload(originalEntryID); }

ActivityEntry::Kind::RestoredFromTrash ActivityEntry::Kind::RestoredFromTrash::fromPayload(const Json& payload) {
    return RestoredFromTrash{ordane::originalEntryID(payload)};
}

Json ActivityEntry::Kind::toJson() const { return json::encodeTagged(value); }

ActivityEntry::Kind ActivityEntry::Kind::fromJson(const Json& json) {
    return {json::decodeTagged<decltype(value)>(json, "ActivityEntry.Kind")};
}

Json ActivityEntry::toJson() const {
    Json result = {
        {"id", json::uuidValue(id)},
        {"date", json::dateValue(date)},
        {"kind", kind.toJson()},
        {"sizeBytes", sizeBytes},
        {"undoable", undoable},
    };
    json::setOptional(result, "undoableNote", undoableNote, json::stringValue);
    json::setOptional(result, "suggestionKind", suggestionKind, json::stringValue);
    json::setNonEmpty(result, "createdFolders", createdFolders, json::urlValue);
    return result;
}

ActivityEntry ActivityEntry::fromJson(const Json& value) {
    auto readString = [](const Json& j) { return json::string(j); };
    return ActivityEntry{
        json::uuid(json::field(value, "id")),
        json::date(json::field(value, "date")),
        Kind::fromJson(json::field(value, "kind")),
        json::int64(json::field(value, "sizeBytes")),
        json::boolean(json::field(value, "undoable")),
        json::optional<std::string>(value, "undoableNote", readString),
        json::optional<std::string>(value, "suggestionKind", readString),
        json::optionalArray<URL>(value, "createdFolders", [](const Json& j) { return json::url(j); }),
    };
}

}  // namespace ordane
