#include "OrdaneCore/Model/EvidenceClaim.hpp"

#include "OrdaneCore/Foundation/TaggedUnion.hpp"

namespace ordane {

namespace {

using Claim = EvidenceClaim;

Json texts(const std::vector<std::string>& notes) {
    return json::array(notes, [](const std::string& note) { return json::stringValue(note); });
}

std::vector<std::string> readTexts(const Json& payload, std::string_view key) {
    return json::array<std::string>(json::field(payload, key), [](const Json& j) { return json::string(j); });
}

std::string readText(const Json& payload, std::string_view key) { return json::string(json::field(payload, key)); }

DocKind readKind(const Json& payload) { return json::enumeration<DocKind>(json::field(payload, "kind")); }

}  // namespace

Json Claim::RuleAnchor::payload() const {
    return Json{{"kind", json::enumValue(kind)}, {"note", json::stringValue(note)}};
}
Claim::RuleAnchor Claim::RuleAnchor::fromPayload(const Json& payload) {
    return RuleAnchor{readKind(payload), readText(payload, "note")};
}

Json Claim::RuleSignals::payload() const { return Json{{"kind", json::enumValue(kind)}, {"notes", texts(notes)}}; }
Claim::RuleSignals Claim::RuleSignals::fromPayload(const Json& payload) {
    return RuleSignals{readKind(payload), readTexts(payload, "notes")};
}

Json Claim::Lexical::payload() const { return Json{{"similarity", json::numberValue(similarity)}}; }
Claim::Lexical Claim::Lexical::fromPayload(const Json& payload) {
    return Lexical{json::number(json::field(payload, "similarity"))};
}

Json Claim::Structural::payload() const { return Json{{"notes", texts(notes)}}; }
Claim::Structural Claim::Structural::fromPayload(const Json& payload) {
    return Structural{readTexts(payload, "notes")};
}

Json Claim::EntityShape::payload() const { return Json{{"notes", texts(notes)}}; }
Claim::EntityShape Claim::EntityShape::fromPayload(const Json& payload) {
    return EntityShape{readTexts(payload, "notes")};
}

Json Claim::Filename::payload() const { return Json{{"note", json::stringValue(note)}}; }
Claim::Filename Claim::Filename::fromPayload(const Json& payload) { return Filename{readText(payload, "note")}; }

Json Claim::Metadata::payload() const { return Json{{"note", json::stringValue(note)}}; }
Claim::Metadata Claim::Metadata::fromPayload(const Json& payload) { return Metadata{readText(payload, "note")}; }

Json Claim::FolderSimilarity::payload() const {
    return Json{{"folderName", json::stringValue(folderName)}, {"similarity", json::numberValue(similarity)}};
}
Claim::FolderSimilarity Claim::FolderSimilarity::fromPayload(const Json& payload) {
    return FolderSimilarity{readText(payload, "folderName"), json::number(json::field(payload, "similarity"))};
}

Json Claim::FilingHistory::payload() const {
    return Json{{"acceptCount", acceptCount}, {"folderName", json::stringValue(folderName)}};
}
Claim::FilingHistory Claim::FilingHistory::fromPayload(const Json& payload) {
    return FilingHistory{json::int64(json::field(payload, "acceptCount")), readText(payload, "folderName")};
}

Json Claim::Family::payload() const { return Json{{"memberCount", memberCount}}; }
Claim::Family Claim::Family::fromPayload(const Json& payload) {
    return Family{json::int64(json::field(payload, "memberCount"))};
}

Json EvidenceClaim::toJson() const { return json::encodeTagged(value); }

EvidenceClaim EvidenceClaim::fromJson(const Json& json) {
    return {json::decodeTagged<decltype(value)>(json, "EvidenceClaim")};
}

}  // namespace ordane
