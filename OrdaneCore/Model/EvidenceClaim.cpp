#include "OrdaneCore/Model/EvidenceClaim.hpp"

#include <array>

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

// The texts of a list, kept by the thread while read and then moved at their exact count.
std::vector<std::string> readTexts(JsonReader& reader) {
    thread_local std::vector<std::string> texts;
    texts.clear();
    reader.forEachElement([&] { texts.push_back(reader.readString()); });
    return {std::make_move_iterator(texts.begin()), std::make_move_iterator(texts.end())};
}

using Keys1 = std::array<std::string_view, 1>;
using Keys2 = std::array<std::string_view, 2>;

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

EvidenceClaim EvidenceClaim::read(JsonReader& reader) { return {json::readTagged<decltype(value)>(reader, "EvidenceClaim")}; }

Claim::RuleAnchor Claim::RuleAnchor::readPayload(JsonReader& reader) {
    RuleAnchor result;
    reader.readRequiredMembers(Keys2{"kind", "note"}, [&](size_t k) {
        if (k == 0) {
            result.kind = reader.readEnumeration<DocKind>();
        } else {
            result.note = reader.readString();
        }
    });
    return result;
}

Claim::RuleSignals Claim::RuleSignals::readPayload(JsonReader& reader) {
    RuleSignals result;
    reader.readRequiredMembers(Keys2{"kind", "notes"}, [&](size_t k) {
        if (k == 0) {
            result.kind = reader.readEnumeration<DocKind>();
        } else {
            result.notes = readTexts(reader);
        }
    });
    return result;
}

Claim::Lexical Claim::Lexical::readPayload(JsonReader& reader) {
    Lexical result;
    reader.readRequiredMembers(Keys1{"similarity"}, [&](size_t) { result.similarity = reader.readDouble(); });
    return result;
}

Claim::Structural Claim::Structural::readPayload(JsonReader& reader) {
    Structural result;
    reader.readRequiredMembers(Keys1{"notes"}, [&](size_t) { result.notes = readTexts(reader); });
    return result;
}

Claim::EntityShape Claim::EntityShape::readPayload(JsonReader& reader) {
    return EntityShape{Structural::readPayload(reader).notes};
}

Claim::Filename Claim::Filename::readPayload(JsonReader& reader) {
    Filename result;
    reader.readRequiredMembers(Keys1{"note"}, [&](size_t) { result.note = reader.readString(); });
    return result;
}

Claim::Metadata Claim::Metadata::readPayload(JsonReader& reader) {
    return Metadata{Filename::readPayload(reader).note};
}

Claim::FolderSimilarity Claim::FolderSimilarity::readPayload(JsonReader& reader) {
    FolderSimilarity result;
    reader.readRequiredMembers(Keys2{"folderName", "similarity"}, [&](size_t k) {
        if (k == 0) {
            result.folderName = reader.readString();
        } else {
            result.similarity = reader.readDouble();
        }
    });
    return result;
}

Claim::FilingHistory Claim::FilingHistory::readPayload(JsonReader& reader) {
    FilingHistory result;
    reader.readRequiredMembers(Keys2{"acceptCount", "folderName"}, [&](size_t k) {
        if (k == 0) {
            result.acceptCount = reader.readInt64();
        } else {
            result.folderName = reader.readString();
        }
    });
    return result;
}

Claim::Family Claim::Family::readPayload(JsonReader& reader) {
    Family result;
    reader.readRequiredMembers(Keys1{"memberCount"}, [&](size_t) { result.memberCount = reader.readInt64(); });
    return result;
}

}  // namespace ordane
