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

    for (const Finding& each : analysis.findings) state.setApproved(each, true);
    state.setApproved(old, false);
    EXPECT_EQ(state.approvedForMove(), (std::unordered_set<UUID>{invoice.id, screenshot.id, noDestination.id}));
    EXPECT_EQ(state.approvedForTrash(), std::unordered_set<UUID>{copy.id});

    ActionPlan plan = state.buildPlan();
    ASSERT_EQ(plan.actions.size(), 3u);
    EXPECT_EQ(plan.actions[0].kind, PlannedAction::Kind::move(invoice.record.url(), *invoice.suggestedDestination));
    EXPECT_EQ(plan.actions[0].recognitionKind, "invoiceReceipt");
    EXPECT_EQ(plan.actions[2].kind, PlannedAction::Kind::trash(copy.record.url()));
    EXPECT_EQ(plan.actions[2].expectedModified, copy.record.modified());
    // The action on the synced file carries the warning, the others none.
    analysis.findings[0].record.setCloudProvider(CloudProvider::dropbox);
    state.setAnalysis(analysis);
    plan = state.buildPlan();
    EXPECT_EQ(plan.actions[0].cloudWarning, std::nullopt);
    EXPECT_EQ(plan.actions[2].cloudWarning, "Syncs with Dropbox, so this change happens on your other devices too.");

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

    // What a run does to files is the executor's test; here, what the state learns and keeps.
    state.execute(state.buildPlan());
    state.execute(ActionPlan{});  // refused while the first is present
    ASSERT_TRUE(waitFor([&] { return state.execution() && !state.execution()->isRunning(); }));
    settle(state);
    EXPECT_EQ(std::get<AppState::Execution::Finished>(state.execution()->value).plan.actions.size(), 3u);
    EXPECT_TRUE(state.approvedForMove().empty() && state.approvedForTrash().empty());
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
    EXPECT_EQ(readFile(home / "Downloads/a.pdf"), "contents of Downloads/a.pdf");
    EXPECT_EQ(count(state.priorsStore(), "Documents/Invoices", false), 1);
    ASSERT_EQ(state.activityEntries().size(), 5u);

    // The notes about those undos can't themselves be undone, and teach the priors nothing.
    undo("note", state.activityEntries().front());
    ASSERT_TRUE(waitFor([&] { return results.contains("note"); }));
    EXPECT_FALSE(results.at("note").isDone());
    EXPECT_EQ(count(state.priorsStore(), "Documents/Invoices", false), 1);
    settle(state);
}

TEST_F(Approvals, SettingsAreSavedAtOnceAndDecideOwnerAndRoots) {
    {
        AppState state;
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
