#pragma once

#include <string_view>

#include "OrdaneCore/Foundation/EnumCases.hpp"

namespace ordane {

// The kind of document recognition believes a file to be.
enum class DocKind {
    resume,
    taxDocument,
    bankStatement,
    invoiceReceipt,
    medical,
    legalContract,
    letter,
    recipe,
    manualGuide,
    ticketItinerary,
    idCertificate,
    unknown,
};

template <>
struct EnumCases<DocKind> {
    static constexpr std::array<std::pair<DocKind, std::string_view>, 12> cases{{
        {DocKind::resume, "resume"},
        {DocKind::taxDocument, "taxDocument"},
        {DocKind::bankStatement, "bankStatement"},
        {DocKind::invoiceReceipt, "invoiceReceipt"},
        {DocKind::medical, "medical"},
        {DocKind::legalContract, "legalContract"},
        {DocKind::letter, "letter"},
        {DocKind::recipe, "recipe"},
        {DocKind::manualGuide, "manualGuide"},
        {DocKind::ticketItinerary, "ticketItinerary"},
        {DocKind::idCertificate, "idCertificate"},
        {DocKind::unknown, "unknown"},
    }};
};

// A lower-case noun that follows an article inside a sentence.
constexpr std::string_view displayNoun(DocKind kind) {
    switch (kind) {
        case DocKind::resume: return "resume";
        case DocKind::taxDocument: return "tax document";
        case DocKind::bankStatement: return "bank or account statement";
        case DocKind::invoiceReceipt: return "invoice or receipt";
        case DocKind::medical: return "medical document";
        case DocKind::legalContract: return "legal document";
        case DocKind::letter: return "letter";
        case DocKind::recipe: return "recipe";
        case DocKind::manualGuide: return "manual or guide";
        case DocKind::ticketItinerary: return "ticket or itinerary";
        case DocKind::idCertificate: return "certificate or ID";
        case DocKind::unknown: return "document";
    }
    return "document";
}

constexpr bool isSensitive(DocKind kind) {
    switch (kind) {
        case DocKind::taxDocument:
        case DocKind::bankStatement:
        case DocKind::medical:
        case DocKind::legalContract:
        case DocKind::idCertificate:
            return true;
        default:
            return false;
    }
}

}  // namespace ordane
