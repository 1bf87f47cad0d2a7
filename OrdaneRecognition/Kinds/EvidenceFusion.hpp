#pragma once

#include <map>
#include <set>
#include <vector>

#include "OrdaneCore/Model/ConfidenceTier.hpp"
#include "OrdaneRecognition/Kinds/EvidenceFamily.hpp"

namespace ordane {

// Thresholds of the fusion; the engine always uses the defaults.
struct FusionConstants {
    double confidentScore = 0.7;
    double confidentMargin = 0.15;
    double tentativeScore = 0.45;
    double tentativeMargin = 0.05;
    double diversityFloor = 0.6;   // share of the fused score kept when only one family agrees
    double familyAgreement = 0.5;  // lowest per-family score that counts as agreeing
    double anchorBypass = 0.9;     // factor on the rule score of an anchored kind
    int minimumCharacters = 120;   // shortest text the engine recognises at all

    bool operator==(const FusionConstants&) const = default;
};

// The decision for one document.
struct FusionOutcome {
    DocKind kind = DocKind::unknown;  // unknown when undecided
    ConfidenceTier tier = ConfidenceTier::unknown;
    double combined = 0;  // after the diversity and anchor adjustments
    double margin = 0;    // fused score of the best kind minus the runner-up's
    std::vector<EvidenceFamily> agreeingFamilies;  // in family order
    bool anchored = false;

    bool operator==(const FusionOutcome&) const = default;
};

using FamilyTables = std::map<EvidenceFamily, KindScores>;

namespace EvidenceFusion {

// Weighs the families' tables into one verdict. A family that is available but has no table
// still counts in the weights and pulls every kind down; unavailable families do not count.
// Scores are clamped to 0...1 (NaN counts as 0). Rewards agreement between families, lets an
// anchored rule carry the decision, and answers unknown when evidence is weak or ambiguous.
FusionOutcome fuse(const FamilyTables& tables, const std::set<DocKind>& anchoredKinds,
                   const std::set<EvidenceFamily>& unavailableFamilies, const FusionConstants& constants);

}  // namespace EvidenceFusion

}  // namespace ordane
