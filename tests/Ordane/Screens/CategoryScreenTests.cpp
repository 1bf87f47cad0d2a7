#include <QLineEdit>
#include <QScrollBar>
#include <limits>

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
    struct Case { int findings; bool filter; size_t rows; const char* more; size_t rowsAfter; const char* moreAfter; };
    for (const Case& c : {Case{15, false, 15, "", 15, ""},
                          Case{1500, true, 100, "Show 200 More (of 1,500)", 300, "Show 200 More (of 1,500)"}}) {
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
        more = named<retro::BevelButton>(screen, "moreButton");
        EXPECT_EQ(more ? more->text() : QString(), QString::fromUtf8(c.moreAfter));
    }
}

TEST_F(CategoryScreenTest, FilterMatchesFileNamesOnlyIgnoringCaseAndOuterBlanks) {
    std::vector<Finding> findings;
    for (const char* path : {"/h/Pictures/img_0042.png", "/h/Pictures/Vacation IMG.jpg", "/h/IMG/other.png"}) {
        findings.push_back(syntheticFinding(FindingCategory::screenshots, path, 10));
    }
    for (int i = 0; i < 14; ++i) {
        findings.push_back(syntheticFinding(FindingCategory::screenshots, "/h/s" + std::to_string(i) + ".png", 5));
    }
    state->setAnalysis(analysisOf(findings));
    CategoryScreen screen(*state, FindingCategory::screenshots);
    layOut(screen);
    EXPECT_EQ(textOf(screen, "matchCount"), QString());
    for (const auto& [query, shown, rows] : {std::tuple{"  IMG ", "2 items match", 2},
                                             std::tuple{"  ", "17 items match", 17}}) {
        type(screen, query);
        EXPECT_EQ(textOf(screen, "matchCount"), QString::fromUtf8(shown)) << query;
        EXPECT_EQ(screen.rows().size(), size_t(rows)) << query;
        EXPECT_TRUE(named<QWidget>(screen, "filterBar"));
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
    EXPECT_TRUE(screen.rows()[0]->findChild<retro::CheckBox*>()->isChecked());
    click(named<retro::BevelButton>(screen, "uncheckButton"));
    EXPECT_TRUE(state->approvedForTrash().empty());

    fill(FindingCategory::organizeSuggestion, 3);
    CategoryScreen organize(*state, FindingCategory::organizeSuggestion);
    layOut(organize);
    click(organize.rows()[0]->findChild<retro::CheckBox*>());
    EXPECT_EQ(state->approvedForMove().size(), 1u);
    EXPECT_FALSE(named<QWidget>(organize, "checkSafeButton") || named<QWidget>(organize, "uncheckButton"));

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
    for (const char* text : {"file1", ""}) {
        SCOPED_TRACE(text);
        type(screen, text);
        layOut(screen);
        const auto rows = screen.rows();
        ASSERT_EQ(rows.size(), 300u);
        EXPECT_EQ(rows[*text ? 0 : 1], file1);
        EXPECT_EQ(screen.findChildren<retro::FileRow*>().size(), 300u);
        int previousY = std::numeric_limits<int>::min();
        for (retro::FileRow* row : rows) {
            EXPECT_TRUE(row->isVisibleTo(&screen));
            EXPECT_TRUE(row->finding().record.url().lastPathComponent().find(text) != std::string::npos);
            const int y = row->mapTo(&screen, QPoint()).y();
            EXPECT_GT(y, previousY);
            previousY = y;
        }
    }
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
