#pragma once

#include <memory>
#include <stop_token>
#include <vector>

#include "OrdaneCore/Analysis/AnalysisResult.hpp"
#include "OrdaneCore/Analysis/DuplicateFinder.hpp"
#include "OrdaneCore/Foundation/Date.hpp"
#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Scan/ScanRules.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"
#include "OrdanePlatform/FileSystem/FileSystem.hpp"

namespace ordane {

class AnalysisCache;

// The second half of a scan: exact duplicates, then family and name groups, then one finding per
// record at most. Holds no state between calls.
struct Analyzer {
    UserFolders folders;
    ScanRules rules;
    std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real();

    Analyzer(UserFolders folders, ScanRules rules,
             std::shared_ptr<platform::FileSystem> fileSystem = platform::FileSystem::real());

    // Ages are measured against `now`; `cache` may be null; `progress` reports the comparing of
    // possible duplicates. Throws CancellationError when stopped: a stopped analysis never passes
    // for a finished one, and then the cache is not saved.
    AnalysisResult analyze(const std::vector<FileRecord>& records, Date now, const std::vector<ContentInsight>& insights,
                           AnalysisCache* cache, const DuplicateFinder::Progress& progress,
                           std::stop_token stop = {}) const;
};

}  // namespace ordane
