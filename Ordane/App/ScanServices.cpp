#include "Ordane/App/ScanServices.hpp"

#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"

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
    // Until the filing planner is wired in, a scan keeps the analyzer's own filing suggestions.
    services.plan = [](const PlanRequest&) { return std::optional<PlanOutcome>{}; };
    return services;
}

}  // namespace ordane
