#pragma once

#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "OrdaneCore/Fingerprint/Fingerprint.hpp"
#include "OrdaneCore/Identity/OwnerIdentity.hpp"
#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Model/ContentSample.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneRecognition/Kinds/EvidenceFusion.hpp"
#include "OrdaneRecognition/Kinds/KindRule.hpp"
#include "OrdaneRecognition/Kinds/LanguageClass.hpp"

namespace ordane {

namespace platform {
class LanguageRecognizer;
}

// Decides, for a batch of extracted and fingerprinted documents, what kind each one is and how
// sure it is: runs the kind rules, learns per-kind wording centroids from the batch itself when it
// is large enough, scores the other evidence families, fuses them, and applies the length and
// language gates. Every doubt ends in the undetermined insight; nothing is thrown.
struct RecognitionEngine {
    struct Input {
        FileRecord record;
        ContentSample sample;
        Fingerprint fingerprint;
    };

    // The per-document result of the rule pass: only evaluations scoring above 0 are kept.
    struct RulePass {
        PreparedText prepared;
        std::map<DocKind, KindRule::Evaluation> evaluations;
    };

    // What one document's evidence amounts to, before it becomes an insight.
    struct Evidence {
        FamilyTables tables;
        std::set<DocKind> anchoredKinds;
        std::set<EvidenceFamily> unavailableFamilies;
        std::map<DocKind, std::vector<std::string>> notes;
    };

    // A kind's mean weighted vector over the batch's exemplars, with its norm.
    struct Centroid {
        std::vector<float> dense;
        float norm = 0;
    };

    static constexpr std::string_view analyzerID = "rules-v1";
    static constexpr size_t lexicalMinimumDocuments = 24;
    static constexpr size_t centroidMinimumExemplars = 8;
    static constexpr double centroidMinimumCohesion = 0.25;
    static constexpr size_t languageSampleCharacters = 1000;
    static const std::vector<std::string>& bankNames();

    OwnerIdentity owner;
    FusionConstants constants;

    // One insight per input, in input order; the batch's documents are worked on all cores.
    std::vector<ContentInsight> recognize(std::span<const Input> inputs) const;

    static RulePass rulePass(std::string_view rawText);
    // The centroids of the kinds with enough cohesive exemplars; `weighted` holds one vector per
    // input (the batch's idf-weighted term vectors).
    static std::map<DocKind, Centroid> centroids(std::span<const RulePass> passes,
                                                 std::span<const SparseVector> weighted);
    // The insight of one input; `weighted` is absent below the lexical batch size.
    ContentInsight gatherEvidence(const Input& input, const RulePass& pass, const SparseVector* weighted,
                                  const std::map<DocKind, Centroid>& centroids) const;

    static ContentInsight undetermined(const URL& url);
    // True when the text, with each run of white space counted as one space, is shorter than
    // `minimumCharacters`.
    static bool isTooShort(std::string_view rawText, int minimumCharacters);

    // The language gate, over the first 1,000 characters of the raw text.
    static LanguageClass detectLanguage(std::string_view rawText);
    static LanguageClass detectLanguage(std::string_view rawText, const platform::LanguageRecognizer& recognizer);
    // What the gate reads: the dominant language of the first 1,000 characters (an ISO 639-1
    // code), or nothing when there is none; and the class of such a language.
    static std::optional<std::string> dominantLanguage(std::string_view rawText);
    static std::optional<std::string> dominantLanguage(std::string_view rawText,
                                                       const platform::LanguageRecognizer& recognizer);
    static LanguageClass languageClass(const std::optional<std::string>& language);

    // The title of a decided document; `prepared` is the folded form of the input's text.
    static std::optional<std::string> kindPhrase(DocKind kind, const Input& input, const PreparedText& prepared,
                                                 const std::optional<std::string>& subject);
    static std::optional<std::string> groupKey(DocKind kind, ConfidenceTier tier,
                                               const std::optional<std::string>& subject);
    // The claims behind the decided kind only, in the order rule, lexical, structural, entity,
    // filename.
    static std::vector<EvidenceClaim> provenanceClaims(DocKind kind, const Evidence& evidence);
};

}  // namespace ordane
