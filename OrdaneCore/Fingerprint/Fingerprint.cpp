#include "OrdaneCore/Fingerprint/Fingerprint.hpp"

namespace ordane {

Json Fingerprint::toJson() const {
    Json result = Json::object();
    result["termFrequency"] = termFrequency.toJson();
    result["structural"] = structural.toJson();
    result["entities"] = entities.toJson();
    result["simHash"] = Json(simHash);
    return result;
}

Fingerprint Fingerprint::fromJson(const Json& value) {
    json::requireObject(value, "fingerprint");
    return Fingerprint{
        SparseVector::fromJson(json::field(value, "termFrequency")),
        StructuralFeatures::fromJson(json::field(value, "structural")),
        EntitySignature::fromJson(json::field(value, "entities")),
        json::uint64(json::field(value, "simHash")),
    };
}

}  // namespace ordane
