#include "OrdaneRecognition/Fingerprint/Fingerprinter.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "OrdaneCore/Vectors/StableHash.hpp"
#include "OrdanePlatform/Language/IcuWordTokenizer.hpp"
#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Fingerprint/FingerprintSteps.hpp"

namespace ordane {

namespace text = platform::text;

namespace {

constexpr size_t shortestTerm = 2;
constexpr size_t longestTerm = 24;
constexpr std::string_view numberTerm = "<num>";

const std::unordered_set<std::string_view>& stopWords() {
    static const std::unordered_set<std::string_view> words{
        "the",  "and",   "for",  "you",   "your",  "with", "that", "this", "are",   "was",  "not",  "have",
        "has",  "had",   "but",  "all",   "any",   "can",  "will", "from", "they",  "their", "them", "there",
        "been", "were",  "which", "when", "what",  "into", "more", "other", "some", "such", "than", "then",
        "these", "those", "our", "out",   "over",  "per",  "may",  "each", "also",  "its",  "it's"};
    return words;
}

bool isASCII(std::string_view token) {
    return std::all_of(token.begin(), token.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

size_t tokenLength(std::string_view token) { return isASCII(token) ? token.size() : text::characterCount(token); }

bool isNumeric(std::string_view token) {
    if (isASCII(token)) return std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; });
    const std::u32string codePoints = text::codePoints(token);
    return std::all_of(codePoints.begin(), codePoints.end(), text::isNumber);
}

// The token rule: length in characters, numbers as one term, stop words left out.
void countToken(std::string_view token, std::unordered_map<std::string_view, int64_t>& counts) {
    if (token.size() < shortestTerm) return;  // fewer bytes than characters needed
    const size_t length = tokenLength(token);
    if (length < shortestTerm || length > longestTerm) return;
    const std::string_view term = isNumeric(token) ? numberTerm : token;
    if (stopWords().contains(term)) return;
    ++counts[term];
}

}  // namespace

Fingerprinter::TermCounts Fingerprinter::termCounts(std::string_view foldedText) {
    const std::string repaired = text::isValidUTF8(foldedText) ? std::string() : text::validUTF8(foldedText);
    const std::string_view folded = repaired.empty() ? foldedText : std::string_view(repaired);
    std::unordered_map<std::string_view, int64_t> counts;
    platform::IcuWordTokenizer::shared().enumerateTokens(folded, [&](size_t begin, size_t end) {
        countToken(folded.substr(begin, end - begin), counts);
        return true;
    });
    TermCounts result(counts.begin(), counts.end());
    std::sort(result.begin(), result.end());
    return result;
}

SparseVector Fingerprinter::termVector(const TermCounts& counts) {
    std::array<float, SparseVector::dimension> weights{};
    std::array<bool, SparseVector::dimension> used{};
    for (const auto& [term, count] : counts) {
        const int bucket = StableHash::bucket(term);
        weights[bucket] += 1.0f + std::log(static_cast<float>(count));
        used[bucket] = true;
    }
    std::vector<std::pair<uint16_t, float>> entries;
    for (int bucket = 0; bucket < SparseVector::dimension; ++bucket) {
        if (used[bucket]) entries.emplace_back(static_cast<uint16_t>(bucket), weights[bucket]);
    }
    if (entries.size() > static_cast<size_t>(SparseVector::maxTerms)) {
        std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
        entries.resize(SparseVector::maxTerms);
        std::sort(entries.begin(), entries.end());
    }
    std::vector<uint16_t> indices;
    std::vector<float> values;
    indices.reserve(entries.size());
    values.reserve(entries.size());
    for (const auto& [bucket, weight] : entries) {
        indices.push_back(bucket);
        values.push_back(weight);
    }
    return SparseVector::checkedPair(std::move(indices), std::move(values));
}

uint64_t Fingerprinter::simHash(const TermCounts& counts) {
    std::array<double, 64> accumulators{};
    for (const auto& [term, count] : counts) {
        const double weight = std::log(static_cast<double>(count)) + 1.0;
        const uint64_t hash = StableHash::fnv1a64(term);
        for (int bit = 0; bit < 64; ++bit) {
            accumulators[bit] += ((hash >> bit) & 1) != 0 ? weight : -weight;
        }
    }
    uint64_t result = 0;
    for (int bit = 0; bit < 64; ++bit) {
        if (accumulators[bit] > 0) result |= uint64_t{1} << bit;
    }
    return result;
}

Fingerprint Fingerprinter::fingerprint(const ContentSample& sample) const {
    const std::string repaired = text::isValidUTF8(sample.text) ? std::string() : text::validUTF8(sample.text);
    const std::string_view sampleText = repaired.empty() ? std::string_view(sample.text) : repaired;

    const TermCounts counts = termCounts(text::folded(sampleText));
    const std::vector<std::string> lines = trimmedLines(sampleText, sample.lines);
    const std::vector<platform::DataMatch> dates = fingerprint_steps::dateMatches(sampleText);

    Fingerprint result;
    result.termFrequency = termVector(counts);
    result.simHash = simHash(counts);
    result.structural = fingerprint_steps::structuralFeatures(sampleText, sample.pageCount, lines, dates);
    result.entities = fingerprint_steps::entitySignature(sampleText, owner, dates);
    return result;
}

}  // namespace ordane
