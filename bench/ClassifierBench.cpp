// The classifier over a home's worth of records: old screenshots and installers (each writes a
// date), big files (each writes a size), files to file away and files it passes over.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "OrdaneCore/Analysis/Classifier.hpp"

using namespace ordane;

namespace {

const Date now = Date::fromUnix(1710460800);

std::vector<FileRecord> homeRecords(int count) {
    const char* const places[] = {"Desktop/Screenshot %d.png", "Downloads/Tool %d.dmg", "Downloads/paper %d.pdf",
                                  "Videos/film %d.mkv", "Documents/notes %d.txt"};
    std::vector<FileRecord> records;
    for (int i = 0; i < count; ++i) {
        char name[64];
        snprintf(name, sizeof name, places[i % 5], i);
        FileRecord record;
        record.setID(UUID::random());
        record.setURL(URL::fileURL(std::string("/home/ann/") + name));
        record.setSize(i % 5 == 3 ? 700'000'000 : 20'000);
        record.setAllocatedSize(record.size());
        record.setModified(now.adding(-86400.0 * (100 + i % 900)));
        records.push_back(record);
    }
    return records;
}

void classify(benchmark::State& state) {
    std::vector<FileRecord> records = homeRecords(static_cast<int>(state.range(0)));
    Classifier classifier(UserFolders(URL::fileURL("/home/ann", true)), ScanRules::fixture(), now);
    for (auto _ : state) benchmark::DoNotOptimize(classifier.classify(records, {}, {}));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(classify)->Arg(10'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
