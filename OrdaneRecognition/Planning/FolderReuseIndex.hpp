#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "OrdaneCore/Scan/ExistingFolders.hpp"

namespace ordane {

// Finds the existing folder a new folder name should reuse: one that lies one or two levels below
// the base folder (the base compared without case) and whose name matches the name once both are
// folded to their letters and lose one trailing "s" ("Invoice" reuses "invoices"). A name with no
// letters ("2023") matches only a folder of exactly that name. Built once from the scan's folders,
// so each look-up costs one folding of the name rather than a walk over every folder.
class FolderReuseIndex {
public:
    FolderReuseIndex() = default;
    explicit FolderReuseIndex(const ExistingFolders& folders);

    // The real path of the folder to reuse; none when nothing matches. Among several matches the
    // shallower wins, then the smaller path.
    std::optional<std::string> match(std::string_view basePath, std::string_view name) const;

    // The folded letters of a name without one trailing "s".
    static std::string matchKey(std::string_view name);

private:
    struct Candidate {
        std::string path;
        size_t depth = 0;
    };

    void offer(std::string key, const std::string& path, size_t depth);

    std::unordered_map<std::string, Candidate> candidates_;
};

}  // namespace ordane
