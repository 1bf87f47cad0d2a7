#include "OrdaneRecognition/Kinds/EvidenceScorer.hpp"

#include <algorithm>

#include "OrdanePlatform/Text/Text.hpp"

namespace ordane::EvidenceScorer {

namespace {

template <class Features>
struct Test {
    DocKind kind;
    bool (*holds)(const Features&);
    double weight;
};

using S = StructuralFeatures;
using E = EntitySignature;

// Each kind's weights add up to 1.
constexpr Test<S> structuralTests[] = {
    {DocKind::bankStatement, [](const S& s) { return s.currencyLineCount > 4; }, 0.5},
    {DocKind::bankStatement, [](const S& s) { return s.hasMaskedAccountNumber; }, 0.3},
    {DocKind::bankStatement, [](const S& s) { return s.dateCount > 3; }, 0.2},
    {DocKind::resume, [](const S& s) { return s.headingCount > 1; }, 0.3},
    {DocKind::resume, [](const S& s) { return s.dateRangeCount > 1; }, 0.4},
    {DocKind::resume, [](const S& s) { return s.contactInfoNearTop; }, 0.3},
    {DocKind::recipe, [](const S& s) { return s.unitOfMeasureCount > 1; }, 0.4},
    {DocKind::recipe, [](const S& s) { return s.numberedStepCount > 2; }, 0.3},
    {DocKind::recipe, [](const S& s) { return s.temperatureCount > 0; }, 0.3},
    {DocKind::invoiceReceipt, [](const S& s) { return s.currencyCount > 2; }, 0.5},
    {DocKind::invoiceReceipt, [](const S& s) { return s.dateCount > 0; }, 0.2},
    {DocKind::invoiceReceipt, [](const S& s) { return s.pageCount < 3; }, 0.3},
    {DocKind::manualGuide, [](const S& s) { return s.tocDotLeaderCount > 2; }, 0.6},
    {DocKind::manualGuide, [](const S& s) { return s.pageCount > 20; }, 0.4},
    {DocKind::taxDocument, [](const S& s) { return s.currencyCount > 2; }, 0.5},
    {DocKind::taxDocument, [](const S& s) { return s.dateCount > 0; }, 0.2},
    {DocKind::taxDocument, [](const S& s) { return s.pageCount < 5; }, 0.3},
};

bool mentionsPlausibleYear(const E& e) {
    return std::any_of(e.yearMentions.begin(), e.yearMentions.end(),
                       [](int64_t year) { return year >= 1990 && year <= 2100; });
}

// The weights add up to 1 for resume and ticketItinerary only; the others top out lower.
constexpr Test<E> entityTests[] = {
    {DocKind::resume, [](const E& e) { return e.personNearTop || e.ownerNameNearTop; }, 0.4},
    {DocKind::resume, [](const E& e) { return e.emailCount > 0; }, 0.3},
    {DocKind::resume, [](const E& e) { return e.phoneCount > 0; }, 0.2},
    {DocKind::resume, [](const E& e) { return e.organizationCount > 0; }, 0.1},
    {DocKind::ticketItinerary, [](const E& e) { return e.airportCodePairCount > 0; }, 0.6},
    {DocKind::ticketItinerary, [](const E& e) { return e.documentIDCount > 0; }, 0.4},
    {DocKind::idCertificate, [](const E& e) { return e.documentIDCount > 0; }, 0.6},
    {DocKind::taxDocument, mentionsPlausibleYear, 0.4},
    {DocKind::taxDocument, [](const E& e) { return e.percentageCount > 0; }, 0.2},
    {DocKind::bankStatement, [](const E& e) { return e.organizationCount > 0; }, 0.4},
};

template <class Features, size_t N>
KindScores sumOfHeldTests(const Test<Features> (&tests)[N], const Features& features) {
    KindScores scores;
    for (const auto& test : tests) {
        if (test.holds(features)) scores[test.kind] += test.weight;
    }
    return scores;
}

}  // namespace

KindScores structuralScores(const StructuralFeatures& features) { return sumOfHeldTests(structuralTests, features); }

KindScores entityScores(const EntitySignature& entities) { return sumOfHeldTests(entityTests, entities); }

const std::vector<FilenameHint>& filenameHints() {
    static const std::vector<FilenameHint> hints{
        {DocKind::resume, {"resume", "cv", "curriculumvitae"}},
        {DocKind::taxDocument, {"w2", "w4", "1099", "1040", "tax", "taxes", "taxreturn"}},
        {DocKind::bankStatement, {"statement", "estatement"}},
        {DocKind::invoiceReceipt, {"invoice", "receipt"}},
        {DocKind::recipe, {"recipe"}},
        {DocKind::manualGuide, {"manual", "userguide", "guide", "instructions"}},
        {DocKind::ticketItinerary, {"itinerary", "ticket", "boardingpass", "confirmation"}},
        {DocKind::legalContract, {"contract", "agreement", "lease"}},
        {DocKind::idCertificate, {"certificate", "license", "passport"}},
        {DocKind::letter, {"letter"}},
        {DocKind::medical, {"prescription", "labresults"}},
    };
    return hints;
}

// Digits are kept, unlike in other name matching, so that the form-number tokens can match.
std::string normalizedStem(std::string_view stem) {
    std::u32string kept = platform::text::codePoints(platform::text::folded(stem));
    std::erase_if(kept, [](char32_t c) { return !platform::text::isAlphanumeric(c); });
    return platform::text::fromCodePoints(kept);
}

KindScores filenameScores(std::string_view stem) {
    const std::string normalized = normalizedStem(stem);
    KindScores scores;
    for (const FilenameHint& hint : filenameHints()) {
        const bool hit = std::any_of(hint.tokens.begin(), hint.tokens.end(), [&](const std::string& token) {
            return normalized.find(token) != std::string::npos;
        });
        if (hit) scores[hint.kind] = 1.0;
    }
    return scores;
}

}  // namespace ordane::EvidenceScorer
