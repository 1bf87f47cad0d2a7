#include "OrdaneCore/Model/OrganizationProposal.hpp"

#include <algorithm>

#include "OrdaneCore/Model/SanitizedFolderName.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

namespace {

constexpr std::string_view displaySeparator = " → ";

std::string renamedDisplayPath(const std::string& displayPath, const std::string& name) {
    size_t last = displayPath.rfind(displaySeparator);
    if (last == std::string::npos) return name;
    return displayPath.substr(0, last + displaySeparator.size()) + name;
}

// The move line of a filing finding's detail ends with " → " and the destination path; it has to
// name the new folder too.
std::string renamedDetail(std::string_view detail, const std::string& oldTarget, const std::string& newTarget) {
    const std::string oldEnding = std::string(displaySeparator) + oldTarget;
    std::string result;
    size_t start = 0;
    while (true) {
        size_t end = std::min(detail.find('\n', start), detail.size());
        std::string_view line = detail.substr(start, end - start);
        if (line.ends_with(oldEnding)) {
            result.append(line.substr(0, line.size() - oldTarget.size()));
            result += newTarget;
        } else {
            result.append(line);
        }
        if (end == detail.size()) break;
        result += '\n';
        start = end + 1;
    }
    return result;
}

Finding movedInto(const Finding& member, const URL& oldFolder, const URL& newFolder) {
    const std::string fileName = member.record.url().lastPathComponent();
    const URL oldTarget = member.suggestedDestination.value_or(oldFolder.appendingPathComponent(fileName));
    const bool isDirectory = member.suggestedDestination ? member.suggestedDestination->isDirectory()
                                                         : member.record.isDirectory();
    Finding result = member;
    result.suggestedDestination = newFolder.appendingPathComponent(fileName, isDirectory);
    if (result.detail) result.detail = renamedDetail(result.detail->str(), oldTarget.path(), result.suggestedDestination->path());
    return result;
}

}  // namespace

std::vector<Finding> OrganizationProposal::allMembers() const {
    std::vector<Finding> result;
    for (const ProposedFolder& folder : folders) result.insert(result.end(), folder.members.begin(), folder.members.end());
    return result;
}

std::optional<OrganizationProposal> OrganizationProposal::renamingFolder(const UUID& folderID,
                                                                         std::string_view name) const {
    const auto cleaned = sanitizedFolderName(name);
    if (!cleaned) return std::nullopt;
    auto found = std::find_if(folders.begin(), folders.end(),
                              [&](const ProposedFolder& folder) { return folder.id == folderID; });
    if (found == folders.end()) return std::nullopt;

    OrganizationProposal result = *this;
    ProposedFolder& folder = result.folders[static_cast<size_t>(found - folders.begin())];
    const URL oldDestination = folder.destination;
    folder.destination = oldDestination.deletingLastPathComponent().appendingPathComponent(*cleaned, true);
    folder.displayPath = renamedDisplayPath(folder.displayPath, *cleaned);
    for (Finding& member : folder.members) member = movedInto(member, oldDestination, folder.destination);
    return result;
}

Json OrganizationProposal::toJson() const {
    return Json{
        {"folders", json::array(folders)},
        {"scopedFileCount", scopedFileCount},
        {"leftoverCount", leftoverCount},
    };
}

OrganizationProposal OrganizationProposal::fromJson(const Json& value) {
    return OrganizationProposal{
        json::array<ProposedFolder>(json::field(value, "folders")),
        json::int64(json::field(value, "scopedFileCount")),
        json::int64(json::field(value, "leftoverCount")),
    };
}

}  // namespace ordane
