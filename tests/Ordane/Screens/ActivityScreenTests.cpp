#include <QDate>
#include <QElapsedTimer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <set>

#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Screens/ActivityScreen.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::testing {
namespace {

class ActivityScreenTest : public ScreenTest {
public:
    static std::vector<retro::BevelButton*> rowButtons(const QWidget& screen) {
        return visible<retro::BevelButton>(screen, QStringLiteral("undoButton"));
    }
    static retro::BevelButton* undoAll(const QWidget& screen) {
        auto* found = screen.findChild<retro::BevelButton*>(QStringLiteral("undoAllButton"));
        return found && found->isVisibleTo(&screen) ? found : nullptr;
    }
    static QString notice(const QWidget& screen) {
        auto* label = screen.findChild<retro::Label*>(QStringLiteral("notice"));
        return label && label->isVisibleTo(&screen) ? label->text() : QString();
    }
    // Until the screen's reversals and the state's work are all over, and the screen shows it.
    void finish(const ActivityScreen& screen) {
        QElapsedTimer timer;
        timer.start();
        while ((screen.reversing() || state->hasBackgroundWork() || screen.refreshPending()) &&
               timer.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        settle();
        // The refresh's new list height is laid out, and its rows placed, in later passes.
        for (int pass = 0; pass < 3; ++pass) QCoreApplication::processEvents();
    }
    // Each row in sight of the list's scroll view, top to bottom: where it sits, its texts, its button.
    static std::vector<std::string> rowsInSight(const QWidget& screen) {
        std::vector<QWidget*> rows = visible<QWidget>(screen, QStringLiteral("activityRow"));
        std::sort(rows.begin(), rows.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
        std::vector<std::string> described;
        for (QWidget* row : rows) {
            std::string line = std::to_string(row->y()) + "+" + std::to_string(row->height());
            for (const QString& text : labelTexts(*row)) line += " | " + text.toStdString();
            for (auto* button : visible<retro::BevelButton>(*row)) line += " [" + button->text().toStdString() + "]";
            described.push_back(line);
        }
        return described;
    }
    static QScrollBar& scrollBar(const QWidget& screen) {
        auto* view = screen.findChild<QScrollArea*>();
        EXPECT_TRUE(view);
        return *view->verticalScrollBar();
    }
    static void scrollTo(const QWidget& screen, int value) {
        scrollBar(screen).setValue(value);
        QCoreApplication::processEvents();
    }
    // Moves of today as the screen reckons it, newest first, a second apart, as a list the executor
    // could have written. Early in the day they start from the day's start instead of reaching back
    // into yesterday; the newest then lie a little ahead of now, still today.
    static std::vector<ActivityEntry> manyMoves(int count) {
        std::vector<ActivityEntry> entries;
        const double startOfToday = double(QDate::currentDate().startOfDay().toSecsSinceEpoch());
        const Date now = Date::fromUnix(std::max(Date::now().secondsSince1970(), startOfToday + count));
        for (int i = 0; i < count; ++i) {
            const URL from = URL::fileURL("/h/Downloads/letter " + std::to_string(i) + ".pdf");
            const URL to = URL::fileURL("/h/Documents/Letters/letter " + std::to_string(i) + ".pdf");
            entries.push_back({UUID::random(), Date::fromUnix(now.secondsSince1970() - i), ActivityEntry::Kind::moved(from, to),
                               10, true, {}, {}});
        }
        return entries;
    }
    int undoneCount() const {
        int count = 0;
        for (const ActivityEntry& entry : state->activityEntries()) {
            count += std::holds_alternative<ActivityEntry::Kind::Undone>(entry.kind.value);
        }
        return count;
    }
    // Scanned Downloads files moved into Documents/Filed (and one more trashed) through a real run.
    void runPlan(const std::vector<std::string>& moved, const std::string& trashed = {}) {
        for (const std::string& name : moved) addFile("Downloads/" + name, 1000);
        if (!trashed.empty()) addFile("Desktop/" + trashed, 500);
        scanHome();
        AnalysisResult analysis;
        for (const FileRecord& record : state->records()) {
            Finding finding;
            finding.id = UUID::random();
            finding.record = record;
            finding.category = FindingCategory::oldFiles;
            if (record.url().lastPathComponent() != trashed) {
                finding.category = FindingCategory::organizeSuggestion;
                finding.suggestedDestination = URL::fileURL(homePath("Documents/Filed/" + record.url().lastPathComponent()));
            }
            analysis.findings.push_back(finding);
        }
        state->setAnalysis(analysis);
        for (const Finding& finding : analysis.findings) state->setApproved(finding, true);
        state->execute(state->buildPlan());
        settle();
        state->setExecution(std::nullopt);
        QCoreApplication::processEvents();
    }
};

TEST_F(ActivityScreenTest, ARowUndoPutsTheFileBackAndTheListGainsItsRecord) {
    runPlan({"a.pdf", "b.pdf"}, "old <i>note.txt");
    ActivityScreen screen(*state);
    layOut(screen, QStringLiteral("activity-list"));
    EXPECT_TRUE(overlaps(screen).empty());
    EXPECT_TRUE(showsText(screen, QStringLiteral("Moved old <i>note.txt to the Trash")));  // a name, not markup
    ASSERT_TRUE(undoAll(screen));

    for (retro::BevelButton* button : rowButtons(screen)) {
        if (button->text() != QStringLiteral("Take Back Out of Trash")) continue;
        click(button);
        for (retro::BevelButton* other : rowButtons(screen)) EXPECT_FALSE(other->isEnabled());
        EXPECT_FALSE(undoAll(screen)->isEnabled());
        break;
    }
    finish(screen);
    EXPECT_TRUE(std::filesystem::exists(homePath("Desktop/old <i>note.txt")));
    EXPECT_EQ(rowButtons(screen).size(), 2u);
}

TEST_F(ActivityScreenTest, UndoAllTakesEachEntryBackOnceEvenWhenARowIsPressedMeanwhile) {
    runPlan({"a.pdf", "b.pdf", "c.pdf"});
    ActivityScreen screen(*state);
    layOut(screen);
    const std::vector<ActivityEntry> before = state->activityEntries();
    click(undoAll(screen));
    QCoreApplication::processEvents();
    for (retro::BevelButton* button : rowButtons(screen)) EXPECT_FALSE(button->isEnabled());
    for (const ActivityEntry& entry : before) screen.undoEntry(entry.id);  // a press that slipped through
    finish(screen);
    EXPECT_FALSE(screen.reversing());
    EXPECT_EQ(undoneCount(), 3);
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) {
        EXPECT_TRUE(std::filesystem::exists(homePath(std::string("Downloads/") + name))) << name;
    }
    EXPECT_EQ(notice(screen), QStringLiteral("Done. 3 items put back the way they were."));

    // A stale copy handed to the state again is refused and leaves the file alone.
    std::optional<ActionExecutor::ReversalResult> again;
    state->undo(before.front(), nullptr, [&](const ActionExecutor::ReversalResult& result) { again = result; });
    settle();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->message(), std::string(ActionExecutor::cantBeUndoneMessage));
    EXPECT_EQ(undoneCount(), 3);
}

TEST_F(ActivityScreenTest, UndoAllSaysHowManyCouldNotBePutBack) {
    runPlan({"a.pdf", "b.pdf"});
    std::filesystem::remove(homePath("Documents/Filed/a.pdf"));
    std::filesystem::remove(homePath("Documents/Filed/b.pdf"));
    ActivityScreen screen(*state);
    layOut(screen);
    ASSERT_TRUE(undoAll(screen));
    click(undoAll(screen));
    finish(screen);
    EXPECT_FALSE(screen.reversing());
    EXPECT_EQ(notice(screen), QStringLiteral("I couldn't put any of those 2 items back."));
    EXPECT_EQ(undoneCount(), 0);
    EXPECT_EQ(ActivityScreen::undoAllSummary(2, 1),
              QStringLiteral("Done. 2 items put back the way they were. 1 item couldn't be put back."));
}

TEST_F(ActivityScreenTest, OnlyTodaysMovesAndTrashedFilesCountForUndoAll) {
    const Date now = Date::now();
    const Date yesterday = Date::fromUnix(now.secondsSince1970() - 86400 * 2);
    auto entry = [](Date date, ActivityEntry::Kind kind, bool undoable) {
        return ActivityEntry{UUID::random(), date, std::move(kind), 10, undoable, {}, {}};
    };
    const URL from = URL::fileURL("/x/a.txt");
    const URL to = URL::fileURL("/y/Bills/a.txt");
    state->setActivityEntries({entry(now, ActivityEntry::Kind::undone(UUID::random()), true),
                               entry(now, ActivityEntry::Kind::restoredFromTrash(UUID::random()), true),
                               entry(now, ActivityEntry::Kind::moved(from, to), true),
                               entry(yesterday, ActivityEntry::Kind::trashed(from, to), true)});
    ActivityScreen screen(*state);
    layOut(screen);
    EXPECT_EQ(screen.todaysUndoableEntries().size(), 1u);
    EXPECT_FALSE(undoAll(screen));
    EXPECT_EQ(rowButtons(screen).size(), 2u);
}


TEST_F(ActivityScreenTest, ALongListHasRowsOnlyInSightAndAnUndoBuildsOnlyTheRowsItChanged) {
    std::vector<ActivityEntry> entries = manyMoves(3000);
    state->setActivityEntries(entries);
    ActivityScreen screen(*state);
    layOut(screen);
    const std::vector<QWidget*> before = visible<QWidget>(screen, QStringLiteral("activityRow"));
    ASSERT_FALSE(before.empty());
    EXPECT_LE(before.size(), 12u);  // a 400-point well holds about nine
    EXPECT_EQ(undoAll(screen)->text(), QStringLiteral("Undo Everything From Today (3000)"));

    // One undo as the executor records it: the old entry loses its button, a note tops the list.
    entries[0].undoable = false;
    entries[0].undoableNote = "Undone.";
    entries.insert(entries.begin(), {UUID::random(), entries[0].date, ActivityEntry::Kind::undone(entries[0].id), 10, true, {}, {}});
    state->setActivityEntries(entries);
    QCoreApplication::processEvents();
    const std::set<QWidget*> kept(before.begin(), before.end());
    const std::vector<QWidget*> after = visible<QWidget>(screen, QStringLiteral("activityRow"));
    EXPECT_LE(std::count_if(after.begin(), after.end(), [&](QWidget* row) { return !kept.contains(row); }), 2);
    EXPECT_EQ(undoAll(screen)->text(), QStringLiteral("Undo Everything From Today (2999)"));

    ActivityScreen fresh(*state);
    layOut(fresh);
    EXPECT_EQ(rowsInSight(screen), rowsInSight(fresh));
    EXPECT_EQ(rowsInSight(screen).front().rfind("0+", 0), 0u);

    // At the end of the list: its oldest entry, and the rows run without a gap to the column's foot.
    scrollTo(screen, scrollBar(screen).maximum());
    std::vector<QWidget*> last = visible<QWidget>(screen, QStringLiteral("activityRow"));
    std::sort(last.begin(), last.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(textOf(*last.back(), "sentence"), QStringLiteral("Moved letter 2999.pdf into Letters"));
    EXPECT_EQ(last.back()->geometry().bottom() + 1, last.back()->parentWidget()->height());
    for (size_t i = 1; i < last.size(); ++i) EXPECT_EQ(last[i - 1]->geometry().bottom() + 1, last[i]->y());
}

TEST_F(ActivityScreenTest, AfterUndoAllTheListIsTheOneAFreshScreenShowsAtEveryScrollPosition) {
    std::vector<std::string> names;
    for (int i = 0; i < 14; ++i) names.push_back("letter " + std::to_string(i) + ".pdf");
    runPlan(names, "old note.txt");
    ActivityScreen screen(*state);
    layOut(screen);
    scrollTo(screen, scrollBar(screen).maximum() / 2);  // where a user may have left it
    click(undoAll(screen));
    finish(screen);
    EXPECT_EQ(notice(screen), QStringLiteral("Done. 15 items put back the way they were."));
    EXPECT_EQ(undoneCount(), 14);

    ActivityScreen fresh(*state);
    layOut(fresh);
    ASSERT_EQ(scrollBar(screen).maximum(), scrollBar(fresh).maximum());
    ASSERT_GT(scrollBar(fresh).maximum(), 0);
    for (int position : {0, scrollBar(fresh).maximum() / 3, scrollBar(fresh).maximum()}) {
        scrollTo(screen, position);
        scrollTo(fresh, position);
        EXPECT_EQ(rowsInSight(screen), rowsInSight(fresh)) << position;
    }

    // The notes the undo wrote are on the rows of the entries it took back.
    const std::vector<std::string> bottom = rowsInSight(screen);
    EXPECT_TRUE(std::any_of(bottom.begin(), bottom.end(), [](const std::string& row) {
        return row.find(" | Undone.") != std::string::npos || row.find(" | Taken back out of the Trash.") != std::string::npos;
    }));
}


// Rows out of sight don't exist until they scroll in: the Tab key still walks down the whole list.
TEST_F(ActivityScreenTest, TheTabKeyGoesOnIntoRowsNotYetInSight) {
    std::vector<ActivityEntry> entries = manyMoves(60);
    for (size_t i = 1; i < entries.size(); i += 3) entries[i].undoable = false;  // rows without a button between
    state->setActivityEntries(entries);
    ActivityScreen screen(*state);
    layOut(screen);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    std::vector<retro::BevelButton*> buttons = rowButtons(screen);
    ASSERT_FALSE(buttons.empty());
    buttons.front()->setFocus(Qt::TabFocusReason);
    std::vector<QString> reached;
    for (int press = 0; press < 30; ++press) {
        QWidget* row = QApplication::focusWidget() ? QApplication::focusWidget()->parentWidget() : nullptr;
        ASSERT_TRUE(row && row->objectName() == QStringLiteral("activityRow")) << press;
        reached.push_back(textOf(*row, "sentence"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCoreApplication::processEvents();
    }
    // Every entry with a button, in list order, each brought into sight.
    std::vector<QString> expected;
    for (size_t i = 0; expected.size() < reached.size(); ++i) {
        if (entries[i].undoable) expected.push_back(ActivityScreen::sentence(entries[i]));
    }
    EXPECT_EQ(reached, expected);
    EXPECT_GT(scrollBar(screen).value(), 0);

    // The last press went on to the next row; Shift+Tab comes back, and back again past rows out of sight.
    scrollTo(screen, 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCoreApplication::processEvents();
    EXPECT_EQ(textOf(*QApplication::focusWidget()->parentWidget(), "sentence"), reached.back());
}

// Pressing Undo disables every row's button; the focus must not run on down the rows, scrolling the
// list and deleting rows while they are being disabled. Whether it did depends on the order the
// rows are disabled in, which follows their random ids: the press is made on several lists.
TEST_F(ActivityScreenTest, PressingTheLowestWholeUndoLeavesTheListWhereItWas) {
    for (int list = 0; list < 8; ++list) {
        state->setActivityEntries(manyMoves(200));
        ActivityScreen screen(*state);
        layOut(screen);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
        scrollTo(screen, 17);
        // The lowest button wholly in sight; the row under it is cut off by the well's foot.
        const QWidget* viewport = screen.findChild<QScrollArea*>()->viewport();
        retro::BevelButton* lowest = nullptr;
        for (retro::BevelButton* button : rowButtons(screen)) {
            const QRect shown(button->mapTo(viewport, QPoint()), button->size());
            if (viewport->rect().contains(shown) && (!lowest || shown.y() > lowest->mapTo(viewport, QPoint()).y())) {
                lowest = button;
            }
        }
        ASSERT_TRUE(lowest);
        // The reversal fails (no such move was made) and the list is then emptied: only a scroll
        // while it is under way counts.
        std::vector<int> scrolledWhileBusy;
        QObject::connect(&scrollBar(screen), &QScrollBar::valueChanged, &screen, [&](int value) {
            if (screen.reversing()) scrolledWhileBusy.push_back(value);
        });
        QTest::mouseClick(lowest, Qt::LeftButton);
        QCoreApplication::processEvents();  // the refresh that shows the reversal under way
        for (retro::BevelButton* button : rowButtons(screen)) EXPECT_FALSE(button->isEnabled());
        finish(screen);
        EXPECT_EQ(scrolledWhileBusy, std::vector<int>{}) << list;
        ASSERT_TRUE(QApplication::focusWidget());
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("backButton"));
    }
}

// Rows built while scrolling back up are made after the controls below the list; Tab and
// Shift+Tab still leave the list at its ends for the controls after and before it, and enter it at
// its first row.
TEST_F(ActivityScreenTest, TabAndShiftTabLeaveTheListAtItsEnds) {
    state->setActivityEntries(manyMoves(300));
    ActivityScreen screen(*state);
    layOut(screen);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    for (int step = 1; step <= 15; ++step) scrollTo(screen, step * 60);
    for (int step = 14; step >= -10; --step) scrollTo(screen, std::max(0, step * 60));
    // The control the key takes the focus to from the button of the entry's row.
    auto keyFrom = [&](const ActivityEntry& entry, Qt::Key key) -> QString {
        for (retro::BevelButton* button : rowButtons(screen)) {
            if (textOf(*button->parentWidget(), "sentence") != ActivityScreen::sentence(entry)) continue;
            button->setFocus(Qt::TabFocusReason);
            QTest::keyClick(button, key);
            QCoreApplication::processEvents();
            return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        }
        return QStringLiteral("(no row)");
    };
    const std::vector<ActivityEntry>& entries = state->activityEntries();
    EXPECT_EQ(keyFrom(entries.front(), Qt::Key_Backtab), QStringLiteral("undoAllButton"));
    // Tab from there, round the window, enters the list at its first row, brought into sight when
    // it was partly scrolled out of it.
    scrollTo(screen, 17);
    QTest::keyClick(undoAll(screen), Qt::Key_Tab);
    QCoreApplication::processEvents();
    ASSERT_TRUE(QApplication::focusWidget() && QApplication::focusWidget()->parentWidget());
    EXPECT_EQ(textOf(*QApplication::focusWidget()->parentWidget(), "sentence"), ActivityScreen::sentence(entries.front()));
    EXPECT_EQ(scrollBar(screen).value(), 0);
    scrollTo(screen, scrollBar(screen).maximum());
    EXPECT_EQ(keyFrom(entries.back(), Qt::Key_Tab), QStringLiteral("backButton"));
}

// Between a change of the list and the screen's deferred refresh, Tab works on the list as it is now.
TEST_F(ActivityScreenTest, TabBeforeTheRefreshOfAChangedListReachesItsNewRows) {
    std::vector<ActivityEntry> entries = manyMoves(2);
    state->setActivityEntries(entries);
    ActivityScreen screen(*state);
    layOut(screen);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    retro::BevelButton* focused = nullptr;
    for (retro::BevelButton* button : rowButtons(screen)) {
        if (textOf(*button->parentWidget(), "sentence") == ActivityScreen::sentence(entries[0])) focused = button;
    }
    ASSERT_TRUE(focused);
    focused->setFocus(Qt::TabFocusReason);

    // Two notes on top, and a move under the focused row that has no row yet.
    std::vector<ActivityEntry> changed = manyMoves(3);
    for (int i = 0; i < 2; ++i) {
        changed[i].kind = ActivityEntry::Kind::undone(UUID::random());
    }
    changed.insert(changed.begin() + 2, entries[0]);
    state->setActivityEntries(changed);
    QTest::keyClick(focused, Qt::Key_Tab);
    ASSERT_TRUE(QApplication::focusWidget() && QApplication::focusWidget()->parentWidget());
    EXPECT_EQ(textOf(*QApplication::focusWidget()->parentWidget(), "sentence"), ActivityScreen::sentence(changed[3]));
}

}  // namespace
}  // namespace ordane::testing
