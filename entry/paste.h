// Blocks of cells pasted from a spreadsheet's clipboard: tab-separated text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "entry/grid.h"

namespace ca {

// True when the text is a block rather than one cell's text: it holds a tab
// or a line end.
bool IsBlock(std::string_view text);

// The rows of a block, as spreadsheets write it: lines end at LF or CR LF (a
// line end at the very end adds no row), cells at tabs. A cell that begins
// with a double quote runs to its closing quote and may hold tabs and line
// ends; "" inside it stands for one quote. Shift_JIS text splits as well as
// ASCII: no second byte of a character is a tab, a line end or a quote.
std::vector<std::vector<std::string>> SplitBlock(std::string_view text);

// The line, from 1, where `part` first occurs in `text` (lines end at LF).
int LineOf(std::string_view text, std::string_view part);

// Writes the block with its top-left at the current cell. The grid grows by
// the rows and columns it needs, with their headings and blanks in their
// cells as the add buttons make them. False (nothing changed) for an empty
// block, a block the table holds already, or a current cell in the headings;
// a block wider than the grid can be raises as SetColCount does, before
// anything changes.
bool PasteBlock(GridModel& g, const std::vector<std::vector<std::string>>& rows);

}  // namespace ca
