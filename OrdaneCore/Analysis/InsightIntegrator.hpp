#pragma once

#include <string>
#include <utility>
#include <vector>

#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"

namespace ordane {

// Turns the group keys that recognition puts on related documents (résumés of one person,
// versions of one document, statements that keep arriving) into duplicate groups for review.
struct InsightIntegrator {
    using Member = std::pair<ContentInsight, FileRecord>;

    // Family groups, the largest reclaimable space first. Members of exact groups never join.
    static std::vector<DuplicateGroup> integrate(const std::vector<ContentInsight>& insights,
                                                 const std::vector<FileRecord>& records,
                                                 const std::vector<DuplicateGroup>& exactGroups);

    // One group of the members of one family (at least one); the newest file is kept.
    static DuplicateGroup describeGroup(std::vector<Member> members);

    // The name groups that share no file with any family group, in their order.
    static std::vector<DuplicateGroup> removingFamilyOverlaps(const std::vector<DuplicateGroup>& nameGroups,
                                                              const std::vector<DuplicateGroup>& familyGroups);

    static std::string familyPhrase(DocKind kind, const std::string& label);
    static std::string theSamePrefix(const std::string& label);
};

}  // namespace ordane
