#include <gtest/gtest.h>

#include <cmath>

#include "OrdaneCore/Model/ActionPlan.hpp"
#include "OrdaneCore/Model/ActivityEntry.hpp"
#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Model/DocKind.hpp"
#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "Support/StoredJson.hpp"

using namespace ordane;
using namespace ordane::testing;
using State = PlannedAction::State;

namespace {
FileRecord sized(int64_t size, int64_t allocated = 0) {
    FileRecord r;
    r.setID(UUID::random());
    r.setURL(URL::fileURL("/a/" + std::to_string(size)));
    r.setSize(size);
    r.setAllocatedSize(allocated);
    return r;
}

DuplicateGroup group(std::vector<FileRecord> members, int keepIndex) {
    return DuplicateGroup(UUID::random(), DuplicateKind::exact, std::move(members), keepIndex, "Kept.", std::nullopt);
}
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

TEST(Enumerations, RawValuesAreExactCaseNamesAndFiveKindsAreSensitive) {
    EXPECT_EQ(enumFromRaw<DocKind>("taxDocument"), DocKind::taxDocument);
    EXPECT_FALSE(enumFromRaw<DocKind>("TaxDocument"));
    std::vector<DocKind> sensitive;
    for (DocKind kind : allCases<DocKind>()) {
        if (isSensitive(kind)) sensitive.push_back(kind);
    }
    EXPECT_EQ(sensitive, (std::vector<DocKind>{DocKind::taxDocument, DocKind::bankStatement, DocKind::medical,
                                               DocKind::legalContract, DocKind::idCertificate}));
}

TEST(DuplicateGroup, NonKeptMembersGoByPositionAndCountLogicalSizesAndInvalidGroupsAreRefused) {
    FileRecord same = sized(100, 8192);
    DuplicateGroup three = group({same, same, sized(7)}, 1);
    EXPECT_EQ(three.nonKeptMembers(), (std::vector<FileRecord>{same, three.members()[2]}));
    EXPECT_EQ(three.reclaimableBytes(), 107);  // logical sizes, not allocated ones
    // Sizes come back from stored files; a damaged one must not overflow the sum.
    EXPECT_EQ(group({sized(1), sized(INT64_MAX), sized(5)}, 0).reclaimableBytes(), INT64_MAX);

    EXPECT_THROW(group({}, 0), std::invalid_argument);
    EXPECT_THROW(group({sized(1)}, 1), std::invalid_argument);
    EXPECT_THROW(group({sized(1)}, -1), std::invalid_argument);
}

TEST(EvidenceClaim, StoredFormOfEveryCase) {
    const std::vector<std::pair<EvidenceClaim, const char*>> cases = {
        {EvidenceClaim::ruleAnchor(DocKind::resume, "it has a work experience section"),
         R"({"ruleAnchor":{"kind":"resume","note":"it has a work experience section"}})"},
        {EvidenceClaim::ruleSignals(DocKind::bankStatement, {"balance", "account number"}),
         R"({"ruleSignals":{"kind":"bankStatement","notes":["balance","account number"]}})"},
        {EvidenceClaim::lexical(0.42), R"({"lexical":{"similarity":0.42}})"},
        {EvidenceClaim::structural({"money amounts"}), R"({"structural":{"notes":["money amounts"]}})"},
        {EvidenceClaim::entityShape({}), R"({"entityShape":{"notes":[]}})"},
        {EvidenceClaim::filename("the name says invoice"), R"({"filename":{"note":"the name says invoice"}})"},
        {EvidenceClaim::metadata("Kind: PDF"), R"({"metadata":{"note":"Kind: PDF"}})"},
        {EvidenceClaim::folderSimilarity("Taxes", 0.8125), R"({"folderSimilarity":{"folderName":"Taxes","similarity":0.8125}})"},
        {EvidenceClaim::filingHistory(3, "Receipts"), R"({"filingHistory":{"acceptCount":3,"folderName":"Receipts"}})"},
        {EvidenceClaim::family(4), R"({"family":{"memberCount":4}})"},
    };
    ASSERT_EQ(cases.size(), std::variant_size_v<decltype(EvidenceClaim::value)>);
    for (const auto& [claim, text] : cases) expectStoredForm(claim, text);
    EXPECT_NE(EvidenceClaim::ruleSignals(DocKind::resume, {}), EvidenceClaim::ruleSignals(DocKind::resume, {""}));
}

TEST(EvidenceClaim, BadValuesAreNeitherReadNorWritten) {
    expectEachRefused<EvidenceClaim>({
        R"({"familly":{"memberCount":2}})",                      // unknown case
        R"({"family":{"memberCount":2},"lexical":{"similarity":1}})",
        R"({"family":{"memberCount":2.5}})",                     // not an integer
        R"({"ruleAnchor":{"kind":"Resume","note":"x"}})",        // not a DocKind case name
        R"({"ruleSignals":{"kind":"resume","notes":["x",1]}})",  // not a list of texts
    });
    EXPECT_THROW(EvidenceClaim::lexical(std::nan("")).toJson(), EncodingError);
    EXPECT_THROW(EvidenceClaim::folderSimilarity("x", INFINITY).toJson(), EncodingError);
}

TEST(ContentInsight, StoredForms) {
    ContentInsight insight{URL::fileURL("/home/a/Documents/cv.pdf"), DocKind::resume, ConfidenceTier::tentative,
                           std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, {}, "rules-v1"};
    insight.tier = ConfidenceTier::confident;
    insight.title = "Résumé of Ana Pérez";
    insight.subjectName = "Ana Pérez";
    insight.groupKey = "family|1f3a";
    insight.suggestedName = "Ana Pérez CV.pdf";
    insight.suggestedFolder = URL::fileURL("/home/a/Documents/Career", true);
    insight.provenance = {EvidenceClaim::ruleAnchor(DocKind::resume, "it lists work experience"),
                          EvidenceClaim::lexical(0.1 + 0.2), EvidenceClaim::family(2)};
    expectStoredForm(insight, R"({"url": "file:///home/a/Documents/cv.pdf", "kind": "resume", "tier": "confident",
        "title": "Résumé of Ana Pérez", "subjectName": "Ana Pérez", "groupKey": "family|1f3a",
        "suggestedName": "Ana Pérez CV.pdf", "suggestedFolder": "file:///home/a/Documents/Career/",
        "provenance": [{"ruleAnchor": {"kind": "resume", "note": "it lists work experience"}},
                       {"lexical": {"similarity": 0.30000000000000004}}, {"family": {"memberCount": 2}}],
        "analyzerID": "rules-v1"})");
    // Doubles come back bit for bit, the folder keeps its directory flag.
    EXPECT_EQ(reread(insight), insight);

    expectEachRefused<ContentInsight>(
        insight.toJson(), {{"/tier", "sure"}, {"/url", "file:relative"}, {"/provenance/1", Json::object()}, {"/analyzerID", removed}});
}

TEST(PlannedAction, StoredForms) {
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
}

TEST(PlannedAction, BadStoredValuesAreRefused) {
    expectEachRefused<State>({R"({"pending":{},"done":{"resultURL":"file:///x"}})", R"({"pending":null})",
                              R"({"done":{"resultURL":"/not/a/url"}})", R"({"failed":{"_0":3}})"});
    expectEachRefused<PlannedAction::Kind>({R"({"move":{"from":"file:///a"}})", R"({"trash":{"_0":"http://host/a"}})"});
    // A wrong type anywhere fails the whole action.
    const PlannedAction full{actionID, moveKind(), 10, 10, Date{1}, "w", "resume", State::failed("No.")};
    expectEachRefused<PlannedAction>(
        full.toJson(), {{"/id", "not-a-uuid"}, {"/sizeBytes", 10.5}, {"/expectedSize", 18446744073709551615ull},
                        {"/expectedSize", removed}, {"/cloudWarning", false}, {"/state/failed", Json::object()}});
}

TEST(ActionPlan, DerivedValuesTakeEveryState) {
    ActionPlan plan{UUID::random(), Date{700000000}, {}};
    EXPECT_EQ(plan.totalBytes(), 0);
    plan.actions = {action(moveKind(), 100, State::failed("Could not copy.")), action(trashKind(), 20),
                    action(moveKind(), 3, State::done(URL::fileURL("/x"))), action(trashKind(), 4000),
                    action(trashKind(), 5, State::skipped("Changed since the scan."))};
    EXPECT_EQ(plan.trashes(), 3u);
    EXPECT_EQ(plan.totalBytes(), 4128);
    EXPECT_EQ(plan.pendingActions(), (std::vector<PlannedAction>{plan.actions[1], plan.actions[3]}));
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
    EXPECT_EQ(reread(plan), plan);
    // A damaged action fails the whole plan.
    expectEachRefused<ActionPlan>(plan.toJson(), {{"/actions/1/state", "pending"}, {"/actions", Json::object()}});
}

TEST(ActivityEntry, StoredForms) {
    using Kind = ActivityEntry::Kind;
    const UUID original = *UUID::fromString("aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee");
    expectStoredForm(Kind::moved(URL::fileURL("/h/a.txt"), URL::fileURL("/h/Docs/a.txt")),
                     R"({"moved":{"from":"file:///h/a.txt","to":"file:///h/Docs/a.txt"}})");
    expectStoredForm(Kind::undone(original), R"({"undone":{"originalEntryID":"AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"}})");
    // UUIDs are read in any case.
    EXPECT_EQ(Kind::fromJson(json::parse(R"({"undone":{"originalEntryID":"aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee"}})")),
              Kind::undone(original));
    expectEachRefused<Kind>({R"({"undone":{}})", R"({"trashed":{"original":"file:///h/b"}})"});

    ActivityEntry entry{actionID, Date{730000000}, Kind::trashed(URL::fileURL("/h/b"), URL::fileURL("/t/b")), 512,
                        true, std::nullopt, std::nullopt};
    entry.undoable = false;
    entry.undoableNote = "Already restored.";
    entry.suggestionKind = "bankStatement";
    expectStoredForm(entry, R"({"id": "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D", "date": 730000000,
        "kind": {"trashed": {"original": "file:///h/b", "trashURL": "file:///t/b"}}, "sizeBytes": 512, "undoable": false,
        "undoableNote": "Already restored.", "suggestionKind": "bankStatement"})");
    expectEachRefused<ActivityEntry>(entry.toJson(),
                                     {{"/undoable", 0}, {"/undoableNote", Json::array()}, {"/date", removed}});
}
