#pragma once

#include <optional>
#include <string>
#include <vector>

#include "OrdaneCore/Model/DocKind.hpp"
#include "OrdaneCore/Model/EvidenceClaim.hpp"

namespace ordane {

// Plain words for what recognition found: a one-paragraph summary, and evidence lines that end by
// saying everything happened on this machine. Pure functions.
struct ExplanationRenderer {
    // "From the text inside, this looks like an invoice or receipt. It's laid out like …"
    static std::string render(DocKind kind, const std::optional<std::string>& title,
                              const std::vector<EvidenceClaim>& claims);

    // One or more lines per claim, then the closing line naming `source` (how the text was read).
    static std::vector<std::string> renderClaims(const std::vector<EvidenceClaim>& claims, const std::string& source);

    // "a " or "an " before a noun phrase; nothing before a name ("Ann's resume") or a number.
    static std::string withArticle(const std::string& noun);
};

}  // namespace ordane
