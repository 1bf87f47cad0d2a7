// Save and load times, file size and peak memory of the analysis cache with realistic entries, with
// a check that what is loaded is what was saved. Compare the digest across builds: same bytes.
// Usage: AnalysisCacheBench [entries...]   (default: 10000 100000)
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "OrdaneCore/Stores/AnalysisCache.hpp"

using namespace ordane;

namespace {

const char* const words[] = {"invoice", "total",  "amount", "due",      "account", "statement", "period", "balance",
                             "tax",     "return", "form",   "income",   "wages",   "deduction", "résumé", "experience",
                             "dear",    "sir",    "regards", "payment", "date",    "number",    "café",   "service",
                             "2023",    "12.50",  "€",      "customer", "address", "street",    "policy", "claim"};

std::string sampleText(std::mt19937_64& random) {
    std::string text;
    while (text.size() < 2000) {
        text += words[random() % std::size(words)];
        text += random() % 12 == 0 ? "\n" : " ";
    }
    return text;
}

AnalysisCache::Entry makeEntry(std::mt19937_64& random, const std::string& path, Date now) {
    AnalysisCache::Entry entry;
    entry.size = static_cast<int64_t>(random() % 5'000'000);
    entry.mtime = now.adding(-static_cast<double>(random() % 100'000'000) / 7.0);
    entry.lastSeen = now.adding(-static_cast<double>(random() % 1'000'000) / 3.0);

    // A few hundred distinct ascending buckets with weights 1 + ln(count).
    std::vector<uint16_t> indices;
    std::vector<float> values;
    int terms = 200 + static_cast<int>(random() % 200);
    uint16_t bucket = static_cast<uint16_t>(random() % 8);
    for (int k = 0; k < terms && bucket < SparseVector::dimension; ++k) {
        indices.push_back(bucket);
        values.push_back(1.0f + std::log(static_cast<float>(1 + random() % 12)));
        bucket = static_cast<uint16_t>(bucket + 1 + random() % 16);
    }
    StructuralFeatures structural;
    structural.pageCount = 1 + static_cast<int64_t>(random() % 9);
    structural.characterCount = 2000;
    structural.lineCount = 40;
    structural.dateCount = static_cast<int64_t>(random() % 6);
    structural.currencyCount = static_cast<int64_t>(random() % 20);
    structural.topRegionDensity = static_cast<double>(random() % 1000) / 1000.0;
    EntitySignature entities;
    entities.personCount = 2;
    entities.yearMentions = {2019, 2021, 2023};
    entities.monthYearMentions = {202301, 202302};
    // Exact capacity, as the fingerprinter makes them.
    indices.shrink_to_fit();
    values.shrink_to_fit();
    entry.fingerprint = Fingerprint{SparseVector::checkedPair(std::move(indices), std::move(values)), structural,
                                    entities, random()};
    entry.sampleText = sampleText(random);
    entry.sampleSource = SampleSource::pdfText;
    entry.insight = ContentInsight{URL::fileURL(path),
                                   DocKind::invoiceReceipt,
                                   ConfidenceTier::confident,
                                   "Invoice 2023-114",
                                   "Acme Supplies",
                                   "series|" + std::to_string(random() % 100000),
                                   std::nullopt,
                                   URL::fileURL("/home/user/Documents/Invoices", true),
                                   {EvidenceClaim::ruleAnchor(DocKind::invoiceReceipt, "Invoice number"),
                                    EvidenceClaim::ruleSignals(DocKind::invoiceReceipt, {"Total due", "VAT"}),
                                    EvidenceClaim::lexical(static_cast<double>(random() % 1000) / 1000.0),
                                    EvidenceClaim::structural({"Amounts at line ends"}),
                                    EvidenceClaim::filename("invoice in the name")},
                                   "rules-v1"};
    static const char hex[] = "0123456789abcdef";
    std::string partial(64, '0');
    std::string full(64, '0');
    for (int k = 0; k < 64; ++k) {
        partial[k] = hex[random() % 16];
        full[k] = hex[random() % 16];
    }
    entry.partialSHA256 = partial;
    entry.fullSHA256 = full;
    return entry;
}

long statusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field) + 1);
    }
    return -1;
}

// Lets the next VmHWM reading show the peak of one phase only.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// User and system time of every thread of the process, or of the calling thread only: on a busy
// machine, what the phase would take alone is about the larger of the calling thread's time and
// the whole time shared by the cores.
double cpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    ::getrusage(who, &usage);
    auto sum = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return sum(usage.ru_utime) + sum(usage.ru_stime);
}

std::string pathOf(size_t i) {
    return "/home/user/Documents/Folder " + std::to_string(i % 97) + "/file-" + std::to_string(i) + ".pdf";
}

// FNV-1a of the file, to compare the bytes written by two builds.
uint64_t fileDigest(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    uint64_t hash = 0xcbf29ce484222325ull;
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
        for (std::streamsize k = 0; k < in.gcount(); ++k) {
            hash = (hash ^ static_cast<unsigned char>(buffer[static_cast<size_t>(k)])) * 0x100000001b3ull;
        }
    }
    return hash;
}

// What the phases, each in a process of its own, hand back to the report.
struct Results {
    double saveSeconds, saveCPU, saveCallerCPU, fileMB;
    long filledMB, savePeakMB;
    double loadSeconds, loadCPU, loadCallerCPU;
    long loadedMB, loadPeakMB;
    double resaveSeconds;
    long resavePeakMB;
    size_t mismatches;
    uint64_t digest;
};

void save(const URL& url, size_t count, Date now, Results& results) {
    std::mt19937_64 random(count);
    AnalysisCache cache(url);
    for (size_t i = 0; i < count; ++i) cache.store(makeEntry(random, pathOf(i), now), URL::fileURL(pathOf(i)));
    results.filledMB = statusKilobytes("VmRSS:") / 1024;
    resetPeak();
    auto start = std::chrono::steady_clock::now();
    double cpu = cpuSeconds();
    double callerCPU = cpuSeconds(RUSAGE_THREAD);
    cache.saveIfDirty();
    results.saveSeconds = seconds(start);
    results.saveCPU = cpuSeconds() - cpu;
    results.saveCallerCPU = cpuSeconds(RUSAGE_THREAD) - callerCPU;
    results.savePeakMB = statusKilobytes("VmHWM:") / 1024;
    results.fileMB = static_cast<double>(std::filesystem::file_size(url.path())) / 1e6;
    results.digest = fileDigest(url.path());
}

// Loads the file, saves it again as the application does after a scan, then checks every entry
// against the one that was saved.
void load(const URL& url, size_t count, Date now, Results& results) {
    long baseMB = statusKilobytes("VmRSS:") / 1024;
    resetPeak();
    AnalysisCache cache(url);
    auto start = std::chrono::steady_clock::now();
    double cpu = cpuSeconds();
    double callerCPU = cpuSeconds(RUSAGE_THREAD);
    FileRecord probe;
    probe.setURL(URL::fileURL("/nowhere"));
    probe.setModified(now);
    (void)cache.cachedEntry(probe);  // the first use loads the file
    results.loadSeconds = seconds(start);
    results.loadCPU = cpuSeconds() - cpu;
    results.loadCallerCPU = cpuSeconds(RUSAGE_THREAD) - callerCPU;
    results.loadPeakMB = statusKilobytes("VmHWM:") / 1024;
    results.loadedMB = statusKilobytes("VmRSS:") / 1024 - baseMB;

    std::mt19937_64 random(count);
    AnalysisCache::Entry first = makeEntry(random, pathOf(0), now);
    cache.store(first, URL::fileURL(pathOf(0)));  // unchanged, but the cache is dirty
    resetPeak();
    start = std::chrono::steady_clock::now();
    cache.saveIfDirty();
    results.resaveSeconds = seconds(start);
    results.resavePeakMB = statusKilobytes("VmHWM:") / 1024;

    random.seed(count);
    for (size_t i = 0; i < count; ++i) {
        AnalysisCache::Entry expected = makeEntry(random, pathOf(i), now);
        FileRecord record;
        record.setURL(URL::fileURL(pathOf(i)));
        record.setSize(expected.size);
        record.setModified(expected.mtime);
        std::optional<AnalysisCache::Entry> found = cache.cachedEntry(record);
        if (found) expected.lastSeen = found->lastSeen;  // a hit refreshes it
        if (found != expected) ++results.mismatches;
    }
}

// Each phase in a process of its own, so that one phase's freed memory doesn't hide the next one's.
template <class Phase>
void inChild(Phase&& phase) {
    std::fflush(stdout);
    pid_t child = ::fork();
    if (child == 0) {
        phase();
        std::fflush(stdout);
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
}

void run(size_t count) {
    std::string folder =
        (std::filesystem::temp_directory_path() / ("ordane-cache-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(folder);
    URL url = URL::fileURL(folder + "/analysis-cache.json");
    // Midnight, so that builds run on the same day write the same bytes.
    Date now{std::floor(Date::now().secondsSinceReferenceDate / 86400) * 86400};
    auto* results = static_cast<Results*>(
        ::mmap(nullptr, sizeof(Results), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    *results = Results{};
    inChild([&] { save(url, count, now, *results); });
    inChild([&] { load(url, count, now, *results); });
    std::filesystem::remove_all(folder);
    const Results& r = *results;
    const double loaded = static_cast<double>(std::max(r.loadedMB, 1L));
    std::printf("%zu entries, file %.1f MB (digest %016llx); the loaded cache holds %ld MB\n", count, r.fileMB,
                static_cast<unsigned long long>(r.digest), r.loadedMB);
    if (r.mismatches != 0) {
        std::printf("  contents DIFFER: %zu entries do not load as they were saved; no timings\n", r.mismatches);
        ::munmap(results, sizeof(Results));
        return;
    }
    std::printf("  contents identical: every entry loads as it was saved\n");
    std::printf("  save   %5.2f s wall, %5.2f s CPU (%.2f s on the calling thread); peak %4ld MB = %.2fx the loaded cache (%ld MB held before)\n",
                r.saveSeconds, r.saveCPU, r.saveCallerCPU, r.savePeakMB, static_cast<double>(r.savePeakMB) / loaded, r.filledMB);
    std::printf("  resave %5.2f s wall of the loaded cache; peak %4ld MB = %.2fx the loaded cache\n", r.resaveSeconds,
                r.resavePeakMB, static_cast<double>(r.resavePeakMB) / loaded);
    std::printf("  load   %5.2f s wall, %5.2f s CPU (%.2f s on the calling thread); peak %4ld MB\n", r.loadSeconds,
                r.loadCPU, r.loadCallerCPU, r.loadPeakMB);
    ::munmap(results, sizeof(Results));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<size_t> counts;
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        const unsigned long long count = std::strtoull(argv[i], &end, 10);
        if (end == argv[i] || *end != '\0' || count == 0) {
            std::fprintf(stderr, "usage: %s [entry count ...]  (default: 10000 100000)\n", argv[0]);
            return 2;
        }
        counts.push_back(count);
    }
    if (counts.empty()) counts = {10'000, 100'000};
    for (size_t count : counts) run(count);
    return 0;
}
