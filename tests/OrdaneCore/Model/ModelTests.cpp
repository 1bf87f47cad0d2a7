#include <gtest/gtest.h>

#include "OrdaneCore/Model/DocKind.hpp"
#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "OrdaneCore/Model/Finding.hpp"

using namespace ordane;

namespace {
FileRecord sized(int64_t size, int64_t allocated = 0) {
    FileRecord r;
    r.id = UUID::random();
    r.url = URL::fileURL("/a/" + std::to_string(size));
    r.size = size;
    r.allocatedSize = allocated;
    return r;
}
}  // namespace

TEST(DocKind, RawValuesAreExactCaseNames) {
    EXPECT_EQ(enumFromRaw<DocKind>("taxDocument"), DocKind::taxDocument);
    EXPECT_FALSE(enumFromRaw<DocKind>("TaxDocument"));
    EXPECT_FALSE(enumFromRaw<DocKind>("taxdocument"));
    EXPECT_FALSE(isSensitive(DocKind::unknown));
    EXPECT_EQ(displayNoun(DocKind::unknown), "document");
    int sensitive = 0;
    for (DocKind kind : allCases<DocKind>()) sensitive += isSensitive(kind);
    EXPECT_EQ(sensitive, 5);
    EXPECT_EQ(allCases<FindingCategory>().front(), FindingCategory::biggestFiles);
    EXPECT_EQ(allCases<FindingCategory>().back(), FindingCategory::recreatable);
}

TEST(Finding, JsonRoundTripOmitsAbsentFields) {
    Finding finding{UUID::random(), sized(10), FindingCategory::screenshots, Recommendation::probablySafeToRemove,
                    "Old screenshot.", std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    Json encoded = finding.toJson();
    EXPECT_FALSE(encoded.contains("detail"));
    EXPECT_FALSE(encoded.contains("groupID"));
    EXPECT_EQ(encoded["recommendation"], "probablySafeToRemove");
    EXPECT_EQ(Finding::fromJson(encoded), finding);

    finding.detail = "a → b";
    finding.suggestedDestination = URL::fileURL("/Users/a/Documents/Taxes/x.pdf");
    finding.groupID = UUID::random();
    finding.recognitionKind = "taxDocument";
    EXPECT_EQ(Finding::fromJson(json::parse(json::dumpCompact(finding.toJson()))), finding);

    encoded["category"] = "BiggestFiles";
    EXPECT_THROW(Finding::fromJson(encoded), DecodingError);
}

TEST(DuplicateGroup, KeeperAndReclaimableBytesGoByPosition) {
    FileRecord same = sized(100, 8192);
    DuplicateGroup group(UUID::random(), DuplicateKind::exact, {same, same, sized(7)}, 1, "Kept.", "ab");
    auto others = group.nonKeptMembers();
    ASSERT_EQ(others.size(), 2u);
    EXPECT_EQ(others[0], same);
    EXPECT_EQ(others[1].size, 7);
    EXPECT_EQ(group.reclaimableBytes(), 107);  // logical sizes, not allocated ones
    DuplicateGroup zeros(UUID::random(), DuplicateKind::similarName, {sized(0), sized(0)}, 0, "", std::nullopt);
    EXPECT_EQ(zeros.reclaimableBytes(), 0);
}

TEST(DuplicateGroup, InvalidGroupsAreRefused) {
    EXPECT_THROW(DuplicateGroup(UUID::random(), DuplicateKind::exact, {}, 0, "", std::nullopt), std::invalid_argument);
    EXPECT_THROW(DuplicateGroup(UUID::random(), DuplicateKind::exact, {sized(1)}, 1, "", std::nullopt),
                 std::invalid_argument);
    EXPECT_THROW(DuplicateGroup(UUID::random(), DuplicateKind::exact, {sized(1)}, -1, "", std::nullopt),
                 std::invalid_argument);

    DuplicateGroup group(UUID::random(), DuplicateKind::versionSeries, {sized(1), sized(2)}, 0, "Newest.", std::nullopt);
    Json encoded = group.toJson();
    EXPECT_FALSE(encoded.contains("sha256"));
    EXPECT_EQ(DuplicateGroup::fromJson(encoded), group);
    encoded["keepIndex"] = 2;
    EXPECT_THROW(DuplicateGroup::fromJson(encoded), DecodingError);
    encoded["keepIndex"] = 0;
    encoded["members"] = Json::array();
    EXPECT_THROW(DuplicateGroup::fromJson(encoded), DecodingError);
}

TEST(DuplicateGroup, ReclaimableBytesStopsAtTheLargestSize) {
    // Sizes come back from stored files; a damaged one must not overflow the sum.
    DuplicateGroup group(UUID::random(), DuplicateKind::exact,
                         {sized(1), sized(std::numeric_limits<int64_t>::max()), sized(5)}, 0, "", std::nullopt);
    EXPECT_EQ(group.reclaimableBytes(), std::numeric_limits<int64_t>::max());
}
