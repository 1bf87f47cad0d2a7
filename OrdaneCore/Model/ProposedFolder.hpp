#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Model/Finding.hpp"
#include "OrdaneCore/Model/ProposalSource.hpp"

namespace ordane {

// One destination folder of a filing proposal, new or already there, with the findings whose files
// would move into it.
struct ProposedFolder {
    UUID id;
    URL destination;
    bool isNew = false;
    std::string displayPath;  // pieces joined by " → "
    ProposalSource source = ProposalSource::recognition;
    std::string rationale;
    std::vector<Finding> members;  // each suggests `destination` plus the file's own name
    double confidence = 0;         // 0 to 1

    // Sum of the members' logical sizes.
    int64_t totalBytes() const;

    bool operator==(const ProposedFolder&) const = default;

    Json toJson() const;
    static ProposedFolder fromJson(const Json& json);  // throws DecodingError
};

}  // namespace ordane

template <>
struct std::hash<ordane::ProposedFolder> {
    size_t operator()(const ordane::ProposedFolder& folder) const noexcept {
        return std::hash<ordane::UUID>{}(folder.id);
    }
};
