#include "OrdaneCore/Fingerprint/EntitySignature.hpp"

#include <array>
#include <utility>

#include "OrdaneCore/Foundation/JsonReader.hpp"

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

// Every key the reader looks for: the integers, then the flags, then the lists.
constexpr auto readKeys = [] {
    std::array<std::string_view, integerFields.size() + flagFields.size() + listFields.size()> keys{};
    size_t k = 0;
    for (const auto& field : integerFields) keys[k++] = field.first;
    for (const auto& field : flagFields) keys[k++] = field.first;
    for (const auto& field : listFields) keys[k++] = field.first;
    return keys;
}();

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

EntitySignature EntitySignature::read(JsonReader& reader) {
    // Read into a vector kept by the thread, then copied at its exact size.
    thread_local std::vector<int64_t> numbers;
    EntitySignature result;
    reader.readRequiredMembers(readKeys, [&](size_t k) {
        constexpr size_t flagsStart = integerFields.size();
        constexpr size_t listsStart = flagsStart + flagFields.size();
        if (k < flagsStart) {
            result.*integerFields[k].second = reader.readInt64();
        } else if (k < listsStart) {
            result.*flagFields[k - flagsStart].second = reader.readBool();
        } else {
            reader.readInt64Array(numbers);
            std::vector<int64_t>& list = result.*listFields[k - listsStart].second;
            list = std::vector<int64_t>(numbers.begin(), numbers.end());
        }
    });
    return result;
}

}  // namespace ordane
