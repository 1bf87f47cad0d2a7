#include "OrdaneRecognition/Families/FamilyDetector.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "OrdaneCore/Identity/TextNormalizers.hpp"
#include "OrdanePlatform/Path/Path.hpp"
#include "OrdanePlatform/Text/Text.hpp"

namespace ordane {

namespace {

constexpr double secondsPerDay = 86'400;
constexpr double ageScaleDays = 180;

double ratio(int64_t x, int64_t y) {
    const double low = static_cast<double>(std::min(x, y));
    const double high = static_cast<double>(std::max(x, y));
    return high < 1 ? 1.0 : low / high;
}

template <class Container>
double jaccard(const Container& a, const Container& b) {
    std::vector<typename Container::value_type> shared;
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(shared));
    const size_t unionSize = a.size() + b.size() - shared.size();
    return unionSize == 0 ? 1.0 : static_cast<double>(shared.size()) / static_cast<double>(unionSize);
}

// Sorted and distinct, whatever a stored fingerprint held.
std::vector<int64_t> distinctSorted(std::vector<int64_t> values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

double ageCloseness(const FileRecord& a, const FileRecord& b) {
    if (!a.modified || !b.modified) return 0;
    const double days = std::fabs(a.modified->secondsSince(*b.modified)) / secondsPerDay;
    return std::exp(-days / ageScaleDays);
}

double scoreWithCosine(const FamilyDetector::Member& a, const FamilyDetector::Member& b, double cosine) {
    return 0.5 * cosine + 0.2 * FamilyDetector::entitySimilarity(a.fingerprint.entities, b.fingerprint.entities) +
           0.15 * FamilyDetector::structuralSimilarity(a.fingerprint.structural, b.fingerprint.structural) +
           0.1 * FamilyDetector::filenameSimilarity(a.record, b.record) + 0.05 * ageCloseness(a.record, b.record);
}

bool differentKnownKinds(const FamilyDetector::Member& a, const FamilyDetector::Member& b) {
    if (!a.insight || !b.insight) return false;
    if (a.insight->kind == DocKind::unknown || b.insight->kind == DocKind::unknown) return false;
    return a.insight->kind != b.insight->kind;
}

// Periods of two members differ when both name months, the sets differ and overlap at most half.
bool differentPeriods(const EntitySignature& a, const EntitySignature& b) {
    auto first = distinctSorted(a.monthYearMentions);
    auto second = distinctSorted(b.monthYearMentions);
    if (first.empty() || second.empty() || first == second) return false;
    return jaccard(first, second) <= FamilyDetector::samePeriodOverlap;
}

struct UnionFind {
    std::vector<int64_t> parent;

    explicit UnionFind(size_t count) : parent(count) {
        for (size_t i = 0; i < count; ++i) parent[i] = static_cast<int64_t>(i);
    }
    int64_t root(int64_t position) {
        int64_t top = position;
        while (parent[top] != top) top = parent[top];
        while (parent[position] != top) position = std::exchange(parent[position], top);
        return top;
    }
    void join(int64_t first, int64_t second) {
        int64_t a = root(first);
        int64_t b = root(second);
        if (a != b) parent[a] = b;
    }
};

}  // namespace

std::vector<FamilyDetector::Family> FamilyDetector::detect(const std::vector<Member>& members) const {
    if (members.size() < 2) return {};

    std::unordered_map<uint16_t, std::vector<int64_t>> buckets;
    for (size_t i = 0; i < members.size(); ++i) {
        const uint64_t simHash = members[i].fingerprint.simHash;
        for (unsigned band = 0; band < 8; ++band) {
            const auto key = static_cast<uint16_t>(band * 256 + ((simHash >> (8 * band)) & 0xFF));
            buckets[key].push_back(static_cast<int64_t>(i));
        }
    }

    std::unordered_set<Pair> candidates;
    for (const auto& [key, positions] : buckets) {
        if (positions.size() < 2 || positions.size() > maxBucketSize) continue;
        for (size_t x = 0; x < positions.size(); ++x) {
            for (size_t y = x + 1; y < positions.size(); ++y) candidates.insert(Pair{positions[x], positions[y]});
        }
    }

    UnionFind groups(members.size());
    for (const Pair& pair : candidates) {
        const Member& a = members[static_cast<size_t>(pair.first)];
        const Member& b = members[static_cast<size_t>(pair.second)];
        if (differentKnownKinds(a, b)) continue;
        const double cosine = SparseVector::cosine(a.weighted, b.weighted);
        if (cosine < minCosine) continue;
        if (scoreWithCosine(a, b, cosine) >= minPairScore) groups.join(pair.first, pair.second);
    }

    // Groups in the order of their first member, so the result repeats from run to run.
    std::map<int64_t, std::vector<int64_t>> byRoot;
    std::vector<int64_t> rootOrder;
    for (size_t i = 0; i < members.size(); ++i) {
        const int64_t root = groups.root(static_cast<int64_t>(i));
        auto [it, inserted] = byRoot.try_emplace(root);
        if (inserted) rootOrder.push_back(root);
        it->second.push_back(static_cast<int64_t>(i));
    }
    std::vector<Family> result;
    for (int64_t root : rootOrder) {
        if (auto family = validateFamily(byRoot[root], members)) result.push_back(std::move(*family));
    }
    return result;
}

std::optional<FamilyDetector::Family> FamilyDetector::validateFamily(const std::vector<int64_t>& positions,
                                                                     const std::vector<Member>& members) const {
    if (positions.size() < 2) return std::nullopt;
    double sum = 0;
    size_t pairs = 0;
    size_t differentPeriodPairs = 0;
    for (size_t x = 0; x < positions.size(); ++x) {
        for (size_t y = x + 1; y < positions.size(); ++y) {
            const Member& a = members.at(static_cast<size_t>(positions[x]));
            const Member& b = members.at(static_cast<size_t>(positions[y]));
            sum += pairScore(a, b);
            ++pairs;
            if (differentPeriods(a.fingerprint.entities, b.fingerprint.entities)) ++differentPeriodPairs;
        }
    }
    const double mean = sum / static_cast<double>(std::max<size_t>(pairs, 1));
    const double needed = positions.size() == 2 ? minPairFamilyScore : minPairScore;
    if (mean < needed) return std::nullopt;
    Family family{positions, 2 * differentPeriodPairs >= pairs};
    std::sort(family.indices.begin(), family.indices.end());
    return family;
}

double FamilyDetector::pairScore(const Member& a, const Member& b) {
    return scoreWithCosine(a, b, SparseVector::cosine(a.weighted, b.weighted));
}

double FamilyDetector::entitySimilarity(const EntitySignature& a, const EntitySignature& b) {
    const double sum = jaccard(distinctSorted(a.yearMentions), distinctSorted(b.yearMentions)) +
                       ratio(a.emailCount, b.emailCount) + ratio(a.phoneCount, b.phoneCount) +
                       ratio(a.organizationCount, b.organizationCount) +
                       (a.ownerNameNearTop == b.ownerNameNearTop ? 1.0 : 0.0);
    return sum / 5;
}

double FamilyDetector::structuralSimilarity(const StructuralFeatures& a, const StructuralFeatures& b) {
    const double sum = ratio(a.headingCount, b.headingCount) + ratio(a.dateRangeCount, b.dateRangeCount) +
                       ratio(a.currencyCount, b.currencyCount) + ratio(a.lineCount, b.lineCount);
    return sum * 0.25;
}

double FamilyDetector::filenameSimilarity(const FileRecord& a, const FileRecord& b) {
    const std::string first = foldedForMatching(platform::path::stem(a.url.path()));
    const std::string second = foldedForMatching(platform::path::stem(b.url.path()));
    if (first.empty() || second.empty()) return 0;
    return jaccard(bigrams(first), bigrams(second));
}

std::set<std::string> FamilyDetector::bigrams(std::string_view text) {
    std::vector<std::string> characters;
    for (std::string rest = platform::text::validUTF8(text); !rest.empty();) {
        std::string character = platform::text::prefix(rest, 1);
        if (character.empty()) break;
        rest.erase(0, character.size());
        characters.push_back(std::move(character));
    }
    std::set<std::string> result;
    if (characters.size() == 1) result.insert(characters[0]);
    for (size_t i = 0; i + 1 < characters.size(); ++i) result.insert(characters[i] + characters[i + 1]);
    return result;
}

}  // namespace ordane
