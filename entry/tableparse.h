// The table's cells as the analysis takes them: each object's label and its
// values, read into the store.
#pragma once

#include <optional>
#include <string>

#include "engine/store.h"
#include "entry/grid.h"

namespace ca {

// A value cell whose text is not a number: object `object` (grid row
// object + 1), attribute `attr` (grid column attr + 1).
struct BadValueCell {
    int object = 0;
    int attr = 0;
    std::string text;
};

// From this many value cells on, the rows are read on two threads.
constexpr int kTwoThreadCells = 8192;

// Reads objects 1..objects, with attributes 1..attrs, from the grid into
// s.Labels and s.Coord. Answers the first cell, object by object and
// attribute by attribute within one, that is not a number; cells after it
// may have been read all the same.
std::optional<BadValueCell> ReadTableValues(AnalysisStore& s, const GridModel& grid, int objects, int attrs,
                                            char separator);

}  // namespace ca
