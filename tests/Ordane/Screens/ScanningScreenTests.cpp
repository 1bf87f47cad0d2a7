#include "Ordane/Retro/LedCounter.hpp"
#include "Ordane/Retro/ProgressBar.hpp"
#include "Ordane/Screens/ScanningScreen.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::testing {
namespace {

using ScanningScreenTest = ScreenTest;

ScanProgress progressIn(ScanProgress::Phase phase, int64_t files = 12413, int64_t bytes = 2'500'000) {
    ScanProgress progress;
    progress.filesSeen = files;
    progress.bytesSeen = bytes;
    progress.currentFolder = "Receipts";
    progress.phase = phase;
    return progress;
}

QString counter(const QWidget& screen, const char* name) {
    return screen.findChild<retro::LedCounter*>(QString::fromLatin1(name))->value();
}

TEST_F(ScanningScreenTest, NowLineCountersAndBarFollowThePhaseAndStopLookingCancels) {
    ScanningScreen screen(*state);
    layOut(screen, QStringLiteral("scanning-ready"));
    auto* bar = screen.findChild<retro::ProgressBar*>(QStringLiteral("progressBar"));
    ASSERT_TRUE(bar);
    // No phase: no report yet; no lit block: the marquee runs.
    struct Case { std::optional<ScanProgress::Phase> phase; const char* label; const char* value; std::optional<int> lit; };
    for (const Case& c : {Case{std::nullopt, "Now in:", "Getting ready…", std::nullopt},
                          Case{ScanProgress::ReadingDocuments{10, 40}, "Now:", "Reading documents (10 of 40)", 7}}) {
        SCOPED_TRACE(c.value);
        if (c.phase) state->setProgress(progressIn(*c.phase));
        QCoreApplication::processEvents();
        EXPECT_EQ(textOf(screen, "nowLabel"), QString::fromUtf8(c.label));
        EXPECT_EQ(textOf(screen, "nowValue"), QString::fromUtf8(c.value));
        EXPECT_EQ(bar->marqueeRunning(), !c.lit.has_value());
        if (c.lit) {
            EXPECT_EQ(bar->litBlocks().last, *c.lit);
        }
        EXPECT_EQ(counter(screen, "filesCounter"), c.phase ? QStringLiteral("12,413") : QStringLiteral("0"));
    }
    layOut(screen, QStringLiteral("scanning-reading"));

    addFile("Documents/a.txt", 10);
    state->startScan();
    ASSERT_EQ(state->stage(), AppState::Stage::scanning);
    click(withText(screen, QStringLiteral("Stop Looking")));
    EXPECT_EQ(state->stage(), AppState::Stage::welcome);
    EXPECT_FALSE(state->scanTaskPresent());
    settle();
}

TEST_F(ScanningScreenTest, ManyReportsInOneTurnRefreshOnceWithTheLast) {
    ScanningScreen screen(*state);
    for (int64_t files = 1; files <= 3; ++files) state->setProgress(progressIn(ScanProgress::Walking{}, files, 0));
    EXPECT_EQ(counter(screen, "filesCounter"), QStringLiteral("0"));
    QCoreApplication::processEvents();
    EXPECT_EQ(counter(screen, "filesCounter"), QStringLiteral("3"));
}

}  // namespace
}  // namespace ordane::testing
