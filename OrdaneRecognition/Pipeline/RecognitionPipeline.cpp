#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"

#include <utility>

namespace ordane {

RecognitionPipeline::RecognitionPipeline(OwnerIdentity owner, AnalysisCache& cache)
    : owner(std::move(owner)), cache(&cache) {}

std::vector<ContentInsight> RecognitionPipeline::run(const std::vector<FileRecord>&,
                                                     const std::optional<DestinationContext>&, const Progress&,
                                                     std::stop_token) const {
    // The reading passes arrive with the extractors; until then no file is recognised.
    return {};
}

}  // namespace ordane
