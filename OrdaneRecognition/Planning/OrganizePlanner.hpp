#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Model/Finding.hpp"
#include "OrdaneCore/Model/OrganizationProposal.hpp"
#include "OrdaneCore/Model/OrganizeScope.hpp"
#include "OrdaneCore/Scan/ExistingFolders.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"
#include "OrdaneRecognition/Planning/FolderReuseIndex.hpp"

namespace ordane {

// Turns one finished scan into the filing plan: folders, new or existing, each with the loose files
// that would move into it, a plain-language rationale and a confidence.
//
// Only files lying directly in the user folders in scope (anywhere below Downloads) are looked at.
// Five groupers claim files one after the other: suggested folders from recognition, document
// families, shared file names, media by year, and From Downloads. Proposals naming the same folder
// are merged. A pure computation over values: it reads no file, writes nothing and never fails;
// missing or odd input gives a smaller (possibly empty) plan.
class OrganizePlanner {
public:
    struct Outcome {
        OrganizationProposal proposal;
        std::unordered_set<UUID> supersededIDs;  // the analyzer's findings the proposal replaces
    };

    // One file with the words of its name.
    struct StemTokens {
        const FileRecord* record = nullptr;
        std::vector<std::string> tokens;  // lower-cased
        std::string originalStem;         // as written (ill-formed UTF-8 replaced)
    };

    using Group = std::vector<const FileRecord*>;  // one family, or one single file
    using InsightMap = std::unordered_map<URL, ContentInsight>;
    // Keyed by the path of the finding's file (views into the findings, which must outlive it).
    using FindingMap = std::unordered_map<std::string, const Finding*>;
    // Files placed so far; a scan has one record per URL, so the record stands for its URL.
    using Claimed = std::unordered_set<const FileRecord*>;

    static constexpr double recognitionConfidence = 0.9;
    static constexpr double seriesConfidence = 0.8;
    static constexpr double versionsConfidence = 0.75;
    static constexpr double filenamePatternConfidence = 0.6;
    static constexpr double mediaDateConfidence = 0.5;
    static constexpr double fromDownloadsConfidence = 0.5;

    // `existingDirectories` is the set of folders the scan saw (ExistingFolders::fromScan).
    OrganizePlanner(UserFolders folders, OrganizeScope scope, ExistingFolders existingDirectories);

    const UserFolders& folders() const { return folders_; }
    const OrganizeScope& scope() const { return scope_; }
    const ExistingFolders& existingDirectories() const { return existingDirectories_; }

    // `records`: the whole scan in scan order; `insights`: recognition's insight per file URL;
    // `findings`: the analyzer's findings in order (the first per URL counts).
    Outcome plan(const std::vector<FileRecord>& records, const InsightMap& insights,
                 const std::vector<Finding>& findings) const;

    // The steps of `plan`, open for measuring.
    struct Candidates {
        std::vector<const FileRecord*> files;  // loose files in scope, in scan order
        std::vector<UUID> findingIDs;          // their findings, which the plan may replace
    };
    static FindingMap firstFindingByURL(const std::vector<Finding>& findings);
    // Files, not packages, cloud-only files or parts of projects, in scope, with no finding of
    // another recommendation than old files or filing.
    Candidates candidates(const std::vector<FileRecord>& records, const FindingMap& findingsByURL) const;
    // One group per family key, one per other file; sorted by the path of their first file.
    static std::vector<Group> groups(const Candidates& candidates, const InsightMap& insights);

    // The groupers, in the order `plan` runs them. Each skips claimed files and claims what it places.
    std::vector<ProposedFolder> suggestedFolderGroups(const std::vector<Group>& groups, const InsightMap& insights,
                                                      Claimed& claimed) const;
    std::vector<ProposedFolder> familyGroups(const std::vector<Group>& groups, const InsightMap& insights,
                                             Claimed& claimed) const;
    std::vector<ProposedFolder> sharedNameGroups(const std::vector<Group>& groups, Claimed& claimed) const;
    std::vector<ProposedFolder> mediaYearGroups(const std::vector<Group>& groups, Claimed& claimed) const;
    // Only files below Downloads whose analyzer finding suggests a destination.
    std::vector<ProposedFolder> fromDownloadsGroups(const std::vector<Group>& groups, const FindingMap& findingsByURL,
                                                    Claimed& claimed) const;

    // The common construction: one member finding per file, in file order. The destination is
    // taken in its spelling on disk when one differs only in case.
    ProposedFolder makeProposedFolder(const URL& destination, const Group& files, ProposalSource source,
                                      const std::string& rationale, double confidence,
                                      std::optional<DocKind> kind) const;
    // False for a user folder itself or a folder the scan saw (exact path: names are case-sensitive).
    bool isNewFolder(const URL& destination) const;
    // "Documents → Taxes → 2023" below a user folder; else the last path component.
    std::string displayPath(const URL& destination) const;
    // The folder for `name` under `base`: an existing folder one or two levels down whose name
    // matches (its real path), else `base`/`name`.
    URL destination(const URL& base, std::string_view name) const;

    // The rationale of a suggested folder.
    static std::string reasonSentence(size_t count, std::optional<DocKind> kind, std::string_view folderName,
                                      bool folderExists);
    static std::string_view kindPlural(DocKind kind);

    // Naming rules shared by the name-based groupers.
    static std::vector<std::string> tokens(std::string_view stem);
    static const std::unordered_set<std::string>& cameraPrefixes();
    static const std::unordered_set<std::string>& genericStems();
    static std::optional<std::string> familyFolderName(const std::optional<std::string>& title, const Group& records);
    static std::optional<std::string> groupName(const std::vector<std::string>& sharedTokens,
                                                const std::vector<StemTokens>& files);
    static std::string preferredCasing(const std::string& token, const std::vector<StemTokens>& files);

private:
    // The files whose parent folder is not `folder` (those already there stay out of a proposal).
    static Group filesOutside(const Group& files, const URL& folder);
    static bool anyClaimed(const Group& files, const Claimed& claimed);
    static void claimAll(const Group& files, Claimed& claimed);
    // The folder as it is spelled on disk when the scan saw it under another letter case (Linux
    // names are case-sensitive: a move into the other spelling would make a second folder);
    // otherwise the standardized destination.
    URL realFolder(const URL& destination) const;
    // The user folder a kind of file is filed under; none for archives, installers and the like.
    std::optional<URL> baseFolder(TypeBucket bucket) const;

    UserFolders folders_;
    OrganizeScope scope_;
    ExistingFolders existingDirectories_;
    FolderReuseIndex reuseIndex_;
};

}  // namespace ordane
