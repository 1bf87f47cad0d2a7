#pragma once

#include <cstdint>
#include <optional>
#include <unordered_set>
#include <vector>

#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "OrdaneCore/Model/Finding.hpp"
#include "OrdaneCore/Model/FindingCategory.hpp"
#include "OrdaneCore/Model/OrganizationProposal.hpp"

namespace ordane {

// What one analysis found; kept in memory only. Every screen that lists findings reads it.
struct AnalysisResult {
    struct CategoryTotals {
        int64_t count = 0;
        int64_t bytes = 0;
        bool operator==(const CategoryTotals&) const = default;
    };

    std::vector<Finding> findings;            // at most one per record, in record order
    std::vector<DuplicateGroup> exactGroups;  // as the exact search ordered them
    std::vector<DuplicateGroup> nameGroups;   // family groups first, then the remaining name groups
    std::optional<OrganizationProposal> organization;

    // The findings of one category, largest file first; equal sizes keep their order.
    std::vector<Finding> findingsInCategory(FindingCategory category) const;
    CategoryTotals categoryTotals(FindingCategory category) const;
    // The total size of the findings that are probably safe to remove, in every category.
    int64_t removableBytes() const;
    // This result with a new filing proposal: the findings it supersedes go, its members follow.
    AnalysisResult replacingOrganization(OrganizationProposal proposal,
                                         const std::unordered_set<UUID>& supersededIDs) const;

    bool operator==(const AnalysisResult&) const = default;
};

}  // namespace ordane
