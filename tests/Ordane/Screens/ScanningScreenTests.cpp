#include <QTest>

#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/LedCounter.hpp"
#include "Ordane/Retro/ProgressBar.hpp"
#include "Ordane/Screens/ScanningScreen.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::testing {
namespace {

using ScanningScreenTest = ScreenTest;

struct Parts {
    retro::Label* label;
    retro::Label* value;
    retro::ProgressBar* bar;
    retro::LedCounter* files;
    retro::LedCounter* space;
};

Parts partsOf(const ScanningScreen& screen) {
    return {screen.findChild<retro::Label*>(QStringLiteral("nowLabel")),
            screen.findChild<retro::Label*>(QStringLiteral("nowValue")),
            screen.findChild<retro::ProgressBar*>(QStringLiteral("progressBar")),
            screen.findChild<retro::LedCounter*>(QStringLiteral("filesCounter")),
            screen.findChild<retro::LedCounter*>(QStringLiteral("spaceCounter"))};
}

ScanProgress progressIn(ScanProgress::Phase phase, int64_t files = 12413, int64_t bytes = 2'500'000) {
    ScanProgress progress;
    progress.filesSeen = files;
    progress.bytesSeen = bytes;
    progress.currentFolder = "Receipts";
    progress.phase = phase;
    return progress;
}

TEST_F(ScanningScreenTest, NowLineCountersAndBarFollowThePhase) {
    ScanningScreen screen(*state);
    screen.show();
    layOut(screen, QStringLiteral("scanning-ready"));
    Parts parts = partsOf(screen);
    ASSERT_TRUE(parts.label && parts.value && parts.bar && parts.files && parts.space);
    EXPECT_EQ(parts.label->text(), QStringLiteral("Now in:"));
    EXPECT_EQ(parts.value->text(), QStringLiteral("Getting ready…"));
    EXPECT_EQ(parts.files->value(), QStringLiteral("0"));
    EXPECT_EQ(parts.space->value(), QStringLiteral("Zero KB"));
    EXPECT_TRUE(parts.bar->marqueeRunning());
    EXPECT_EQ(parts.bar->width(), 420);

    struct Case {
        ScanProgress::Phase phase;
        const char* label;
        const char* value;
        std::optional<int> lit;  // none: the marquee runs
    };
    for (const Case& c : {Case{ScanProgress::Walking{}, "Now in:", "Receipts", std::nullopt},
                          Case{ScanProgress::ReadingDocuments{0, 0}, "Now:", "Reading documents", std::nullopt},
                          Case{ScanProgress::ReadingDocuments{10, 40}, "Now:", "Reading documents (10 of 40)", 7},
                          Case{ScanProgress::ComparingDuplicates{3, 3}, "Now:", "Comparing possible duplicates (3 of 3)",
                               29},
                          Case{ScanProgress::Finishing{}, "Now in:", "Receipts", std::nullopt}}) {
        SCOPED_TRACE(c.value);
        state->setProgress(progressIn(c.phase));
        QCoreApplication::processEvents();
        EXPECT_EQ(parts.label->text(), QString::fromUtf8(c.label));
        EXPECT_EQ(parts.value->text(), QString::fromUtf8(c.value));
        EXPECT_EQ(parts.bar->marqueeRunning(), !c.lit.has_value());
        if (c.lit) {
            EXPECT_EQ(parts.bar->litBlocks().last, *c.lit);
        }
        EXPECT_EQ(parts.files->value(), QStringLiteral("12,413"));
        EXPECT_EQ(parts.space->value(), QStringLiteral("2.5 MB"));
    }
    layOut(screen, QStringLiteral("scanning-reading"));
}

TEST_F(ScanningScreenTest, ManyReportsInOneTurnRefreshOnceWithTheLast) {
    ScanningScreen screen(*state);
    Parts parts = partsOf(screen);
    for (int64_t files = 1; files <= 3; ++files) state->setProgress(progressIn(ScanProgress::Walking{}, files, 0));
    EXPECT_EQ(parts.files->value(), QStringLiteral("0"));
    QCoreApplication::processEvents();
    EXPECT_EQ(parts.files->value(), QStringLiteral("3"));
}

TEST_F(ScanningScreenTest, StopLookingCancelsTheScanAndReturnsToWelcome) {
    addFile("Documents/a.txt", 10);
    ScanningScreen screen(*state);
    layOut(screen);
    state->startScan();
    ASSERT_EQ(state->stage(), AppState::Stage::scanning);
    auto* stop = withText<retro::BevelButton>(screen, QStringLiteral("Stop Looking"));
    ASSERT_NE(stop, nullptr);
    QTest::mouseClick(stop, Qt::LeftButton);
    EXPECT_EQ(state->stage(), AppState::Stage::welcome);
    EXPECT_FALSE(state->scanTaskPresent());
    settle();
}

}  // namespace
}  // namespace ordane::testing
