#pragma once

#include <map>
#include <string_view>

#include "OrdaneCore/Foundation/EnumCases.hpp"
#include "OrdaneCore/Model/DocKind.hpp"

namespace ordane {

// The five independent kinds of evidence about a document's kind; the case order is the order in
// which fusion visits them.
enum class EvidenceFamily { rule, lexical, structural, entity, filename };

template <>
struct EnumCases<EvidenceFamily> {
    static constexpr std::array<std::pair<EvidenceFamily, std::string_view>, 5> cases{{
        {EvidenceFamily::rule, "rule"},
        {EvidenceFamily::lexical, "lexical"},
        {EvidenceFamily::structural, "structural"},
        {EvidenceFamily::entity, "entity"},
        {EvidenceFamily::filename, "filename"},
    }};
};

// The family's fixed share of the fused score; the five add up to 1.
constexpr double fusionWeight(EvidenceFamily family) {
    switch (family) {
        case EvidenceFamily::rule: return 0.4;
        case EvidenceFamily::lexical: return 0.25;
        case EvidenceFamily::structural: return 0.15;
        case EvidenceFamily::entity: return 0.1;
        case EvidenceFamily::filename: return 0.1;
    }
    return 0;
}

// One family's score per kind, 0...1; a kind that is absent scores 0.
using KindScores = std::map<DocKind, double>;

// The score of a kind in a table, 0 when absent.
inline double score(const KindScores& scores, DocKind kind) {
    auto found = scores.find(kind);
    return found == scores.end() ? 0.0 : found->second;
}

}  // namespace ordane
