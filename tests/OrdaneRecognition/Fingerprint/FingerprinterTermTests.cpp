#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "OrdaneCore/Vectors/StableHash.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Fingerprint/Fingerprinter.hpp"

using ordane::Fingerprinter;
using ordane::SparseVector;
namespace StableHash = ordane::StableHash;

namespace {

Fingerprinter::TermCounts countsOf(const std::string& text) {
    return Fingerprinter::termCounts(ordane::platform::text::folded(text));
}

}  // namespace

TEST(FingerprinterTerms, TokenRuleKeepsWordsOfTwoToTwentyFourCharactersWithoutStopWords) {
    const std::string letters24(24, 'k');
    const std::string letters25(25, 'q');
    struct Case {
        std::string text;
        Fingerprinter::TermCounts counts;
    };
    const Case cases[] = {
        {"a I " + letters24 + " " + letters25, {{letters24, 1}}},
        {"2024, 12 and 007", {{"<num>", 3}}},
        {"b2b 12.5 \u0663\u0664", {{"12.5", 1}, {"<num>", 1}, {"b2b", 1}}},
        {"The THE the it's Its", {}},
        {"Caf\u00e9 cafe CAFE\u0301 na\u00efve", {{"cafe", 3}, {"naive", 1}}},
        // A character is a grapheme: two letters with combining marks are two characters.
        {"e\u0301e\u0301", {{"ee", 1}}},
        {"", {}},
        {"zeta alpha mid alpha zeta zeta", {{"alpha", 2}, {"mid", 1}, {"zeta", 3}}},  // sorted by term
    };
    for (const Case& c : cases) EXPECT_EQ(countsOf(c.text), c.counts) << c.text;
}

TEST(FingerprinterTermVector, WeighsOnePlusLogCountAndAddsTermsThatShareABucket) {
    // Two distinct terms in one bucket.
    std::string first = "w0";
    std::string second;
    for (int i = 1; second.empty(); ++i) {
        const std::string candidate = "w" + std::to_string(i);
        if (StableHash::bucket(candidate) == StableHash::bucket(first)) second = candidate;
    }
    Fingerprinter::TermCounts counts{{first, 1}, {second, 1}, {"thrice", 3}};
    std::sort(counts.begin(), counts.end());
    const SparseVector vector = Fingerprinter::termVector(counts);
    ASSERT_EQ(vector.indices.size(), 2u);
    for (size_t i = 0; i < vector.indices.size(); ++i) {
        const bool shared = vector.indices[i] == StableHash::bucket(first);
        EXPECT_FLOAT_EQ(vector.values[i], shared ? 2.0f : 1.0f + std::log(3.0f));
    }
    EXPECT_TRUE(Fingerprinter::termVector({}).isEmpty());
}

TEST(FingerprinterTermVector, KeepsTheHeaviestBucketsAndOnTiesTheLowest) {
    // 1,000 terms in 1,000 distinct buckets; the first 300 seen twice.
    Fingerprinter::TermCounts counts;
    std::set<int> buckets;
    std::set<int> heavy;
    std::vector<int> light;
    for (int i = 0; counts.size() < 1000; ++i) {
        const std::string term = "term" + std::to_string(i);
        if (!buckets.insert(StableHash::bucket(term)).second) continue;
        const bool isHeavy = counts.size() < 300;
        if (isHeavy) {
            heavy.insert(StableHash::bucket(term));
        } else {
            light.push_back(StableHash::bucket(term));
        }
        counts.emplace_back(term, isHeavy ? 2 : 1);
    }
    std::sort(counts.begin(), counts.end());
    std::sort(light.begin(), light.end());
    std::set<int> expected = heavy;
    expected.insert(light.begin(), light.begin() + (768 - 300));

    const SparseVector vector = Fingerprinter::termVector(counts);
    ASSERT_EQ(vector.indices.size(), 768u);
    EXPECT_TRUE(vector.isWellFormed());
    EXPECT_EQ(std::set<int>(vector.indices.begin(), vector.indices.end()), expected);
}

TEST(FingerprinterSimHash, FollowsTheHeavierTermAndZeroSumsGiveZeroBits) {
    EXPECT_EQ(Fingerprinter::simHash({}), 0u);
    EXPECT_EQ(Fingerprinter::simHash({{"invoice", 1}}), StableHash::fnv1a64("invoice"));
    EXPECT_EQ(Fingerprinter::simHash({{"invoice", 5}}), StableHash::fnv1a64("invoice"));
    // Where the two hashes differ, the heavier term wins; equal weights cancel to a 0 bit.
    EXPECT_EQ(Fingerprinter::simHash({{"invoice", 3}, {"receipt", 1}}), StableHash::fnv1a64("invoice"));
    EXPECT_EQ(Fingerprinter::simHash({{"invoice", 2}, {"receipt", 2}}),
              StableHash::fnv1a64("invoice") & StableHash::fnv1a64("receipt"));
}
