#include "OrdaneCore/Fingerprint/StructuralFeatures.hpp"

#include <array>
#include <utility>

#include "OrdaneCore/Foundation/JsonReader.hpp"

namespace ordane {

namespace {

using Features = StructuralFeatures;

constexpr std::array<std::pair<const char*, int64_t Features::*>, 12> integerFields{{
    {"pageCount", &Features::pageCount},
    {"characterCount", &Features::characterCount},
    {"lineCount", &Features::lineCount},
    {"headingCount", &Features::headingCount},
    {"numberedStepCount", &Features::numberedStepCount},
    {"dateCount", &Features::dateCount},
    {"dateRangeCount", &Features::dateRangeCount},
    {"currencyCount", &Features::currencyCount},
    {"currencyLineCount", &Features::currencyLineCount},
    {"unitOfMeasureCount", &Features::unitOfMeasureCount},
    {"temperatureCount", &Features::temperatureCount},
    {"tocDotLeaderCount", &Features::tocDotLeaderCount},
}};

constexpr std::array<std::pair<const char*, bool Features::*>, 2> flagFields{{
    {"hasMaskedAccountNumber", &Features::hasMaskedAccountNumber},
    {"contactInfoNearTop", &Features::contactInfoNearTop},
}};

// Every key the reader looks for: the integers, then the flags, then the density.
constexpr auto readKeys = [] {
    std::array<std::string_view, integerFields.size() + flagFields.size() + 1> keys{};
    size_t k = 0;
    for (const auto& field : integerFields) keys[k++] = field.first;
    for (const auto& field : flagFields) keys[k++] = field.first;
    keys[k] = "topRegionDensity";
    return keys;
}();

}  // namespace

Json StructuralFeatures::toJson() const {
    Json result = Json::object();
    for (const auto& [key, member] : integerFields) result[key] = Json(this->*member);
    for (const auto& [key, member] : flagFields) result[key] = Json(this->*member);
    result["topRegionDensity"] = json::numberValue(topRegionDensity);
    return result;
}

StructuralFeatures StructuralFeatures::fromJson(const Json& value) {
    json::requireObject(value, "structural features");
    StructuralFeatures result;
    for (const auto& [key, member] : integerFields) result.*member = json::int64(json::field(value, key));
    for (const auto& [key, member] : flagFields) result.*member = json::boolean(json::field(value, key));
    result.topRegionDensity = json::number(json::field(value, "topRegionDensity"));
    return result;
}

StructuralFeatures StructuralFeatures::read(JsonReader& reader) {
    StructuralFeatures result;
    reader.readRequiredMembers(readKeys, [&](size_t k) {
        if (k < integerFields.size()) {
            result.*integerFields[k].second = reader.readInt64();
        } else if (k < integerFields.size() + flagFields.size()) {
            result.*flagFields[k - integerFields.size()].second = reader.readBool();
        } else {
            result.topRegionDensity = reader.readDouble();
        }
    });
    return result;
}

}  // namespace ordane
