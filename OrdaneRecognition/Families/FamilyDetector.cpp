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
    if (!a.modified() || !b.modified()) return 0;
    const double days = std::fabs(a.modified()->secondsSince(*b.modified())) / secondsPerDay;
    return std::exp(-days / ageScaleDays);
}

std::set<std::string> nameBigrams(const FileRecord& record) {
    const std::string letters = foldedForMatching(platform::path::stem(record.path()));
    return letters.empty() ? std::set<std::string>{} : FamilyDetector::bigrams(letters);
}

// What the pair scores read of one member, worked out once per member instead of once per pair.
struct Prepared {
    const FamilyDetector::Member* member = nullptr;
    float squares = 0;  // of the weighted vector
    float norm = 0;
    std::vector<int64_t> years;
    std::vector<int64_t> months;
    std::set<std::string> bigrams;  // empty when the name has no letters

    explicit Prepared(const FamilyDetector::Member& m)
        : member(&m),
          squares(SparseVector::sumOfSquares(m.weighted)),
          norm(std::sqrt(squares)),
          years(distinctSorted(m.fingerprint.entities.yearMentions)),
          months(distinctSorted(m.fingerprint.entities.monthYearMentions)),
          bigrams(nameBigrams(m.record)) {}
};

// SparseVector::cosine to the bit, with the norms already known.
double cosine(const Prepared& a, const Prepared& b) {
    if (!(a.squares > 0.0f) || !(b.squares > 0.0f)) return 0.0;
    return static_cast<double>(SparseVector::dot(a.member->weighted, b.member->weighted) / (a.norm * b.norm));
}

double entities(const Prepared& a, const Prepared& b) {
    const EntitySignature& x = a.member->fingerprint.entities;
    const EntitySignature& y = b.member->fingerprint.entities;
    const double sum = jaccard(a.years, b.years) + ratio(x.emailCount, y.emailCount) +
                       ratio(x.phoneCount, y.phoneCount) + ratio(x.organizationCount, y.organizationCount) +
                       (x.ownerNameNearTop == y.ownerNameNearTop ? 1.0 : 0.0);
    return sum / 5;
}

double names(const Prepared& a, const Prepared& b) {
    return a.bigrams.empty() || b.bigrams.empty() ? 0.0 : jaccard(a.bigrams, b.bigrams);
}

double scoreWithCosine(const Prepared& a, const Prepared& b, double cosine) {
    return 0.5 * cosine + 0.2 * entities(a, b) +
           0.15 * FamilyDetector::structuralSimilarity(a.member->fingerprint.structural, b.member->fingerprint.structural) +
           0.1 * names(a, b) + 0.05 * ageCloseness(a.member->record, b.member->record);
}

bool differentKnownKinds(const FamilyDetector::Member& a, const FamilyDetector::Member& b) {
    if (!a.insight || !b.insight) return false;
    if (a.insight->kind == DocKind::unknown || b.insight->kind == DocKind::unknown) return false;
    return a.insight->kind != b.insight->kind;
}

// Periods of two members differ when both name months, the sets differ and overlap at most half.
bool differentPeriods(const Prepared& a, const Prepared& b) {
    if (a.months.empty() || b.months.empty() || a.months == b.months) return false;
    return jaccard(a.months, b.months) <= FamilyDetector::samePeriodOverlap;
}

std::vector<Prepared> prepare(const std::vector<FamilyDetector::Member>& members) {
    std::vector<Prepared> result;
    result.reserve(members.size());
    for (const auto& member : members) result.emplace_back(member);
    return result;
}

std::optional<FamilyDetector::Family> validate(const std::vector<int64_t>& positions, const std::vector<Prepared>& prepared) {
    if (positions.size() < 2) return std::nullopt;
    double sum = 0;
    size_t pairs = 0;
    size_t differentPeriodPairs = 0;
    for (size_t x = 0; x < positions.size(); ++x) {
        for (size_t y = x + 1; y < positions.size(); ++y) {
            const Prepared& a = prepared.at(static_cast<size_t>(positions[x]));
            const Prepared& b = prepared.at(static_cast<size_t>(positions[y]));
            sum += scoreWithCosine(a, b, cosine(a, b));
            ++pairs;
            if (differentPeriods(a, b)) ++differentPeriodPairs;
        }
    }
    const double mean = sum / static_cast<double>(std::max<size_t>(pairs, 1));
    const double needed = positions.size() == 2 ? FamilyDetector::minPairFamilyScore : FamilyDetector::minPairScore;
    if (mean < needed) return std::nullopt;
    FamilyDetector::Family family{positions, 2 * differentPeriodPairs >= pairs};
    std::sort(family.indices.begin(), family.indices.end());
    return family;
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

    const std::vector<Prepared> prepared = prepare(members);
    UnionFind groups(members.size());
    for (const Pair& pair : candidates) {
        const Prepared& a = prepared[static_cast<size_t>(pair.first)];
        const Prepared& b = prepared[static_cast<size_t>(pair.second)];
        if (differentKnownKinds(*a.member, *b.member)) continue;
        const double similarity = cosine(a, b);
        if (similarity < minCosine) continue;
        if (scoreWithCosine(a, b, similarity) >= minPairScore) groups.join(pair.first, pair.second);
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
        if (auto family = validate(byRoot[root], prepared)) result.push_back(std::move(*family));
    }
    return result;
}

std::optional<FamilyDetector::Family> FamilyDetector::validateFamily(const std::vector<int64_t>& positions,
                                                                     const std::vector<Member>& members) const {
    return validate(positions, prepare(members));
}

double FamilyDetector::pairScore(const Member& a, const Member& b) {
    const Prepared x(a), y(b);
    return scoreWithCosine(x, y, cosine(x, y));
}

double FamilyDetector::entitySimilarity(const EntitySignature& a, const EntitySignature& b) {
    Member x, y;
    x.fingerprint.entities = a;
    y.fingerprint.entities = b;
    return entities(Prepared(x), Prepared(y));
}

double FamilyDetector::structuralSimilarity(const StructuralFeatures& a, const StructuralFeatures& b) {
    const double sum = ratio(a.headingCount, b.headingCount) + ratio(a.dateRangeCount, b.dateRangeCount) +
                       ratio(a.currencyCount, b.currencyCount) + ratio(a.lineCount, b.lineCount);
    return sum * 0.25;
}

double FamilyDetector::filenameSimilarity(const FileRecord& a, const FileRecord& b) {
    const std::set<std::string> first = nameBigrams(a), second = nameBigrams(b);
    return first.empty() || second.empty() ? 0.0 : jaccard(first, second);
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
