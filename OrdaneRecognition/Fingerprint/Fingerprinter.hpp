#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "OrdaneCore/Fingerprint/EntitySignature.hpp"
#include "OrdaneCore/Fingerprint/Fingerprint.hpp"
#include "OrdaneCore/Fingerprint/StructuralFeatures.hpp"
#include "OrdaneCore/Identity/OwnerIdentity.hpp"
#include "OrdaneCore/Model/ContentSample.hpp"
#include "OrdaneCore/Model/TextLine.hpp"
#include "OrdaneCore/Vectors/SparseVector.hpp"

namespace ordane {

// Turns a document's text sample into its fingerprint: a hashed term vector, a simhash for
// near-duplicate text, layout counts and counts of named things.
//
// Holds no mutable state; one fingerprinter may be used from many threads at once. Text that is
// not valid UTF-8 is repaired (U+FFFD) before anything reads it.
struct Fingerprinter {
    // Terms with their counts, ascending by term so that sums are the same on every run.
    using TermCounts = std::vector<std::pair<std::string, int64_t>>;

    OwnerIdentity owner;  // whose name counts as the owner's near the top

    // Never fails: an empty text gives an empty vector, a simhash of 0 and zero counts.
    Fingerprint fingerprint(const ContentSample& sample) const;

    // The word counts of a folded text: tokens of 2 to 24 characters, all-numeric tokens as
    // "<num>", the stop words left out.
    static TermCounts termCounts(std::string_view foldedText);
    // One bucket per term (weights 1 + ln count summed per bucket), the 768 heaviest kept.
    static SparseVector termVector(const TermCounts& counts);
    static uint64_t simHash(const TermCounts& counts);

    // The sample's recognised lines when it has them, otherwise its text split at line feeds
    // (a CR LF also ends a line) and trimmed of spaces and tabs. An empty text has no lines.
    static std::vector<std::string> trimmedLines(std::string_view text, const std::vector<TextLine>& lines);
    static bool isHeading(std::string_view line);
    // A phone number, an e-mail link or an at sign anywhere in the text.
    static bool hasContactInfo(std::string_view text);
    static StructuralFeatures structuralFeatures(std::string_view text, std::optional<int64_t> pageCount,
                                                 const std::vector<std::string>& lines);
    // All-capitals lines title-cased ("ANN LEE" gives "Ann Lee"), so the name tagger reads them.
    static std::string nameTaggerText(std::string_view text);
    // Distinct year * 100 + month of the dates in 1990...2100, ascending; the scan stops at 24.
    static std::vector<int64_t> monthYearMentions(std::string_view text);
    static EntitySignature entitySignature(std::string_view text, const OwnerIdentity& owner);
};

}  // namespace ordane
