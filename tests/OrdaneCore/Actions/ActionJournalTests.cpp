#include <gtest/gtest.h>

#include "OrdaneCore/Actions/ActionJournal.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::FaultInjectingFileSystem;
using ordane::testing::readFile;
using ordane::testing::TempDir;
using ordane::testing::writeFile;
using Operation = FaultInjectingFileSystem::Operation;

namespace {

ActionPlan planCreatedAt(double seconds) {
    PlannedAction action{UUID::random(), PlannedAction::Kind::trash(URL::fileURL("/home/u/a b.txt")), 5, 5,
                         std::nullopt, std::nullopt, std::nullopt, PlannedAction::State::pending()};
    return ActionPlan{UUID::random(), Date{seconds}, {action}};
}

}  // namespace

TEST(ActionJournal, SavesOnePrettyFileNamedByTheUpperCaseID) {
    TempDir dir;
    ActionJournal journal{URL::fileURL(dir / "support/journal", true)};
    ActionPlan plan = planCreatedAt(100);
    plan.id = *UUID::fromString("0a1b2c3d-4e5f-6789-abcd-ef0123456789");
    journal.save(plan);
    std::string text = readFile(dir / "support/journal/0A1B2C3D-4E5F-6789-ABCD-EF0123456789.json");
    EXPECT_EQ(text.substr(0, 2), "{\n");
    EXPECT_LT(text.find("\"actions\""), text.find("\"createdAt\""));
    EXPECT_LT(text.find("\"createdAt\""), text.rfind("\"id\""));

    // A pending action without optional values has exactly five keys.
    Json action = json::parse(text)["actions"][0];
    std::vector<std::string> keys;
    for (auto it = action.begin(); it != action.end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"expectedSize", "id", "kind", "sizeBytes", "state"}));
    EXPECT_EQ(action["state"], json::parse(R"({"pending":{}})"));

    plan.actions[0].state = PlannedAction::State::skipped("gone");
    journal.save(plan);  // replaces the earlier file of the plan
    EXPECT_EQ(journal.loadAll(), std::vector<ActionPlan>{plan});
}

TEST(ActionJournal, LoadsDecodablePlansOldestFirstAndLeavesEverythingElse) {
    TempDir dir;
    ActionJournal journal{URL::fileURL(dir / "journal", true)};
    ActionPlan later = planCreatedAt(100);
    ActionPlan earlier = planCreatedAt(50);
    journal.save(later);
    journal.save(earlier);
    writeFile(dir / "journal/notes.txt", "notes");
    writeFile(dir / "journal/broken.json", "{\"id\":");
    writeFile(dir / "journal/shouting.JSON", json::dumpPretty(planCreatedAt(1).toJson()));

    EXPECT_EQ(journal.loadAll(), (std::vector<ActionPlan>{earlier, later}));
    journal.remove(earlier);
    journal.remove(later);
    journal.remove(later);  // already gone: nothing happens
    EXPECT_EQ(FaultInjectingFileSystem().listDirectory(dir / "journal"),
              (std::vector<std::string>{"broken.json", "notes.txt", "shouting.JSON"}));
    EXPECT_EQ(readFile(dir / "journal/broken.json"), "{\"id\":");
}

TEST(ActionJournal, EqualDatesKeepListingOrderAndFailuresMeanFewerPlans) {
    TempDir dir;
    auto fs = std::make_shared<FaultInjectingFileSystem>();
    ActionJournal journal{URL::fileURL(dir / "journal", true), fs};
    std::vector<ActionPlan> plans = {planCreatedAt(7), planCreatedAt(7), planCreatedAt(7)};
    for (const ActionPlan& plan : plans) journal.save(plan);
    std::sort(plans.begin(), plans.end(), [](const ActionPlan& a, const ActionPlan& b) { return a.id.uuidString() < b.id.uuidString(); });
    EXPECT_EQ(journal.loadAll(), plans);

    fs->fail(Operation::readFile, plans[1].id.uuidString(), EIO);
    EXPECT_EQ(journal.loadAll(), (std::vector<ActionPlan>{plans[0], plans[2]}));
    fs->fail(Operation::listDirectory, "journal", EIO);
    EXPECT_TRUE(journal.loadAll().empty());
    EXPECT_TRUE(ActionJournal{URL::fileURL(dir / "missing", true)}.loadAll().empty());
}

TEST(ActionJournal, SaveReportsItsFailures) {
    TempDir dir;
    auto fs = std::make_shared<FaultInjectingFileSystem>();
    ActionJournal journal{URL::fileURL(dir / "journal", true), fs};
    fs->fail(Operation::writeFileAtomically, "journal", ENOSPC, 0, 1);
    EXPECT_THROW(journal.save(planCreatedAt(1)), platform::FileSystemError);
    fs->fail(Operation::createDirectories, "journal", EIO, 0, 1);
    EXPECT_THROW(journal.save(planCreatedAt(1)), platform::FileSystemError);
    fs->fail(Operation::removeItem, "journal", EIO);
    ActionPlan plan = planCreatedAt(1);
    journal.save(plan);
    EXPECT_NO_THROW(journal.remove(plan));
}
