#include "OrdaneCore/Analysis/Analyzer.hpp"

#include <unordered_map>

#include "OrdaneCore/Analysis/Classifier.hpp"
#include "OrdaneCore/Analysis/InsightIntegrator.hpp"
#include "OrdaneCore/Foundation/CancellationError.hpp"
#include "OrdaneCore/Stores/AnalysisCache.hpp"

namespace ordane {

Analyzer::Analyzer(UserFolders folders, ScanRules rules, std::shared_ptr<platform::FileSystem> fileSystem)
    : folders(std::move(folders)), rules(std::move(rules)), fileSystem(std::move(fileSystem)) {}

AnalysisResult Analyzer::analyze(const std::vector<FileRecord>& records, Date now,
                                 const std::vector<ContentInsight>& insights, AnalysisCache* cache,
                                 const DuplicateFinder::Progress& progress, std::stop_token stop) const {
    DuplicateFinder finder(folders, fileSystem);
    std::vector<DuplicateGroup> exact = finder.exactGroups(records, cache, progress, stop);
    // A stop during whole-file hashing ends the search early but quietly; without this check a
    // result missing duplicates would pass for a finished one.
    checkCancellation(stop);
    if (cache) cache->saveIfDirty();

    std::vector<DuplicateGroup> families = InsightIntegrator::integrate(insights, records, exact);
    std::vector<DuplicateGroup> named = finder.nameGroups(records, exact);
    std::vector<DuplicateGroup> extra = InsightIntegrator::removingFamilyOverlaps(named, families);

    Classifier classifier(folders, rules, now, fileSystem);
    std::unordered_map<URL, ContentInsight> insightIndex;
    for (const ContentInsight& insight : insights) insightIndex.try_emplace(insight.url, insight);  // the first stays
    std::vector<Finding> findings = classifier.classify(records, exact, insightIndex);
    checkCancellation(stop);

    AnalysisResult result;
    result.findings = std::move(findings);
    result.exactGroups = std::move(exact);
    result.nameGroups = std::move(families);
    result.nameGroups.insert(result.nameGroups.end(), std::make_move_iterator(extra.begin()),
                             std::make_move_iterator(extra.end()));
    return result;
}

}  // namespace ordane
