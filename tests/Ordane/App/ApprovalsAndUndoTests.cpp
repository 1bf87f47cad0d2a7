#include <QSignalSpy>
#include <gtest/gtest.h>

#include "AppStateHome.hpp"
#include "Ordane/App/TextScale.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/System/UserAccount.hpp"

namespace ordane {
namespace {

using testing::readFile;
using testing::writeFile;

class Approvals : public testing::AppStateHome {
protected:
    Finding finding(const std::string& relative, FindingCategory category,
                    std::optional<std::string> destination = std::nullopt, std::optional<std::string> kind = std::nullopt) {
        writeFile(home / relative, "contents of " + relative);
        platform::FileStatus status = platform::FileSystem::real()->status(home / relative);
        Finding made;
        made.id = UUID::random();
        made.record.setID(UUID::random());
        made.record.setURL(URL::fileURL(home / relative));
        made.record.setSize(status.size);
        made.record.setModified(Date::fromUnix(status.modified));
        made.category = category;
        if (destination) made.suggestedDestination = URL::fileURL(home / *destination);
        made.recognitionKind = kind;
        return made;
    }
    bool exists(const std::string& relative) const { return platform::FileSystem::real()->exists(home / relative); }
    // The priors' accepts (or rejects) of invoices filed into that folder.
    int64_t count(FilingPriorsStore& store, const std::string& folder, bool accepts) {
        for (const FilingPriorsStore::Row& row : store.allRows()) {
            if (row.kind == "invoiceReceipt" && row.destinationPath == home / folder) {
                return accepts ? row.acceptCount : row.rejectCount;
            }
        }
        return 0;
    }
};

TEST_F(Approvals, ChecksLandInTheSetOfTheirCategoryBuildAPlanWithCloudWarningsAndFollowARename) {
    AppState state;
    Finding invoice = finding("Downloads/a.pdf", FindingCategory::organizeSuggestion, "Documents/Invoices/a.pdf",
                              "invoiceReceipt");
    Finding screenshot = finding("Desktop/Screen 1.png", FindingCategory::screenshotNaming, "Desktop/Screenshot - x.png");
    Finding noDestination = finding("Downloads/b.pdf", FindingCategory::organizeSuggestion);
    Finding copy = finding("Documents/copy.bin", FindingCategory::duplicates, std::nullopt, "invoiceReceipt");
    Finding old = finding("Music/old.mp3", FindingCategory::oldFiles);
    AnalysisResult analysis;
    analysis.findings = {copy, invoice, old, screenshot, noDestination};
    state.setAnalysis(analysis);

    QSignalSpy moves(&state, &AppState::approvedForMoveChanged);
    for (const Finding& each : analysis.findings) state.setApproved(each, true);
    state.setApproved(old, false);
    state.setApproved(old, false);
    EXPECT_EQ(state.approvedForMove(), (std::unordered_set<UUID>{invoice.id, screenshot.id, noDestination.id}));
    EXPECT_EQ(state.approvedForTrash(), std::unordered_set<UUID>{copy.id});
    EXPECT_EQ(moves.count(), 3);
    EXPECT_EQ(state.approvedBytes(), copy.record.size() + invoice.record.size() + screenshot.record.size() +
                                         noDestination.record.size());

    ActionPlan plan = state.buildPlan();
    ASSERT_EQ(plan.actions.size(), 3u);
    EXPECT_EQ(plan.actions[0].kind, PlannedAction::Kind::move(invoice.record.url(), *invoice.suggestedDestination));
    EXPECT_EQ(plan.actions[0].recognitionKind, "invoiceReceipt");
    EXPECT_EQ(plan.actions[1].kind, PlannedAction::Kind::move(screenshot.record.url(), *screenshot.suggestedDestination));
    EXPECT_EQ(plan.actions[2].kind, PlannedAction::Kind::trash(copy.record.url()));
    EXPECT_EQ(plan.actions[2].recognitionKind, std::nullopt);
    EXPECT_EQ(plan.actions[2].expectedSize, copy.record.size());
    EXPECT_EQ(plan.actions[2].expectedModified, copy.record.modified());
    for (const auto& [provider, name] :
         {std::pair{CloudProvider::dropbox, "Dropbox"}, std::pair{CloudProvider::iCloudDrive, "iCloud Drive"},
          std::pair{CloudProvider::oneDrive, "OneDrive"}, std::pair{CloudProvider::googleDrive, "Google Drive"},
          std::pair{CloudProvider::other, "a cloud service"}}) {
        analysis.findings[0].record.setCloudProvider(provider);
        state.setAnalysis(analysis);
        plan = state.buildPlan();
        EXPECT_EQ(plan.actions[0].cloudWarning, std::nullopt);
        EXPECT_EQ(plan.actions[2].cloudWarning,
                  std::string("Syncs with ") + name + ", so this change happens on your other devices too.");
    }

    // Renaming a proposed folder moves its members' destinations and keeps their checks.
    ProposedFolder folder;
    folder.id = UUID::random();
    folder.destination = URL::fileURL(home / "Documents/Invoices", true);
    folder.members = {invoice};
    analysis.organization = OrganizationProposal{{folder}, 1, 0};
    state.setAnalysis(analysis);
    state.renameProposedFolder(folder.id, " / ");
    EXPECT_EQ(state.analysis(), analysis);
    state.renameProposedFolder(folder.id, "Paid: Bills");
    ASSERT_EQ(state.analysis()->findings.size(), 5u);
    EXPECT_EQ(state.analysis()->findings[2], screenshot);
    EXPECT_EQ(state.analysis()->findings.back().suggestedDestination, URL::fileURL(home / "Documents/Paid Bills/a.pdf"));
    EXPECT_EQ(state.approvedMoveFindings().size(), 3u);
    settle(state);
}

TEST_F(Approvals, ExecutionMovesAndTrashesTeachesThePriorsAndUndoTakesItBack) {
    AppState state;
    writeFile(home / "Documents/Invoices/a.pdf", "already there");
    Finding invoice = finding("Downloads/a.pdf", FindingCategory::organizeSuggestion, "Documents/Invoices/a.pdf",
                              "invoiceReceipt");
    Finding gone = finding("Downloads/gone.pdf", FindingCategory::organizeSuggestion, "Documents/Invoices/gone.pdf",
                           "invoiceReceipt");
    Finding copy = finding("Documents/copy.bin", FindingCategory::duplicates);
    AnalysisResult analysis;
    analysis.findings = {invoice, gone, copy};
    state.setAnalysis(analysis);
    for (const Finding& each : analysis.findings) state.setApproved(each, true);
    ASSERT_TRUE(settle(state));

    std::vector<AppState::Execution> seen;
    QObject::connect(&state, &AppState::executionChanged, [&] {
        if (state.execution()) seen.push_back(*state.execution());
    });
    state.execute(state.buildPlan());
    state.execute(ActionPlan{});  // refused while the first is present
    ASSERT_TRUE(waitFor([&] { return state.execution() && !state.execution()->isRunning(); }));
    settle(state);
    using Running = AppState::Execution::Running;
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen.front(), (AppState::Execution{Running{"", 0, 3}}));
    EXPECT_EQ(seen[1], (AppState::Execution{Running{"a.pdf", 1, 3}}));
    EXPECT_EQ(seen[3], (AppState::Execution{Running{"copy.bin", 3, 3}}));
    EXPECT_EQ(std::get<AppState::Execution::Finished>(state.execution()->value).plan.actions.size(), 3u);
    EXPECT_TRUE(state.approvedForMove().empty());
    EXPECT_TRUE(state.approvedForTrash().empty());
    EXPECT_FALSE(exists("Downloads/a.pdf"));
    EXPECT_EQ(readFile(home / "Documents/Invoices/a.pdf"), "already there");
    EXPECT_FALSE(exists("Documents/copy.bin"));
    // The move took a free name in the same folder: that folder gets the accept.
    EXPECT_EQ(count(state.priorsStore(), "Documents/Invoices", true), 2);
    ASSERT_EQ(state.activityEntries().size(), 3u);

    std::map<std::string, ActivityEntry> entries;  // by the name of the file each handled
    for (const ActivityEntry& entry : state.activityEntries()) {
        const auto* moved = std::get_if<ActivityEntry::Kind::Moved>(&entry.kind.value);
        entries[moved ? moved->from.lastPathComponent() : "trashed"] = entry;
    }
    ASSERT_EQ(entries.size(), 3u);
    const auto& goneTo = std::get<ActivityEntry::Kind::Moved>(entries["gone.pdf"].kind.value).to;
    platform::FileSystem::real()->removeItem(goneTo.path());
    std::map<std::string, ActionExecutor::ReversalResult> results;
    QObject receiver;
    auto undo = [&](const std::string& name, const ActivityEntry& entry) {
        state.undo(entry, &receiver,
                   [&, name](const ActionExecutor::ReversalResult& result) { results.emplace(name, result); });
    };
    // Each asked for twice at once, as by a double click: taken back once, the other told so.
    for (const auto& [name, entry] : entries) {
        undo(name, entry);
        undo(name + " again", entry);
    }
    ASSERT_TRUE(waitFor([&] { return results.size() == 6; }));
    settle(state);
    for (const auto& [name, entry] : entries) {
        const auto& [first, second] = std::pair(results.at(name), results.at(name + " again"));
        EXPECT_EQ(first.isDone() + second.isDone(), name == "gone.pdf" ? 0 : 1) << name;
        if (name == "gone.pdf") continue;
        EXPECT_EQ((first.isDone() ? second : first).message(), "This step can't be undone anymore.");
    }
    EXPECT_EQ(state.activityStore().entry(entries["trashed"].id)->undoableNote, "Taken back out of the Trash.");
    EXPECT_EQ(readFile(home / "Downloads/a.pdf"), "contents of Downloads/a.pdf");
    EXPECT_TRUE(exists("Documents/copy.bin"));
    EXPECT_EQ(count(state.priorsStore(), "Documents/Invoices", false), 1);
    ASSERT_EQ(state.activityEntries().size(), 5u);

    // The notes about those undos can't themselves be undone.
    ASSERT_FALSE(std::holds_alternative<ActivityEntry::Kind::Moved>(state.activityEntries().front().kind.value));
    undo("note", state.activityEntries().front());
    ASSERT_TRUE(waitFor([&] { return results.contains("note"); }));
    EXPECT_EQ(results.at("note").message(), "This line is just a note about an earlier undo.");
    EXPECT_EQ(count(state.priorsStore(), "Documents/Invoices", false), 1);

    state.startOver();
    EXPECT_FALSE(state.execution());
    EXPECT_EQ(state.stage(), AppState::Stage::welcome);
    EXPECT_FALSE(state.analysis());
    state.execute(ActionPlan{UUID::random(), Date::now(), {}});
    ASSERT_TRUE(waitFor([&] { return state.execution() && !state.execution()->isRunning(); }));
    settle(state);
}

TEST_F(Approvals, SettingsAreSavedAtOnceAndDecideOwnerAndRoots) {
    {
        AppState state;
        const UUID refresh = state.uiRefresh();
        QSignalSpy rebuilt(&state, &AppState::uiRefreshChanged);
        state.updateScanSettings(1.4);
        EXPECT_EQ(rebuilt.count(), 1);
        EXPECT_NE(state.uiRefresh(), refresh);
        EXPECT_EQ(currentTextScale(), 1.4);
        state.updateScanSettings(0);
        EXPECT_EQ(state.scanSettings().textScale, std::nullopt);
        EXPECT_EQ(currentTextScale(), 1.0);
        state.updateScanSettings(1.2);

        testing::makeDirectories(home / "drives/b");
        testing::makeDirectories(home / "drives/a");
        ScanSettings settings = state.scanSettings();
        settings.disabledFolders = {"Music", "music"};
        settings.enabledExternalVolumes = {home / "drives/b", home / "drives/gone", home / "drives/a"};
        settings.ownerName = " \tAda Lovelace  ";
        state.setScanSettings(settings);
        state.saveScanSettings();
        settle(state);
    }
    AppState state;
    EXPECT_EQ(currentTextScale(), 1.2);
    EXPECT_EQ(state.ownerName(), OwnerIdentity("Ada Lovelace"));
    std::vector<std::string> roots;
    for (const URL& root : state.scanRoots()) roots.push_back(root.path());
    EXPECT_EQ(roots, (std::vector<std::string>{home / "Desktop", home / "Documents", home / "Downloads", home / "Videos",
                                               home / "Pictures", home / "drives/a", home / "drives/b"}));
    ScanSettings blank = state.scanSettings();
    blank.ownerName = "   ";
    state.setScanSettings(blank);
    EXPECT_EQ(state.ownerName(), OwnerIdentity(platform::UserAccount::current()->fullName()));
    state.updateScanSettings(1.0);
    settle(state);
}

}  // namespace
}  // namespace ordane
