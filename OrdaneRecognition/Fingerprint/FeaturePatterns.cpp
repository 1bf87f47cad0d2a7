#include "OrdaneRecognition/Fingerprint/FeaturePatterns.hpp"

namespace ordane {

using platform::text::Regex;
using platform::text::RegexOptions;

// The evidence weights were set against these exact expressions: change none of them, not even
// the case-insensitive identifier rule that lets any five-letter word follow "confirmation".
const FeaturePatterns& FeaturePatterns::shared() {
    static const FeaturePatterns patterns{
        Regex(R"([$€£]\s?\d{1,3}(,\d{3})*(\.\d{2})?|\b\d{1,3}(,\d{3})*\.\d{2}\b)"),
        Regex(R"((?:[$€£]\s?\d{1,3}(,\d{3})*(\.\d{2})?|\d{1,3}(,\d{3})*\.\d{2})\s*$)"),
        Regex(R"((?i)(?:[x*•]{2,}\s?\d{4}|ending in \d{4}|acct[^\n]{0,12}\d{4}))"),
        Regex(R"(\b(19|20)\d{2}\s*[–—-]\s*((19|20)\d{2}|present|current)\b)", RegexOptions::caseInsensitive),
        Regex(R"(^\s*\d{1,2}[.)]\s+\S)", RegexOptions::anchorsMatchLines),
        Regex(R"(\b\d+(?:[./]\d+)?\s?(cups?|tbsp|tablespoons?|tsp|teaspoons?|oz|ounces?|grams?|g|ml|lbs?|pounds?)\b)",
              RegexOptions::caseInsensitive),
        Regex(R"(\b\d{3}\s?°?\s?[FC]\b)"),
        Regex(R"(\.{5,}\s*\d+\s*$)", RegexOptions::anchorsMatchLines),
        Regex(R"(\b(19|20)\d{2}\b)"),
        Regex(R"(\b[A-Z]{3}\s*(?:→|–|-|to)\s*[A-Z]{3}\b)"),
        Regex(R"((?i)(confirmation|record locator|pnr|certificate number|license number|policy number|claim number)[^\n]{0,20}\b[A-Z0-9]{5,}\b)"),
        Regex(R"(\b\d+(\.\d+)?%)"),
    };
    return patterns;
}

}  // namespace ordane
