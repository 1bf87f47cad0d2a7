#include <gtest/gtest.h>

#include "OrdaneCore/Model/OrganizationProposal.hpp"
#include "OrdaneCore/Model/OrganizeScope.hpp"
#include "OrdaneCore/Model/SanitizedFolderName.hpp"

using namespace ordane;

namespace {

const UserFolders home(URL::fileURL("/home/ana", true));

std::string repeated(std::string_view piece, size_t count) {
    std::string result;
    for (size_t i = 0; i < count; ++i) result += piece;
    return result;
}

Finding member(const std::string& path, int64_t size, const URL& folder) {
    FileRecord record;
    record.id = UUID::random();
    record.url = URL::fileURL(path);
    record.size = size;
    URL destination = folder.appendingPathComponent(record.url.lastPathComponent());
    return Finding{UUID::random(),
                   record,
                   FindingCategory::organizeSuggestion,
                   Recommendation::organize,
                   "These look like tax documents.",
                   path + " → " + destination.path(),
                   destination,
                   std::nullopt,
                   "taxDocument"};
}

ProposedFolder taxesFolder() {
    URL taxes = URL::fileURL("/home/ana/Documents/Taxes", true);
    return ProposedFolder{*UUID::fromString("00000000-0000-4000-8000-00000000000A"),
                          taxes,
                          true,
                          "Documents → Taxes",
                          ProposalSource::recognition,
                          "These look like tax documents.",
                          {member("/home/ana/Downloads/w2 2023.pdf", 1000, taxes),
                           member("/home/ana/Desktop/1099.pdf", 234, taxes)},
                          0.875};
}

ProposedFolder photosFolder() {
    URL trip = URL::fileURL("/home/ana/Pictures/2023-07", true);
    return ProposedFolder{UUID::random(), trip,  false, "Pictures → 2023-07", ProposalSource::mediaDate,
                          "Photos from July 2023.", {member("/home/ana/Downloads/IMG_1.jpg", 5, trip)}, 0.5};
}

}  // namespace

TEST(SanitizedFolderName, CleansSeparatorsWhitespaceAndDots) {
    EXPECT_EQ(sanitizedFolderName("  Tax/Returns  "), "Tax Returns");
    EXPECT_EQ(sanitizedFolderName("a:b"), "a b");
    EXPECT_EQ(sanitizedFolderName("..hidden"), "hidden");
    EXPECT_EQ(sanitizedFolderName("Bills\n\t 2024"), "Bills 2024");
    EXPECT_EQ(sanitizedFolderName("Trip\u00A0\u2003Rome"), "Trip Rome");  // other spaces are whitespace too
    EXPECT_EQ(sanitizedFolderName("Résumés"), "Résumés");
    // The dots go after trimming, and nothing trims again.
    EXPECT_EQ(sanitizedFolderName(". Notes"), " Notes");
    EXPECT_EQ(sanitizedFolderName("v1.2."), "v1.2.");
    for (const char* unusable : {"", "...", ".", "..", "///", "   ", ":/:", "\t\n"}) {
        EXPECT_EQ(sanitizedFolderName(unusable), std::nullopt) << unusable;
    }
}

TEST(SanitizedFolderName, ControlCharactersBecomeSpaces) {
    using namespace std::string_literals;
    EXPECT_EQ(sanitizedFolderName("Tax\0es"s), "Tax es");
    EXPECT_EQ(sanitizedFolderName("a\x1F" "b"), "a b");
    EXPECT_EQ(sanitizedFolderName("a\x7F\u0085\u0090z"), "a z");
    EXPECT_EQ(sanitizedFolderName("\0\0"s), std::nullopt);
    // Other invisible characters are not controls and stay.
    EXPECT_EQ(sanitizedFolderName("a\u200Db"), "a\u200Db");
}

TEST(SanitizedFolderName, LimitsCountCharactersAndBytes) {
    EXPECT_EQ(sanitizedFolderName(repeated("a", 60)), repeated("a", 60));
    EXPECT_EQ(sanitizedFolderName(repeated("a", 61)), std::nullopt);
    // Characters, not code points: "e" and a combining accent count once.
    EXPECT_EQ(sanitizedFolderName(repeated("e\u0301", 60)), repeated("e\u0301", 60));
    EXPECT_EQ(sanitizedFolderName(repeated("e\u0301", 61)), std::nullopt);
    // Sixty characters or fewer that need more than 255 bytes cannot name a folder.
    const std::string fiveBytes = "e\u0301\u0301";  // one character
    EXPECT_EQ(sanitizedFolderName(repeated(fiveBytes, 51)), repeated(fiveBytes, 51));  // 255 bytes
    EXPECT_EQ(sanitizedFolderName(repeated(fiveBytes, 51) + "a"), std::nullopt);       // 256 bytes
    EXPECT_EQ(sanitizedFolderName(repeated("\U0001F600", 60)), repeated("\U0001F600", 60));  // 240 bytes
}

TEST(OrganizeScope, DownloadsAtAnyDepthOrDirectly) {
    OrganizeScope scope{home};
    EXPECT_TRUE(scope.includeDownloadsSubfolders);
    const URL deep = URL::fileURL("/home/ana/Downloads/a/b/report.pdf");
    const URL direct = URL::fileURL("/home/ana/Downloads/report.pdf");
    EXPECT_TRUE(scope.contains(deep));
    EXPECT_TRUE(scope.contains(direct));

    scope.includeDownloadsSubfolders = false;
    EXPECT_FALSE(scope.contains(deep));
    EXPECT_FALSE(scope.contains(URL::fileURL("/home/ana/Downloads/a/report.pdf")));
    EXPECT_TRUE(scope.contains(direct));

    for (bool flag : {true, false}) {
        scope.includeDownloadsSubfolders = flag;
        // A sibling whose name merely begins with "Downloads" is another folder.
        EXPECT_FALSE(scope.contains(URL::fileURL("/home/ana/Downloads2/report.pdf")));
        EXPECT_FALSE(scope.contains(URL::fileURL("/home/ana/Downloads Old/x/report.pdf")));
        EXPECT_FALSE(scope.contains(URL::fileURL("/home/ana/Downloads", true)));
    }
}

TEST(OrganizeScope, OnlyDirectChildrenOfTheOtherFolders) {
    OrganizeScope scope{home};
    for (const char* folder : {"Desktop", "Documents", "Pictures", "Movies", "Music"}) {
        const std::string base = std::string("/home/ana/") + folder;
        EXPECT_TRUE(scope.contains(URL::fileURL(base + "/file.txt"))) << folder;
        EXPECT_FALSE(scope.contains(URL::fileURL(base + "/Sub/file.txt"))) << folder;
    }
    EXPECT_FALSE(scope.contains(URL::fileURL("/home/ana/file.txt")));
    EXPECT_FALSE(scope.contains(URL::fileURL("/home/ana/Library/file.txt")));
    EXPECT_FALSE(scope.contains(URL::fileURL("/home/ana/documents/file.txt")));  // case matters
    // The file's own path is standardized first.
    EXPECT_TRUE(scope.contains(URL::fileURL("/home/ana/Documents/Sub/../file.txt")));
    EXPECT_FALSE(scope.contains(URL::fileURL("/home/ana/Documents/./Sub/file.txt")));
}

TEST(OrganizeScope, CanonicallyEquivalentSpellingsAreEqual) {
    const UserFolders decomposed(URL::fileURL("/home/Jose\u0301", true));  // "José" spelled with a combining accent
    OrganizeScope scope{decomposed};
    EXPECT_TRUE(scope.contains(URL::fileURL("/home/Jos\u00E9/Documents/a.txt")));
    EXPECT_TRUE(scope.contains(URL::fileURL("/home/Jos\u00E9/Downloads/x/a.txt")));
    EXPECT_FALSE(scope.contains(URL::fileURL("/home/Jose/Documents/a.txt")));
    // A name that is not UTF-8 is compared as its bytes.
    OrganizeScope plain{home};
    EXPECT_TRUE(plain.contains(URL::fileURL("/home/ana/Documents/caf\xE9.txt")));
    EXPECT_FALSE(plain.contains(URL::fileURL("/home/ana/Docum\xE9nts/a.txt")));
}

TEST(OrganizationProposal, RenamingMovesTheFolderAndItsMembers) {
    OrganizationProposal proposal{{photosFolder(), taxesFolder()}, 40, 12};
    const ProposedFolder before = proposal.folders[1];

    auto renamed = proposal.renamingFolder(before.id, "  Tax Returns ");
    ASSERT_TRUE(renamed);
    EXPECT_EQ(renamed->scopedFileCount, 40);
    EXPECT_EQ(renamed->leftoverCount, 12);
    EXPECT_EQ(renamed->folders[0], proposal.folders[0]);

    const ProposedFolder& after = renamed->folders[1];
    EXPECT_EQ(after.displayPath, "Documents → Tax Returns");
    EXPECT_EQ(after.destination, URL::fileURL("/home/ana/Documents/Tax Returns", true));
    EXPECT_EQ(after.id, before.id);
    EXPECT_EQ(after.isNew, before.isNew);
    EXPECT_EQ(after.source, before.source);
    EXPECT_EQ(after.rationale, before.rationale);
    EXPECT_EQ(after.confidence, before.confidence);
    ASSERT_EQ(after.members.size(), 2u);
    EXPECT_EQ(after.members[0].suggestedDestination, URL::fileURL("/home/ana/Documents/Tax Returns/w2 2023.pdf"));
    EXPECT_EQ(after.members[1].suggestedDestination, URL::fileURL("/home/ana/Documents/Tax Returns/1099.pdf"));
    // The move line names the new folder; everything else of the finding stays.
    EXPECT_EQ(after.members[0].detail, "/home/ana/Downloads/w2 2023.pdf → /home/ana/Documents/Tax Returns/w2 2023.pdf");
    for (size_t i = 0; i < 2; ++i) {
        Finding expected = before.members[i];
        expected.suggestedDestination = after.members[i].suggestedDestination;
        expected.detail = after.members[i].detail;
        EXPECT_EQ(after.members[i], expected);
    }
    EXPECT_EQ(renamed->allMembers().size(), 3u);
    EXPECT_EQ(renamed->allMembers()[1], after.members[0]);
}

TEST(OrganizationProposal, RenamingKeepsFurtherDetailLines) {
    ProposedFolder folder = taxesFolder();
    folder.members[0].detail = *folder.members[0].detail + "\nRecognized as: tax document\nRead on this Mac → nowhere";
    folder.members[1].detail = "Something the planner did not write";
    folder.members[1].suggestedDestination.reset();
    OrganizationProposal proposal{{folder}, 2, 0};

    auto renamed = proposal.renamingFolder(folder.id, "Steuern");
    ASSERT_TRUE(renamed);
    EXPECT_EQ(renamed->folders[0].members[0].detail,
              "/home/ana/Downloads/w2 2023.pdf → /home/ana/Documents/Steuern/w2 2023.pdf\nRecognized as: tax document\n"
              "Read on this Mac → nowhere");
    EXPECT_EQ(renamed->folders[0].members[1].detail, "Something the planner did not write");
    EXPECT_EQ(renamed->folders[0].members[1].suggestedDestination, URL::fileURL("/home/ana/Documents/Steuern/1099.pdf"));
}

TEST(OrganizationProposal, RenamingRefusesUnusableNamesAndUnknownIDs) {
    OrganizationProposal proposal{{taxesFolder()}, 2, 0};
    EXPECT_EQ(proposal.renamingFolder(UUID::random(), "Taxes 2"), std::nullopt);
    EXPECT_EQ(proposal.renamingFolder(proposal.folders[0].id, " ../ "), std::nullopt);
    EXPECT_EQ(proposal.renamingFolder(proposal.folders[0].id, repeated("x", 61)), std::nullopt);

    // The name is cleaned before use; a display path without the separator becomes the name.
    proposal.folders[0].displayPath = "Taxes";
    auto renamed = proposal.renamingFolder(proposal.folders[0].id, "2024/Q1");
    ASSERT_TRUE(renamed);
    EXPECT_EQ(renamed->folders[0].displayPath, "2024 Q1");
    EXPECT_EQ(renamed->folders[0].destination.path(), "/home/ana/Documents/2024 Q1");
    EXPECT_TRUE(renamed->folders[0].destination.isDirectory());

    // Only the first folder with the id is renamed.
    ProposedFolder twin = taxesFolder();
    twin.destination = URL::fileURL("/home/ana/Desktop/Taxes", true);
    OrganizationProposal twins{{taxesFolder(), twin}, 3, 0};
    auto once = twins.renamingFolder(twin.id, "Tax");
    ASSERT_TRUE(once);
    EXPECT_EQ(once->folders[0].destination.path(), "/home/ana/Documents/Tax");
    EXPECT_EQ(once->folders[1], twin);
}

TEST(ProposedFolder, TotalBytesAndJson) {
    ProposedFolder folder = taxesFolder();
    EXPECT_EQ(folder.totalBytes(), 1234);
    folder.members.clear();
    EXPECT_EQ(folder.totalBytes(), 0);
    EXPECT_EQ(folder.toJson(), json::parse(R"({
        "id": "00000000-0000-4000-8000-00000000000A",
        "destination": "file:///home/ana/Documents/Taxes/",
        "isNew": true,
        "displayPath": "Documents → Taxes",
        "source": "recognition",
        "rationale": "These look like tax documents.",
        "members": [],
        "confidence": 0.875
    })"));

    OrganizationProposal proposal{{taxesFolder(), photosFolder()}, 7, 3};
    Json encoded = proposal.toJson();
    EXPECT_EQ(encoded["scopedFileCount"], 7);
    EXPECT_EQ(encoded["leftoverCount"], 3);
    EXPECT_EQ(encoded["folders"][1]["source"], "mediaDate");
    EXPECT_EQ(encoded["folders"][0]["members"][0], proposal.folders[0].members[0].toJson());
    EXPECT_EQ(OrganizationProposal::fromJson(json::parse(json::dumpPretty(encoded))), proposal);

    encoded["folders"][1]["source"] = "MediaDate";
    EXPECT_THROW(OrganizationProposal::fromJson(encoded), DecodingError);
    encoded = proposal.toJson();
    encoded["folders"][0]["confidence"] = "high";
    EXPECT_THROW(OrganizationProposal::fromJson(encoded), DecodingError);
    encoded = proposal.toJson();
    encoded["leftoverCount"] = 1.5;
    EXPECT_THROW(OrganizationProposal::fromJson(encoded), DecodingError);
    encoded = proposal.toJson();
    encoded["folders"][0].erase("isNew");
    EXPECT_THROW(OrganizationProposal::fromJson(encoded), DecodingError);
}

TEST(ProposalSource, CasesInOrder) {
    const auto cases = allCases<ProposalSource>();
    ASSERT_EQ(cases.size(), 6u);
    EXPECT_EQ(rawValue(cases.front()), "recognition");
    EXPECT_EQ(rawValue(cases.back()), "fromDownloads");
    EXPECT_EQ(enumFromRaw<ProposalSource>("filenamePattern"), ProposalSource::filenamePattern);
    EXPECT_EQ(enumFromRaw<ProposalSource>("FilenamePattern"), std::nullopt);
}
