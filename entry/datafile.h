// The program's own data file: the row count and the column count on two
// lines, then the trimmed text of every cell outside the headings, one per
// line, row by row.
#pragma once

#include <string>

#include "common/error.h"

#include "entry/grid.h"

namespace ca {

// A count line that does not hold an integer: the I/O error 106, with the
// line it concerns.
class CountLineError : public IoError {
public:
    explicit CountLineError(std::string line) : IoError(kNotANumber), line_(std::move(line)) {}
    // "行数の行" (the row count) or "列数の行" (the column count), Shift_JIS.
    const std::string& Line() const { return line_; }

private:
    std::string line_;
};

// Largest table a data file may describe (rows x columns).
constexpr int64_t kMaxDataFileCells = 10000000;

void SaveDataFile(const GridModel& grid, const std::string& path);

// Reads a data file into the grid step by step; an error stops the load with
// what was read so far in place (the counts are checked together first).
// Each row is rewritten from its lines, hidden text beyond the column count
// included; cells the file does not reach are empty. A count line that is
// not a number raises CountLineError.
void LoadDataFile(GridModel& grid, const std::string& path);

// The text without its leading and trailing bytes 0x00-0x20.
std::string TrimControl(const std::string& text);

}  // namespace ca
