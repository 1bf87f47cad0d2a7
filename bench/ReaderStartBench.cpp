// What a reader process costs before its first file: starting it, confining it and its self-check
// on the built-in samples (the OCR model is loaded there, once per reader), then one small text
// file. Beside it the same file read in this process, and a reader's start without the check.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <stdexcept>
#include <string>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/Process/ReaderProcess.hpp"
#include "OrdaneRecognition/Extraction/TextExtractors.hpp"
#include "OrdaneRecognition/Isolation/ReaderPool.hpp"
#include "OrdaneRecognition/Isolation/ReaderSelfCheck.hpp"
#include "OrdaneRecognition/Pipeline/RecognitionPipeline.hpp"

using namespace ordane;

namespace {

const std::string& smallTextFile() {
    static const std::string path = [] {
        static const ReaderSelfCheck::Folder folder;  // a private folder with a small text file in it
        return folder.path() + "/check.txt";
    }();
    return path;
}

FileRecord recordOf(const std::string& path) {
    FileRecord record;
    record.setURL(URL::fileURL(path)).setSize(int64_t(platform::FileSystem::real()->status(path).size));
    return record;
}

const std::string readerProgram = RecognitionPipeline::Readers::standard().readerProgram;

// CPU seconds used by the ended child processes so far; less swayed by a busy machine than wall time.
double childCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void countReaderCpu(benchmark::State& state, double before) {
    state.counters["reader_cpu_ms"] =
        benchmark::Counter((childCpuSeconds() - before) * 1000, benchmark::Counter::kAvgIterations);
}

void StartReaderAndReadOneFile(benchmark::State& state) {
    const FileRecord record = recordOf(smallTextFile());
    const double before = childCpuSeconds();
    for (auto _ : state) {
        ReaderPool pool(readerProgram);
        auto sample = pool.read("plainText", record, ExtractionBudget{}, {});
        if (!sample) throw std::runtime_error("the reader read nothing");
        benchmark::DoNotOptimize(sample);
    }
    countReaderCpu(state, before);
}
BENCHMARK(StartReaderAndReadOneFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reader up to its greeting when it is given no samples: what a start cost before the check.
void StartReaderWithoutItsCheck(benchmark::State& state) {
    const double before = childCpuSeconds();
    for (auto _ : state) {
        platform::ReaderProcess reader(readerProgram, {});
        auto greeting = reader.receive(platform::Deadline::after(std::chrono::seconds(30)));
        if (greeting.outcome != platform::ReaderProcess::Outcome::answered) throw std::runtime_error("no greeting");
    }
    countReaderCpu(state, before);
}
BENCHMARK(StartReaderWithoutItsCheck)->Unit(benchmark::kMillisecond)->UseRealTime();

void ReadOneFileInThisProcess(benchmark::State& state) {
    const FileRecord record = recordOf(smallTextFile());
    for (auto _ : state) {
        auto sample = TextExtractors::named("plainText")->extract(record, ExtractionBudget{});
        benchmark::DoNotOptimize(sample);
    }
}
BENCHMARK(ReadOneFileInThisProcess)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
