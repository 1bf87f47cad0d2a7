#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "OrdaneCore/Fingerprint/EntitySignature.hpp"
#include "OrdaneCore/Fingerprint/Fingerprint.hpp"
#include "OrdaneCore/Model/ContentInsight.hpp"
#include "OrdaneCore/Scan/FileRecord.hpp"
#include "OrdaneCore/Vectors/SparseVector.hpp"

namespace ordane {

// Finds families among the documents one recognition run has read: versions of one document, or a
// recurring series (monthly statements, yearly forms). Pure and synchronous.
//
// Only members whose simhashes agree on a whole byte at the same position are ever compared, so
// the work stays near-linear in the number of documents.
struct FamilyDetector {
    struct Member {
        FileRecord record;
        Fingerprint fingerprint;
        SparseVector weighted;  // empty when the run has no vector for the document
        std::optional<ContentInsight> insight;
    };

    struct Pair {
        int64_t first = 0;  // first < second
        int64_t second = 0;
        bool operator==(const Pair&) const = default;
    };

    struct Family {
        std::vector<int64_t> indices;  // ascending, at least two
        bool isRecurringSeries = false;
        bool operator==(const Family&) const = default;
    };

    static constexpr size_t maxBucketSize = 200;  // a band value shared by more members gives no pairs
    static constexpr double minCosine = 0.55;
    static constexpr double minPairScore = 0.6;
    static constexpr double minPairFamilyScore = 0.65;  // mean score a family of exactly two needs
    static constexpr double samePeriodOverlap = 0.5;    // month overlap above it: the same period

    // The families in no particular order, each with ascending indices.
    std::vector<Family> detect(const std::vector<Member>& members) const;
    // The family the positions form, when their pairs are alike enough on average.
    std::optional<Family> validateFamily(const std::vector<int64_t>& positions, const std::vector<Member>& members) const;

    // 0.5 cosine + 0.2 entities + 0.15 structure + 0.1 file name + 0.05 closeness in time.
    static double pairScore(const Member& a, const Member& b);
    static double entitySimilarity(const EntitySignature& a, const EntitySignature& b);
    static double structuralSimilarity(const StructuralFeatures& a, const StructuralFeatures& b);
    // Jaccard of the character bigrams of the two names' letters, extensions left out.
    static double filenameSimilarity(const FileRecord& a, const FileRecord& b);
    static std::set<std::string> bigrams(std::string_view text);
};

}  // namespace ordane

template <>
struct std::hash<ordane::FamilyDetector::Pair> {
    size_t operator()(const ordane::FamilyDetector::Pair& pair) const noexcept {
        return std::hash<int64_t>{}(pair.first) * 1'000'003u ^ std::hash<int64_t>{}(pair.second);
    }
};
