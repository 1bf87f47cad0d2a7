#pragma once

#include <optional>
#include <string>
#include <vector>

#include "OrdaneCore/Foundation/Json.hpp"
#include "OrdaneCore/Model/ConfidenceTier.hpp"
#include "OrdaneCore/Model/DocKind.hpp"
#include "OrdaneCore/Model/EvidenceClaim.hpp"

namespace ordane {

class JsonReader;

// What recognition believes one file to be, and the evidence behind it. Stored in the analysis cache.
struct ContentInsight {
    URL url;
    DocKind kind = DocKind::unknown;
    ConfidenceTier tier = ConfidenceTier::unknown;
    std::optional<std::string> title;        // used instead of the kind's noun in sentences
    std::optional<std::string> subjectName;  // the person or organisation the document is about
    // Joins related documents; "resume|", "family|" and "series|" keys have meaning to the integrator.
    std::optional<std::string> groupKey;
    std::optional<std::string> suggestedName;
    std::optional<URL> suggestedFolder;
    std::vector<EvidenceClaim> provenance;  // in the order recognition found them
    std::string analyzerID;                 // "rules-v1" for this system's recogniser

    bool operator==(const ContentInsight&) const = default;

    Json toJson() const;
    static ContentInsight fromJson(const Json& json);  // throws DecodingError
    // The same reading straight from the text, without a tree.
    static ContentInsight read(JsonReader& reader);
};

}  // namespace ordane
