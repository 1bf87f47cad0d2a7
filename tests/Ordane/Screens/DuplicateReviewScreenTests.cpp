#include "Ordane/Screens/DuplicateReviewScreen.hpp"
#include "Ordane/Screens/HomePath.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::testing {
namespace {

class DuplicateReviewTest : public ScreenTest {
public:
    // `count` exact groups of two copies each, every copy with its finding.
    static AnalysisResult exactGroups(int count) {
        AnalysisResult analysis;
        for (int i = 0; i < count; ++i) {
            const UUID id = UUID::random();
            std::vector<FileRecord> members;
            for (const char* folder : {"/x/a/", "/x/b/"}) {
                Finding finding = syntheticFinding(FindingCategory::duplicates,
                                                   folder + std::to_string(i) + ".bin", 100 + i);
                finding.groupID = id;
                members.push_back(finding.record);
                analysis.findings.push_back(finding);
            }
            analysis.exactGroups.emplace_back(id, DuplicateKind::exact, members, 0, "Oldest copy.", std::nullopt);
        }
        return analysis;
    }
};

TEST_F(DuplicateReviewTest, AScannedGroupOfThreeCopiesIsCheckedAndUncheckedAsOne) {
    addFile("Documents/Taxes/report.pdf", 5000, 30);
    addFile("Downloads/report.pdf", 5000, 2);
    addFile("Desktop/report copy.pdf", 5000, 1);
    addFile("Documents/notes.txt", 300);
    scanHome();
    ASSERT_EQ(state->analysis()->exactGroups.size(), 1u);
    const DuplicateGroup group = state->analysis()->exactGroups.front();

    DuplicateReviewScreen screen(*state);
    layOut(screen, QStringLiteral("duplicates-scanned"));
    EXPECT_TRUE(overlaps(screen).empty());
    EXPECT_EQ(visible<retro::CheckBox>(screen).size(), 2u);  // the keeper has none

    click(withText(screen, QStringLiteral("Check All the Extra Copies (2)")));
    EXPECT_EQ(state->approvedForTrash().size(), 2u);
    for (auto* check : visible<retro::CheckBox>(screen)) EXPECT_TRUE(check->isChecked());
    for (const UUID& id : state->approvedForTrash()) {
        for (const Finding& finding : state->analysis()->findings) EXPECT_TRUE(finding.id != id || finding.record.url() != group.keeper().url());
    }

    click(named<retro::BevelButton>(screen, "uncheckAllButton"));
    EXPECT_TRUE(state->approvedForTrash().empty());

}

TEST_F(DuplicateReviewTest, ExactGroupsPageByFiftyAndNameGroupsAreListedByKind) {
    struct Case { int groups; std::vector<int> boxes; std::vector<const char*> more; };  // before and after each press
    for (const Case& c : {Case{120, {50, 100, 120}, {"Show More Groups (70 left)", "Show More Groups (20 left)", ""}}}) {
        SCOPED_TRACE(c.groups);
        state->setAnalysis(exactGroups(c.groups));
        DuplicateReviewScreen screen(*state);
        layOut(screen, c.groups == 120 ? QStringLiteral("duplicates-large") : QString());
        for (size_t step = 0; step < c.boxes.size(); ++step) {
            EXPECT_EQ(visible<QWidget>(screen, QStringLiteral("exactGroup")).size(), size_t(c.boxes[step]));
            auto* more = named<retro::BevelButton>(screen, "moreButton");
            EXPECT_EQ(more ? more->text() : QString(), QString::fromUtf8(c.more[step]));
            if (more) click(more);
        }
    }

    AnalysisResult analysis = exactGroups(0);
    std::vector<FileRecord> versions;
    for (const char* name : {"/x/plan v1.doc", "/x/plan v2.doc"}) {
        versions.push_back(syntheticFinding(FindingCategory::duplicates, name, 10).record);
    }
    analysis.nameGroups.emplace_back(UUID::random(), DuplicateKind::versionSeries, versions, 1, "Newest.", std::nullopt);
    analysis.nameGroups.emplace_back(UUID::random(), DuplicateKind::similarName, versions, 0, "Different.", std::nullopt);
    state->setAnalysis(analysis);
    DuplicateReviewScreen screen(*state);
    layOut(screen, QStringLiteral("duplicates-names"));
    EXPECT_TRUE(showsText(screen, QStringLiteral("Versions of the same document")));
    EXPECT_TRUE(visible<retro::CheckBox>(screen).empty());
    EXPECT_FALSE(named<retro::BevelButton>(screen, "checkAllButton"));
}

TEST(HomeRelativeFolder, FoldersInsideHomeAreShownBelowItAndOthersWhole) {
    struct Case { const char* folder; const char* home; const char* shown; };
    for (const Case& c : {Case{"/home/al", "/home/al", ""}, Case{"/media/usb/Photos", "/home/al", "/media/usb/Photos"},
                          Case{"/home/al/./Desktop/", "/home/al/", "Desktop"}}) {
        EXPECT_EQ(homeRelativeFolder(c.folder, c.home), QString::fromUtf8(c.shown)) << c.folder;
    }
}

}  // namespace
}  // namespace ordane::testing
