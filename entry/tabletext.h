// The printed form of the table: a short heading, then one line per grid row
// with every cell (headings included) padded to 12 bytes.
#pragma once

#include <string>
#include <vector>

#include "common/printing.h"
#include "entry/grid.h"

namespace ca {

std::vector<std::string> TableLines(const GridModel& grid);

// Prints the lines on the text device of `canvas` in "ＭＳ 明朝" at 12 points.
// A failure drops the document and goes on to the caller.
void PrintTable(const GridModel& grid, Canvas& canvas);

}  // namespace ca
