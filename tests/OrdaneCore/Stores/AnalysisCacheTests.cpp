#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <thread>
#include <tuple>
#include <utility>

#include "OrdaneCore/Stores/AnalysisCache.hpp"
#include "Support/FaultInjectingFileSystem.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using ordane::testing::FaultInjectingFileSystem;
using ordane::testing::TempDir;

using Operation = ordane::testing::FaultInjectingFileSystem::Operation;
namespace {

constexpr double day = 86400;
const Date modified{7.0e8};
const std::string hashA(64, 'a');
const std::string hashB = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

FileRecord record(const std::string& path, int64_t size, std::optional<Date> date) {
    FileRecord result;
    result.setID(UUID::random());
    result.setURL(URL::fileURL(path));
    result.setSize(size);
    result.setModified(date);
    return result;
}

AnalysisCache::Entry bareEntry(int64_t size = 100, Date mtime = modified, Date lastSeen = Date::now()) {
    AnalysisCache::Entry entry;
    entry.size = size;
    entry.mtime = mtime;
    entry.lastSeen = lastSeen;
    return entry;
}

AnalysisCache::Entry fullEntry(const std::string& path) {
    AnalysisCache::Entry entry = bareEntry();
    StructuralFeatures structural;
    structural.pageCount = 2;
    structural.topRegionDensity = 0.25;
    EntitySignature entities;
    entities.yearMentions = {2021, 2023};
    entry.fingerprint = Fingerprint{SparseVector::checkedPair({3, 70, 4095}, {1.0f, 1.6931472f, 2.0986123f}), structural,
                                    entities, 0xFFFFFFFFFFFFFFFFull};
    entry.sampleText = "Form 1040 \"Individual\" Income Tax Return\n2023 — caf\u00e9";
    entry.sampleSource = SampleSource::pdfText;
    entry.insight = ContentInsight{URL::fileURL(path),
                                   DocKind::taxDocument,
                                   ConfidenceTier::confident,
                                   "2023 tax return",
                                   std::nullopt,
                                   "series|1f",
                                   std::nullopt,
                                   URL::fileURL("/home/u/Documents/Taxes", true),
                                   {EvidenceClaim::ruleAnchor(DocKind::taxDocument, "Form 1040"),
                                    EvidenceClaim::lexical(0.42), EvidenceClaim::family(3)},
                                   "rules-v1"};
    entry.partialSHA256 = hashA;
    entry.fullSHA256 = hashB;
    return entry;
}

struct AnalysisCacheTest : ::testing::Test {
    TempDir dir;
    std::string folder = dir / ".cache/Ordane";
    std::string path = folder + "/analysis-cache.json";
    std::shared_ptr<FaultInjectingFileSystem> fileSystem = std::make_shared<FaultInjectingFileSystem>();

    std::unique_ptr<AnalysisCache> make() { return std::make_unique<AnalysisCache>(URL::fileURL(path), fileSystem); }
    int writes() const { return fileSystem->calls(Operation::writeFileAtomically); }
};

}  // namespace

TEST_F(AnalysisCacheTest, AnEntryHoldsWhileSizeAndDateMatchWithinOneSecond) {
    auto cache = make();
    cache->store(bareEntry(100, modified), URL::fileURL("/home/u/a.pdf"));
    const std::vector<std::pair<FileRecord, bool>> cases{
        {record("/home/u/a.pdf", 100, modified.adding(-1.0)), true},
        {record("/home/u/a.pdf", 100, modified.adding(1.1)), false},
        {record("/home/u/a.pdf", 101, modified), false},
        {record("/home/u/./a.pdf", 100, modified), false},  // the key is the path as found
        {record("/home/u/a.pdf", 100, std::nullopt), false}};
    for (const auto& [item, hit] : cases) EXPECT_EQ(cache->cachedEntry(item).has_value(), hit) << item.path();

    auto other = bareEntry(100, modified);
    other.schemaVersion = 2;
    cache->store(other, URL::fileURL("/home/u/old.pdf"));
    EXPECT_FALSE(cache->cachedEntry(record("/home/u/old.pdf", 100, modified)));
}

TEST_F(AnalysisCacheTest, AHitRefreshesLastSeenAndAMissWritesNothing) {
    Date longAgo = Date::now().adding(-30 * day);
    {
        auto cache = make();
        cache->store(bareEntry(100, modified, longAgo), URL::fileURL("/home/u/a.pdf"));
        cache->saveIfDirty();
        EXPECT_EQ(writes(), 1);
        cache->saveIfDirty();
        EXPECT_EQ(writes(), 1);
    }
    {
        auto cache = make();
        EXPECT_FALSE(cache->cachedEntry(record("/home/u/a.pdf", 5, modified)));
        cache->saveIfDirty();
        EXPECT_EQ(writes(), 1);
        ASSERT_TRUE(cache->cachedEntry(record("/home/u/a.pdf", 100, modified)));
        cache->saveIfDirty();
        EXPECT_EQ(writes(), 2);
    }
    auto hit = make()->cachedEntry(record("/home/u/a.pdf", 100, modified));
    ASSERT_TRUE(hit);
    EXPECT_GT(hit->lastSeen, Date::now().adding(-60));
}

// The stored form, byte for byte, and read back into the same bytes.
TEST_F(AnalysisCacheTest, TheFileIsWrittenByteForByteAsPinned) {
    const Date later{2.0e9};  // never pruned
    auto full = fullEntry("/home/u/Taxes/2023.pdf");
    full.lastSeen = later;
    auto bare = bareEntry(7, Date{6.5e8 + 0.125}, later);
    bare.detectorVersion = AnalysisCache::hashOnlyDetectorVersion;
    bare.partialSHA256 = hashB;
    const std::vector<std::tuple<std::string, AnalysisCache::Entry, std::string>> cases = {
        {"/home/u/Taxes/2023.pdf", full,
         R"({"version":3,"entries":{"/home/u/Taxes/2023.pdf":{"size":100,"mtime":7e+08,"schemaVersion":3,"detectorVersion":1,"fingerprint":{"termFrequency":{"indices":[3,70,4095],"values":[1.0,1.6931472,2.0986123]},"structural":{"characterCount":0,"contactInfoNearTop":false,"currencyCount":0,"currencyLineCount":0,"dateCount":0,"dateRangeCount":0,"hasMaskedAccountNumber":false,"headingCount":0,"lineCount":0,"numberedStepCount":0,"pageCount":2,"temperatureCount":0,"tocDotLeaderCount":0,"topRegionDensity":0.25,"unitOfMeasureCount":0},"entities":{"addressCount":0,"airportCodePairCount":0,"documentIDCount":0,"emailCount":0,"monthYearMentions":[],"organizationCount":0,"ownerNameNearTop":false,"percentageCount":0,"personCount":0,"personNearTop":false,"phoneCount":0,"yearMentions":[2021,2023]},"simHash":18446744073709551615},"sampleText":"Form 1040 \"Individual\" Income Tax Return\n2023 )"
         "\xE2\x80\x94 caf\xC3\xA9"
         R"(","sampleSource":"pdfText","insight":{"analyzerID":"rules-v1","groupKey":"series|1f","kind":"taxDocument","provenance":[{"ruleAnchor":{"kind":"taxDocument","note":"Form 1040"}},{"lexical":{"similarity":0.42}},{"family":{"memberCount":3}}],"suggestedFolder":"file:///home/u/Documents/Taxes/","tier":"confident","title":"2023 tax return","url":"file:///home/u/Taxes/2023.pdf"},"lastSeen":2e+09,"partialSHA256":"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa","fullSHA256":"0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef"}}})"},
        {"/home/u/caf\u00e9 \"q\".bin", bare,
         "{\"version\":3,\"entries\":{\"/home/u/caf\xC3\xA9 \\\"q\\\".bin\":"
         R"({"size":7,"mtime":650000000.125,"schemaVersion":3,"detectorVersion":0,"lastSeen":2e+09,"partialSHA256":"0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef"}}})"},
    };
    for (const auto& [file, entry, golden] : cases) {
        std::filesystem::remove(path);
        for (int save = 0; save < 2; ++save) {
            auto cache = make();  // the second time, loads the file and stores the same entry again
            cache->store(entry, URL::fileURL(file));
            cache->saveIfDirty();
            EXPECT_EQ(ordane::testing::readFile(path), golden) << file << ", save " << save;
        }
    }
}

TEST_F(AnalysisCacheTest, InsightsOfAnotherDetectorAreNotUsed) {
    auto cache = make();
    auto entry = fullEntry("/a");
    entry.detectorVersion = 2;
    cache->store(entry, URL::fileURL("/a"));
    EXPECT_TRUE(cache->cachedEntry(record("/a", 100, modified)));
    EXPECT_FALSE(cache->cachedInsight(record("/a", 100, modified)));
    entry.detectorVersion = 1;
    cache->store(entry, URL::fileURL("/a"));
    EXPECT_EQ(cache->cachedInsight(record("/a", 100, modified)), entry.insight);
}

TEST_F(AnalysisCacheTest, HashesCarryOverOnlyForTheUnchangedFile) {
    auto cache = make();
    auto unchanged = record("/a", 100, modified);
    cache->recordHashes(unchanged, hashA, std::nullopt);
    cache->recordHashes(unchanged, std::nullopt, hashB);
    EXPECT_EQ(cache->cachedHashes(unchanged), (AnalysisCache::Hashes{hashA, hashB}));

    // A new complete entry without hashes for the same file keeps them.
    auto refreshed = fullEntry("/a");
    refreshed.partialSHA256.reset();
    refreshed.fullSHA256.reset();
    cache->store(refreshed, URL::fileURL("/a"));
    EXPECT_EQ(cache->cachedHashes(unchanged), (AnalysisCache::Hashes{hashA, hashB}));
    EXPECT_TRUE(cache->cachedInsight(unchanged));

    // Another file of the same size put in its place within the tolerance keeps the insight but
    // never the hashes: they decide what counts as an extra copy.
    auto replaced = record("/a", 100, modified.adding(0.5));
    EXPECT_TRUE(cache->cachedInsight(replaced));
    EXPECT_EQ(cache->cachedHashes(replaced), AnalysisCache::Hashes{});
    cache->recordHashes(replaced, hashB, std::nullopt);
    EXPECT_EQ(cache->cachedHashes(replaced), (AnalysisCache::Hashes{hashB, std::nullopt}));
    cache->recordHashes(unchanged, hashA, hashB);

    // Hashes for a changed file start a fresh entry: the old fingerprint, sample and insight go.
    auto grown = record("/a", 200, modified);
    cache->recordHashes(grown, std::nullopt, hashA);
    auto entry = cache->cachedEntry(grown);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->fullSHA256, hashA);
    EXPECT_FALSE(entry->partialSHA256);
    EXPECT_FALSE(entry->fingerprint);
    EXPECT_FALSE(entry->insight);
    EXPECT_EQ(entry->schemaVersion, 3);
    EXPECT_EQ(entry->detectorVersion, AnalysisCache::hashOnlyDetectorVersion);

    // A changed size or date does not carry hashes over into a stored entry.
    cache->store(bareEntry(300, modified), URL::fileURL("/a"));
    EXPECT_EQ(cache->cachedHashes(record("/a", 300, modified)), AnalysisCache::Hashes{});
    cache->recordHashes(record("/b", 1, modified), hashA, hashB);
    cache->store(bareEntry(1, modified.adding(2)), URL::fileURL("/b"));
    EXPECT_EQ(cache->cachedHashes(record("/b", 1, modified.adding(2))), AnalysisCache::Hashes{});
}

TEST_F(AnalysisCacheTest, ARecordWithoutADateRecordsNothing) {
    auto cache = make();
    cache->recordHashes(record("/a", 100, std::nullopt), hashA, hashB);
    cache->saveIfDirty();
    EXPECT_EQ(writes(), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(AnalysisCacheTest, PruningDropsEntriesNotSeenForNinetyDays) {
    {
        auto cache = make();
        Date now = Date::now();
        cache->store(bareEntry(1, modified, now.adding(-91 * day)), URL::fileURL("/old"));
        cache->store(bareEntry(1, modified, now.adding(-89 * day)), URL::fileURL("/recent"));
        cache->saveIfDirty();
    }
    // Read back, so the written file was pruned, not just the memory.
    auto reloaded = make();
    EXPECT_FALSE(reloaded->cachedEntry(record("/old", 1, modified)));
    EXPECT_TRUE(reloaded->cachedEntry(record("/recent", 1, modified)));
}

TEST_F(AnalysisCacheTest, PruningKeepsTheHundredThousandSeenLast) {
    auto cache = make();
    Date now = Date::now();
    for (int i = 0; i < 100'005; ++i) {
        cache->store(bareEntry(1, modified, now.adding(-static_cast<double>(i))), URL::fileURL("/f" + std::to_string(i)));
    }
    cache->prune();
    for (int i = 100'000; i < 100'005; ++i) EXPECT_FALSE(cache->cachedEntry(record("/f" + std::to_string(i), 1, modified))) << i;
    EXPECT_TRUE(cache->cachedEntry(record("/f99999", 1, modified)));
    EXPECT_TRUE(cache->cachedEntry(record("/f0", 1, modified)));
}

TEST_F(AnalysisCacheTest, DamagedFilesGiveAnEmptyCache) {
    const std::string file = "/home/u/Taxes/2023.pdf";
    {
        auto cache = make();
        cache->store(fullEntry(file), URL::fileURL(file));
        cache->saveIfDirty();
    }
    const std::string good = ordane::testing::readFile(path);
    ASSERT_TRUE(make()->cachedEntry(record(file, 100, modified)));

    auto replaced = [&good](const std::string& from, const std::string& to) {
        size_t at = good.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        std::string text = good;
        if (at != std::string::npos) text.replace(at, from.size(), to);
        return text;
    };
    // Field by field the file reader refuses what the tree reading refuses (see the codec tests),
    // and the store file handles any unusable file; here, what a refused file does to the cache.
    const std::string damaged[] = {replaced("\"version\":3", "\"version\":2"), replaced(hashB, hashB.substr(1)),
                                   good.substr(0, good.size() / 2)};
    for (const std::string& text : damaged) {
        SCOPED_TRACE(text.substr(0, 300));
        ordane::testing::writeFile(path, text);
        auto cache = make();
        EXPECT_FALSE(cache->cachedEntry(record(file, 100, modified)));
        cache->store(bareEntry(), URL::fileURL("/new"));
        cache->saveIfDirty();
        // Rebuilt in place.
        EXPECT_TRUE(make()->cachedEntry(record("/new", 100, modified)));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    }
}

namespace {
// Shortens the file it reads to half its length after handing out the first bytes, as someone
// else writing over it would.
struct ShorteningFileSystem : FaultInjectingFileSystem {
    std::unique_ptr<platform::ReadableFile> openForReading(const std::string& path) override {
        struct Shortened : platform::ReadableFile {
            std::unique_ptr<platform::ReadableFile> inner;
            std::string path;
            bool first = true;
            size_t read(char* buffer, size_t count) override {
                const size_t got = inner->read(buffer, std::min<size_t>(count, 4096));
                if (std::exchange(first, false)) std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
                return got;
            }
        };
        auto file = std::make_unique<Shortened>();
        file->inner = FaultInjectingFileSystem::openForReading(path);
        file->path = path;
        return file;
    }
};
}  // namespace

TEST_F(AnalysisCacheTest, AFileThatFailsOrShrinksWhileItIsReadGivesAnEmptyCacheRebuiltAtTheNextSave) {
    // Larger than the pieces the file is read in, so that it fails part way.
    constexpr int count = 4000;
    {
        auto cache = make();
        for (int i = 0; i < count; ++i) cache->store(fullEntry("/f" + std::to_string(i)), URL::fileURL("/f" + std::to_string(i)));
        cache->saveIfDirty();
    }
    const std::string good = ordane::testing::readFile(path);
    ASSERT_GT(good.size(), 2 * StoreFile::readChunkSize);
    auto shortening = std::make_shared<ShorteningFileSystem>();
    for (bool shrinks : {false, true}) {
        SCOPED_TRACE(shrinks);
        ordane::testing::writeFile(path, good);
        if (!shrinks) fileSystem->fail(Operation::read, "analysis-cache", EIO, 1, 1);
        std::shared_ptr<platform::FileSystem> reading = shrinks ? shortening : fileSystem;
        AnalysisCache cache(URL::fileURL(path), reading);
        EXPECT_FALSE(cache.cachedEntry(record("/f0", 100, modified)));
        fileSystem->clearFaults();
        EXPECT_FALSE(cache.cachedEntry(record("/f" + std::to_string(count - 1), 100, modified)));
        cache.store(bareEntry(), URL::fileURL("/new"));
        cache.saveIfDirty();
        auto rebuilt = make();
        EXPECT_TRUE(rebuilt->cachedEntry(record("/new", 100, modified)));
        EXPECT_FALSE(rebuilt->cachedEntry(record("/f0", 100, modified)));
    }
    // Read whole, every entry is there.
    ordane::testing::writeFile(path, good);
    auto cache = make();
    for (int i = 0; i < count; i += 97) EXPECT_TRUE(cache->cachedEntry(record("/f" + std::to_string(i), 100, modified))) << i;
}

TEST_F(AnalysisCacheTest, EntriesThatCannotBeWrittenDoNotBlockTheSave) {
    auto cache = make();
    auto nanDensity = fullEntry("/nan-density");
    nanDensity.fingerprint->structural.topRegionDensity = std::nan("");
    auto nanWeight = fullEntry("/nan-weight");
    nanWeight.fingerprint->termFrequency.values[1] = std::nanf("");
    auto nanClaim = fullEntry("/nan-claim");
    nanClaim.insight->provenance.push_back(EvidenceClaim::lexical(std::nan("")));
    auto badText = fullEntry("/bad-text");
    badText.sampleText = "caf\xe9";  // Latin-1 bytes from a text file
    auto unordered = fullEntry("/unordered");
    unordered.fingerprint->termFrequency.indices = {70, 3, 4095};
    for (const auto* entry : {&nanDensity, &nanWeight, &nanClaim, &badText, &unordered}) {
        cache->store(*entry, entry->insight->url);
    }
    cache->store(fullEntry("/home/u/Caf\xe9.pdf"), URL::fileURL("/home/u/Caf\xe9.pdf"));  // a legal Linux name
    cache->store(fullEntry("/good"), URL::fileURL("/good"));
    cache->saveIfDirty();
    EXPECT_EQ(writes(), 1);
    // Saved and clean, not stuck dirty.
    cache->saveIfDirty();
    EXPECT_EQ(writes(), 1);
    // What can't be written is still served for this run.
    EXPECT_TRUE(cache->cachedEntry(record("/bad-text", 100, modified)));

    auto reloaded = make();
    EXPECT_TRUE(reloaded->cachedEntry(record("/good", 100, modified)));
    for (const char* left : {"/nan-density", "/nan-weight", "/nan-claim", "/bad-text", "/unordered",
                             "/home/u/Caf\xe9.pdf"}) {
        EXPECT_FALSE(reloaded->cachedEntry(record(left, 100, modified))) << left;
    }
    EXPECT_EQ(ordane::testing::readFile(path).find("null"), std::string::npos);
}

TEST_F(AnalysisCacheTest, HashesInAnotherFormAreServedAsTheyCameButNeverWritten) {
    const std::string upper(64, 'A');
    auto cache = make();
    auto good = record("/good", 100, modified);
    auto odd = record("/odd", 100, modified);
    cache->recordHashes(good, hashA, std::nullopt);
    cache->recordHashes(odd, hashB, std::nullopt);
    cache->recordHashes(odd, std::nullopt, upper);  // after a well-formed one
    cache->recordHashes(good, std::nullopt, hashB);
    EXPECT_EQ(cache->cachedHashes(good), (AnalysisCache::Hashes{hashA, hashB}));
    EXPECT_EQ(cache->cachedHashes(odd), (AnalysisCache::Hashes{hashB, upper}));
    auto stored = cache->cachedEntry(odd);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->fullSHA256, upper);
    EXPECT_EQ(stored->detectorVersion, AnalysisCache::hashOnlyDetectorVersion);

    // A new modification date drops both, whatever their form.
    auto touched = record("/odd", 100, modified.adding(0.5));
    cache->recordHashes(touched, std::nullopt, hashA);
    EXPECT_EQ(cache->cachedHashes(touched), (AnalysisCache::Hashes{std::nullopt, hashA}));
    cache->recordHashes(touched, "abc", std::nullopt);
    cache->saveIfDirty();

    auto reloaded = make();
    EXPECT_EQ(reloaded->cachedHashes(good), (AnalysisCache::Hashes{hashA, hashB}));
    EXPECT_FALSE(reloaded->cachedEntry(touched));
}

TEST_F(AnalysisCacheTest, FileErrorsAreSwallowed) {
    {
        auto cache = make();
        cache->store(bareEntry(), URL::fileURL("/a"));
        cache->saveIfDirty();
    }
    const std::string before = ordane::testing::readFile(path);
    auto cache = make();
    cache->store(bareEntry(), URL::fileURL("/b"));
    fileSystem->fail(Operation::writeFileAtomically, "", ENOSPC, 0, 1);
    EXPECT_NO_THROW(cache->saveIfDirty());
    EXPECT_EQ(ordane::testing::readFile(path), before);
    EXPECT_TRUE(make()->cachedEntry(record("/a", 100, modified)));
}

TEST_F(AnalysisCacheTest, ConcurrentCallersWaitTheirTurn) {
    auto cache = make();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&cache, t] {
            for (int i = 0; i < 200; ++i) {
                auto item = record("/t" + std::to_string(t) + "/" + std::to_string(i), i, modified);
                cache->recordHashes(item, hashA, std::nullopt);
                cache->recordHashes(item, std::nullopt, hashB);
                EXPECT_EQ(cache->cachedHashes(item), (AnalysisCache::Hashes{hashA, hashB}));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    cache->saveIfDirty();
    EXPECT_EQ(Json::parse(ordane::testing::readFile(path))["entries"].size(), 800u);
}

// Keys keep their folder apart from their name; paths that differ only in where the last "/" falls
// must stay apart, in memory and through the file.
TEST_F(AnalysisCacheTest, PathsOfNeighbouringFoldersStayApart) {
    const std::vector<std::string> paths = {"/a/b", "/a/bc", "/a/b/c", "/a-b/c", "/a/b-c", "relative", "/top"};
    {
        auto cache = make();
        for (size_t k = 0; k < paths.size(); ++k) {
            cache->store(bareEntry(static_cast<int64_t>(100 + k)), URL::fileURL(paths[k]));
        }
        for (size_t k = 0; k < paths.size(); ++k) {
            EXPECT_TRUE(cache->cachedEntry(record(paths[k], static_cast<int64_t>(100 + k), modified))) << paths[k];
            EXPECT_FALSE(cache->cachedEntry(record(paths[k], static_cast<int64_t>(200 + k), modified))) << paths[k];
        }
        cache->saveIfDirty();
    }
    auto loaded = make();
    for (size_t k = 0; k < paths.size(); ++k) {
        auto hit = loaded->cachedEntry(record(paths[k], static_cast<int64_t>(100 + k), modified));
        ASSERT_TRUE(hit) << paths[k];
        EXPECT_EQ(hit->size, static_cast<int64_t>(100 + k));
    }
    EXPECT_FALSE(loaded->cachedEntry(record("/a/c", 100, modified)));
}

// An entry of hashes alone is kept small, but never at the cost of a version it was given.
TEST_F(AnalysisCacheTest, HashOnlyEntriesKeepVersionsOfAnySize) {
    auto entry = bareEntry(100, modified, Date::now());
    entry.detectorVersion = int64_t{1} << 40;
    entry.partialSHA256 = hashA;
    {
        auto cache = make();
        cache->store(entry, URL::fileURL("/home/u/big.bin"));
        auto hit = cache->cachedEntry(record("/home/u/big.bin", 100, modified));
        ASSERT_TRUE(hit);
        EXPECT_EQ(hit->detectorVersion, int64_t{1} << 40);
        cache->saveIfDirty();
    }
    EXPECT_NE(ordane::testing::readFile(path).find("\"detectorVersion\":1099511627776,"), std::string::npos);
    auto hit = make()->cachedEntry(record("/home/u/big.bin", 100, modified));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->detectorVersion, int64_t{1} << 40);
    EXPECT_EQ(hit->partialSHA256, hashA);
}

namespace {

// What a hit gives back, apart from the `lastSeen` the hit itself refreshes.
AnalysisCache::Entry withoutLastSeen(AnalysisCache::Entry entry) {
    entry.lastSeen = Date{};
    return entry;
}

// Hash-only entries, entries with a reading of the file, and entries whose values are at or just
// past the edges of the small form an entry of hashes alone is kept in.
std::vector<std::pair<std::string, AnalysisCache::Entry>> entriesOfEveryForm() {
    std::vector<std::pair<std::string, AnalysisCache::Entry>> cases;
    auto add = [&](const std::string& name, AnalysisCache::Entry entry) { cases.emplace_back("/home/u/" + name, entry); };
    const Date oddDate{7.0e8 + 0.123456789};
    auto hashes = [&](std::optional<std::string> partial, std::optional<std::string> full) {
        AnalysisCache::Entry entry = bareEntry(4096, oddDate, Date::now().adding(-0.000123));
        entry.detectorVersion = AnalysisCache::hashOnlyDetectorVersion;
        entry.partialSHA256 = std::move(partial);
        entry.fullSHA256 = std::move(full);
        return entry;
    };
    add("both.bin", hashes(hashA, hashB));
    add("both alike.bin", hashes(hashB, hashB));
    add("partial.bin", hashes(hashB, std::nullopt));
    add("full.bin", hashes(std::nullopt, hashA));
    add("neither.bin", hashes(std::nullopt, std::nullopt));
    add("reading.pdf", fullEntry("/home/u/reading.pdf"));
    auto textOnly = hashes(std::nullopt, hashB);
    textOnly.sampleText = "";
    add("text only.txt", textOnly);
    auto sourceOnly = hashes(hashA, std::nullopt);
    sourceOnly.sampleSource = SampleSource::pdfText;
    add("source only.txt", sourceOnly);
    const int64_t sizeLimit = int64_t{1} << AnalysisCache::compactSizeBits;
    for (int64_t size : {int64_t{0}, sizeLimit - 1, sizeLimit, int64_t{-1}, INT64_MAX, INT64_MIN}) {
        auto entry = hashes(hashA, hashB);
        entry.size = size;
        add("size " + std::to_string(size), entry);
    }
    const int64_t schemaLimit = int64_t{1} << AnalysisCache::compactSchemaVersionBits;
    for (int64_t version : {int64_t{0}, schemaLimit - 1, schemaLimit, int64_t{-1}, int64_t{1} << 40}) {
        auto entry = hashes(hashB, hashA);
        entry.schemaVersion = version;
        add("schema " + std::to_string(version), entry);
    }
    const int64_t detectorLimit = int64_t{1} << AnalysisCache::compactDetectorVersionBits;
    for (int64_t version : {detectorLimit - 1, detectorLimit, int64_t{-1}, int64_t{1} << 40}) {
        auto entry = hashes(hashA, std::nullopt);
        entry.detectorVersion = version;
        add("detector " + std::to_string(version), entry);
    }
    return cases;
}

}  // namespace

// Every form of entry comes back exactly as it was stored, from memory and through the file.
TEST_F(AnalysisCacheTest, EntriesOfEveryFormRoundTripExactly) {
    const auto cases = entriesOfEveryForm();
    {
        auto cache = make();
        for (const auto& [file, entry] : cases) cache->store(entry, URL::fileURL(file));
        for (const auto& [file, entry] : cases) {
            // A hit needs the current schema and the size it was made for.
            if (entry.schemaVersion != AnalysisCache::currentSchemaVersion) continue;
            auto hit = cache->cachedEntry(record(file, entry.size, entry.mtime));
            ASSERT_TRUE(hit) << file;
            EXPECT_EQ(withoutLastSeen(*hit), withoutLastSeen(entry)) << file;
            EXPECT_EQ(cache->cachedHashes(record(file, entry.size, entry.mtime)),
                      (AnalysisCache::Hashes{entry.partialSHA256, entry.fullSHA256}))
                << file;
        }
    }
    {
        // Unused, they keep the `lastSeen` they came with.
        auto cache = make();
        for (const auto& [file, entry] : cases) cache->store(entry, URL::fileURL(file));
        cache->saveIfDirty();
    }
    Json written = Json::parse(ordane::testing::readFile(path))["entries"];
    ASSERT_EQ(written.size(), cases.size());
    for (const auto& [file, entry] : cases) EXPECT_EQ(AnalysisCache::Entry::fromJson(written[file]), entry) << file;
    // Loaded and written again: the same entries.
    auto reloaded = make();
    reloaded->store(bareEntry(), URL::fileURL("/home/u/other.bin"));
    reloaded->saveIfDirty();
    written = Json::parse(ordane::testing::readFile(path))["entries"];
    ASSERT_EQ(written.size(), cases.size() + 1);
    for (const auto& [file, entry] : cases) EXPECT_EQ(AnalysisCache::Entry::fromJson(written[file]), entry) << file;
}

// New hashes and a new modification date change only what they name, in every form; a hash in
// another form than lower-case hexadecimal is kept as it came.
TEST_F(AnalysisCacheTest, HashesAndDatesChangeOnlyWhatTheyName) {
    const std::string upper(64, 'F');
    for (const auto& [file, original] : entriesOfEveryForm()) {
        if (original.schemaVersion != AnalysisCache::currentSchemaVersion) continue;
        auto cache = make();
        cache->store(original, URL::fileURL(file));
        AnalysisCache::Entry expected = original;
        auto same = record(file, original.size, original.mtime);
        auto check = [&](const char* step) {
            auto hit = cache->cachedEntry(same);
            ASSERT_TRUE(hit) << file << ": " << step;
            EXPECT_EQ(withoutLastSeen(*hit), withoutLastSeen(expected)) << file << ": " << step;
        };
        cache->recordHashes(same, hashB, std::nullopt);
        expected.partialSHA256 = hashB;
        check("a new partial hash");
        cache->recordHashes(same, std::nullopt, hashA);
        expected.fullSHA256 = hashA;
        check("a new full hash");
        // Within the tolerance the entry stays, but its hashes belonged to the old date.
        same = record(file, original.size, original.mtime.adding(0.75));
        cache->recordHashes(same, std::nullopt, hashB);
        expected.mtime = original.mtime.adding(0.75);
        expected.partialSHA256.reset();
        expected.fullSHA256 = hashB;
        check("a new date");
        cache->recordHashes(same, upper, std::nullopt);
        expected.partialSHA256 = upper;
        check("a hash in another form");
        cache->recordHashes(same, std::nullopt, hashA);
        expected.fullSHA256 = hashA;
        check("a hash after one in another form");
    }
}
