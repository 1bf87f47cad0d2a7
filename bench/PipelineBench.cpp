// The recognition pipeline over a generated home of documents and screenshots, with an empty cache
// and again with a warm one, and its first reading pass against `pdftotext -l 3` run over the same
// PDFs one after another.
//
// Prints, per run, the time of each phase (each phase ends with its last progress report; the last
// one runs from there to the end: recognition, families, learning, prediction, cache writes), files
// per second for each reading pass, the bytes read (rchar and read_bytes of /proc/self/io), and how
// many documents were recognised as each kind.
//
//   PipelineBench [--documents N] [--screenshots N] [--dir PATH] [--keep]
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "OrdaneCore/Stores/AnalysisCache.hpp"
#include "OrdaneCore/Stores/FolderCentroidStore.hpp"
#include "OrdaneRecognition/Fingerprint/Fingerprinter.hpp"
#include "OrdaneRecognition/Isolation/ReaderPool.hpp"
#include "OrdaneRecognition/Pipeline/ReadingPass.hpp"
#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"
#include "Support/RecognitionHome.hpp"

extern char** environ;

using namespace ordane;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    size_t documents = 2000;
    size_t screenshots = 300;
    std::string dir;
    bool keep = false;
};

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        auto value = [&] {
            if (i + 1 >= argc) throw std::runtime_error(argument + " needs a value");
            return std::string(argv[++i]);
        };
        if (argument == "--documents") options.documents = std::stoul(value());
        else if (argument == "--screenshots") options.screenshots = std::stoul(value());
        else if (argument == "--dir") options.dir = value();
        else if (argument == "--keep") options.keep = true;
        else throw std::runtime_error("unknown argument " + argument);
    }
    return options;
}

// Bytes this process asked to read (rchar) and bytes that came from the disk (read_bytes).
std::pair<int64_t, int64_t> bytesRead() {
    std::ifstream io("/proc/self/io");
    int64_t rchar = 0, disk = 0, value = 0;
    for (std::string key; io >> key >> value;) {
        if (key == "rchar:") rchar = value;
        else if (key == "read_bytes:") disk = value;
    }
    return {rchar, disk};
}

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// One pipeline run, timed phase by phase from its progress reports.
void timedRun(const char* label, RecognitionPipeline& pipeline, const std::vector<FileRecord>& records,
              const RecognitionPipeline::DestinationContext& context) {
    struct Phase {
        int64_t total = 0;
        double end = 0;
    };
    std::vector<Phase> phases;
    const auto [rcharBefore, diskBefore] = bytesRead();
    const auto start = Clock::now();
    auto insights = pipeline.run(records, context, [&](int64_t done, int64_t total) {
        if (done == 1 || phases.empty()) phases.push_back({total, 0});
        phases.back().end = secondsSince(start);
    });
    const double total = secondsSince(start);
    const auto [rcharAfter, diskAfter] = bytesRead();

    std::printf("\n%s: %zu insights in %.3f s; read %.1f MB (rchar), %.1f MB from disk\n", label, insights.size(),
                total, double(rcharAfter - rcharBefore) / 1e6, double(diskAfter - diskBefore) / 1e6);
    double previous = 0;
    for (const Phase& phase : phases) {
        const double seconds = phase.end - previous;
        std::printf("  reading %6lld files: %8.3f s, %8.1f files/s\n", static_cast<long long>(phase.total), seconds,
                    double(phase.total) / std::max(seconds, 1e-9));
        previous = phase.end;
    }
    std::printf("  recognition, families, folders, cache: %.3f s\n", total - previous);
    // What the documents were recognised as (confident ones in brackets).
    std::map<DocKind, std::pair<size_t, size_t>> kinds;
    for (const ContentInsight& insight : insights) {
        auto& [count, confident] = kinds[insight.kind];
        ++count;
        confident += insight.tier == ConfidenceTier::confident;
    }
    std::printf("  kinds:");
    for (const auto& [kind, counts] : kinds) {
        std::printf(" %s %zu (%zu)", std::string(rawValue(kind)).c_str(), counts.first, counts.second);
    }
    std::printf("\n");
}

void runTool(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot start " + arguments[0] + " (apt-get install poppler-utils)");
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

void compareFirstPass(const std::vector<FileRecord>& records, const std::string& scratch) {
    std::vector<FileRecord> pdfs;
    for (const FileRecord& record : records) {
        if (record.ext() == "pdf" && record.size() >= RecognitionPipeline::minDocumentSize) pdfs.push_back(record);
    }
    const Fingerprinter fingerprinter{OwnerIdentity(testing::recognitionHomeOwner)};
    // Read as the pipeline reads: in reader processes when the reader program is there.
    const RecognitionPipeline::Readers readers = RecognitionPipeline::Readers::standard();
    std::optional<ReaderPool> pool;
    if (!readers.readerProgram.empty()) pool.emplace(readers.readerProgram);
    ReadingPass pass{pool ? pool->isolating(readers.documents) : readers.documents, RecognitionPipeline::documentWidth,
                     ExtractionBudget{}, &fingerprinter, std::nullopt, platform::FileSystem::real()};
    auto start = Clock::now();
    auto readings = pass.run(pdfs, {}, {});
    const double ours = secondsSince(start);

    start = Clock::now();
    for (const FileRecord& pdf : pdfs) runTool({"pdftotext", "-q", "-l", "3", pdf.path(), scratch});
    const double peer = secondsSince(start);
    size_t read = 0;
    for (const FileReading& reading : readings) read += reading.outcome == FileReading::Outcome::read;
    std::printf("\nfirst pass over the %zu PDFs (%zu with text): %.3f s, %.1f files/s (fingerprints included, %s)\n",
                pdfs.size(), read, ours, double(pdfs.size()) / ours,
                pool ? "in reader processes" : "in this process");
    std::printf("pdftotext -l 3, one after another:          %.3f s, %.1f files/s\n", peer, double(pdfs.size()) / peer);
    std::printf("pdftotext / first pass: %.2f (target at least 3)\n", peer / ours);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const Options options = parse(argc, argv);
        std::string base = options.dir;
        if (base.empty()) {
            base = (fs::temp_directory_path() / "ordane-pipeline-bench-XXXXXX").string();
            if (!::mkdtemp(base.data())) throw std::runtime_error("cannot create a temporary folder");
        }
        const std::string home = base + "/home";
        if (!fs::exists(home)) {
            std::printf("generating %zu documents and %zu screenshots in %s\n", options.documents,
                        options.screenshots, home.c_str());
            std::fflush(stdout);
            testing::writeLargeRecognitionHome(home, options.documents, options.screenshots);
        }
        const std::vector<FileRecord> records = testing::scanRecords(home);
        std::printf("records of a scan: %zu\n", records.size());

        fs::remove_all(base + "/support");
        const URL cacheURL = URL::fileURL(base + "/support/analysis-cache.json");
        FolderCentroidStore centroids(URL::fileURL(base + "/support/folder-centroids.json"));
        const UserFolders folders(URL::fileURL(home, true));
        const RecognitionPipeline::DestinationContext context{folders, &centroids, {}, {}, OrganizeScope{folders, true}};
        // Each run starts from the cache file, as at the next start of the application. A run reads
        // at most 200 screenshots, so the second run still reads the rest; the third reads nothing.
        for (const char* label : {"empty cache", "second run", "warm cache"}) {
            AnalysisCache cache(cacheURL);
            RecognitionPipeline pipeline(OwnerIdentity(testing::recognitionHomeOwner), cache);
            timedRun(label, pipeline, records, context);
        }
        std::printf("  (the warm run's reads include the cache file itself: %.1f MB)\n",
                    double(fs::file_size(cacheURL.path())) / 1e6);
        compareFirstPass(records, base + "/pdftotext-out.txt");
        if (!options.keep && options.dir.empty()) fs::remove_all(base);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "PipelineBench: %s\n", error.what());
        return 2;
    }
}
