#include <gtest/gtest.h>

#include "OrdaneCore/Model/ActionPlan.hpp"
#include "OrdaneCore/Model/ActivityEntry.hpp"

using namespace ordane;

namespace {

const UUID actionID = *UUID::fromString("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d");
const UUID planID = *UUID::fromString("11111111-2222-4333-8444-555555555555");

PlannedAction action(PlannedAction::Kind kind, int64_t size, PlannedAction::State state = PlannedAction::State::pending()) {
    return PlannedAction{UUID::random(), std::move(kind), size, size, std::nullopt, std::nullopt, std::nullopt,
                         std::move(state)};
}

PlannedAction::Kind moveKind() {
    return PlannedAction::Kind::move(URL::fileURL("/home/a/Downloads/tax 2023.pdf"),
                                     URL::fileURL("/home/a/Documents/Taxes/tax 2023.pdf"));
}

PlannedAction::Kind trashKind() { return PlannedAction::Kind::trash(URL::fileURL("/home/a/Desktop/old.dmg")); }

template <class T>
T reread(const T& value) {
    return T::fromJson(json::parse(json::dumpPretty(value.toJson())));
}

}  // namespace

TEST(PlannedAction, KindAndStateShapes) {
    EXPECT_EQ(moveKind().toJson(), json::parse(R"({"move":{"from":"file:///home/a/Downloads/tax%202023.pdf",
                                                          "to":"file:///home/a/Documents/Taxes/tax%202023.pdf"}})"));
    EXPECT_EQ(trashKind().toJson(), json::parse(R"({"trash":{"_0":"file:///home/a/Desktop/old.dmg"}})"));

    using State = PlannedAction::State;
    EXPECT_EQ(State::pending().toJson(), json::parse(R"({"pending":{}})"));
    EXPECT_EQ(State::done(URL::fileURL("/t/x")).toJson(), json::parse(R"({"done":{"resultURL":"file:///t/x"}})"));
    EXPECT_EQ(State::failed("Disk full.").toJson(), json::parse(R"({"failed":{"_0":"Disk full."}})"));
    EXPECT_EQ(State::skipped("It changed.").toJson(), json::parse(R"({"skipped":{"_0":"It changed."}})"));

    for (const State& state : {State::pending(), State::done(URL::fileURL("/t/dir", true)), State::failed(""),
                               State::skipped("Gone.")}) {
        EXPECT_EQ(State::fromJson(json::parse(json::dumpCompact(state.toJson()))), state);
    }
    EXPECT_EQ(PlannedAction::Kind::fromJson(moveKind().toJson()), moveKind());
    EXPECT_EQ(PlannedAction::Kind::fromJson(trashKind().toJson()), trashKind());
    // A failed and a skipped action with the same text are different states.
    EXPECT_NE(State::failed("x"), State::skipped("x"));
}

TEST(PlannedAction, TaggedUnionsAreStrict) {
    using State = PlannedAction::State;
    EXPECT_EQ(State::fromJson(json::parse(R"({"pending":{}})")), State::pending());

    auto message = [](const Json& value) -> std::string {
        try {
            State::fromJson(value);
        } catch (const DecodingError& error) {
            return error.what();
        }
        return "decoded";
    };
    EXPECT_EQ(message(json::parse(R"({"pending":{},"done":{"resultURL":"file:///x"}})")),
              "Invalid number of keys found, expected one.");
    EXPECT_EQ(message(json::parse(R"({})")), "Invalid number of keys found, expected one.");
    EXPECT_NE(message(json::parse(R"({"Pending":{}})")), "decoded");
    EXPECT_NE(message(json::parse(R"({"pending":null})")), "decoded");
    EXPECT_NE(message(json::parse(R"("pending")")), "decoded");
    EXPECT_NE(message(json::parse(R"({"done":{}})")), "decoded");
    EXPECT_NE(message(json::parse(R"({"done":{"resultURL":"/not/a/url"}})")), "decoded");
    EXPECT_NE(message(json::parse(R"({"failed":{"message":"x"}})")), "decoded");
    EXPECT_NE(message(json::parse(R"({"failed":{"_0":3}})")), "decoded");

    using Kind = PlannedAction::Kind;
    EXPECT_THROW(Kind::fromJson(json::parse(R"({"move":{"from":"file:///a"}})")), DecodingError);
    EXPECT_THROW(Kind::fromJson(json::parse(R"({"trash":{"_0":"file:///a"},"move":{"from":"file:///a","to":"file:///b"}})")),
                 DecodingError);
    EXPECT_THROW(Kind::fromJson(json::parse(R"({"delete":{"_0":"file:///a"}})")), DecodingError);
    EXPECT_THROW(Kind::fromJson(json::parse(R"({"trash":{"_0":"http://host/a"}})")), DecodingError);
}

TEST(PlannedAction, FullShapeAndAbsentOptionals) {
    PlannedAction bare{actionID, trashKind(), 2048, 2048, std::nullopt, std::nullopt, std::nullopt,
                       PlannedAction::State::pending()};
    EXPECT_EQ(bare.toJson(), json::parse(R"({
        "id": "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
        "kind": {"trash": {"_0": "file:///home/a/Desktop/old.dmg"}},
        "sizeBytes": 2048,
        "expectedSize": 2048,
        "state": {"pending": {}}
    })"));
    EXPECT_EQ(bare.toJson().size(), 5u);
    EXPECT_EQ(reread(bare), bare);

    PlannedAction full{actionID,
                       moveKind(),
                       9000000000,
                       9000000001,
                       Date{725846400.5},
                       "Syncs with Dropbox, so this change happens on your other devices too.",
                       "taxDocument",
                       PlannedAction::State::done(URL::fileURL("/home/a/Documents/Taxes/tax 2023 2.pdf"))};
    EXPECT_EQ(full.toJson(), json::parse(R"({
        "id": "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
        "kind": {"move": {"from": "file:///home/a/Downloads/tax%202023.pdf",
                          "to": "file:///home/a/Documents/Taxes/tax%202023.pdf"}},
        "sizeBytes": 9000000000,
        "expectedSize": 9000000001,
        "expectedModified": 725846400.5,
        "cloudWarning": "Syncs with Dropbox, so this change happens on your other devices too.",
        "recognitionKind": "taxDocument",
        "state": {"done": {"resultURL": "file:///home/a/Documents/Taxes/tax%202023%202.pdf"}}
    })"));
    EXPECT_EQ(reread(full), full);
    EXPECT_EQ(std::hash<PlannedAction>{}(reread(full)), std::hash<PlannedAction>{}(full));
}

TEST(PlannedAction, WrongTypeAnywhereFailsTheWholeAction) {
    PlannedAction full{actionID, moveKind(), 10, 10, Date{1}, "w", "resume", PlannedAction::State::failed("No.")};
    const Json good = full.toJson();
    auto withChange = [&](const char* key, Json replacement) {
        Json changed = good;
        changed[key] = std::move(replacement);
        return changed;
    };
    EXPECT_THROW(PlannedAction::fromJson(withChange("id", "not-a-uuid")), DecodingError);
    EXPECT_THROW(PlannedAction::fromJson(withChange("sizeBytes", 10.5)), DecodingError);
    EXPECT_THROW(PlannedAction::fromJson(withChange("sizeBytes", "10")), DecodingError);
    EXPECT_THROW(PlannedAction::fromJson(withChange("expectedSize", 18446744073709551615ull)), DecodingError);
    EXPECT_THROW(PlannedAction::fromJson(withChange("expectedModified", "2024-01-01")), DecodingError);
    EXPECT_THROW(PlannedAction::fromJson(withChange("cloudWarning", false)), DecodingError);
    EXPECT_THROW(PlannedAction::fromJson(withChange("recognitionKind", 3)), DecodingError);
    EXPECT_THROW(PlannedAction::fromJson(withChange("state", json::parse(R"({"failed":{}})"))), DecodingError);
    EXPECT_THROW(PlannedAction::fromJson(withChange("kind", json::parse(R"({"move":{"_0":"file:///a"}})"))),
                 DecodingError);
    Json missing = good;
    missing.erase("expectedSize");
    EXPECT_THROW(PlannedAction::fromJson(missing), DecodingError);
    EXPECT_THROW(PlannedAction::fromJson(Json::array()), DecodingError);
}

TEST(PlannedAction, SourceURLIsWhatTheActionWorksOn) {
    EXPECT_EQ(action(moveKind(), 1).sourceURL(), URL::fileURL("/home/a/Downloads/tax 2023.pdf"));
    EXPECT_EQ(action(trashKind(), 1).sourceURL(), URL::fileURL("/home/a/Desktop/old.dmg"));
}

TEST(ActionPlan, CountsTakeEveryStateAndPendingKeepsOrder) {
    using State = PlannedAction::State;
    ActionPlan plan{planID, Date{700000000}, {}};
    EXPECT_EQ(plan.totalBytes(), 0);
    EXPECT_TRUE(plan.pendingActions().empty());

    plan.actions = {action(moveKind(), 100, State::failed("Could not copy.")), action(trashKind(), 20),
                    action(moveKind(), 3, State::done(URL::fileURL("/x"))), action(trashKind(), 4000),
                    action(trashKind(), 5, State::skipped("Changed since the scan."))};
    EXPECT_EQ(plan.moves(), 2u);
    EXPECT_EQ(plan.trashes(), 3u);
    EXPECT_EQ(plan.totalBytes(), 4128);
    auto pending = plan.pendingActions();
    ASSERT_EQ(pending.size(), 2u);
    EXPECT_EQ(pending[0], plan.actions[1]);
    EXPECT_EQ(pending[1], plan.actions[3]);

    for (auto& each : plan.actions) each.state = State::done(URL::fileURL("/somewhere"));
    EXPECT_TRUE(plan.pendingActions().empty());

    // A journal whose sizes would overflow still gives a total, not undefined behaviour.
    plan.actions = {action(trashKind(), INT64_MAX), action(trashKind(), INT64_MAX)};
    EXPECT_EQ(plan.totalBytes(), INT64_MAX);
}

TEST(ActionPlan, JsonShapeAndStrictness) {
    ActionPlan empty{planID, Date{0.25}, {}};
    EXPECT_EQ(empty.toJson(),
              json::parse(R"({"id":"11111111-2222-4333-8444-555555555555","createdAt":0.25,"actions":[]})"));
    EXPECT_EQ(reread(empty), empty);

    ActionPlan plan{planID, Date{734000000.125}, {action(moveKind(), 7), action(trashKind(), 9)}};
    plan.actions[0].cloudWarning = "Syncs with iCloud Drive, so this change happens on your other devices too.";
    EXPECT_EQ(reread(plan), plan);
    EXPECT_EQ(plan.toJson()["actions"][1], plan.actions[1].toJson());

    Json broken = plan.toJson();
    broken["actions"][1]["state"] = json::parse(R"({"pending":{},"skipped":{"_0":"x"}})");
    EXPECT_THROW(ActionPlan::fromJson(broken), DecodingError);
    broken = plan.toJson();
    broken["actions"][0]["kind"]["move"]["to"] = 5;
    EXPECT_THROW(ActionPlan::fromJson(broken), DecodingError);
    broken = plan.toJson();
    broken["createdAt"] = "now";
    EXPECT_THROW(ActionPlan::fromJson(broken), DecodingError);
    broken = plan.toJson();
    broken["actions"] = Json::object();
    EXPECT_THROW(ActionPlan::fromJson(broken), DecodingError);
    broken = plan.toJson();
    broken["id"] = "11111111-2222-4333-8444-55555555555";
    EXPECT_THROW(ActionPlan::fromJson(broken), DecodingError);
}

TEST(ActivityEntry, KindShapes) {
    using Kind = ActivityEntry::Kind;
    const UUID original = *UUID::fromString("aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee");
    const std::vector<std::pair<Kind, const char*>> cases = {
        {Kind::moved(URL::fileURL("/h/a.txt"), URL::fileURL("/h/Docs/a.txt")),
         R"({"moved":{"from":"file:///h/a.txt","to":"file:///h/Docs/a.txt"}})"},
        {Kind::trashed(URL::fileURL("/h/b"), URL::fileURL("/h/.local/share/Trash/files/b")),
         R"({"trashed":{"original":"file:///h/b","trashURL":"file:///h/.local/share/Trash/files/b"}})"},
        {Kind::undone(original), R"({"undone":{"originalEntryID":"AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"}})"},
        {Kind::restoredFromTrash(original),
         R"({"restoredFromTrash":{"originalEntryID":"AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"}})"},
    };
    for (const auto& [kind, text] : cases) {
        EXPECT_EQ(kind.toJson(), json::parse(text)) << text;
        EXPECT_EQ(Kind::fromJson(json::parse(text)), kind) << text;
    }
    EXPECT_NE(Kind::undone(original), Kind::restoredFromTrash(original));
    // UUIDs are read in any case.
    EXPECT_EQ(Kind::fromJson(json::parse(R"({"undone":{"originalEntryID":"aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee"}})")),
              Kind::undone(original));

    EXPECT_THROW(Kind::fromJson(json::parse(R"({"undone":{}})")), DecodingError);
    EXPECT_THROW(Kind::fromJson(json::parse(R"({"trashed":{"original":"file:///h/b"}})")), DecodingError);
    EXPECT_THROW(Kind::fromJson(json::parse(R"({"restored":{"originalEntryID":"AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"}})")),
                 DecodingError);
    try {
        Kind::fromJson(json::parse(R"({"moved":{"from":"file:///a","to":"file:///b"},"undone":{}})"));
        ADD_FAILURE() << "two keys decoded";
    } catch (const DecodingError& error) {
        EXPECT_STREQ(error.what(), "Invalid number of keys found, expected one.");
    }
}

TEST(ActivityEntry, ShapeRoundTripAndStrictness) {
    ActivityEntry entry{actionID, Date{730000000}, ActivityEntry::Kind::trashed(URL::fileURL("/h/b"), URL::fileURL("/t/b")),
                        512, true, std::nullopt, std::nullopt};
    EXPECT_EQ(entry.toJson(), json::parse(R"({
        "id": "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
        "date": 730000000,
        "kind": {"trashed": {"original": "file:///h/b", "trashURL": "file:///t/b"}},
        "sizeBytes": 512,
        "undoable": true
    })"));
    EXPECT_EQ(reread(entry), entry);

    entry.undoable = false;
    entry.undoableNote = "Already restored.";
    entry.suggestionKind = "bankStatement";
    Json encoded = entry.toJson();
    EXPECT_EQ(encoded["undoableNote"], "Already restored.");
    EXPECT_EQ(encoded["suggestionKind"], "bankStatement");
    EXPECT_EQ(encoded["undoable"], false);
    EXPECT_EQ(reread(entry), entry);

    ActivityEntry other = entry;
    other.suggestionKind.reset();
    EXPECT_NE(other, entry);

    encoded["undoable"] = 0;
    EXPECT_THROW(ActivityEntry::fromJson(encoded), DecodingError);
    encoded = entry.toJson();
    encoded["undoableNote"] = Json::array();
    EXPECT_THROW(ActivityEntry::fromJson(encoded), DecodingError);
    encoded = entry.toJson();
    encoded.erase("date");
    EXPECT_THROW(ActivityEntry::fromJson(encoded), DecodingError);
}
