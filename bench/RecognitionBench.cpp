// Kind recognition over a batch of 1,000 fingerprinted documents of every kind, from a few hundred
// to 20,000 characters, a few of them pathological (blank stretches, one endless line, only
// punctuation, mixed scripts). Prints documents per second on all cores, and the share of one
// thread's time spent in the matchers (rule pass), the length and language gates, the scorers and
// the fusion.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "OrdanePlatform/Path/Path.hpp"
#include "OrdaneRecognition/Fingerprint/Fingerprinter.hpp"
#include "OrdaneRecognition/Kinds/EvidenceScorer.hpp"
#include "OrdaneRecognition/Kinds/RecognitionEngine.hpp"

using namespace ordane;

namespace {

struct Seed {
    const char* fileName;
    const char* text;
};

const Seed seeds[] = {
    {"CV %d.pdf", "Ann Lee\nann.lee@example.org | (555) 201-7788\nSummary\nNurse with ten years of experience.\n"
                  "Experience\nNurse, City Hospital 2016 – present\nNurse, Bay Clinic 2012 – 2016\nEducation\n"
                  "BSc Nursing\nSkills\nTriage, references on request\n"},
    {"W-2 %d.pdf", "Form W-2 Wage and Tax Statement 2023\nEmployer identification number: 12-3456789\nSSN: "
                   "XXX-XX-4821\nWages, tips: $58,250.00\nFederal income tax withheld: $7,120.40\n"},
    {"Statement %d.pdf", "Statement period: March 1 - March 31\nAccount number: ****6621\nBeginning balance "
                         "$3,204.55\nEnding balance $4,434.43\nDirect deposit 2,050.00\nWithdrawal 120.00\n"},
    {"Invoice %d.pdf", "INVOICE\nInvoice No. 1042\nBill to: Harbor Cafe\nSubtotal: $1,200.00\nTotal: $1,200.00\n"
                       "Amount due: $1,200.00\n"},
    {"Lab %d.pdf", "Patient: Daniel Okafor  DOB: 04/17/1981\nPhysician: Dr. Park\nTest results\nDiagnosis: none.\n"
                   "Riverside Medical Center\n"},
    {"Lease %d.pdf", "This Lease is made between Carla Diaz (hereinafter Landlord) and Ben Fox.\nWHEREAS the "
                     "premises...\nSection 1. Term.\nSection 2. Rent.\nSigned: ______\n"},
    {"Note %d.txt", "Dear Ms. Novak,\nThank you for hosting our class at the museum last week.\nKind regards,\n"
                    "Paul\n"},
    {"Cake %d.txt", "Lemon Cake\nServings: 8\nIngredients\n225 g butter\n1. Preheat the oven to 180°C.\n2. Whisk "
                    "and stir.\n3. Bake.\n"},
    {"Kettle %d.pdf", "Kettle User Guide\nModel No. AB-300\nSafety ........ 2\nStart ........ 4\nCare ........ 9\n"},
    {"Trip %d.pdf", "BOARDING PASS\nFlight LH 455 FRA → SFO\nDeparture 10:35 Gate B44 Seat 32K\nArrival 13:05\n"
                    "Confirmation code: QX7L2P\n"},
    {"Birth %d.pdf", "CERTIFICATE OF LIVE BIRTH\nCertificate number: 136-2019-004512\nIssued by the State "
                     "Registrar\nDate of issue: August 2, 2019\nCounty of Multnomah\n"},
    {"Minutes %d.txt", "Garden committee minutes\nPresent: six members.\n"},
};

const char* const filler[] = {
    "The committee met on Tuesday to review the annual budget and the plans for the new garden. ",
    "Costs for fencing, soil and water were discussed; the city may grant $1,200 on 12/04/2023. ",
    "Please call 555-0134 or write to office@example.org with any questions before Friday.\n",
    "Section totals were checked twice, and the figures below match the printed copy.\n",
    "Rain delayed the work by two weeks, so the opening moves to the first of June. ",
};

std::string pathological(int which) {
    std::string text;
    switch (which % 4) {
        case 0:
            while (text.size() < 20'000) text += "word.....12 ";
            break;
        case 1:
            text = std::string(10'000, '\n') + std::string(10'000, 'a');
            break;
        case 2:
            while (text.size() < 20'000) text += "....!?;:--((**))....,,,";
            break;
        default:
            while (text.size() < 20'000) text += "Ωμέγα Кирилл 漢字かな عربى עברית ";
    }
    return text;
}

std::vector<RecognitionEngine::Input> makeBatch(int count) {
    std::mt19937 random(20240601);
    std::uniform_int_distribution<size_t> length(300, 20'000);
    const Fingerprinter fingerprinter{OwnerIdentity("Ann Lee")};
    std::vector<RecognitionEngine::Input> batch;
    for (int i = 0; i < count; ++i) {
        const Seed& seed = seeds[i % std::size(seeds)];
        char name[64];
        snprintf(name, sizeof name, seed.fileName, i);
        RecognitionEngine::Input input;
        input.record.setURL(URL::fileURL(std::string("/home/ann/Documents/") + name));
        if (i % 100 == 99) {
            input.sample.text = pathological(i / 100);
        } else {
            input.sample.text = seed.text;
            const size_t target = length(random);
            while (input.sample.text.size() < target) input.sample.text += filler[random() % std::size(filler)];
        }
        input.fingerprint = fingerprinter.fingerprint(input.sample);
        batch.push_back(std::move(input));
    }
    return batch;
}

const std::vector<RecognitionEngine::Input>& batch() {
    static const std::vector<RecognitionEngine::Input> made = makeBatch(1000);
    return made;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void recognizeBatch(benchmark::State& state) {
    const auto& inputs = batch();
    const RecognitionEngine engine{OwnerIdentity("Ann Lee"), {}};
    for (auto _ : state) benchmark::DoNotOptimize(engine.recognize(inputs));
    state.counters["documents_per_second"] =
        benchmark::Counter(static_cast<double>(inputs.size() * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(recognizeBatch)->Unit(benchmark::kMillisecond)->UseRealTime();

// One thread, stage by stage, the way the engine works on each document.
void stageShares(benchmark::State& state) {
    const auto& inputs = batch();
    const FusionConstants constants;
    double matchers = 0, gates = 0, scorers = 0, fusion = 0;
    for (auto _ : state) {
        for (const auto& input : inputs) {
            auto start = std::chrono::steady_clock::now();
            const RecognitionEngine::RulePass pass = RecognitionEngine::rulePass(input.sample.text);
            matchers += secondsSince(start);

            start = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(RecognitionEngine::isTooShort(input.sample.text, constants.minimumCharacters));
            benchmark::DoNotOptimize(RecognitionEngine::detectLanguage(input.sample.text));
            gates += secondsSince(start);

            start = std::chrono::steady_clock::now();
            FamilyTables tables;
            std::set<DocKind> anchored;
            for (const auto& [kind, evaluation] : pass.evaluations) {
                tables[EvidenceFamily::rule][kind] = evaluation.score;
                if (evaluation.anchorHit) anchored.insert(kind);
            }
            tables[EvidenceFamily::structural] = EvidenceScorer::structuralScores(input.fingerprint.structural);
            tables[EvidenceFamily::entity] = EvidenceScorer::entityScores(input.fingerprint.entities);
            tables[EvidenceFamily::filename] =
                EvidenceScorer::filenameScores(platform::path::stem(input.record.path()));
            scorers += secondsSince(start);

            start = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(EvidenceFusion::fuse(tables, anchored, {EvidenceFamily::lexical}, constants));
            fusion += secondsSince(start);
        }
    }
    const double total = matchers + gates + scorers + fusion;
    state.counters["matchers_share"] = matchers / total;
    state.counters["gates_share"] = gates / total;
    state.counters["scorers_share"] = scorers / total;
    state.counters["fusion_share"] = fusion / total;
    state.counters["documents_per_second_one_thread"] =
        static_cast<double>(inputs.size() * state.iterations()) / total;
}
BENCHMARK(stageShares)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
