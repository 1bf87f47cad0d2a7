#include "OrdaneRecognition/Kinds/KindRule.hpp"

#include <algorithm>

namespace ordane {

KindRule::Evaluation KindRule::evaluate(const PreparedText& prepared) const {
    const bool anchorHit = std::any_of(anchors.begin(), anchors.end(),
                                       [&](const TextMatcher& anchor) { return anchor.matches(prepared); });
    if (!anchorHit) return {};
    Evaluation evaluation{true, 0, {anchorNote}};
    double hitWeight = anchorWeight;
    for (const RuleSignal& signal : signals) {
        if (!signal.matcher.matches(prepared)) continue;
        evaluation.notes.push_back(signal.note);
        hitWeight += signal.weight;
    }
    evaluation.score = std::min(hitWeight / totalWeight(), 1.0);
    return evaluation;
}

double KindRule::totalWeight() const {
    double signalWeights = 0;
    for (const RuleSignal& signal : signals) signalWeights += signal.weight;
    return anchorWeight + signalWeights;
}

}  // namespace ordane
