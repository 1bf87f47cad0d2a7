#pragma once

#include <optional>
#include <string>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"

namespace ordane {

// Where a file lying in Downloads would belong: a "From Downloads" folder inside the standard
// folder that fits its type. Reads no file system state.
struct OrganizeSuggester {
    struct Suggestion {
        URL destination;                     // the folder plus the file's own name
        std::string destinationDescription;  // "Documents → From Downloads"

        bool operator==(const Suggestion&) const = default;
    };

    UserFolders folders;

    // None for anything not below Downloads, for folders, and for types without a media folder.
    std::optional<Suggestion> suggestion(const FileRecord& record) const;

    bool operator==(const OrganizeSuggester&) const = default;
};

}  // namespace ordane
