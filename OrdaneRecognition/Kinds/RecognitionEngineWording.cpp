// What the user sees of a verdict: the language gate, titles, group keys and evidence claims.

#include <algorithm>

#include "OrdaneCore/Identity/TextNormalizers.hpp"
#include "OrdanePlatform/Language/Cld2LanguageRecognizer.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Kinds/RecognitionEngine.hpp"

namespace ordane {

namespace {

// The languages the rules have been checked on besides English, by ISO 639-1 code.
constexpr std::string_view otherSupportedLanguages[] = {"fr", "de", "es", "it", "pt", "nl",
                                                        "sv", "no", "da", "tr", "pl"};

// The first letter of each space-separated word upper-cased: "wells fargo" gives "Wells Fargo".
std::string capitalizedWords(std::string_view lowerCase) {
    std::string result(lowerCase);
    for (size_t i = 0; i < result.size(); ++i) {
        if ((i == 0 || result[i - 1] == ' ') && result[i] >= 'a' && result[i] <= 'z') result[i] -= 'a' - 'A';
    }
    return result;
}

std::optional<int64_t> latestPlausibleYear(const EntitySignature& entities) {
    std::optional<int64_t> latest;
    for (int64_t year : entities.yearMentions) {
        if (year >= 1990 && year <= 2100 && (!latest || year > *latest)) latest = year;
    }
    return latest;
}

}  // namespace

const std::vector<std::string>& RecognitionEngine::bankNames() {
    static const std::vector<std::string> names{
        "chase",   "bank of america", "wells fargo", "citibank", "citi",     "capital one",    "us bank",
        "pnc",     "td bank",         "ally",        "discover", "fidelity", "vanguard",       "charles schwab",
        "morgan stanley"};
    return names;
}

LanguageClass RecognitionEngine::detectLanguage(std::string_view rawText) {
    return languageClass(dominantLanguage(rawText));
}

LanguageClass RecognitionEngine::detectLanguage(std::string_view rawText,
                                                const platform::LanguageRecognizer& recognizer) {
    return languageClass(dominantLanguage(rawText, recognizer));
}

std::optional<std::string> RecognitionEngine::dominantLanguage(std::string_view rawText) {
    return dominantLanguage(rawText, platform::Cld2LanguageRecognizer::shared());
}

std::optional<std::string> RecognitionEngine::dominantLanguage(std::string_view rawText,
                                                               const platform::LanguageRecognizer& recognizer) {
    return recognizer.dominantLanguage(platform::text::prefix(rawText, languageSampleCharacters));
}

LanguageClass RecognitionEngine::languageClass(const std::optional<std::string>& language) {
    if (!language || *language == "en") return LanguageClass::english;
    const bool supported = std::find(std::begin(otherSupportedLanguages), std::end(otherSupportedLanguages),
                                     *language) != std::end(otherSupportedLanguages);
    return supported ? LanguageClass::otherSupported : LanguageClass::unsupported;
}

std::optional<std::string> RecognitionEngine::kindPhrase(DocKind kind, const Input& input,
                                                         const PreparedText& prepared,
                                                         const std::optional<std::string>& subject) {
    switch (kind) {
        case DocKind::resume:
            return subject ? *subject + "'s resume" : std::string("resume");
        case DocKind::taxDocument: {
            const auto year = latestPlausibleYear(input.fingerprint.entities);
            return year ? std::to_string(*year) + " tax document" : std::string("tax document");
        }
        case DocKind::bankStatement:
            // Whole words only: "purchase" does not name Chase, nor "totally" Ally.
            for (const std::string& name : bankNames()) {
                if (TextMatcher::containsWord(prepared.all, name)) return capitalizedWords(name) + " statement";
            }
            return std::string("bank statement");
        case DocKind::unknown:
            return std::nullopt;
        default:
            return std::string(displayNoun(kind));
    }
}

std::optional<std::string> RecognitionEngine::groupKey(DocKind kind, ConfidenceTier tier,
                                                       const std::optional<std::string>& subject) {
    if (tier != ConfidenceTier::confident || kind != DocKind::resume || !subject) return std::nullopt;
    return "resume|" + normalizedPhrase(*subject);
}

std::vector<EvidenceClaim> RecognitionEngine::provenanceClaims(DocKind kind, const Evidence& evidence) {
    std::vector<EvidenceClaim> claims;
    if (auto notes = evidence.notes.find(kind); notes != evidence.notes.end() && !notes->second.empty()) {
        const std::vector<std::string>& all = notes->second;
        if (evidence.anchoredKinds.contains(kind)) {
            claims.push_back(EvidenceClaim::ruleAnchor(kind, all.front()));
            if (all.size() > 1) claims.push_back(EvidenceClaim::ruleSignals(kind, {all.begin() + 1, all.end()}));
        } else {
            claims.push_back(EvidenceClaim::ruleSignals(kind, all));
        }
    }
    auto familyScore = [&](EvidenceFamily family) -> std::optional<double> {
        auto table = evidence.tables.find(family);
        if (table == evidence.tables.end()) return std::nullopt;
        auto entry = table->second.find(kind);
        if (entry == table->second.end()) return std::nullopt;
        return entry->second;
    };
    if (auto lexical = familyScore(EvidenceFamily::lexical); lexical && *lexical > 0) {
        claims.push_back(EvidenceClaim::lexical(*lexical));
    }
    if (auto structural = familyScore(EvidenceFamily::structural); structural && *structural > 0) {
        claims.push_back(EvidenceClaim::structural({}));
    }
    if (auto entity = familyScore(EvidenceFamily::entity); entity && *entity > 0) {
        claims.push_back(EvidenceClaim::entityShape({}));
    }
    if (familyScore(EvidenceFamily::filename)) claims.push_back(EvidenceClaim::filename("its filename fits"));
    return claims;
}

}  // namespace ordane
