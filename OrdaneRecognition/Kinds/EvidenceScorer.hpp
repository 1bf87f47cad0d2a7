#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "OrdaneCore/Fingerprint/EntitySignature.hpp"
#include "OrdaneCore/Fingerprint/StructuralFeatures.hpp"
#include "OrdaneRecognition/Kinds/EvidenceFamily.hpp"

// Scores per kind from evidence that is not wording: the shape of the text, the kinds of entities
// it mentions, and its file name. Only kinds scoring above 0 are put in a table.
namespace ordane::EvidenceScorer {

KindScores structuralScores(const StructuralFeatures& features);
KindScores entityScores(const EntitySignature& entities);

// A kind whose hint tokens occur in the file name.
struct FilenameHint {
    DocKind kind = DocKind::unknown;
    std::vector<std::string> tokens;  // folded letters and digits, matched as substrings
};

// The hints, in table order; built once.
const std::vector<FilenameHint>& filenameHints();

// The name as the filename hints see it: folded, lower-cased, only its letters and digits.
std::string normalizedStem(std::string_view stem);

// 1.0 for every kind one of whose tokens occurs in the normalised stem. Tokens are substrings,
// not words: "taxi" sets taxDocument, since words run together once separators are gone.
KindScores filenameScores(std::string_view stem);

}  // namespace ordane::EvidenceScorer
