#include "OrdaneCore/Model/ContentInsight.hpp"

#include <array>

#include "OrdaneCore/Foundation/JsonReader.hpp"

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

namespace {

URL readURL(JsonReader& reader) {
    auto result = URL::fromAbsoluteString(reader.readString());
    if (!result) throw DecodingError("Expected an absolute file URL");
    return *result;
}

constexpr std::array<std::string_view, 5> requiredKeys{"url", "kind", "tier", "provenance", "analyzerID"};

}  // namespace

ContentInsight ContentInsight::read(JsonReader& reader) {
    auto readString = [](JsonReader& r) { return r.readString(); };
    ContentInsight insight;
    uint32_t seen = 0;
    reader.forEachMember([&](std::string_view key) {
        if (key == "url") {
            insight.url = readURL(reader);
            seen |= 1;
        } else if (key == "kind") {
            insight.kind = reader.readEnumeration<DocKind>();
            seen |= 2;
        } else if (key == "tier") {
            insight.tier = reader.readEnumeration<ConfidenceTier>();
            seen |= 4;
        } else if (key == "provenance") {
            // Gathered in a vector kept by the thread, then moved at their exact count.
            thread_local std::vector<EvidenceClaim> claims;
            claims.clear();
            reader.forEachElement([&] { claims.push_back(EvidenceClaim::read(reader)); });
            insight.provenance.assign(std::make_move_iterator(claims.begin()), std::make_move_iterator(claims.end()));
            seen |= 8;
        } else if (key == "analyzerID") {
            insight.analyzerID = reader.readString();
            seen |= 16;
        } else if (key == "title") {
            reader.readOptional(insight.title, readString);
        } else if (key == "subjectName") {
            reader.readOptional(insight.subjectName, readString);
        } else if (key == "groupKey") {
            reader.readOptional(insight.groupKey, readString);
        } else if (key == "suggestedName") {
            reader.readOptional(insight.suggestedName, readString);
        } else if (key == "suggestedFolder") {
            reader.readOptional(insight.suggestedFolder, readURL);
        } else {
            reader.skipValue();
        }
    });
    for (size_t k = 0; k < requiredKeys.size(); ++k) {
        if ((seen & (1u << k)) == 0) JsonReader::missingKey(requiredKeys[k]);
    }
    return insight;
}

}  // namespace ordane
