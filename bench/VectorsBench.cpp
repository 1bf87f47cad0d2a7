// Kernels of the similarity arithmetic over realistic term vectors (a few hundred terms each).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "OrdaneCore/Vectors/CentroidMath.hpp"
#include "OrdaneCore/Vectors/CorpusStats.hpp"
#include "OrdaneCore/Vectors/SparseVector.hpp"

using namespace ordane;

namespace {

// A document's term vector: `terms` buckets, weights 1 + ln(count) with Zipf-like counts. Low
// buckets are drawn more often, so documents share part of their vocabulary as real ones do.
SparseVector document(std::mt19937& random, int terms) {
    std::vector<bool> taken(SparseVector::dimension, false);
    std::exponential_distribution<double> spread(1.0 / 900.0);
    int placed = 0;
    while (placed < terms) {
        auto bucket = static_cast<int>(spread(random)) % SparseVector::dimension;
        if (taken[bucket]) continue;
        taken[bucket] = true;
        ++placed;
    }
    SparseVector result;
    int rank = 1;
    for (int bucket = 0; bucket < SparseVector::dimension; ++bucket) {
        if (!taken[bucket]) continue;
        int count = 1 + static_cast<int>(40.0 / (1 + random() % static_cast<unsigned>(rank++)));
        result.indices.push_back(static_cast<uint16_t>(bucket));
        result.values.push_back(1.0f + std::log(static_cast<float>(count)));
    }
    return result;
}

std::vector<SparseVector> corpus(int count, int terms = 300) {
    std::mt19937 random(7);
    std::vector<SparseVector> documents;
    for (int i = 0; i < count; ++i) documents.push_back(document(random, terms));
    return documents;
}

// Weighted by the batch's idf and normalised, as recognition compares them.
std::vector<SparseVector> weightedCorpus(int count) {
    auto documents = corpus(count);
    CorpusStats stats = CorpusStats::build(documents);
    for (auto& v : documents) v = SparseVector::weighted(stats.idf, v);
    return documents;
}

void Dot(benchmark::State& state) {
    auto documents = weightedCorpus(2);
    for (auto _ : state) benchmark::DoNotOptimize(SparseVector::dot(documents[0], documents[1]));
}
BENCHMARK(Dot);

void Cosine(benchmark::State& state) {
    auto documents = weightedCorpus(2);
    for (auto _ : state) benchmark::DoNotOptimize(SparseVector::cosine(documents[0], documents[1]));
}
BENCHMARK(Cosine);

void CosineToCentroid(benchmark::State& state) {
    auto documents = weightedCorpus(32);
    auto centroid = CentroidMath::centroid(documents);
    float norm = CentroidMath::norm(centroid);
    for (auto _ : state) benchmark::DoNotOptimize(SparseVector::cosineToCentroid(centroid, documents[3], norm));
}
BENCHMARK(CosineToCentroid);

void Weighted(benchmark::State& state) {
    auto documents = corpus(64);
    CorpusStats stats = CorpusStats::build(documents);
    for (auto _ : state) benchmark::DoNotOptimize(SparseVector::weighted(stats.idf, documents[5]));
}
BENCHMARK(Weighted);

void Centroid(benchmark::State& state) {
    auto documents = weightedCorpus(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(CentroidMath::centroid(documents));
}
BENCHMARK(Centroid)->Arg(8)->Arg(32)->Arg(128);

void CentroidNorm(benchmark::State& state) {
    auto centroid = CentroidMath::centroid(weightedCorpus(32));
    for (auto _ : state) benchmark::DoNotOptimize(CentroidMath::norm(centroid));
}
BENCHMARK(CentroidNorm);

void LeaveOneOutCohesion(benchmark::State& state) {
    auto documents = weightedCorpus(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(CentroidMath::leaveOneOutCohesion(documents));
}
BENCHMARK(LeaveOneOutCohesion)->Arg(8)->Arg(32)->Arg(128);

// The same result computed the plain way (a full copy and a 4,096-wide sum per member), for scale.
void LeaveOneOutCohesionPlain(benchmark::State& state) {
    auto documents = weightedCorpus(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<float> sum(SparseVector::dimension, 0.0f);
        for (const auto& m : documents) {
            for (size_t k = 0; k < m.indices.size(); ++k) sum[m.indices[k]] += m.values[k];
        }
        double total = 0.0;
        for (const auto& m : documents) {
            std::vector<float> rest = sum;
            for (size_t k = 0; k < m.indices.size(); ++k) rest[m.indices[k]] -= m.values[k];
            total += SparseVector::cosineToCentroid(rest, m, CentroidMath::norm(rest));
        }
        benchmark::DoNotOptimize(total / static_cast<double>(documents.size()));
    }
}
BENCHMARK(LeaveOneOutCohesionPlain)->Arg(8)->Arg(32)->Arg(128);

void Sparsify(benchmark::State& state) {
    auto centroid = CentroidMath::centroid(weightedCorpus(32));
    for (auto _ : state) benchmark::DoNotOptimize(CentroidMath::sparsify(centroid, 512));
}
BENCHMARK(Sparsify);

void BuildCorpusStats(benchmark::State& state) {
    auto documents = corpus(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(CorpusStats::build(documents));
}
BENCHMARK(BuildCorpusStats)->Arg(64)->Arg(500);

}  // namespace

BENCHMARK_MAIN();
