#include "OrdaneCore/Analysis/InsightIntegrator.hpp"

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "OrdaneCore/Analysis/GroupOrder.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace {

bool startsWith(const std::string& text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

bool isFamilyKey(const std::string& key) { return startsWith(key, "family|") || startsWith(key, "series|"); }

std::unordered_set<URL> memberURLs(const std::vector<DuplicateGroup>& groups) {
    std::unordered_set<URL> urls;
    for (const DuplicateGroup& group : groups) {
        for (const FileRecord& member : group.members()) urls.insert(member.url());
    }
    return urls;
}

}  // namespace

std::vector<DuplicateGroup> InsightIntegrator::integrate(const std::vector<ContentInsight>& insights,
                                                         const std::vector<FileRecord>& records,
                                                         const std::vector<DuplicateGroup>& exactGroups) {
    if (insights.empty()) return {};
    std::unordered_set<URL> exactMembers = memberURLs(exactGroups);
    // The records insights speak of, and only those: a map of every record would cost a copy of each URL.
    std::unordered_map<URL, const FileRecord*> recordsByURL;
    for (const ContentInsight& insight : insights) recordsByURL.try_emplace(insight.url, nullptr);
    for (const FileRecord& record : records) {
        auto entry = recordsByURL.find(record.url());
        if (entry != recordsByURL.end() && !entry->second) entry->second = &record;  // the first stays
    }

    std::unordered_map<std::string, std::vector<Member>> buckets;
    std::vector<std::string> keysInOrder;
    std::unordered_set<URL> seen;
    for (const ContentInsight& insight : insights) {
        // The first insight of a file speaks for it: a second one would make the file a "version"
        // of itself, offered for removal while it is also the one kept.
        if (!seen.insert(insight.url).second) continue;
        if (!insight.groupKey || exactMembers.count(insight.url)) continue;
        auto record = recordsByURL.find(insight.url);
        if (!record->second) continue;
        if (insight.tier != ConfidenceTier::confident && !isFamilyKey(*insight.groupKey)) continue;
        // Documents of different kinds never share a family, whatever their keys.
        std::string key = std::string(rawValue(insight.kind)) + "|" + *insight.groupKey;
        auto [bucket, inserted] = buckets.try_emplace(key);
        if (inserted) keysInOrder.push_back(key);
        bucket->second.emplace_back(insight, *record->second);
    }

    std::vector<DuplicateGroup> groups;
    for (const std::string& key : keysInOrder) {
        std::vector<Member>& members = buckets[key];
        if (members.size() >= 2) groups.push_back(describeGroup(std::move(members)));
    }
    GroupOrder::byReclaimableBytes(groups);
    return groups;
}

DuplicateGroup InsightIntegrator::describeGroup(std::vector<Member> members) {
    GroupOrder::byPath(members, [](const Member& member) -> const FileRecord& { return member.second; });
    size_t keep = 0;
    double newest = -std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < members.size(); ++i) {
        double modified = members[i].second.modified() ? members[i].second.modified()->secondsSinceReferenceDate
                                                      : -std::numeric_limits<double>::infinity();
        if (i == 0 || modified > newest) {
            newest = modified;
            keep = i;
        }
    }
    const ContentInsight& keeper = members[keep].first;
    std::string label = keeper.title ? *keeper.title : std::string(displayNoun(keeper.kind));
    bool series = startsWith(members.front().first.groupKey.value_or(""), "series|");

    std::string reason =
        series ? "These look like " + familyPhrase(keeper.kind, label) +
                     ", the kind that arrive regularly. They're all worth keeping. I'm only grouping them so you "
                     "know what the pile is."
               : "These all look like versions of " + theSamePrefix(label) +
                     ". I'd keep this one, it's the newest. I won't remove the others unless you say so.";

    std::vector<FileRecord> records;
    records.reserve(members.size());
    for (Member& member : members) records.push_back(std::move(member.second));
    return DuplicateGroup(UUID::random(), series ? DuplicateKind::recurringSeries : DuplicateKind::versionSeries,
                          std::move(records), static_cast<int64_t>(keep), std::move(reason), std::nullopt);
}

std::vector<DuplicateGroup> InsightIntegrator::removingFamilyOverlaps(const std::vector<DuplicateGroup>& nameGroups,
                                                                      const std::vector<DuplicateGroup>& familyGroups) {
    std::unordered_set<URL> familyMembers = memberURLs(familyGroups);
    std::vector<DuplicateGroup> kept;
    for (const DuplicateGroup& group : nameGroups) {
        bool overlaps = std::any_of(group.members().begin(), group.members().end(),
                                    [&](const FileRecord& member) { return familyMembers.count(member.url()) > 0; });
        if (!overlaps) kept.push_back(group);
    }
    return kept;
}

std::string InsightIntegrator::familyPhrase(DocKind kind, const std::string& label) {
    switch (kind) {
        case DocKind::taxDocument: return "tax documents from different years";
        case DocKind::bankStatement: return "statements from the same account";
        case DocKind::invoiceReceipt: return "invoices or receipts from the same place";
        case DocKind::medical: return "medical documents from different visits";
        case DocKind::unknown: return "the same kind of document";
        default: return label + "s from different dates";
    }
}

std::string InsightIntegrator::theSamePrefix(const std::string& label) {
    if (label.find('\'') != std::string::npos) return label;
    std::u32string first = platform::text::codePoints(platform::text::prefix(label, 1));
    if (!first.empty() && platform::text::isNumber(first.front())) return label;
    return "the same " + label;
}

}  // namespace ordane
