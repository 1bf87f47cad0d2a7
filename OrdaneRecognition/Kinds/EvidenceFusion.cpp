#include "OrdaneRecognition/Kinds/EvidenceFusion.hpp"

#include <algorithm>
#include <cmath>

namespace ordane::EvidenceFusion {

namespace {

double clamped(double score) {
    if (std::isnan(score) || score < 0) return 0;
    return std::min(score, 1.0);
}

const KindScores* tableOf(const FamilyTables& tables, EvidenceFamily family) {
    auto found = tables.find(family);
    return found == tables.end() ? nullptr : &found->second;
}

struct Ranked {
    DocKind kind;
    double fused;
};

// Highest first; equal scores by the kind's raw value, ascending.
bool ranksBefore(const Ranked& a, const Ranked& b) {
    if (a.fused != b.fused) return a.fused > b.fused;
    return rawValue(a.kind) < rawValue(b.kind);
}

ConfidenceTier tierOf(double combined, double margin, bool diverseOrAnchored, const FusionConstants& constants) {
    if (combined >= constants.confidentScore && margin >= constants.confidentMargin && diverseOrAnchored) {
        return ConfidenceTier::confident;
    }
    if (combined >= constants.tentativeScore && margin >= constants.tentativeMargin) return ConfidenceTier::tentative;
    return ConfidenceTier::unknown;
}

}  // namespace

FusionOutcome fuse(const FamilyTables& tables, const std::set<DocKind>& anchoredKinds,
                   const std::set<EvidenceFamily>& unavailableFamilies, const FusionConstants& constants) {
    std::vector<EvidenceFamily> active;
    double totalWeight = 0;
    for (EvidenceFamily family : allCases<EvidenceFamily>()) {
        if (unavailableFamilies.contains(family)) continue;
        active.push_back(family);
        totalWeight += fusionWeight(family);
    }
    if (totalWeight <= 0) return {};

    std::map<DocKind, double> sums;
    for (EvidenceFamily family : active) {
        const KindScores* table = tableOf(tables, family);
        if (!table) continue;
        for (const auto& [kind, score] : *table) sums[kind] += fusionWeight(family) * clamped(score);
    }
    std::vector<Ranked> ranked;
    for (const auto& [kind, sum] : sums) ranked.push_back({kind, sum / totalWeight});
    std::stable_sort(ranked.begin(), ranked.end(), ranksBefore);
    if (ranked.empty() || ranked.front().fused <= 0) return {};

    const Ranked best = ranked.front();
    const double second = ranked.size() > 1 ? ranked[1].fused : 0;

    FusionOutcome outcome;
    for (EvidenceFamily family : active) {
        const KindScores* table = tableOf(tables, family);
        if (table && score(*table, best.kind) >= constants.familyAgreement) outcome.agreeingFamilies.push_back(family);
    }
    const double extraAgreement = std::max(static_cast<double>(outcome.agreeingFamilies.size()) - 1, 0.0);
    outcome.combined =
        best.fused * (constants.diversityFloor + (1 - constants.diversityFloor) * std::min(extraAgreement * 0.5, 1.0));
    outcome.anchored = anchoredKinds.contains(best.kind);
    if (const KindScores* rule = tableOf(tables, EvidenceFamily::rule); outcome.anchored && rule) {
        if (auto found = rule->find(best.kind); found != rule->end()) {
            outcome.combined = std::max(outcome.combined, found->second * constants.anchorBypass);
        }
    }
    outcome.margin = best.fused - second;
    const bool diverseOrAnchored = outcome.agreeingFamilies.size() >= 2 || outcome.anchored;
    outcome.tier = tierOf(outcome.combined, outcome.margin, diverseOrAnchored, constants);
    outcome.kind = outcome.tier == ConfidenceTier::unknown ? DocKind::unknown : best.kind;
    return outcome;
}

}  // namespace ordane::EvidenceFusion
