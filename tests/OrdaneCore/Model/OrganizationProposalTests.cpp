#include <gtest/gtest.h>

#include "OrdaneCore/Model/OrganizationProposal.hpp"
#include "OrdaneCore/Model/OrganizeScope.hpp"
#include "OrdaneCore/Model/SanitizedFolderName.hpp"
#include "Support/StoredJson.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {

const UserFolders home(URL::fileURL("/home/ana", true));

std::string repeated(std::string_view piece, size_t count) {
    std::string result;
    for (size_t i = 0; i < count; ++i) result += piece;
    return result;
}

Finding member(const std::string& path, int64_t size, const URL& folder) {
    FileRecord record;
    record.setID(UUID::random());
    record.setURL(URL::fileURL(path));
    record.setSize(size);
    URL destination = folder.appendingPathComponent(record.url().lastPathComponent());
    return Finding{UUID::random(), record, FindingCategory::organizeSuggestion, Recommendation::organize,
                   "These look like tax documents.", path + " → " + destination.path(), destination, std::nullopt,
                   "taxDocument"};
}

ProposedFolder taxesFolder() {
    URL taxes = URL::fileURL("/home/ana/Documents/Taxes", true);
    return ProposedFolder{*UUID::fromString("00000000-0000-4000-8000-00000000000A"), taxes, true, "Documents → Taxes",
                          ProposalSource::recognition, "These look like tax documents.",
                          {member("/home/ana/Downloads/w2 2023.pdf", 1000, taxes),
                           member("/home/ana/Desktop/1099.pdf", 234, taxes)},
                          0.875};
}

ProposedFolder photosFolder() {
    URL trip = URL::fileURL("/home/ana/Pictures/2023-07", true);
    return ProposedFolder{UUID::random(), trip, false, "Pictures → 2023-07", ProposalSource::mediaDate,
                          "Photos from July 2023.", {member("/home/ana/Downloads/IMG_1.jpg", 5, trip)}, 0.5};
}

}  // namespace

TEST(SanitizedFolderName, CleansOrRefuses) {
    using namespace std::string_literals;
    const std::string fiveBytes = "e\u0301\u0301";  // one character
    const std::vector<std::pair<std::string, std::string>> cleaned = {
        {"  Tax/Returns  ", "Tax Returns"},
        {"..hidden", "hidden"},
        {"Trip\u00A0\u2003Rome", "Trip Rome"},  // other spaces are whitespace too
        {". . Notes .", "Notes ."},
        // Control characters become spaces: a NUL would cut the name short at the system call.
        {"Tax\0es"s, "Tax es"},
        {"a\x1F" "b", "a b"},
        {"a\x7F\u0085\u0090z", "a z"},
        {"a\u200Db", "a\u200Db"},  // invisible, but not a control
        // Up to 60 characters (not code points) and 255 bytes.
        {repeated("e\u0301", 60), repeated("e\u0301", 60)},
        {repeated(fiveBytes, 51), repeated(fiveBytes, 51)},
    };
    for (const auto& [name, expected] : cleaned) EXPECT_EQ(sanitizedFolderName(name), expected) << name;
    for (const std::string& unusable : {""s, ". . ."s, ".."s, ":/:"s, "\t\n"s, "\0\0"s,
                                        repeated("e\u0301", 61), repeated(fiveBytes, 51) + "a"}) {
        EXPECT_EQ(sanitizedFolderName(unusable), std::nullopt) << unusable;
    }
}

TEST(OrganizeScope, DownloadsAtAnyDepthOrDirectlyOtherFoldersDirectly) {
    // Path, in scope with Downloads subfolders, in scope without them.
    std::vector<std::tuple<std::string, bool, bool>> cases = {
        {"/home/ana/Downloads/a/b/report.pdf", true, false},
        {"/home/ana/Downloads/report.pdf", true, true},
        {"/home/ana/Downloads", false, false},
        {"/home/ana/file.txt", false, false},
        {"/home/ana/documents/file.txt", false, false},  // case matters
        // The file's own path is standardized first.
        {"/home/ana/Documents/Sub/../file.txt", true, true},
        {"/home/ana/Documents/./Sub/file.txt", false, false},
        // A name that is not UTF-8 is compared as its bytes.
        {"/home/ana/Documents/caf\xE9.txt", true, true},
        {"/home/ana/Docum\xE9nts/a.txt", false, false},
    };
    for (const char* folder : {"Desktop", "Documents", "Music"}) {
        cases.emplace_back(std::string("/home/ana/") + folder + "/file.txt", true, true);
        cases.emplace_back(std::string("/home/ana/") + folder + "/Sub/file.txt", false, false);
    }
    OrganizeScope scope{home};
    EXPECT_TRUE(scope.includeDownloadsSubfolders);
    for (const auto& [path, withSubfolders, withoutSubfolders] : cases) {
        scope.includeDownloadsSubfolders = true;
        EXPECT_EQ(scope.contains(URL::fileURL(path)), withSubfolders) << path;
        scope.includeDownloadsSubfolders = false;
        EXPECT_EQ(scope.contains(URL::fileURL(path)), withoutSubfolders) << path;
    }

    // Canonically equivalent spellings are equal: "José" with a combining accent and without.
    OrganizeScope decomposed{UserFolders(URL::fileURL("/home/Jose\u0301", true))};
    EXPECT_TRUE(decomposed.contains(URL::fileURL("/home/Jos\u00E9/Documents/a.txt")));
    EXPECT_TRUE(decomposed.contains(URL::fileURL("/home/Jos\u00E9/Downloads/x/a.txt")));
    EXPECT_FALSE(decomposed.contains(URL::fileURL("/home/Jose/Documents/a.txt")));
}

TEST(OrganizationProposal, RenamingMovesTheFolderAndItsMembersAndRefusesUnusableNamesAndUnknownIDs) {
    OrganizationProposal proposal{{photosFolder(), taxesFolder()}, 40, 12};
    std::vector<Finding>& members = proposal.folders[1].members;
    members[0].detail = *members[0].detail + "\nRecognized as: tax document\nRead on this computer → nowhere";
    members[1].detail = "Something the planner did not write";
    members[1].suggestedDestination.reset();
    auto renamed = proposal.renamingFolder(proposal.folders[1].id, "  Tax Returns ");
    ASSERT_TRUE(renamed);
    // Only the destination, the display path and each member's destination and move line change.
    OrganizationProposal expected = proposal;
    ProposedFolder& folder = expected.folders[1];
    folder.destination = URL::fileURL("/home/ana/Documents/Tax Returns", true);
    folder.displayPath = "Documents → Tax Returns";
    folder.members[0].suggestedDestination = URL::fileURL("/home/ana/Documents/Tax Returns/w2 2023.pdf");
    folder.members[0].detail = "/home/ana/Downloads/w2 2023.pdf → /home/ana/Documents/Tax Returns/w2 2023.pdf\n"
                               "Recognized as: tax document\nRead on this computer → nowhere";
    folder.members[1].suggestedDestination = URL::fileURL("/home/ana/Documents/Tax Returns/1099.pdf");
    EXPECT_EQ(*renamed, expected);
    EXPECT_EQ(renamed->allMembers(),
              (std::vector<Finding>{expected.folders[0].members[0], folder.members[0], folder.members[1]}));

    EXPECT_EQ(proposal.renamingFolder(UUID::random(), "Taxes 2"), std::nullopt);
    EXPECT_EQ(proposal.renamingFolder(proposal.folders[1].id, " ../ "), std::nullopt);
    // Only the first folder with the id is renamed.
    ProposedFolder twin = taxesFolder();
    twin.destination = URL::fileURL("/home/ana/Desktop/Taxes", true);
    auto once = OrganizationProposal{{taxesFolder(), twin}, 3, 0}.renamingFolder(twin.id, "Tax");
    ASSERT_TRUE(once);
    EXPECT_EQ(once->folders[0].destination.path(), "/home/ana/Documents/Tax");
    EXPECT_EQ(once->folders[1], twin);
}

