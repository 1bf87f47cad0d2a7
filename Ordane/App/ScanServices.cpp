#include "Ordane/App/ScanServices.hpp"

namespace ordane {

ScanServices ScanServices::standard() {
    ScanServices services;
    // Until document recognition and the filing planner are wired in, a scan reads no document
    // and keeps the analyzer's own filing suggestions.
    services.recognize = [](const std::vector<FileRecord>&, const RecognitionRequest&, const Progress&,
                            std::stop_token) { return std::vector<ContentInsight>{}; };
    services.plan = [](const PlanRequest&) { return std::optional<PlanOutcome>{}; };
    return services;
}

}  // namespace ordane
