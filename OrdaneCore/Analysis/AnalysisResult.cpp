#include "OrdaneCore/Analysis/AnalysisResult.hpp"

#include <algorithm>

#include "OrdaneCore/Foundation/SaturatingAdd.hpp"

namespace ordane {

std::vector<Finding> AnalysisResult::findingsInCategory(FindingCategory category) const {
    std::vector<Finding> result;
    std::copy_if(findings.begin(), findings.end(), std::back_inserter(result),
                 [&](const Finding& finding) { return finding.category == category; });
    std::stable_sort(result.begin(), result.end(),
                     [](const Finding& a, const Finding& b) { return a.record.size > b.record.size; });
    return result;
}

AnalysisResult::CategoryTotals AnalysisResult::categoryTotals(FindingCategory category) const {
    CategoryTotals totals;
    for (const Finding& finding : findings) {
        if (finding.category != category) continue;
        ++totals.count;
        totals.bytes = saturatingAdd(totals.bytes, finding.record.size);
    }
    return totals;
}

int64_t AnalysisResult::removableBytes() const {
    int64_t total = 0;
    for (const Finding& finding : findings) {
        if (finding.recommendation == Recommendation::probablySafeToRemove) {
            total = saturatingAdd(total, finding.record.size);
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
