#include "OrdaneCore/Fingerprint/EntitySignature.hpp"

#include <array>
#include <utility>

namespace ordane {

namespace {

using Signature = EntitySignature;

constexpr std::array<std::pair<const char*, int64_t Signature::*>, 8> integerFields{{
    {"personCount", &Signature::personCount},
    {"organizationCount", &Signature::organizationCount},
    {"emailCount", &Signature::emailCount},
    {"phoneCount", &Signature::phoneCount},
    {"addressCount", &Signature::addressCount},
    {"airportCodePairCount", &Signature::airportCodePairCount},
    {"documentIDCount", &Signature::documentIDCount},
    {"percentageCount", &Signature::percentageCount},
}};

constexpr std::array<std::pair<const char*, bool Signature::*>, 2> flagFields{{
    {"personNearTop", &Signature::personNearTop},
    {"ownerNameNearTop", &Signature::ownerNameNearTop},
}};

constexpr std::array<std::pair<const char*, std::vector<int64_t> Signature::*>, 2> listFields{{
    {"yearMentions", &Signature::yearMentions},
    {"monthYearMentions", &Signature::monthYearMentions},
}};

}  // namespace

Json EntitySignature::toJson() const {
    Json result = Json::object();
    for (const auto& [key, member] : integerFields) result[key] = Json(this->*member);
    for (const auto& [key, member] : flagFields) result[key] = Json(this->*member);
    for (const auto& [key, member] : listFields) {
        result[key] = json::array(this->*member, [](int64_t number) { return Json(number); });
    }
    return result;
}

EntitySignature EntitySignature::fromJson(const Json& value) {
    json::requireObject(value, "entity signature");
    EntitySignature result;
    for (const auto& [key, member] : integerFields) result.*member = json::int64(json::field(value, key));
    for (const auto& [key, member] : flagFields) result.*member = json::boolean(json::field(value, key));
    for (const auto& [key, member] : listFields) result.*member = json::array<int64_t>(json::field(value, key), json::int64);
    return result;
}

}  // namespace ordane
