#include "OrdaneCore/Model/ProposedFolder.hpp"

#include "OrdaneCore/Foundation/SaturatingAdd.hpp"

namespace ordane {

int64_t ProposedFolder::totalBytes() const {
    int64_t total = 0;
    for (const Finding& member : members) total = saturatingAdd(total, member.record.size());
    return total;
}

Json ProposedFolder::toJson() const {
    return Json{
        {"id", json::uuidValue(id)},
        {"destination", json::urlValue(destination)},
        {"isNew", isNew},
        {"displayPath", json::stringValue(displayPath)},
        {"source", json::enumValue(source)},
        {"rationale", json::stringValue(rationale)},
        {"members", json::array(members)},
        {"confidence", json::numberValue(confidence)},
    };
}

ProposedFolder ProposedFolder::fromJson(const Json& value) {
    return ProposedFolder{
        json::uuid(json::field(value, "id")),
        json::url(json::field(value, "destination")),
        json::boolean(json::field(value, "isNew")),
        json::string(json::field(value, "displayPath")),
        json::enumeration<ProposalSource>(json::field(value, "source")),
        json::string(json::field(value, "rationale")),
        json::array<Finding>(json::field(value, "members")),
        json::number(json::field(value, "confidence")),
    };
}

}  // namespace ordane
