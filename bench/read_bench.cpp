// Speed of reading a table into the grid and of turning its cells into
// numbers, at the largest table the analysis accepts (1000 objects x 200
// attributes, values 0.000 .. 99.999), as a batch run does it.
// Run: build/bench/read_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>

#include "engine/store.h"
#include "entry/csv.h"
#include "entry/datafile.h"
#include "entry/grid.h"
#include "entry/launch.h"

namespace {

using namespace ca;

constexpr int kObjects = 1000;
constexpr int kAttrs = 200;

// The two files of one table, written once into a folder of their own.
struct Files {
    std::string dir, csv, dat;
    Files() {
        char tmpl[] = "/tmp/read_bench.XXXXXX";
        if (!mkdtemp(tmpl)) abort();
        dir = tmpl;
        csv = dir + "/table.csv";
        dat = dir + "/table.dat";
        std::mt19937_64 rng(1000 * 200);
        std::uniform_int_distribution<int> value(0, 99999);
        std::string c = "name", d = std::to_string(kObjects + 2) + "\r\n" + std::to_string(kAttrs + 2) + "\r\nname\r\n";
        for (int k = 1; k <= kAttrs; ++k) {
            c += ",a" + std::to_string(k);
            d += "a" + std::to_string(k) + "\r\n";
        }
        c += "\r\n";
        char v[16];
        for (int i = 1; i <= kObjects; ++i) {
            c += "obj" + std::to_string(i);
            d += "obj" + std::to_string(i) + "\r\n";
            for (int k = 1; k <= kAttrs; ++k) {
                const int x = value(rng);
                snprintf(v, sizeof v, "%d.%03d", x / 1000, x % 1000);
                c += ',';
                c += v;
                d += v;
                d += "\r\n";
            }
            c += "\r\n";
        }
        std::ofstream(csv, std::ios::binary) << c;
        std::ofstream(dat, std::ios::binary) << d;
    }
    ~Files() { std::filesystem::remove_all(dir); }
};

const Files& TheFiles() {
    static Files f;
    return f;
}

AnalysisStore& BenchStore() {
    static auto* s = new AnalysisStore();
    return *s;
}

// Reading one of the files into a fresh grid.
template <void (*Read)(GridModel&, const std::string&), std::string Files::*File>
void BM_Read(benchmark::State& state) {
    const Files& f = TheFiles();
    for (auto _ : state) {
        GridModel g;
        Read(g, f.*File);
        benchmark::DoNotOptimize(g.RowCount());
    }
}
BENCHMARK(BM_Read<ImportCsv, &Files::csv>)->Name("BM_ImportCsv")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Read<LoadDataFile, &Files::dat>)->Name("BM_LoadDataFile")->Unit(benchmark::kMillisecond)->UseRealTime();

// Ward's method computes nothing before the output file is asked for, and a
// cancelled choice ends the launch there: what is timed is the parse.
void BM_LaunchParse(benchmark::State& state) {
    GridModel g;
    LoadDataFile(g, TheFiles().dat);
    AnalysisStore& s = BenchStore();
    const ChooseOutputFile cancel = [] { return std::optional<std::string>(); };
    for (auto _ : state) {
        const LaunchResult r = Launch(s, g, 1, cancel, '.');
        if (r.outcome != LaunchOutcome::Cancelled) state.SkipWithError("the table did not parse");
        benchmark::DoNotOptimize(s.Coord(kObjects, kAttrs));
    }
}
BENCHMARK(BM_LaunchParse)->Unit(benchmark::kMillisecond)->UseRealTime();

// Both steps as a batch run takes them.
template <void (*Read)(GridModel&, const std::string&)>
void BM_ReadAndParse(benchmark::State& state) {
    const std::string path = state.range(0) ? TheFiles().csv : TheFiles().dat;
    AnalysisStore& s = BenchStore();
    const ChooseOutputFile cancel = [] { return std::optional<std::string>(); };
    for (auto _ : state) {
        GridModel g;
        Read(g, path);
        const LaunchResult r = Launch(s, g, 1, cancel, '.');
        if (r.outcome != LaunchOutcome::Cancelled) state.SkipWithError("the table did not parse");
    }
}
BENCHMARK(BM_ReadAndParse<ImportCsv>)->Name("CsvAndParse")->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadAndParse<LoadDataFile>)->Name("DataFileAndParse")->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
