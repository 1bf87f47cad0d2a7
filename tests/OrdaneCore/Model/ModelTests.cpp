#include <gtest/gtest.h>

#include "OrdaneCore/Model/DocKind.hpp"
#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "OrdaneCore/Model/Finding.hpp"
#include "OrdaneCore/Model/ProposalSource.hpp"

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

DuplicateGroup group(std::vector<FileRecord> members, int keepIndex) {
    return DuplicateGroup(UUID::random(), DuplicateKind::exact, std::move(members), keepIndex, "Kept.", std::nullopt);
}
}  // namespace

TEST(Enumerations, RawValuesAreExactCaseNamesInDeclaredOrder) {
    EXPECT_EQ(enumFromRaw<DocKind>("taxDocument"), DocKind::taxDocument);
    EXPECT_FALSE(enumFromRaw<DocKind>("TaxDocument"));
    EXPECT_FALSE(enumFromRaw<DocKind>("taxdocument"));
    std::vector<DocKind> sensitive;
    for (DocKind kind : allCases<DocKind>()) {
        if (isSensitive(kind)) sensitive.push_back(kind);
    }
    EXPECT_EQ(sensitive, (std::vector<DocKind>{DocKind::taxDocument, DocKind::bankStatement, DocKind::medical,
                                               DocKind::legalContract, DocKind::idCertificate}));
    EXPECT_EQ(displayNoun(DocKind::unknown), "document");
    EXPECT_EQ(allCases<FindingCategory>().front(), FindingCategory::biggestFiles);
    EXPECT_EQ(allCases<FindingCategory>().back(), FindingCategory::recreatable);
    const auto sources = allCases<ProposalSource>();
    ASSERT_EQ(sources.size(), 6u);
    EXPECT_EQ(rawValue(sources.front()), "recognition");
    EXPECT_EQ(rawValue(sources.back()), "fromDownloads");
}

TEST(Finding, JsonRoundTripOmitsAbsentFields) {
    Finding finding{UUID::random(), sized(10), FindingCategory::screenshots, Recommendation::probablySafeToRemove,
                    "Old screenshot.", std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    Json encoded = finding.toJson();
    for (const char* key : {"detail", "suggestedDestination", "groupID", "recognitionKind"}) {
        EXPECT_FALSE(encoded.contains(key)) << key;
    }
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

TEST(DuplicateGroup, NonKeptMembersGoByPositionAndCountLogicalSizes) {
    FileRecord same = sized(100, 8192);
    DuplicateGroup three = group({same, same, sized(7)}, 1);
    EXPECT_EQ(three.nonKeptMembers(), (std::vector<FileRecord>{same, three.members()[2]}));
    EXPECT_EQ(three.reclaimableBytes(), 107);  // logical sizes, not allocated ones
    EXPECT_EQ(group({sized(0), sized(0)}, 0).reclaimableBytes(), 0);
    // Sizes come back from stored files; a damaged one must not overflow the sum.
    EXPECT_EQ(group({sized(1), sized(INT64_MAX), sized(5)}, 0).reclaimableBytes(), INT64_MAX);
}

TEST(DuplicateGroup, InvalidGroupsAreRefused) {
    EXPECT_THROW(group({}, 0), std::invalid_argument);
    EXPECT_THROW(group({sized(1)}, 1), std::invalid_argument);
    EXPECT_THROW(group({sized(1)}, -1), std::invalid_argument);

    DuplicateGroup versions(UUID::random(), DuplicateKind::versionSeries, {sized(1), sized(2)}, 0, "Newest.",
                            std::nullopt);
    Json encoded = versions.toJson();
    EXPECT_FALSE(encoded.contains("sha256"));
    EXPECT_EQ(DuplicateGroup::fromJson(encoded), versions);
    encoded["keepIndex"] = 2;
    EXPECT_THROW(DuplicateGroup::fromJson(encoded), DecodingError);
    encoded["keepIndex"] = 0;
    encoded["members"] = Json::array();
    EXPECT_THROW(DuplicateGroup::fromJson(encoded), DecodingError);
}
