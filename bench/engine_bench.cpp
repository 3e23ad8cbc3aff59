// Speed of the distance computation and of both agglomerations at the largest
// table the program accepts, with the literal procedure at N = 200 for a ratio.
// Run: build/bench/engine_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "engine/agglomerate.h"
#include "engine/distances.h"
#include "tests/engine/literal.h"

namespace {

using namespace ca;

AnalysisStore& BenchStore() {
    static auto* s = new AnalysisStore();
    return *s;
}

// Values 0..100, times `scale`.
void FillCoord(AnalysisStore& s, int n, int m, long double scale = 1) {
    std::mt19937_64 rng(n * 1000 + m);
    std::uniform_real_distribution<double> u(0, 100);
    s.ObjectCount = n;
    s.AttrCount = m;
    for (int i = 1; i <= n; ++i)
        for (int k = 1; k <= m; ++k) s.Coord(i, k) = scale * static_cast<long double>(u(rng));
    s.PairSumsValid = false;
}

void BM_PairSums(benchmark::State& state) {
    AnalysisStore& s = BenchStore();
    FillCoord(s, state.range(0), state.range(1));
    for (auto _ : state) {
        s.PairSumsValid = false;
        ComputePairSums(s);
        benchmark::DoNotOptimize(s.PairList.data());
    }
}
BENCHMARK(BM_PairSums)->Args({1000, 200})->Args({1000, 5})->Args({200, 5})->Unit(benchmark::kMillisecond)->UseRealTime();

// The centroid method's distances at launch: the pair sums and, for the
// distance table, their square roots.
void BM_DistMatrix(benchmark::State& state) {
    AnalysisStore& s = BenchStore();
    FillCoord(s, state.range(0), state.range(1));
    for (auto _ : state) {
        s.PairSumsValid = false;
        ComputeDistMatrix(s);
        benchmark::DoNotOptimize(s.DistMatrix.Row(1));
    }
}
BENCHMARK(BM_DistMatrix)->Args({1000, 200})->Args({1000, 5})->Unit(benchmark::kMillisecond)->UseRealTime();

// The plain single-threaded triple loop in extended precision, for reference.
void BM_PlainTripleLoop(benchmark::State& state) {
    AnalysisStore& s = BenchStore();
    const int n = state.range(0), m = state.range(1);
    FillCoord(s, n, m);
    std::vector<long double> out(static_cast<size_t>(n) * (n - 1) / 2);
    for (auto _ : state) {
        size_t p = 0;
        for (int j = 2; j <= n; ++j)
            for (int i = 1; i < j; ++i) {
                long double sum = 0;
                for (int k = 1; k <= m; ++k) {
                    long double d = s.Coord(j, k) - s.Coord(i, k);
                    sum = sum + d * d;
                }
                out[p++] = sum;
            }
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_PlainTripleLoop)->Args({1000, 200})->Args({1000, 5})->Unit(benchmark::kMillisecond)->UseRealTime();

template <void (*Method)(AnalysisStore&)>
void BM_Agglomerate(benchmark::State& state) {
    AnalysisStore& s = BenchStore();
    // A fourth argument 1: coordinates beyond 2^400, whose centroid distances
    // are computed exactly, without screening.
    FillCoord(s, state.range(0), state.range(1), state.range(3) ? 0x1p420L : 1);
    s.DistType = state.range(2);
    ComputePairSums(s);
    for (auto _ : state) {
        state.PauseTiming();
        s.ReleaseAllRecords();
        FillPairList(s);
        MakeObjectClusters(s);
        state.ResumeTiming();
        Method(s);
    }
    s.ReleaseAllRecords();
}
BENCHMARK(BM_Agglomerate<CentroidMethod>)->Name("Centroid")
    ->Args({1000, 200, 0, 0})->Args({1000, 5, 0, 0})->Args({200, 5, 0, 0})->Args({1000, 200, 0, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Agglomerate<WardMethod>)->Name("Ward")
    ->Args({1000, 200, 1, 0})->Args({1000, 5, 1, 0})->Args({200, 5, 1, 0})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Agglomerate<testing::LiteralCentroidMethod>)->Name("LiteralCentroid")
    ->Args({200, 5, 0, 0})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Agglomerate<testing::LiteralWardMethod>)->Name("LiteralWard")
    ->Args({200, 5, 1, 0})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
