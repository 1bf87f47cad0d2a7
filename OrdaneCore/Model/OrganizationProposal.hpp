#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Model/ProposedFolder.hpp"

namespace ordane {

// The filing plan: the folders files would move into, and how many files were looked at.
struct OrganizationProposal {
    std::vector<ProposedFolder> folders;
    int64_t scopedFileCount = 0;  // files the planner considered
    int64_t leftoverCount = 0;    // files it left where they are

    // The members of every folder, folder after folder.
    std::vector<Finding> allMembers() const;

    // The proposal with that one folder under a new name: its destination, its display path and the
    // destination of each member (and the move line of each member's detail) follow. None when the
    // name is not usable or no folder has the id.
    std::optional<OrganizationProposal> renamingFolder(const UUID& folderID, std::string_view name) const;

    bool operator==(const OrganizationProposal&) const = default;

    Json toJson() const;
    static OrganizationProposal fromJson(const Json& json);  // throws DecodingError
};

}  // namespace ordane
