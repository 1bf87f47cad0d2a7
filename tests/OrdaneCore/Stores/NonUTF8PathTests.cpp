#include <gtest/gtest.h>

#include "OrdaneCore/Actions/ActionJournal.hpp"
#include "OrdaneCore/Actions/ActivityStore.hpp"
#include "OrdaneCore/Scan/ScanEvent.hpp"
#include "OrdaneCore/Stores/FilingPriorsStore.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::readFile;
using ordane::testing::TempDir;

namespace {

// Legal Linux names that are not UTF-8, and valid names that look like the encoded form.
const std::vector<std::string> paths = {
    "/home/a/Caf\xe9",              // ISO Latin 1
    "/home/a/\xff\xfe/x%20y",      // stray bytes beside a literal "%20"
    "/home/a/file:%2F%2Fnot-a-url",
    "file://relative/Caf\xc3\xa9",  // valid UTF-8 that starts like the encoded form
};

}  // namespace

TEST(NonUTF8Paths, RoundTripThroughEveryStoreOfTheUsersRecords) {
    TempDir dir;
    FilingPriorsStore priors(URL::fileURL(dir / "priors.json"));
    ActivityStore activity(URL::fileURL(dir / "activity.json"));
    ActionJournal journal{URL::fileURL(dir / "journal", true)};
    ScanSummary summary;
    ActionPlan plan{UUID::random(), Date{1}, {}};
    for (const std::string& path : paths) {
        priors.recordAccept("letter", path);
        URL url = URL::fileURL(path);
        activity.append(ActivityEntry{UUID::random(), Date{2}, ActivityEntry::Kind::moved(url, url.appendingPathComponent("x")),
                                      1, true, std::nullopt, std::nullopt});
        plan.actions.push_back(PlannedAction{UUID::random(), PlannedAction::Kind::move(url, url), 1, 1, std::nullopt,
                                             std::nullopt, std::nullopt, PlannedAction::State::done(url)});
        summary.roots.push_back(URL::fileURL(path, true));
        summary.issues.push_back(ScanIssue{UUID::random(), ScanIssue::Kind::unreadable, path, "Couldn't read it."});
    }
    journal.save(plan);

    std::vector<std::string> reloadedPriors;
    for (const auto& row : FilingPriorsStore(URL::fileURL(dir / "priors.json")).allRows()) {
        reloadedPriors.push_back(row.destinationPath);
    }
    std::sort(reloadedPriors.begin(), reloadedPriors.end());
    std::vector<std::string> sortedPaths = paths;
    std::sort(sortedPaths.begin(), sortedPaths.end());
    EXPECT_EQ(reloadedPriors, sortedPaths);
    EXPECT_EQ(ActivityStore(URL::fileURL(dir / "activity.json")).allEntries(), activity.allEntries());
    EXPECT_EQ(journal.loadAll(), std::vector<ActionPlan>{plan});
    EXPECT_EQ(ScanSummary::fromJson(json::parse(json::dumpCompact(summary.toJson()))), summary);

    // A valid path is written as it is; any other in the one encoded form.
    std::string text = readFile(dir / "priors.json");
    EXPECT_NE(text.find("\"/home/a/file:%2F%2Fnot-a-url\""), std::string::npos);
    EXPECT_NE(text.find("\"file:///home/a/Caf%E9\""), std::string::npos);
    EXPECT_THROW(json::filePath(Json("file:///home/a/%E")), DecodingError);
}
