#include "OrdaneRecognition/Kinds/RecognitionEngine.hpp"

#include <algorithm>
#include <thread>

#include "OrdaneCore/Vectors/CentroidMath.hpp"
#include "OrdaneCore/Vectors/CorpusStats.hpp"
#include "OrdanePlatform/Concurrency/BoundedParallel.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Kinds/EvidenceScorer.hpp"
#include "OrdaneRecognition/Kinds/RegexCache.hpp"

namespace ordane {

namespace {

size_t parallelWidth() { return std::max(1u, std::thread::hardware_concurrency()); }

// A cosine to a kind's centroid, rescaled so that 0.15 and below gives nothing and 0.6 or more
// gives the full score.
constexpr double lexicalFloor = 0.15;
constexpr double lexicalCeiling = 0.6;

KindScores lexicalScores(const SparseVector& weighted, const std::map<DocKind, RecognitionEngine::Centroid>& centroids) {
    KindScores scores;
    const double span = lexicalCeiling - lexicalFloor;
    for (const auto& [kind, centroid] : centroids) {
        const double cosine = SparseVector::cosineToCentroid(centroid.dense, weighted, centroid.norm);
        const double scaled = (cosine - lexicalFloor) / span;
        if (scaled > 0) scores[kind] = std::min(scaled, 1.0);
    }
    return scores;
}

// A damaged term vector (possible only from a hand-edited cache) counts as no wording at all.
const SparseVector& usableTerms(const Fingerprint& fingerprint) {
    return fingerprint.termFrequency.isWellFormed() ? fingerprint.termFrequency : SparseVector::empty();
}

}  // namespace

std::vector<ContentInsight> RecognitionEngine::recognize(std::span<const Input> inputs) const {
    if (inputs.empty()) return {};
    const size_t count = inputs.size();
    const std::vector<RulePass> passes = platform::BoundedParallel::run<RulePass>(
        count, parallelWidth(), {}, [&](size_t i) { return rulePass(inputs[i].sample.text); });

    std::vector<SparseVector> weighted;
    std::map<DocKind, Centroid> kindCentroids;
    if (count >= lexicalMinimumDocuments) {
        std::vector<SparseVector> terms;
        terms.reserve(count);
        for (const Input& input : inputs) terms.push_back(usableTerms(input.fingerprint));
        const CorpusStats stats = CorpusStats::build(terms);
        for (const SparseVector& vector : terms) weighted.push_back(SparseVector::weighted(stats.idf, vector));
        kindCentroids = centroids(passes, weighted);
    }
    return platform::BoundedParallel::run<ContentInsight>(count, parallelWidth(), {}, [&](size_t i) {
        return gatherEvidence(inputs[i], passes[i], weighted.empty() ? nullptr : &weighted[i], kindCentroids);
    });
}

RecognitionEngine::RulePass RecognitionEngine::rulePass(std::string_view rawText) {
    RulePass pass{PreparedText::prepare(rawText), {}};
    for (const KindRule& rule : KindRule::all()) {
        KindRule::Evaluation evaluation = rule.evaluate(pass.prepared);
        if (evaluation.score > 0) pass.evaluations.emplace(rule.kind, std::move(evaluation));
    }
    // Only the folded text is read after the rules; the batch need not hold two more copies.
    pass.prepared.raw = {};
    pass.prepared.rawHead = {};
    pass.prepared.decodedRaw = {};
    pass.prepared.decodedRawHead = {};
    return pass;
}

std::map<DocKind, RecognitionEngine::Centroid> RecognitionEngine::centroids(std::span<const RulePass> passes,
                                                                            std::span<const SparseVector> weighted) {
    std::map<DocKind, std::vector<SparseVector>> exemplars;
    for (size_t i = 0; i < passes.size() && i < weighted.size(); ++i) {
        for (const auto& [kind, evaluation] : passes[i].evaluations) {
            if (evaluation.anchorHit && evaluation.score >= 0.5) exemplars[kind].push_back(weighted[i]);
        }
    }
    std::map<DocKind, Centroid> result;
    for (const auto& [kind, group] : exemplars) {
        if (group.size() < centroidMinimumExemplars) continue;
        if (CentroidMath::leaveOneOutCohesion(group) < centroidMinimumCohesion) continue;
        Centroid centroid{CentroidMath::centroid(group), 0};
        centroid.norm = CentroidMath::norm(centroid.dense);
        result.emplace(kind, std::move(centroid));
    }
    return result;
}

ContentInsight RecognitionEngine::gatherEvidence(const Input& input, const RulePass& pass, const SparseVector* weighted,
                                                 const std::map<DocKind, Centroid>& centroids) const {
    const std::string& text = input.sample.text;
    if (isTooShort(text, constants.minimumCharacters)) return undetermined(input.record.url());
    const LanguageClass language = detectLanguage(text);
    if (language == LanguageClass::unsupported) return undetermined(input.record.url());

    Evidence evidence;
    KindScores& rule = evidence.tables[EvidenceFamily::rule];
    for (const auto& [kind, evaluation] : pass.evaluations) {
        rule[kind] = evaluation.score;
        if (evaluation.anchorHit) evidence.anchoredKinds.insert(kind);
        evidence.notes[kind] = evaluation.notes;
    }
    evidence.tables[EvidenceFamily::structural] = EvidenceScorer::structuralScores(input.fingerprint.structural);
    evidence.tables[EvidenceFamily::entity] = EvidenceScorer::entityScores(input.fingerprint.entities);
    evidence.tables[EvidenceFamily::filename] =
        EvidenceScorer::filenameScores(platform::path::stem(input.record.path()));
    if (weighted && !centroids.empty()) {
        evidence.tables[EvidenceFamily::lexical] = lexicalScores(*weighted, centroids);
    } else {
        evidence.unavailableFamilies.insert(EvidenceFamily::lexical);
    }

    const FusionOutcome outcome =
        EvidenceFusion::fuse(evidence.tables, evidence.anchoredKinds, evidence.unavailableFamilies, constants);
    ConfidenceTier tier = outcome.tier;
    if (language == LanguageClass::otherSupported && tier == ConfidenceTier::confident) tier = ConfidenceTier::tentative;
    if (tier == ConfidenceTier::unknown) return undetermined(input.record.url());

    ContentInsight insight = undetermined(input.record.url());
    insight.kind = outcome.kind;
    insight.tier = tier;
    if (outcome.kind == DocKind::resume && input.fingerprint.entities.ownerNameNearTop && !owner.fullName.empty()) {
        insight.subjectName = owner.fullName;
    }
    insight.title = kindPhrase(outcome.kind, input, pass.prepared, insight.subjectName);
    insight.groupKey = groupKey(outcome.kind, tier, insight.subjectName);
    insight.provenance = provenanceClaims(outcome.kind, evidence);
    return insight;
}

ContentInsight RecognitionEngine::undetermined(const URL& url) {
    ContentInsight insight;
    insight.url = url;
    insight.analyzerID = std::string(analyzerID);
    return insight;
}

bool RecognitionEngine::isTooShort(std::string_view rawText, int minimumCharacters) {
    if (minimumCharacters <= 0) return false;
    const size_t minimum = static_cast<size_t>(minimumCharacters);
    static const platform::text::Regex whiteSpaceRuns = *RegexCache::shared().regex(R"(\s+)");
    auto collapsedLength = [](std::string_view text) {
        return platform::text::characterCount(whiteSpaceRuns.replacingAll(text, " "));
    };
    // Collapsing white space never makes a text longer, so a long enough beginning decides most
    // texts without reading them whole.
    const std::string beginning = platform::text::prefix(rawText, 4 * minimum);
    if (beginning.size() < rawText.size() && collapsedLength(beginning) >= minimum) return false;
    return collapsedLength(rawText) < minimum;
}

}  // namespace ordane
