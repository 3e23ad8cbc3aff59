// The data-entry window's row and column commands on tall and wide tables:
// 200,000 rows x 2 columns (a long CSV) and 1002 x 202 (the largest table the
// analysis takes). Each iteration adds a row (or column) below (right of) the
// middle one and deletes it again, so the table stays as it was.
// Run: build/bench/grid_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <string>

#include "entry/grid.h"
#include "entry/history.h"

namespace {

using namespace ca;

GridModel Table(int rows, int cols) {
    GridModel g;
    FormCreate(g);
    g.SetRowCount(rows);
    g.SetColCount(cols);
    GridModel::RowText text;
    for (int r = 1; r < rows; ++r) {
        text.Clear();
        for (int c = 1; c < cols; ++c) text.Append(std::to_string((r * 31 + c * 17) % 100000));
        g.SetRow(r, text);
    }
    g.SetCurrent(cols / 2, rows / 2);
    return g;
}

void BM_AddAndDeleteRow(benchmark::State& state) {
    GridModel g = Table(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const int row = g.CurrentRow();
    for (auto _ : state) {
        AddButtonClick(g);
        g.SetCurrent(g.CurrentCol(), row + 1);
        DelButtonClick(g);
        g.SetCurrent(g.CurrentCol(), row);
    }
}
// After a column was deleted every row keeps a cell beyond the column count,
// which stays where it is while the rows move.
void BM_AddAndDeleteRowAfterAColumnDelete(benchmark::State& state) {
    GridModel g = Table(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const int col = g.CurrentCol(), row = g.CurrentRow();
    AddColButtonClick(g);
    g.SetCurrent(col + 1, row);
    DelColButtonClick(g);
    g.SetCurrent(col, row);
    for (auto _ : state) {
        AddButtonClick(g);
        g.SetCurrent(g.CurrentCol(), row + 1);
        DelButtonClick(g);
        g.SetCurrent(g.CurrentCol(), row);
    }
}
BENCHMARK(BM_AddAndDeleteRowAfterAColumnDelete)->Args({200000, 3})->Args({1002, 202})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddAndDeleteRow)->Args({200000, 3})->Args({1002, 202})->Unit(benchmark::kMillisecond);

void BM_AddAndDeleteColumn(benchmark::State& state) {
    GridModel g = Table(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const int col = g.CurrentCol();
    for (auto _ : state) {
        AddColButtonClick(g);
        g.SetCurrent(col + 1, g.CurrentRow());
        DelColButtonClick(g);
        g.SetCurrent(col, g.CurrentRow());
    }
}
BENCHMARK(BM_AddAndDeleteColumn)->Args({200000, 3})->Args({1002, 202})->Unit(benchmark::kMillisecond);

// As the window runs them: each command recorded for undo.
void BM_RecordedAddAndDelete(benchmark::State& state) {
    GridModel g = Table(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const bool rows = state.range(2);
    const int col = g.CurrentCol(), row = g.CurrentRow();
    GridHistory h;
    for (auto _ : state) {
        h.Run(g, rows ? GridHistory::Command::AddRow : GridHistory::Command::AddCol);
        g.SetCurrent(rows ? col : col + 1, rows ? row + 1 : row);
        h.Run(g, rows ? GridHistory::Command::DelRow : GridHistory::Command::DelCol);
        g.SetCurrent(col, row);
    }
}
BENCHMARK(BM_RecordedAddAndDelete)
    ->ArgNames({"rows", "cols", "rowCommands"})
    ->Args({200000, 3, 1})
    ->Args({200000, 3, 0})
    ->Args({1002, 202, 1})
    ->Args({1002, 202, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
