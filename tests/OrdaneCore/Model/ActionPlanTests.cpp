#include <gtest/gtest.h>

#include "OrdaneCore/Model/ActionPlan.hpp"
#include "OrdaneCore/Model/ActivityEntry.hpp"
#include "Support/StoredJson.hpp"

using namespace ordane;
using namespace ordane::testing;
using State = PlannedAction::State;

namespace {

const UUID actionID = *UUID::fromString("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d");

PlannedAction::Kind moveKind() {
    return PlannedAction::Kind::move(URL::fileURL("/home/a/Downloads/tax 2023.pdf"),
                                     URL::fileURL("/home/a/Documents/Taxes/tax 2023.pdf"));
}

PlannedAction::Kind trashKind() { return PlannedAction::Kind::trash(URL::fileURL("/home/a/Desktop/old.dmg")); }

PlannedAction action(PlannedAction::Kind kind, int64_t size, State state = State::pending()) {
    return PlannedAction{UUID::random(), std::move(kind), size, size, std::nullopt, std::nullopt, std::nullopt,
                         std::move(state)};
}

}  // namespace

TEST(PlannedAction, StoredForms) {
    // Every optional absent: exactly five keys.
    expectStoredForm(PlannedAction{actionID, trashKind(), 2048, 2048, std::nullopt, std::nullopt, std::nullopt,
                                   State::pending()},
                     R"({"id": "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
                         "kind": {"trash": {"_0": "file:///home/a/Desktop/old.dmg"}},
                         "sizeBytes": 2048, "expectedSize": 2048, "state": {"pending": {}}})");
    const PlannedAction full{actionID, moveKind(), 9000000000, 9000000001, Date{725846400.5},
                             "Syncs with Dropbox, so this change happens on your other devices too.", "taxDocument",
                             State::done(URL::fileURL("/home/a/Documents/Taxes/tax 2023 2.pdf"))};
    expectStoredForm(full, R"({"id": "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
        "kind": {"move": {"from": "file:///home/a/Downloads/tax%202023.pdf",
                          "to": "file:///home/a/Documents/Taxes/tax%202023.pdf"}},
        "sizeBytes": 9000000000, "expectedSize": 9000000001, "expectedModified": 725846400.5,
        "cloudWarning": "Syncs with Dropbox, so this change happens on your other devices too.",
        "recognitionKind": "taxDocument",
        "state": {"done": {"resultURL": "file:///home/a/Documents/Taxes/tax%202023%202.pdf"}}})");
    expectStoredForm(State::failed("Disk full."), R"({"failed":{"_0":"Disk full."}})");
    expectStoredForm(State::skipped("It changed."), R"({"skipped":{"_0":"It changed."}})");
}

TEST(PlannedAction, BadStoredValuesAreRefused) {
    expectEachRefused<State>({R"({"pending":{},"done":{"resultURL":"file:///x"}})", R"({"Pending":{}})",
                              R"({"pending":null})", R"("pending")", R"({"done":{}})",
                              R"({"done":{"resultURL":"/not/a/url"}})", R"({"failed":{"message":"x"}})",
                              R"({"failed":{"_0":3}})"});
    expectEachRefused<PlannedAction::Kind>({R"({"move":{"from":"file:///a"}})", R"({"delete":{"_0":"file:///a"}})",
                                            R"({"trash":{"_0":"http://host/a"}})"});
    // A wrong type anywhere fails the whole action.
    const PlannedAction full{actionID, moveKind(), 10, 10, Date{1}, "w", "resume", State::failed("No.")};
    expectEachRefused<PlannedAction>(
        full.toJson(), {{"/id", "not-a-uuid"}, {"/sizeBytes", 10.5}, {"/sizeBytes", "10"},
                        {"/expectedSize", 18446744073709551615ull}, {"/expectedSize", removed},
                        {"/expectedModified", "2024-01-01"}, {"/cloudWarning", false}, {"/recognitionKind", 3},
                        {"/state/failed", Json::object()}, {"/kind", json::parse(R"({"move":{"_0":"file:///a"}})")}});
    EXPECT_THROW(PlannedAction::fromJson(Json::array()), DecodingError);
}

TEST(ActionPlan, DerivedValuesTakeEveryState) {
    ActionPlan plan{UUID::random(), Date{700000000}, {}};
    EXPECT_EQ(plan.totalBytes(), 0);
    plan.actions = {action(moveKind(), 100, State::failed("Could not copy.")), action(trashKind(), 20),
                    action(moveKind(), 3, State::done(URL::fileURL("/x"))), action(trashKind(), 4000),
                    action(trashKind(), 5, State::skipped("Changed since the scan."))};
    EXPECT_EQ(plan.moves(), 2u);
    EXPECT_EQ(plan.trashes(), 3u);
    EXPECT_EQ(plan.totalBytes(), 4128);
    EXPECT_EQ(plan.pendingActions(), (std::vector<PlannedAction>{plan.actions[1], plan.actions[3]}));
    for (auto& each : plan.actions) each.state = State::done(URL::fileURL("/somewhere"));
    EXPECT_TRUE(plan.pendingActions().empty());

    // The source is what the action works on: a move's origin, never its destination.
    EXPECT_EQ(plan.actions[0].sourceURL(), URL::fileURL("/home/a/Downloads/tax 2023.pdf"));
    EXPECT_EQ(plan.actions[1].sourceURL(), URL::fileURL("/home/a/Desktop/old.dmg"));

    // A journal whose sizes would overflow still gives a total, not undefined behaviour.
    plan.actions = {action(trashKind(), INT64_MAX), action(trashKind(), INT64_MAX)};
    EXPECT_EQ(plan.totalBytes(), INT64_MAX);
}

TEST(ActionPlan, StoredForm) {
    const UUID planID = *UUID::fromString("11111111-2222-4333-8444-555555555555");
    expectStoredForm(ActionPlan{planID, Date{0.25}, {}},
                     R"({"id":"11111111-2222-4333-8444-555555555555","createdAt":0.25,"actions":[]})");

    ActionPlan plan{planID, Date{734000000.125}, {action(moveKind(), 7), action(trashKind(), 9)}};
    plan.actions[0].cloudWarning = "Syncs with iCloud Drive, so this change happens on your other devices too.";
    EXPECT_EQ(reread(plan), plan);
    EXPECT_EQ(plan.toJson()["actions"][1], plan.actions[1].toJson());
    // A damaged action fails the whole plan.
    expectEachRefused<ActionPlan>(
        plan.toJson(), {{"/actions/0/kind/move/to", 5}, {"/actions/1/state", "pending"}, {"/actions", Json::object()},
                        {"/createdAt", "now"}, {"/id", "11111111-2222-4333-8444-55555555555"}});
}

TEST(ActivityEntry, StoredForms) {
    using Kind = ActivityEntry::Kind;
    const UUID original = *UUID::fromString("aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee");
    expectStoredForm(Kind::moved(URL::fileURL("/h/a.txt"), URL::fileURL("/h/Docs/a.txt")),
                     R"({"moved":{"from":"file:///h/a.txt","to":"file:///h/Docs/a.txt"}})");
    expectStoredForm(Kind::undone(original), R"({"undone":{"originalEntryID":"AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"}})");
    expectStoredForm(Kind::restoredFromTrash(original),
                     R"({"restoredFromTrash":{"originalEntryID":"AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"}})");
    // UUIDs are read in any case.
    EXPECT_EQ(Kind::fromJson(json::parse(R"({"undone":{"originalEntryID":"aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee"}})")),
              Kind::undone(original));
    expectEachRefused<Kind>({R"({"undone":{}})", R"({"trashed":{"original":"file:///h/b"}})",
                             R"({"restored":{"originalEntryID":"AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"}})"});

    ActivityEntry entry{actionID, Date{730000000}, Kind::trashed(URL::fileURL("/h/b"), URL::fileURL("/t/b")), 512,
                        true, std::nullopt, std::nullopt};
    expectStoredForm(entry, R"({"id": "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D", "date": 730000000,
        "kind": {"trashed": {"original": "file:///h/b", "trashURL": "file:///t/b"}}, "sizeBytes": 512, "undoable": true})");
    entry.undoable = false;
    entry.undoableNote = "Already restored.";
    entry.suggestionKind = "bankStatement";
    expectStoredForm(entry, R"({"id": "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D", "date": 730000000,
        "kind": {"trashed": {"original": "file:///h/b", "trashURL": "file:///t/b"}}, "sizeBytes": 512, "undoable": false,
        "undoableNote": "Already restored.", "suggestionKind": "bankStatement"})");
    expectEachRefused<ActivityEntry>(entry.toJson(),
                                     {{"/undoable", 0}, {"/undoableNote", Json::array()}, {"/date", removed}});
}
