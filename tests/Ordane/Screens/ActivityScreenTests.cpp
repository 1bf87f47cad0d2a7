#include <QElapsedTimer>
#include <QTest>
#include <filesystem>

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
    // Until the screen's reversals and the state's work are all over.
    void finish(const ActivityScreen& screen) {
        QElapsedTimer timer;
        timer.start();
        while ((screen.reversing() || state->hasBackgroundWork()) && timer.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        settle();
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

}  // namespace
}  // namespace ordane::testing
