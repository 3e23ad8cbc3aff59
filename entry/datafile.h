// The program's own data file: the row count and the column count on two
// lines, then the trimmed text of every cell outside the headings, one per
// line, row by row.
#pragma once

#include <string>

#include "entry/grid.h"

namespace ca {

// Largest table a data file may describe (rows x columns).
constexpr int64_t kMaxDataFileCells = 10000000;

void SaveDataFile(const GridModel& grid, const std::string& path);

// Reads a data file into the grid step by step; an error stops the load with
// what was read so far in place (the counts are checked together first).
void LoadDataFile(GridModel& grid, const std::string& path);

// The text without its leading and trailing bytes 0x00-0x20.
std::string TrimControl(const std::string& text);

}  // namespace ca
