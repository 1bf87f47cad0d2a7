#include <gtest/gtest.h>

#include "PlannerFixture.hpp"

using namespace ordane;
using ordane::testing::PlannerFixture;
using Names = std::vector<std::string>;

namespace {

OrganizePlanner plannerWithFolders(const std::vector<std::string>& relativeFolders) {
    PlannerFixture home;
    ExistingFolders existing;
    for (const std::string& folder : relativeFolders) existing.insert(home.home.path() + "/" + folder);
    return OrganizePlanner(home.folders, OrganizeScope{home.folders}, existing);
}

// The folder name the shared-name grouper gives files of these names in Documents, or "" for none.
std::string sharedNameFolder(const Names& names) {
    PlannerFixture home;
    for (const std::string& name : names) home.add("Documents/" + name);
    const auto outcome = home.plan();
    if (outcome.proposal.folders.empty()) return "";
    EXPECT_EQ(outcome.proposal.folders.size(), 1u);
    return outcome.proposal.folders.front().destination.lastPathComponent();
}

}  // namespace

TEST(FolderNaming, AnExistingFolderIsReusedByItsRealPathOneOrTwoLevelsDown) {
    struct Case {
        std::vector<std::string> existing;
        std::string name;
        std::string expected;  // below the home
    };
    const Case cases[] = {
        {{"Documents/Invoices"}, "Invoice", "Documents/Invoices"},
        {{"Documents/Work/invoices"}, "Invoices", "Documents/Work/invoices"},
        {{"Documents/A/B/Invoices"}, "Invoice", "Documents/Invoice"},
        {{"Documents/Work/Invoice", "Documents/Invoices"}, "invoice", "Documents/Invoices"},  // the shallower
        {{"Pictures/Invoices"}, "Invoice", "Documents/Invoice"},
        {{"Documents/Rechnungen Ärzte"}, "rechnungen arzte", "Documents/Rechnungen Ärzte"},
        // A name without letters matches only its own name, not every folder without letters.
        {{"Documents/2022"}, "2023", "Documents/2023"},
        {{"Documents/Archive/2023"}, "2023", "Documents/Archive/2023"},
        {{"Documents/s"}, "S", "Documents/S"},
    };
    for (const Case& test : cases) {
        const OrganizePlanner planner = plannerWithFolders(test.existing);
        const URL result = planner.destination(planner.folders().documents, test.name);
        EXPECT_EQ(result, URL::fileURL("/home/ada/" + test.expected, true)) << test.name << " in " << test.existing[0];
        const bool reused = test.expected != "Documents/" + test.name;
        EXPECT_EQ(planner.isNewFolder(result), !reused) << test.name;
    }
}

TEST(FolderNaming, FamilyNamesComeFromTheTitleOrTheSharedFileNames) {
    PlannerFixture home;
    home.add("Documents/tax return 2021.pdf");
    home.add("Documents/Tax Return 2022.pdf");
    home.add("Documents/summary.pdf");
    const FileRecord* a = &home.records[0];
    const FileRecord* b = &home.records[1];
    const OrganizePlanner::Group family = {a, b};
    const std::string longTitle(70, 'x');
    const std::pair<std::optional<std::string>, std::optional<std::string>> cases[] = {
        {"2023 Tax Return", "Tax Return"},
        {"1899 Letters", "1899 Letters"},  // not a year of ours
        {longTitle, "Tax return"},  // too long: the file names speak instead; equal counts keep the first form
    };
    for (const auto& [title, expected] : cases) {
        EXPECT_EQ(OrganizePlanner::familyFolderName(title, family), expected) << title.value_or("(none)");
    }
    EXPECT_EQ(OrganizePlanner::familyFolderName(std::nullopt, {a, b, &home.records[2]}), std::nullopt);
}

TEST(FolderNaming, SharedNamesNeedARealWordAndDropTheNumberingWord) {
    const std::pair<Names, std::string> cases[] = {
        {{"Invoice 2023-01.pdf", "Invoice 2023-02.pdf", "Invoice 2023-03.pdf", "Invoice 2023-04.pdf"}, "Invoice"},
        {{"Unit 3 notes.pdf", "unit4 notes.pdf", "Unit 5 notes.pdf", "Unit 6 notes.pdf"}, ""},  // unit4 is its own word
        {{"Trip photos a.pdf", "trip photos b.pdf", "Trip Photos c.pdf", "Trip photos d.pdf"}, "Trip photos"},
        // "week" numbers the files ("week1"), so it is dropped from the name.
        {{"Notes week week1.pdf", "Notes week week2.pdf", "Notes week week3.pdf", "Notes week week4.pdf"}, "Notes"},
        {{"IMG_0001.pdf", "IMG_0002.pdf", "IMG_0003.pdf", "IMG_0004.pdf"}, ""},
        {{"untitled 1.pdf", "untitled 2.pdf", "untitled 3.pdf", "untitled 4.pdf"}, ""},
        {{"Invoice 1.pdf", "Invoice 2.pdf", "Invoice 3.pdf"}, ""},  // three are not a set
    };
    for (const auto& [names, expected] : cases) EXPECT_EQ(sharedNameFolder(names), expected) << names[0];
}
