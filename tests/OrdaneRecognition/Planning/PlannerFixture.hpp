#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "OrdaneRecognition/Planning/OrganizePlanner.hpp"

namespace ordane::testing {

// A home at /home/ada and the values a scan of it hands the planner.
struct PlannerFixture {
    URL home = URL::fileURL("/home/ada", true);
    UserFolders folders{home};
    std::vector<FileRecord> records;
    OrganizePlanner::InsightMap insights;
    std::vector<Finding> findings;

    // A file below the home; `relative` as "Documents/a.pdf".
    FileRecord& add(const std::string& relative, int64_t size = 1000, std::optional<Date> created = std::nullopt) {
        FileRecord record;
        record.setID(UUID::random());
        record.setURL(URL::fileURL(home.path() + "/" + relative));
        record.setSize(size);
        record.setCreated(created);
        records.push_back(record);
        return records.back();
    }

    ContentInsight& insight(const std::string& relative) {
        const URL url = URL::fileURL(home.path() + "/" + relative);
        ContentInsight& result = insights[url];
        result.url = url;
        return result;
    }

    Finding& finding(const std::string& relative, FindingCategory category,
                     std::optional<std::string> suggestedRelative = std::nullopt) {
        const URL url = URL::fileURL(home.path() + "/" + relative);
        auto record = std::find_if(records.begin(), records.end(), [&](const FileRecord& r) { return r.url() == url; });
        Finding result;
        result.id = UUID::random();
        result.record = *record;
        result.category = category;
        if (suggestedRelative) result.suggestedDestination = URL::fileURL(home.path() + "/" + *suggestedRelative);
        findings.push_back(result);
        return findings.back();
    }

    OrganizePlanner planner(bool includeDownloadsSubfolders = true) const {
        return OrganizePlanner(folders, OrganizeScope{folders, includeDownloadsSubfolders},
                               ExistingFolders::fromScan(records, {home}));
    }

    OrganizePlanner::Outcome plan() const { return planner().plan(records, insights, findings); }
};

inline const ProposedFolder* folderAt(const OrganizePlanner::Outcome& outcome, const std::string& path) {
    for (const ProposedFolder& folder : outcome.proposal.folders) {
        if (folder.destination.path() == path) return &folder;
    }
    return nullptr;
}

inline std::vector<std::string> memberNames(const ProposedFolder& folder) {
    std::vector<std::string> names;
    for (const Finding& member : folder.members) names.push_back(member.record.url().lastPathComponent());
    return names;
}

}  // namespace ordane::testing
