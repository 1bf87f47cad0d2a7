// Fingerprinting a 20,000-character sample (English prose with dates, amounts and names): the
// whole operation on one thread and on every core, then each step alone, so the dominant one shows.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "OrdanePlatform/Text/Text.hpp"
#include "OrdaneRecognition/Fingerprint/Fingerprinter.hpp"

using namespace ordane;

namespace {

constexpr size_t sampleCharacters = 20000;

// Sentences drawn at random from a small stock, with a heading now and then: the vocabulary of a
// letter or a statement, the dates, amounts, names and contact lines the features look for.
ContentSample proseSample() {
    const std::vector<std::string> sentences = {
        "Thank you for your payment of $1,249.00 received on March 7, 2024.",
        "Ann Lee reviewed the quarterly report with Peter Smith at Acme Widgets Inc.",
        "The balance of 312.45 is due by 2024-04-15; late fees of 1.5% apply after that date.",
        "Please call (415) 555-0132 or write to billing@example.com with any questions.",
        "Our office at 1200 Oak Avenue, Springfield, IL 62704 is open from Monday to Friday.",
        "She led the migration of the customer database between 2019 and 2022, reducing costs by 18%.",
        "Preheat the oven to 350 F and whisk 2 cups of flour with 1 tsp of salt.",
        "Confirmation number QX7R2P was issued for the flight SFO to JFK on 7 March 2024.",
        "Statements for January 2023, February 2023 and December 2023 are attached to this letter.",
        "The committee will meet again in the autumn to discuss the proposal and the budget in detail.",
        "Maria Garcia of First National Bank approved the transfer ending in 4321 on 3/12/2024.",
        "Nothing in this agreement limits the rights of either party under applicable law.",
    };
    const std::vector<std::string> headings = {"ACCOUNT SUMMARY", "Work Experience", "Terms of Service",
                                               "PAYMENT DETAILS"};
    std::mt19937 random(11);
    std::string text = "ANN LEE\nann.lee@example.com | (415) 555-0132\n";
    while (text.size() < sampleCharacters) {
        if (random() % 6 == 0) text += "\n" + headings[random() % headings.size()] + "\n";
        text += sentences[random() % sentences.size()];
        text += random() % 3 == 0 ? "\n" : " ";
    }
    ContentSample sample;
    sample.text = platform::text::prefix(text, sampleCharacters);
    sample.pageCount = 3;
    return sample;
}

Fingerprinter ownerFingerprinter() {
    Fingerprinter fingerprinter;
    fingerprinter.owner = OwnerIdentity("Ann Lee");
    return fingerprinter;
}

// Documents per second over all threads together (items_per_second sums the threads' rates).
void countDocuments(benchmark::State& state) { state.SetItemsProcessed(state.iterations()); }

void Fingerprint(benchmark::State& state) {
    const ContentSample sample = proseSample();
    const Fingerprinter fingerprinter = ownerFingerprinter();
    for (auto _ : state) benchmark::DoNotOptimize(fingerprinter.fingerprint(sample));
    countDocuments(state);
}
BENCHMARK(Fingerprint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Fingerprint)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Threads(2)
    ->Threads(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));

void StepTokenize(benchmark::State& state) {
    const ContentSample sample = proseSample();
    for (auto _ : state) benchmark::DoNotOptimize(Fingerprinter::termCounts(platform::text::folded(sample.text)));
}
BENCHMARK(StepTokenize)->Unit(benchmark::kMillisecond);

void StepVector(benchmark::State& state) {
    const Fingerprinter::TermCounts counts = Fingerprinter::termCounts(platform::text::folded(proseSample().text));
    for (auto _ : state) benchmark::DoNotOptimize(Fingerprinter::termVector(counts));
}
BENCHMARK(StepVector)->Unit(benchmark::kMillisecond);

void StepSimHash(benchmark::State& state) {
    const Fingerprinter::TermCounts counts = Fingerprinter::termCounts(platform::text::folded(proseSample().text));
    for (auto _ : state) benchmark::DoNotOptimize(Fingerprinter::simHash(counts));
}
BENCHMARK(StepSimHash)->Unit(benchmark::kMillisecond);

void StepStructural(benchmark::State& state) {
    const ContentSample sample = proseSample();
    for (auto _ : state) {
        const std::vector<std::string> lines = Fingerprinter::trimmedLines(sample.text, sample.lines);
        benchmark::DoNotOptimize(Fingerprinter::structuralFeatures(sample.text, sample.pageCount, lines));
    }
}
BENCHMARK(StepStructural)->Unit(benchmark::kMillisecond);

void StepEntity(benchmark::State& state) {
    const ContentSample sample = proseSample();
    const OwnerIdentity owner("Ann Lee");
    for (auto _ : state) benchmark::DoNotOptimize(Fingerprinter::entitySignature(sample.text, owner));
}
BENCHMARK(StepEntity)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
