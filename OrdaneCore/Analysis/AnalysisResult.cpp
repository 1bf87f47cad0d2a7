#include "OrdaneCore/Analysis/AnalysisResult.hpp"

#include <algorithm>

#include "OrdaneCore/Foundation/SaturatingAdd.hpp"

namespace ordane {

std::vector<Finding> AnalysisResult::findingsInCategory(FindingCategory category) const {
    // A finding is large to move about: sort pointers, then copy each once.
    std::vector<const Finding*> chosen;
    for (const Finding& finding : findings) {
        if (finding.category == category) chosen.push_back(&finding);
    }
    std::stable_sort(chosen.begin(), chosen.end(),
                     [](const Finding* a, const Finding* b) { return a->record.size() > b->record.size(); });
    std::vector<Finding> result;
    result.reserve(chosen.size());
    for (const Finding* finding : chosen) result.push_back(*finding);
    return result;
}

AnalysisResult::CategoryTotals AnalysisResult::categoryTotals(FindingCategory category) const {
    CategoryTotals totals;
    for (const Finding& finding : findings) {
        if (finding.category != category) continue;
        ++totals.count;
        totals.bytes = saturatingAdd(totals.bytes, finding.record.size());
    }
    return totals;
}

int64_t AnalysisResult::removableBytes() const {
    int64_t total = 0;
    for (const Finding& finding : findings) {
        if (finding.recommendation == Recommendation::probablySafeToRemove) {
            total = saturatingAdd(total, finding.record.size());
        }
    }
    return total;
}

AnalysisResult AnalysisResult::replacingOrganization(OrganizationProposal proposal,
                                                     const std::unordered_set<UUID>& supersededIDs) const {
    AnalysisResult result;
    for (const Finding& finding : findings) {
        if (!supersededIDs.count(finding.id)) result.findings.push_back(finding);
    }
    for (Finding& member : proposal.allMembers()) result.findings.push_back(std::move(member));
    result.exactGroups = exactGroups;
    result.nameGroups = nameGroups;
    result.organization = std::move(proposal);
    return result;
}

}  // namespace ordane
