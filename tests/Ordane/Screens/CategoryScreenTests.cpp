#include <QLineEdit>
#include <QScrollBar>

#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/FileRow.hpp"
#include "Ordane/Retro/ScrollArea.hpp"
#include "Ordane/Screens/CategoryScreen.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::testing {
namespace {

class CategoryScreenTest : public ScreenTest {
public:
    // `count` findings of a category, every `safeEvery`-th one probably safe to remove.
    void fill(FindingCategory category, int count, int safeEvery = 0) {
        std::vector<Finding> findings;
        for (int i = 0; i < count; ++i) {
            const auto recommendation = safeEvery > 0 && i % safeEvery == 0 ? Recommendation::probablySafeToRemove
                                                                            : Recommendation::review;
            findings.push_back(syntheticFinding(category, "/x/file" + std::to_string(i) + ".txt", 1000 + count - i,
                                                recommendation));
            findings.back().detail = "seen twice";
        }
        state->setAnalysis(analysisOf(std::move(findings)));
    }
    static void type(CategoryScreen& screen, const char* text) {
        screen.findChild<QLineEdit*>(QStringLiteral("search"))->setText(QString::fromUtf8(text));
        QCoreApplication::processEvents();
    }
};

TEST_F(CategoryScreenTest, LongListsPageAndTheFilterBarAppearsFromSixteen) {
    struct Case { int findings; bool filter; size_t rows; const char* more; size_t rowsAfter; };
    for (const Case& c : {Case{15, false, 15, "", 15}, Case{1500, true, 100, "Show 200 More (of 1,500)", 300}}) {
        SCOPED_TRACE(c.findings);
        fill(FindingCategory::oldFiles, c.findings);
        CategoryScreen screen(*state, FindingCategory::oldFiles);
        layOut(screen);
        EXPECT_EQ(named<QWidget>(screen, "filterBar") != nullptr, c.filter);
        EXPECT_EQ(screen.rows().size(), c.rows);
        auto* more = named<retro::BevelButton>(screen, "moreButton");
        EXPECT_EQ(more ? more->text() : QString(), QString::fromUtf8(c.more));
        if (!more) continue;
        click(more);
        EXPECT_EQ(screen.rows().size(), c.rowsAfter);
    }
}

TEST_F(CategoryScreenTest, ChecksGoToTheRightSetAndBulkButtonsCoverTheWholeCategory) {
    fill(FindingCategory::oldFiles, 20, 7);  // findings 0, 7 and 14 are safe
    CategoryScreen screen(*state, FindingCategory::oldFiles);
    layOut(screen, QStringLiteral("category"));
    auto* checkSafe = named<retro::BevelButton>(screen, "checkSafeButton");
    ASSERT_NE(checkSafe, nullptr);
    EXPECT_EQ(checkSafe->text(), QStringLiteral("Check All the Safe Ones (3)"));

    retro::FileRow* row = screen.rows()[1];
    click(row->findChild<retro::CheckBox*>());
    EXPECT_TRUE(state->approvedForTrash().contains(row->finding().id));
    EXPECT_TRUE(state->approvedForMove().empty());

    type(screen, "file7");  // the bulk buttons cover the whole category, not just what the filter shows
    click(checkSafe);
    EXPECT_EQ(state->approvedForTrash().size(), 4u);
    click(named<retro::BevelButton>(screen, "uncheckButton"));
    EXPECT_TRUE(state->approvedForTrash().empty());

    fill(FindingCategory::organizeSuggestion, 3);
    CategoryScreen organize(*state, FindingCategory::organizeSuggestion);
    layOut(organize);
    click(organize.rows()[0]->findChild<retro::CheckBox*>());
    EXPECT_EQ(state->approvedForMove().size(), 1u);

    fill(FindingCategory::recreatable, 5, 1);
    CategoryScreen rebuildable(*state, FindingCategory::recreatable);
    layOut(rebuildable);
    EXPECT_EQ(rebuildable.rows().size(), 5u);
    EXPECT_TRUE(visible<retro::CheckBox>(rebuildable).empty());
    EXPECT_FALSE(named<QWidget>(rebuildable, "checkSafeButton"));
}

TEST_F(CategoryScreenTest, RowsAndTheirViewStateOutliveRefreshesAndOnlyTheVisibleOnesAreBuilt) {
    fill(FindingCategory::biggestFiles, 100'000);
    CategoryScreen screen(*state, FindingCategory::biggestFiles);
    layOut(screen);
    EXPECT_EQ(screen.rows().size(), 100u);
    EXPECT_EQ(screen.findChildren<retro::FileRow*>().size(), 100u);
    auto* scroll = screen.findChild<retro::ScrollArea*>()->scrollView();
    ASSERT_NE(scroll, nullptr);
    scroll->verticalScrollBar()->setValue(500);

    retro::FileRow* first = screen.rows()[0];
    click(screen.rows()[3]->findChild<retro::CheckBox*>());
    EXPECT_EQ(screen.rows()[0], first);
    EXPECT_EQ(scroll->verticalScrollBar()->value(), 500);

    click(named<retro::BevelButton>(screen, "moreButton"));
    EXPECT_EQ(screen.findChildren<retro::FileRow*>().size(), 300u);
    EXPECT_EQ(screen.rows()[0], first);
    EXPECT_TRUE(screen.rows()[3]->findChild<retro::CheckBox*>()->isChecked());

    // A filter moves kept rows to other places (and pages); each shown row stays shown, in order.
    retro::FileRow* file1 = screen.rows()[1];
    type(screen, "file1");
    layOut(screen);
    const auto filtered = screen.rows();
    ASSERT_EQ(filtered.size(), 300u);
    EXPECT_EQ(filtered[0], file1);
    EXPECT_EQ(screen.findChildren<retro::FileRow*>().size(), 300u);
    for (size_t i = 1; i < filtered.size(); ++i) {
        EXPECT_TRUE(filtered[i]->isVisibleTo(&screen));
        EXPECT_NE(filtered[i]->finding().record.url().lastPathComponent().find("file1"), std::string::npos);
        EXPECT_GT(filtered[i]->mapTo(&screen, QPoint()).y(), filtered[i - 1]->mapTo(&screen, QPoint()).y());
    }
    type(screen, "");
    layOut(screen);
    // A row that grows on a later page moves the rows under it.
    const auto rows = screen.rows();
    const int below = rows[151]->mapTo(&screen, QPoint()).y();
    auto* details = rows[150]->findChild<retro::LinkButton*>(QStringLiteral("detailsButton"));
    ASSERT_NE(details, nullptr);
    click(details);
    layOut(screen);
    EXPECT_GT(rows[151]->mapTo(&screen, QPoint()).y(), below);
}

}  // namespace
}  // namespace ordane::testing
