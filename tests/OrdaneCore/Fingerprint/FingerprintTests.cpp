#include <gtest/gtest.h>

#include <string>

#include "OrdaneCore/Fingerprint/Fingerprint.hpp"
#include "Support/StoredJson.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {

Fingerprint sample() {
    StructuralFeatures structural{3, 5120, 140, 6, 4, 9, 2, 12, 7, true, false, 0.0, 11, 1, 8};
    EntitySignature entities{2, true, false, 1, 3, 5, 6, 4, 7, 9, {1999, 2024}, {202401, 202403}};
    return Fingerprint{SparseVector::checkedPair({4, 800, 4095}, {1.0f, 2.0986123f, 1.6931472f}), structural,
                       entities, 18446744073709551615ull};
}

}  // namespace

TEST(FingerprintJson, StoredFormKeepsEveryBitOfTheSimHash) {
    Fingerprint original = sample();
    expectStoredForm(original, R"({
        "termFrequency": {"indices": [4, 800, 4095], "values": [1.0, 2.0986123, 1.6931472]},
        "structural": {"pageCount": 3, "characterCount": 5120, "lineCount": 140, "headingCount": 6,
                       "numberedStepCount": 4, "dateCount": 9, "dateRangeCount": 2, "currencyCount": 12,
                       "currencyLineCount": 7, "hasMaskedAccountNumber": true, "contactInfoNearTop": false,
                       "topRegionDensity": 0.0, "unitOfMeasureCount": 11, "temperatureCount": 1, "tocDotLeaderCount": 8},
        "entities": {"personCount": 2, "personNearTop": true, "ownerNameNearTop": false, "organizationCount": 1,
                     "emailCount": 3, "phoneCount": 5, "addressCount": 6, "airportCodePairCount": 4,
                     "documentIDCount": 7, "percentageCount": 9, "yearMentions": [1999, 2024],
                     "monthYearMentions": [202401, 202403]},
        "simHash": 18446744073709551615
    })");
    EXPECT_NE(json::dumpCompact(original.toJson()).find("\"simHash\":18446744073709551615"), std::string::npos);
    original.simHash = (1ull << 63) + 1;  // not representable as a double
    original.structural.topRegionDensity = 0.3125;
    EXPECT_EQ(reread(original), original);

    // Empty year lists are written as arrays, not left out.
    Fingerprint blank;
    EXPECT_EQ(blank.toJson()["entities"]["yearMentions"], Json::array());
    EXPECT_EQ(blank.toJson()["entities"]["monthYearMentions"], Json::array());
    EXPECT_EQ(reread(blank), blank);
}

TEST(FingerprintJson, AMissingOrMistypedKeyMakesTheWholeValueUnreadable) {
    const Json whole = sample().toJson();
    std::vector<Damage> damages = {
        {"/simHash", Json(1.8446744073709552e19)},  // passed through a double
        {"/simHash", -1},
        {"/simHash", "1"},
        {"/structural/pageCount", 1.5},
        {"/structural/hasMaskedAccountNumber", 1},
        {"/structural/topRegionDensity", "0.5"},
        {"/entities/yearMentions", Json::array({2020, 20.5})},
        {"/entities/monthYearMentions", 202401},
        {"/termFrequency/indices", Json::array({4, 4, 5})},
    };
    for (const auto& [key, _] : whole.items()) damages.push_back({"/" + key, removed});
    for (const char* part : {"structural", "entities"}) {
        for (const auto& [key, _] : whole[part].items()) damages.push_back({"/" + std::string(part) + "/" + key, removed});
    }
    EXPECT_EQ(damages.size(), 9u + 4u + 15u + 12u);
    expectEachRefused<Fingerprint>(whole, damages);
}
