#include <gtest/gtest.h>

#include <string>

#include "OrdaneCore/Fingerprint/Fingerprint.hpp"

using namespace ordane;

namespace {

Fingerprint sample() {
    StructuralFeatures structural{3, 5120, 140, 6, 4, 9, 2, 12, 7, true, false, 0.0, 11, 1, 3};
    EntitySignature entities{2, true, false, 1, 3, 2, 1, 4, 2, 5, {1999, 2024}, {202401, 202403}};
    return Fingerprint{SparseVector::checkedPair({4, 800, 4095}, {1.0f, 2.0986123f, 1.6931472f}), structural,
                       entities, 18446744073709551615ull};
}

Json roundTripped(const Json& value) { return json::parse(json::dumpCompact(value)); }

}  // namespace

TEST(FingerprintJson, RoundTripsIncludingTheTopSimHashBit) {
    Fingerprint original = sample();
    std::string text = json::dumpCompact(original.toJson());
    EXPECT_NE(text.find("\"simHash\":18446744073709551615"), std::string::npos) << text;
    EXPECT_EQ(Fingerprint::fromJson(json::parse(text)), original);

    original.simHash = (1ull << 63) + 1;  // not representable as a double
    original.structural.topRegionDensity = 0.3125;
    EXPECT_EQ(Fingerprint::fromJson(roundTripped(original.toJson())), original);

    Fingerprint blank;
    EXPECT_EQ(Fingerprint::fromJson(roundTripped(blank.toJson())), blank);
}

TEST(FingerprintJson, EmptyYearListsAreWrittenAsArrays) {
    EntitySignature none;
    Json encoded = none.toJson();
    ASSERT_TRUE(encoded.contains("yearMentions"));
    EXPECT_TRUE(encoded["yearMentions"].is_array());
    EXPECT_TRUE(encoded["monthYearMentions"].is_array());
    EXPECT_EQ(encoded.size(), 12u);
    EXPECT_EQ(EntitySignature::fromJson(roundTripped(encoded)), none);
}

TEST(FingerprintJson, EveryKeyIsRequired) {
    Json structural = sample().structural.toJson();
    ASSERT_EQ(structural.size(), 15u);
    for (const auto& [key, _] : structural.items()) {
        Json damaged = structural;
        damaged.erase(key);
        EXPECT_THROW(StructuralFeatures::fromJson(damaged), DecodingError) << key;
    }
    Json entities = sample().entities.toJson();
    for (const auto& [key, _] : entities.items()) {
        Json damaged = entities;
        damaged.erase(key);
        EXPECT_THROW(EntitySignature::fromJson(damaged), DecodingError) << key;
    }
    Json whole = sample().toJson();
    ASSERT_EQ(whole.size(), 4u);
    for (const auto& [key, _] : whole.items()) {
        Json damaged = whole;
        damaged.erase(key);
        EXPECT_THROW(Fingerprint::fromJson(damaged), DecodingError) << key;
    }
}

TEST(FingerprintJson, MistypedValuesMakeTheWholeValueUnreadable) {
    auto withField = [](const char* path, Json value) {
        Json whole = sample().toJson();
        whole[Json::json_pointer(path)] = std::move(value);
        return whole;
    };
    for (Json damaged : {
             withField("/simHash", Json(1.8446744073709552e19)),  // passed through a double
             withField("/simHash", Json(-1)),
             withField("/simHash", Json("1")),
             withField("/structural/pageCount", Json(1.5)),
             withField("/structural/hasMaskedAccountNumber", Json(1)),
             withField("/structural/topRegionDensity", Json("0.5")),
             withField("/entities/yearMentions", Json::array({2020, 20.5})),
             withField("/entities/monthYearMentions", Json(202401)),
             withField("/termFrequency/indices", Json::array({4, 4, 5})),
         }) {
        EXPECT_THROW(Fingerprint::fromJson(damaged), DecodingError) << damaged.dump();
    }
}
