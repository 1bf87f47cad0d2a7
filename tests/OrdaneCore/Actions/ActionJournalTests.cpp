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

struct JournalFixture {
    TempDir dir;
    std::shared_ptr<FaultInjectingFileSystem> fs = std::make_shared<FaultInjectingFileSystem>();
    ActionJournal journal{URL::fileURL(dir / "journal", true), fs};
};

}  // namespace

TEST(ActionJournal, SavesOnePrettyFileNamedByTheUpperCaseID) {
    JournalFixture f;
    ActionPlan plan = planCreatedAt(100);
    plan.id = *UUID::fromString("0a1b2c3d-4e5f-6789-abcd-ef0123456789");
    f.journal.save(plan);
    std::string text = readFile(f.dir / "journal/0A1B2C3D-4E5F-6789-ABCD-EF0123456789.json");
    EXPECT_EQ(text.substr(0, 2), "{\n");
    EXPECT_LT(text.find("\"actions\""), text.find("\"createdAt\""));

    // Every "/" escaped, as in the stored form; files written either way are read.
    EXPECT_NE(text.find(R"("file:\/\/\/home\/u\/a%20b.txt")"), std::string::npos);
    for (size_t at = text.find('/'); at != std::string::npos; at = text.find('/', at + 1)) EXPECT_EQ(text[at - 1], '\\');
    ActionPlan unescaped = planCreatedAt(200);
    writeFile(f.dir / "journal/unescaped.json", json::dumpPretty(unescaped.toJson()));

    plan.actions[0].state = PlannedAction::State::skipped("gone");
    f.journal.save(plan);  // replaces the earlier file of the plan
    EXPECT_EQ(f.journal.loadAll(), (std::vector<ActionPlan>{plan, unescaped}));
}

TEST(ActionJournal, LoadsDecodablePlansOldestFirstAndLeavesEverythingElse) {
    JournalFixture f;
    std::vector<ActionPlan> sameDate = {planCreatedAt(70), planCreatedAt(70)};
    ActionPlan later = planCreatedAt(100);
    ActionPlan earlier = planCreatedAt(50);
    for (const ActionPlan& plan : {later, sameDate[0], sameDate[1], earlier}) f.journal.save(plan);
    writeFile(f.dir / "journal/notes.txt", "notes");
    writeFile(f.dir / "journal/broken.json", "{\"id\":");
    writeFile(f.dir / "journal/shouting.JSON", json::dumpPretty(planCreatedAt(1).toJson()));
    // Equal dates keep the listing's order.
    if (sameDate[1].id.uuidString() < sameDate[0].id.uuidString()) std::swap(sameDate[0], sameDate[1]);
    EXPECT_EQ(f.journal.loadAll(), (std::vector<ActionPlan>{earlier, sameDate[0], sameDate[1], later}));

    // A file that can't be read is one plan fewer; a folder that can't be listed, none.
    f.fs->fail(Operation::readFile, sameDate[0].id.uuidString(), EIO);
    EXPECT_EQ(f.journal.loadAll(), (std::vector<ActionPlan>{earlier, sameDate[1], later}));
    f.fs->fail(Operation::listDirectory, "journal", EIO);
    EXPECT_TRUE(f.journal.loadAll().empty());
    f.fs->clearFaults();

    for (const ActionPlan& plan : {later, sameDate[0], sameDate[1], earlier, earlier}) f.journal.remove(plan);
    EXPECT_EQ(f.fs->listDirectory(f.dir / "journal"), (std::vector<std::string>{"broken.json", "notes.txt", "shouting.JSON"}));
    EXPECT_EQ(readFile(f.dir / "journal/broken.json"), "{\"id\":");
    EXPECT_TRUE(ActionJournal{URL::fileURL(f.dir / "missing", true)}.loadAll().empty());
}
