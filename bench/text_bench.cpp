// Speed of the number texts of the output file: the input echo (every value
// in a 7-wide field with 1 decimal) and the distance table (7 significant
// digits).
// Run: build/bench/text_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// The counter ns_per_value is the time of one number (in seconds, shown with
// its SI prefix: "n" for nanoseconds).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/numinput.h"
#include "common/textrules.h"

namespace {

using namespace ca;

// Values as the grid gives them: 3-decimal texts 0..100 read as 80-bit values.
std::vector<long double> EchoValues(size_t count, uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<int> u(0, 100000);
    std::vector<long double> v(count);
    char text[32];
    for (auto& x : v) {
        const int n = u(rng);
        std::snprintf(text, sizeof text, "%d.%03d", n / 1000, n % 1000);
        x = *ParseNumber(text, '.');
    }
    return v;
}

// Euclidean distances between random rows of `attrs` such values.
const std::vector<long double>& Distances(int attrs) {
    static std::vector<long double> five, wide;
    std::vector<long double>& d = attrs == 5 ? five : wide;
    if (!d.empty()) return d;
    const int rows = 1000;
    const std::vector<long double> coord = EchoValues(static_cast<size_t>(rows) * attrs, attrs);
    for (int i = 1; i < rows && d.size() < 200000; ++i)
        for (int j = 0; j < i && d.size() < 200000; ++j) {
            long double sum = 0;
            for (int k = 0; k < attrs; ++k) {
                const long double diff = coord[i * attrs + k] - coord[j * attrs + k];
                sum = sum + diff * diff;
            }
            d.push_back(std::sqrt(sum));
        }
    return d;
}

const std::vector<long double>& Echo() {
    static const std::vector<long double> v = EchoValues(200000, 1);
    return v;
}

void PerValue(benchmark::State& state, size_t count) {
    state.counters["ns_per_value"] = benchmark::Counter(
        static_cast<double>(count) * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Lines of 200 fields, as the echo writes them.
template <class Format>
void EchoLines(benchmark::State& state, Format format) {
    const auto& v = Echo();
    std::string line;
    for (auto _ : state) {
        for (size_t i = 0; i < v.size(); i += 200) {
            line.clear();
            for (size_t k = i; k < i + 200; ++k) format(line, v[k]);
            benchmark::DoNotOptimize(line.data());
        }
    }
    PerValue(state, v.size());
}

void BM_Echo_Append(benchmark::State& state) {
    EchoLines(state, [](std::string& line, long double x) { AppendFixedField(line, x, 7, 1); });
}
BENCHMARK(BM_Echo_Append);

// Cells padded to 10 bytes, 200 to a line, as the distance table writes them.
template <class Format>
void TableLines(benchmark::State& state, Format format) {
    const auto& v = Distances(static_cast<int>(state.range(0)));
    std::string line;
    for (auto _ : state) {
        for (size_t i = 0; i < v.size(); i += 200) {
            line.clear();
            for (size_t k = i; k < i + 200; ++k) {
                const size_t start = line.size();
                format(line, v[k]);
                if (line.size() - start < 10) line.append(start + 10 - line.size(), ' ');
            }
            benchmark::DoNotOptimize(line.data());
        }
    }
    PerValue(state, v.size());
}

// The distances of rows of 5 and of 200 attributes.
void BM_Dist_Append(benchmark::State& state) {
    TableLines(state, [](std::string& line, long double x) { AppendDistText(line, x, '.', 10); });
}
BENCHMARK(BM_Dist_Append)->Arg(5)->Arg(200);

}  // namespace

BENCHMARK_MAIN();
