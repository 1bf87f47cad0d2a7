#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "OrdaneCore/Model/DocKind.hpp"
#include "OrdaneRecognition/Kinds/TextMatcher.hpp"

namespace ordane {

// A weighted hint that raises a rule's score once one of its anchors holds.
struct RuleSignal {
    TextMatcher matcher;
    double weight = 0;
    std::string note;  // shown to the user as a reason

    bool operator==(const RuleSignal&) const = default;
};

// The hand-written rule of one document kind: anchors, of which one must hold before the rule
// scores at all, and signals that raise the score.
struct KindRule {
    struct Evaluation {
        bool anchorHit = false;
        double score = 0;  // 0...1; above 0 only when an anchor held
        std::vector<std::string> notes;  // the anchor note, then the notes of the signals that held

        bool operator==(const Evaluation&) const = default;
    };

    DocKind kind = DocKind::unknown;
    double anchorWeight = 0;
    std::vector<TextMatcher> anchors;  // alternatives, tried in order
    std::string anchorNote;
    std::vector<RuleSignal> signals;  // in the order their notes are reported

    Evaluation evaluate(const PreparedText& prepared) const;

    // The anchor weight plus every signal's weight: the divisor of the score.
    double totalWeight() const;

    // One rule per kind but `unknown`, in kind order; built once, never changed.
    static const std::vector<KindRule>& all();

    bool operator==(const KindRule&) const = default;
};

}  // namespace ordane
