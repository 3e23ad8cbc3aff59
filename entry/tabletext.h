// The printed form of the table: a short heading, then one line per grid row
// with every cell (headings included) padded to 12 bytes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/printing.h"
#include "entry/grid.h"

namespace ca {

std::vector<std::string> TableLines(const GridModel& grid);

// Told after each printed line how many of how many are done; answers false
// to stop the printing.
using PrintProgress = std::function<bool(int done, int total)>;

// Prints the lines on the text device of `canvas` in "ＭＳ 明朝" at 12 points.
// A failure drops the document and goes on to the caller; so does a stop
// asked for by `progress`, which returns false (nothing is printed).
bool PrintTable(const GridModel& grid, Canvas& canvas, const PrintProgress& progress = {});

}  // namespace ca
