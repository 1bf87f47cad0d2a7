#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "OrdaneCore/Foundation/URL.hpp"
#include "OrdaneCore/Foundation/UUID.hpp"
#include "OrdaneCore/Identity/OwnerIdentity.hpp"
#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Model/Finding.hpp"
#include "OrdaneCore/Model/OrganizationProposal.hpp"
#include "OrdaneCore/Model/OrganizeScope.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"
#include "OrdaneCore/Stores/FilingPriorsStore.hpp"

namespace ordane {

class AnalysisCache;
class FolderCentroidStore;

// What the scan road asks of document recognition and of the filing planner. `standard()` gives
// the real ones; tests hand in their own to watch what the road passes and to steer the answers.
struct ScanServices {
    using Progress = std::function<void(int64_t done, int64_t total)>;

    struct RecognitionRequest {
        OwnerIdentity owner;
        UserFolders folders;
        OrganizeScope scope;
        std::vector<FilingPriorsStore::Row> priors;
        // Where the program itself moved files lately: such files don't teach their folder.
        std::unordered_set<URL> quarantinedURLs;
        std::shared_ptr<AnalysisCache> analysisCache;
        std::shared_ptr<FolderCentroidStore> centroidStore;
    };

    struct PlanRequest {
        const std::vector<URL>& roots;  // the scan's
        const std::vector<FileRecord>& records;
        const std::unordered_map<URL, ContentInsight>& insights;  // the first insight per file
        const std::vector<Finding>& findings;                     // the analyzer's
        const UserFolders& folders;
        const OrganizeScope& scope;
    };

    struct PlanOutcome {
        OrganizationProposal proposal;
        std::unordered_set<UUID> supersededIDs;
    };

    // Runs off the main thread; reports (done, total) from any thread; never fails (a stopped run
    // may return early with what it has).
    std::function<std::vector<ContentInsight>(const std::vector<FileRecord>& records, const RecognitionRequest& request,
                                              const Progress& progress, std::stop_token stop)>
        recognize;
    // Runs on the main thread. Nothing keeps the analyzer's own proposal.
    std::function<std::optional<PlanOutcome>(const PlanRequest& request)> plan;

    static ScanServices standard();
};

}  // namespace ordane
