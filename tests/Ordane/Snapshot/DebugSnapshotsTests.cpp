#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "Ordane/App/AppState.hpp"
#include "Ordane/App/RootView.hpp"
#include "Ordane/App/TextScale.hpp"
#include "Ordane/Snapshot/DebugSnapshots.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Ordane/App/ScopedVariable.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"
#include "Support/TempDir.hpp"

namespace ordane::testing {

namespace {

namespace fs = std::filesystem;

// An old screenshot on the Desktop: the one thing a scan of `home` proposes to put in the Trash.
std::string plantOldScreenshot(const std::string& home) {
    for (const char* folder : {"Desktop", "Documents", "Downloads", "Videos", "Music", "Pictures"}) {
        fs::create_directories(fs::path(home) / folder);
    }
    std::string path = home + "/Desktop/Screenshot 2023-01-02 at 10.00.00.png";
    Screenshot shot;
    shot.width = 200;
    shot.height = 100;
    writeScreenshotPng(path, shot);
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
    return path;
}

struct RunOutcome {
    int status = -1;
    std::string lines;
    std::vector<std::string> images;
};

RunOutcome runSnapshots(const std::string& folder) {
    DebugSnapshots::Options options;
    options.folder = QString::fromStdString(folder);
    options.images = false;
    std::ostringstream out;
    RunOutcome outcome;
    outcome.status = DebugSnapshots::run(options, out);
    outcome.lines = out.str();
    for (const QString& name : QDir(options.folder).entryList(QDir::Files, QDir::Name)) {
        outcome.images.push_back(name.toStdString());
    }
    return outcome;
}

}  // namespace

using DebugSnapshotsScreenTest = ScreenTest;

// Rows are added to the list before it was ever laid out, with or without a note that wraps: the
// image still holds every row whole and every text uncut.
TEST_F(DebugSnapshotsScreenTest, TheActivityImageShowsEveryRowWhole) {
    TempDir images;
    ScopedVariable snapshots(DebugSnapshots::folderVariable, images.path().c_str());
    for (bool note : {false, true}) {
        std::vector<ActivityEntry> entries;
        for (int i = 0; i < 5; ++i) {
            const URL from = URL::fileURL("/h/Downloads/file " + std::to_string(i) + ".txt");
            entries.push_back({UUID::random(), Date::now(), ActivityEntry::Kind::trashed(from, from), 10, i != 0, {}, {}});
        }
        if (note) {
            entries[0].undoableNote = "This one can no longer be taken back: the file was emptied from the Trash "
                                      "some time after it was put there.";
        }
        state->setActivityEntries(entries);
        for (double scale : {1.0, 1.5}) {
            setCurrentTextScale(scale);
            std::unique_ptr<QWidget> screen(makeScreen(ScreenChoice::of(ScreenChoice::Kind::activity), *state));
            ASSERT_TRUE(DebugSnapshots::renderPng(*screen, QString::fromStdString(images.path()), QStringLiteral("a")));
            const auto rows = visible<QWidget>(*screen, QStringLiteral("activityRow"));
            ASSERT_EQ(rows.size(), entries.size());
            for (QWidget* row : rows) EXPECT_GE(row->height(), row->minimumSizeHint().height()) << note << scale;
            EXPECT_EQ(overlaps(*screen), std::vector<std::string>{}) << note << scale;
        }
    }
    setCurrentTextScale(1.0);
}

// The list never ends: its image is the window's well, however many entries it holds.
TEST_F(DebugSnapshotsScreenTest, TheActivityImageIsNoLargerForThousandsOfEntriesThanForAScreenful) {
    TempDir images;
    ScopedVariable snapshots(DebugSnapshots::folderVariable, images.path().c_str());
    std::vector<QSize> sizes;
    for (int count : {30, 3000}) {
        std::vector<ActivityEntry> entries;
        for (int i = 0; i < count; ++i) {
            const URL from = URL::fileURL("/h/Downloads/file " + std::to_string(i) + ".txt");
            entries.push_back({UUID::random(), Date::now(), ActivityEntry::Kind::trashed(from, from), 10, true, {}, {}});
        }
        state->setActivityEntries(entries);
        std::unique_ptr<QWidget> screen(makeScreen(ScreenChoice::of(ScreenChoice::Kind::activity), *state));
        const std::optional<QSize> size =
            DebugSnapshots::renderPng(*screen, QString::fromStdString(images.path()), QStringLiteral("a"));
        ASSERT_TRUE(size) << count;
        sizes.push_back(*size);
        EXPECT_LE(visible<QWidget>(*screen, QStringLiteral("activityRow")).size(), 12u) << count;
    }
    EXPECT_EQ(sizes[0], sizes[1]);
}

// A large plan draws every list in its well, as the window shows it, even the smallest window: no
// image of the run grows with a list towards a size an image can't hold.
TEST_F(DebugSnapshotsScreenTest, AListsImageStaysWithinTheWindowsHeightHoweverLongTheList) {
    TempDir images;
    ScopedVariable snapshots(DebugSnapshots::folderVariable, images.path().c_str());
    AnalysisResult analysis;
    for (int i = 0; i < 60; ++i) {
        const UUID id = UUID::random();
        std::vector<FileRecord> members;
        for (const char* folder : {"/h/Downloads/", "/h/Pictures/"}) {
            Finding copy = syntheticFinding(FindingCategory::duplicates, folder + std::to_string(i) + ".jpg", 100);
            copy.groupID = id;
            members.push_back(copy.record);
            analysis.findings.push_back(copy);
        }
        analysis.exactGroups.emplace_back(id, DuplicateKind::exact, members, 1, "Filed copy.", std::nullopt);
    }
    OrganizationProposal proposal;
    for (int i = 0; i < 30; ++i) {
        ProposedFolder folder;
        folder.id = UUID::random();
        folder.destination = URL::fileURL("/h/Documents/Invoices " + std::to_string(i), true);
        folder.displayPath = "Documents → Invoices " + std::to_string(i);
        for (int j = 0; j < 10; ++j) {
            folder.members.push_back(syntheticFinding(FindingCategory::organizeSuggestion,
                                                      "/h/Downloads/invoice " + std::to_string(i * 10 + j) + ".pdf",
                                                      2000));
            analysis.findings.push_back(folder.members.back());
            analysis.findings.push_back(syntheticFinding(FindingCategory::oldFiles,
                                                         "/h/Documents/old " + std::to_string(i * 10 + j) + ".txt", 50));
        }
        proposal.folders.push_back(folder);
    }
    analysis.organization = proposal;
    state->setAnalysis(analysis);
    for (const Finding& finding : analysis.findings) {
        if (finding.record.path().rfind("/h/Pictures/", 0) != 0) state->setApproved(finding, true);
    }

    using Kind = ScreenChoice::Kind;
    for (const ScreenChoice& choice : {ScreenChoice{Kind::category, FindingCategory::oldFiles},
                                       ScreenChoice::of(Kind::duplicates), ScreenChoice::of(Kind::organize),
                                       ScreenChoice::of(Kind::confirm)}) {
        std::unique_ptr<QWidget> screen(makeScreen(choice, *state));
        const std::optional<QSize> size =
            DebugSnapshots::renderPng(*screen, QString::fromStdString(images.path()), QStringLiteral("a"));
        ASSERT_TRUE(size) << int(choice.kind);
        EXPECT_LE(size->height(), 2 * RootView::minimumHeight) << int(choice.kind);
    }
}

// Each undo of the run is awaited: the next starts when the answer is in, with no clock to wait for.
TEST_F(DebugSnapshotsScreenTest, TheRunsUndoAwaitsEachAnswerWithoutAClock) {
    struct TimerCount : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            timers += event->type() == QEvent::Timer;
            return false;
        }
        int timers = 0;
    };
    std::vector<ActivityEntry> entries;
    for (int i = 0; i < 40; ++i) {
        // Notes about earlier undos: undoable by their flag, answered without touching a file.
        entries.push_back({UUID::random(), Date::now(), ActivityEntry::Kind::undone(UUID::random()), 10, true, {}, {}});
    }
    state->setActivityEntries(entries);
    settle();
    TimerCount count;
    QCoreApplication::instance()->installEventFilter(&count);
    EXPECT_EQ(DebugSnapshots::undoEveryUndoable(*state), 40);
    QCoreApplication::instance()->removeEventFilter(&count);
    EXPECT_LT(count.timers, 40);
}

TEST(DebugSnapshots, OnlyASubstituteHomeThatIsNotTheRealOneIsChangedAndItComesBackWhole) {
    struct Case {
        const char* name;
        bool substitute;
        bool realHome;
        const char* expectedLines;
    };
    const Case cases[] = {
        {"substitute home", true, false, "E2E: approved 1 items\nE2E: executed 1 actions, 1 done\nE2E: undid 1 entries\n"},
        {"substitute that is the real home", true, true, "E2E: not run: ORDANE_HOME ("},
        {"real home", false, true, ""},
    };
    for (const Case& c : cases) {
        TempDir substitute;
        TempDir images;
        const std::string home = c.realHome ? std::getenv("HOME") : substitute.path();
        const std::string screenshot = plantOldScreenshot(home);
        const auto before = fs::last_write_time(screenshot);
        ScopedVariable variable("ORDANE_HOME", c.substitute ? home.c_str() : nullptr);
        RunOutcome outcome = runSnapshots(images / "made/here");
        EXPECT_EQ(outcome.status, 0) << c.name;
        EXPECT_EQ(outcome.lines.rfind(c.expectedLines, 0), 0u) << c.name << ":\n" << outcome.lines;
        EXPECT_TRUE(fs::is_directory(images / "made/here")) << c.name;
        EXPECT_TRUE(outcome.images.empty()) << c.name;
        ASSERT_TRUE(fs::exists(screenshot)) << c.name;
        EXPECT_EQ(fs::last_write_time(screenshot), before) << c.name;
        fs::remove(screenshot);
    }
}

}  // namespace ordane::testing
