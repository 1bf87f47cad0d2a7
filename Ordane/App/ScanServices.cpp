#include "Ordane/App/ScanServices.hpp"

#include "OrdaneCore/Scan/ExistingFolders.hpp"
#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"
#include "OrdaneRecognition/Planning/OrganizePlanner.hpp"

namespace ordane {

ScanServices ScanServices::standard() {
    ScanServices services;
    services.recognize = [](const std::vector<FileRecord>& records, const RecognitionRequest& request,
                            const Progress& progress, std::stop_token stop) {
        RecognitionPipeline pipeline(request.owner, *request.analysisCache);
        RecognitionPipeline::DestinationContext context{request.folders, request.centroidStore.get(), request.priors,
                                                        request.quarantinedURLs, request.scope};
        return pipeline.run(records, context, progress, stop);
    };
    services.plan = [](const PlanRequest& request) {
        OrganizePlanner planner(request.folders, request.scope, ExistingFolders::fromScan(request.records, request.roots));
        OrganizePlanner::Outcome outcome = planner.plan(request.records, request.insights, request.findings);
        return std::optional(PlanOutcome{std::move(outcome.proposal), std::move(outcome.supersededIDs)});
    };
    return services;
}

}  // namespace ordane
