// Kind recognition over a batch of 1,000 fingerprinted documents of every kind, from a few hundred
// to 20,000 characters, a few of them pathological (blank stretches, one endless line, only
// punctuation, mixed scripts). Prints documents per second on all cores, and the share of one
// thread's time spent in the matchers (rule pass), the length and language gates, the scorers and
// the fusion, and how many documents come out as the kind they were written as, and how surely.
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
    DocKind kind;  // what the document was written as
    const char* fileName;
    const char* text;
};

const Seed seeds[] = {
    {DocKind::resume, "CV %d.pdf",
     "Ann Lee\nann.lee@example.org | (555) 201-7788\nSummary\nNurse with ten years of experience.\nExperience\n"
     "Nurse, City Hospital 2016 – present\nNurse, Bay Clinic 2012 – 2016\nEducation\nBSc Nursing\nSkills\n"
     "Triage, references on request\n"},
    {DocKind::taxDocument, "W-2 %d.pdf",
     "Form W-2 Wage and Tax Statement 2023\nEmployer identification number: 12-3456789\nSSN: XXX-XX-4821\n"
     "Wages, tips: $58,250.00\nFederal income tax withheld: $7,120.40\n"},
    {DocKind::bankStatement, "Statement %d.pdf",
     "Statement period: March 1 - March 31\nAccount number: ****6621\nBeginning balance $3,204.55\nEnding balance "
     "$4,434.43\nDirect deposit 2,050.00\nWithdrawal 120.00\n"},
    {DocKind::invoiceReceipt, "Invoice %d.pdf",
     "INVOICE\nInvoice No. 1042\nBill to: Harbor Cafe\nSubtotal: $1,200.00\nTotal: $1,200.00\nAmount due: "
     "$1,200.00\n"},
    {DocKind::medical, "Lab %d.pdf",
     "Patient: Daniel Okafor  DOB: 04/17/1981\nPhysician: Dr. Park\nTest results\nDiagnosis: none.\nRiverside "
     "Medical Center\n"},
    {DocKind::legalContract, "Lease %d.pdf",
     "This Lease is made between Carla Diaz (hereinafter Landlord) and Ben Fox.\nWHEREAS the premises...\n"
     "Section 1. Term.\nSection 2. Rent.\nSigned: ______\n"},
    {DocKind::letter, "Note %d.txt",
     "Dear Ms. Novak,\nThank you for hosting our class at the museum last week.\nKind regards,\nPaul\n"},
    {DocKind::recipe, "Cake %d.txt",
     "Lemon Cake\nServings: 8\nIngredients\n225 g butter\n1. Preheat the oven to 180°C.\n2. Whisk and stir.\n"
     "3. Bake.\n"},
    {DocKind::manualGuide, "Kettle %d.pdf",
     "Kettle User Guide\nModel No. AB-300\nSafety ........ 2\nStart ........ 4\nCare ........ 9\n"},
    {DocKind::ticketItinerary, "Trip %d.pdf",
     "BOARDING PASS\nFlight LH 455 FRA → SFO\nDeparture 10:35 Gate B44 Seat 32K\nArrival 13:05\n"
     "Confirmation code: QX7L2P\n"},
    {DocKind::idCertificate, "Birth %d.pdf",
     "CERTIFICATE OF LIVE BIRTH\nCertificate number: 136-2019-004512\nIssued by the State Registrar\nDate of "
     "issue: August 2, 2019\nCounty of Multnomah\n"},
    {DocKind::unknown, "Minutes %d.txt", "Garden committee minutes\nPresent: six members.\n"},
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

struct Batch {
    std::vector<RecognitionEngine::Input> inputs;
    std::vector<DocKind> written;  // the kind each document was written as; `unknown` for the odd ones
};

Batch makeBatch(int count) {
    std::mt19937 random(20240601);
    std::uniform_int_distribution<size_t> length(300, 20'000);
    const Fingerprinter fingerprinter{OwnerIdentity("Ann Lee")};
    Batch batch;
    for (int i = 0; i < count; ++i) {
        const Seed& seed = seeds[i % std::size(seeds)];
        char name[64];
        snprintf(name, sizeof name, seed.fileName, i);
        RecognitionEngine::Input input;
        input.record.setURL(URL::fileURL(std::string("/home/ann/Documents/") + name));
        if (i % 100 == 99) {
            input.sample.text = pathological(i / 100);
            batch.written.push_back(DocKind::unknown);
        } else {
            input.sample.text = seed.text;
            const size_t target = length(random);
            while (input.sample.text.size() < target) input.sample.text += filler[random() % std::size(filler)];
            batch.written.push_back(seed.kind);
        }
        input.fingerprint = fingerprinter.fingerprint(input.sample);
        batch.inputs.push_back(std::move(input));
    }
    return batch;
}

const Batch& corpus() {
    static const Batch made = makeBatch(1000);
    return made;
}

const std::vector<RecognitionEngine::Input>& batch() { return corpus().inputs; }

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

// What the engine makes of the corpus: documents recognised as the kind they were written as (and
// how many of those confidently), documents of a kind left unknown, and documents given another kind.
void kindsRecognised(benchmark::State& state) {
    const Batch& batch = corpus();
    const RecognitionEngine engine{OwnerIdentity("Ann Lee"), {}};
    std::vector<ContentInsight> insights;
    for (auto _ : state) insights = engine.recognize(batch.inputs);
    double asWritten = 0, confident = 0, missed = 0, otherKind = 0;
    for (size_t i = 0; i < insights.size(); ++i) {
        const DocKind written = batch.written[i];
        if (insights[i].kind == written) {
            ++asWritten;
            if (insights[i].tier == ConfidenceTier::confident) ++confident;
        } else if (insights[i].kind == DocKind::unknown) {
            ++missed;
        } else {
            ++otherKind;
        }
    }
    state.counters["as_written"] = asWritten;
    state.counters["confident_as_written"] = confident;
    state.counters["missed"] = missed;
    state.counters["other_kind"] = otherKind;
}
BENCHMARK(kindsRecognised)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
