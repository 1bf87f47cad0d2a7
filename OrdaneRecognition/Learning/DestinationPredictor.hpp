#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Model/EvidenceClaim.hpp"
#include "OrdaneCore/Model/OrganizeScope.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"
#include "OrdaneCore/Stores/FilingPriorsStore.hpp"
#include "OrdaneCore/Stores/FolderCentroidStore.hpp"
#include "OrdaneCore/Vectors/SparseVector.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

// Proposes the folder a confidently recognised document should be filed into, trying in turn the
// user's folders it reads like, the folders where the user filed its kind before, and a standard
// folder under Documents for the kind. Reads values and asks whether prior folders exist; writes nothing.
struct DestinationPredictor {
    struct Prediction {
        URL folder;  // a directory URL
        EvidenceClaim claim;
        std::string reasonSentence;
        bool operator==(const Prediction&) const = default;
    };

    static constexpr double minCentroidSimilarity = 0.45;
    static constexpr double minCentroidMargin = 0.1;
    static constexpr double cohesionShare = 0.8;
    static constexpr double minPriorAcceptance = 0.75;

    UserFolders folders;
    std::vector<FolderCentroidStore::FolderEntry> centroids;
    std::vector<FilingPriorsStore::Row> priors;
    std::optional<OrganizeScope> scope;
    std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real();

    std::optional<Prediction> predict(const ContentInsight& insight, const FileRecord& record,
                                      const std::optional<SparseVector>& vector) const;
    bool isInScope(const FileRecord& record) const;
    std::optional<std::pair<FolderCentroidStore::FolderEntry, double>> bestCentroidMatch(
        const SparseVector& vector) const;
    std::optional<FilingPriorsStore::Row> bestPrior(DocKind kind) const;
    std::optional<URL> standardFolder(const ContentInsight& insight) const;
    // "Documents › Taxes › 2023" for a folder below Documents, else the folder's own name; always
    // valid UTF-8, as it goes into sentences.
    std::string displayName(const std::string& folderPath) const;
};

}  // namespace ordane
