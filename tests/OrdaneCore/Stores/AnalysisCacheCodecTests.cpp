#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <map>

#include "OrdaneCore/Stores/AnalysisCache.hpp"
#include "Support/SeededRandom.hpp"

using namespace ordane;
using Random = ordane::testing::SeededRandom;
using Entry = AnalysisCache::Entry;

namespace {

double anyDouble(Random& random) {
    switch (random.below(4)) {
        case 0: return static_cast<double>(random.next() % 2'000'000'000) / 3.0 - 1e8;
        case 1: return std::numeric_limits<double>::denorm_min() * static_cast<double>(random.below(5));
        default: {
            double value = std::bit_cast<double>(random.next());
            return std::isfinite(value) ? value : -0.0;
        }
    }
}

float anyFloat(Random& random) {
    switch (random.below(6)) {
        case 0: return std::numeric_limits<float>::max();
        case 1: return -std::numeric_limits<float>::max();
        case 2: return std::numeric_limits<float>::denorm_min();
        case 3: {
            float value = std::bit_cast<float>(static_cast<uint32_t>(random.next()));
            return std::isfinite(value) ? value : 0.5f;
        }
        default: return static_cast<float>(random.below(1'000'000)) / 997.0f;
    }
}

int64_t anyInteger(Random& random) {
    switch (random.below(3)) {
        case 0: return std::numeric_limits<int64_t>::max() - static_cast<int64_t>(random.below(2));
        case 1: return std::numeric_limits<int64_t>::min() + static_cast<int64_t>(random.below(2));
        default: return static_cast<int64_t>(random.below(100'000));
    }
}

std::string anyText(Random& random) {
    static const std::vector<std::string> pieces = {"a", "Tax", " ", "\"", "\\", "/", "\n", "\t", "\x01", "\x1f",
                                                    "\x7f", "caf\xc3\xa9", "\xf0\x9f\x98\x80", "\xe2\x86\x92", "|"};
    std::string text;
    for (size_t k = random.below(8); k > 0; --k) text += random.pick(pieces);
    return text;
}

std::string anyHash(Random& random) {
    std::string hash;
    for (int k = 0; k < 64; ++k) hash += "0123456789abcdef"[random.below(16)];
    return hash;
}

Entry anyEntry(Random& random) {
    Entry entry;
    entry.size = anyInteger(random);
    entry.mtime = Date{anyDouble(random)};
    entry.schemaVersion = random.percent(80) ? 3 : anyInteger(random);
    entry.detectorVersion = random.percent(80) ? 1 : anyInteger(random);
    entry.lastSeen = Date{anyDouble(random)};
    if (random.percent(70)) {
        Fingerprint fingerprint;
        uint16_t index = 0;
        for (size_t k = random.below(40); k > 0 && index < SparseVector::dimension; --k) {
            index = static_cast<uint16_t>(index + 1 + random.below(200));
            if (index >= SparseVector::dimension) break;
            fingerprint.termFrequency.indices.push_back(index);
            fingerprint.termFrequency.values.push_back(anyFloat(random));
        }
        StructuralFeatures& structural = fingerprint.structural;
        for (int64_t* count : {&structural.pageCount, &structural.characterCount, &structural.lineCount,
                               &structural.headingCount, &structural.numberedStepCount, &structural.dateCount,
                               &structural.dateRangeCount, &structural.currencyCount, &structural.currencyLineCount,
                               &structural.unitOfMeasureCount, &structural.temperatureCount,
                               &structural.tocDotLeaderCount}) {
            *count = anyInteger(random);
        }
        structural.topRegionDensity = anyDouble(random);
        structural.hasMaskedAccountNumber = random.percent(50);
        structural.contactInfoNearTop = random.percent(50);
        EntitySignature& entities = fingerprint.entities;
        for (int64_t* count : {&entities.personCount, &entities.organizationCount, &entities.emailCount,
                               &entities.phoneCount, &entities.addressCount, &entities.airportCodePairCount,
                               &entities.documentIDCount, &entities.percentageCount}) {
            *count = anyInteger(random);
        }
        entities.personNearTop = random.percent(50);
        entities.ownerNameNearTop = random.percent(50);
        for (size_t k = random.below(4); k > 0; --k) entities.yearMentions.push_back(anyInteger(random));
        for (size_t k = random.below(3); k > 0; --k) entities.monthYearMentions.push_back(anyInteger(random));
        fingerprint.simHash = random.next();
        entry.fingerprint = fingerprint;
    }
    if (random.percent(70)) entry.sampleText = anyText(random);
    if (random.percent(50)) entry.sampleSource = SampleSource::ocr;
    if (random.percent(60)) {
        ContentInsight insight;
        insight.url = URL::fileURL("/home/u/" + anyText(random));
        insight.kind = DocKind::invoiceReceipt;
        insight.tier = ConfidenceTier::tentative;
        if (random.percent(50)) insight.title = anyText(random);
        if (random.percent(50)) insight.subjectName = anyText(random);
        if (random.percent(50)) insight.groupKey = "family|" + anyText(random);
        if (random.percent(50)) insight.suggestedName = anyText(random);
        if (random.percent(30)) insight.suggestedFolder = URL::fileURL("/home/u/Documents", true);
        const std::vector<EvidenceClaim> claims = {
            EvidenceClaim::lexical(anyDouble(random)),
            EvidenceClaim::filingHistory(anyInteger(random), anyText(random)),
            EvidenceClaim::ruleAnchor(DocKind::resume, anyText(random)),
            EvidenceClaim::ruleSignals(DocKind::invoiceReceipt, {anyText(random), anyText(random)}),
            EvidenceClaim::structural({}),
            EvidenceClaim::entityShape({anyText(random)}),
            EvidenceClaim::filename(anyText(random)),
            EvidenceClaim::metadata(anyText(random)),
            EvidenceClaim::folderSimilarity(anyText(random), anyDouble(random)),
            EvidenceClaim::family(anyInteger(random))};
        for (size_t k = random.below(4); k > 0; --k) insight.provenance.push_back(random.pick(claims));
        insight.analyzerID = "rules-v1";
        entry.insight = insight;
    }
    if (random.percent(60)) entry.partialSHA256 = anyHash(random);
    if (random.percent(60)) entry.fullSHA256 = anyHash(random);
    return entry;
}

// The same file format decoded through the tree parser and the shared strict helpers: an
// independent reading to hold the pull reader's against.
Entry treeEntry(const Json& value) {
    auto hash = [](const Json& j) {
        std::string text = json::string(j);
        if (text.size() != 64 || text.find_first_not_of("0123456789abcdef") != std::string::npos) {
            throw DecodingError("hash");
        }
        return text;
    };
    Entry entry;
    entry.size = json::int64(json::field(value, "size"));
    entry.mtime = json::date(json::field(value, "mtime"));
    entry.schemaVersion = json::int64(json::field(value, "schemaVersion"));
    entry.detectorVersion = json::int64(json::field(value, "detectorVersion"));
    entry.fingerprint = json::optional<Fingerprint>(value, "fingerprint", Fingerprint::fromJson);
    entry.sampleText = json::optional<std::string>(value, "sampleText", json::string);
    entry.sampleSource = json::optional<SampleSource>(value, "sampleSource", json::enumeration<SampleSource>);
    entry.insight = json::optional<ContentInsight>(value, "insight", ContentInsight::fromJson);
    entry.lastSeen = json::date(json::field(value, "lastSeen"));
    entry.partialSHA256 = json::optional<std::string>(value, "partialSHA256", hash);
    entry.fullSHA256 = json::optional<std::string>(value, "fullSHA256", hash);
    return entry;
}

using Entries = std::map<std::string, Entry>;

std::optional<Entries> viaTree(std::string_view text) {
    try {
        Json file = json::parse(text);
        if (json::int64(json::field(file, "version")) != AnalysisCache::fileVersion) return std::nullopt;
        const Json& entries = json::field(file, "entries");
        json::requireObject(entries);
        Entries result;
        for (auto it = entries.begin(); it != entries.end(); ++it) result[it.key()] = treeEntry(it.value());
        return result;
    } catch (const DecodingError&) {
        return std::nullopt;
    }
}

std::optional<Entries> viaReader(std::string_view text) {
    try {
        Entries result;
        StoreFile::readEntries(text, AnalysisCache::fileVersion, "entries", Entry::read,
                               [&result](std::string key, Entry entry) { result[key] = std::move(entry); });
        return result;
    } catch (const DecodingError&) {
        return std::nullopt;
    }
}

std::string mutate(Random& random, std::string text) {
    static const std::vector<std::string> insertions = {
        "\"", "\\", "{", "}", "[", "]", ",", ":", "0", "9", "-", ".5", "e9", "null", " ", "\xff", "\\u", "\\ud800",
        "1e39", "3.4028236e38", "18446744073709551616", "4096", "1.0", "\"x\"", "{}", "[]", "1e400", "1e-400",
        "true", "false", "\"ruleAnchor\"", "\"file:///x\""};
    size_t changes = 1 + random.below(2);
    for (size_t k = 0; k < changes; ++k) {
        size_t at = random.below(text.size() + 1);
        switch (random.below(4)) {
            case 0: text.erase(at, 1 + random.below(4)); break;
            case 1: text.insert(at, random.pick(insertions)); break;
            case 2:
                if (at < text.size()) text[at] = static_cast<char>(random.next());
                break;
            default:
                // Replace a whole token-ish run: digits, or a run of letters.
                size_t end = at;
                while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '.')) ++end;
                text.replace(at, end - at, random.pick(insertions));
        }
    }
    return text;
}

}  // namespace

TEST(AnalysisCacheCodec, WrittenFilesReadBackIdenticallyAndDamagedOnesAsTheTreeReadingDoes) {
    Random random{0x2545F4914F6CDD1Dull};
    for (int round = 0; round < 800; ++round) {
        Entries entries;
        for (size_t k = 1 + random.below(3); k > 0; --k) entries["/home/u/" + std::to_string(k)] = anyEntry(random);
        std::string text = StoreFile::compactText(AnalysisCache::fileVersion, "entries", entries,
                                                  [](std::string& out, const Entry& entry) { entry.appendJson(out); });
        SCOPED_TRACE(text);
        EXPECT_EQ(viaReader(text), entries);
        EXPECT_EQ(viaTree(text), entries);
        std::string damaged = mutate(random, text);
        SCOPED_TRACE(damaged);
        EXPECT_EQ(viaReader(damaged), viaTree(damaged));
        if (::testing::Test::HasFailure()) break;
    }
}

// Every member of every object in turn renamed away or given a value of another shape: each form
// the tree reading refuses the pull reader refuses too, and what it accepts reads the same.
TEST(AnalysisCacheCodec, EachMemberMissingOrMisshapenIsReadAsTheTreeReadingReadsIt) {
    Random random{0x9E3779B97F4A7C15ull};
    static const std::vector<std::string> values = {"null", "\"x\"", "true", "1", "-1", "1.5", "[]", "[1]", "{}",
                                                    "18446744073709551616", "\"file:///home/u/a\"", "\"resume\"",
                                                    // Evidence lists: one case, two cases, a case twice, none.
                                                    "[{\"family\":{\"memberCount\":2}}]",
                                                    "[{\"lexical\":{\"similarity\":1},\"family\":{\"memberCount\":2}}]",
                                                    "[{\"lexical\":{\"similarity\":1},\"lexical\":{\"similarity\":2}}]",
                                                    "[{}]", "[{\"lexica\":{\"similarity\":1}}]"};
    size_t refused = 0;
    for (int round = 0; round < 6; ++round) {
        Entries entries{{"/home/u/a", anyEntry(random)}};
        const std::string text = StoreFile::compactText(AnalysisCache::fileVersion, "entries", entries,
                                                        [](std::string& out, const Entry& entry) { entry.appendJson(out); });
        for (size_t quote = text.find("\":"); quote != std::string::npos; quote = text.find("\":", quote + 1)) {
            const size_t valueStart = quote + 2;
            const size_t valueEnd = JsonReader::skimEnd(text, valueStart);
            ASSERT_NE(valueEnd, std::string::npos);
            std::vector<std::string> variants{text.substr(0, quote) + "_" + text.substr(quote)};
            for (const std::string& value : values) {
                variants.push_back(text.substr(0, valueStart) + value + text.substr(valueEnd));
            }
            for (const std::string& variant : variants) {
                SCOPED_TRACE(variant);
                const auto tree = viaTree(variant);
                EXPECT_EQ(viaReader(variant), tree);
                if (!tree) ++refused;
            }
            if (::testing::Test::HasFailure()) return;
        }
    }
    EXPECT_GT(refused, 500u);
}
