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
// ends; "" inside it stands for one quote.
std::vector<std::vector<std::string>> SplitBlock(std::string_view text);

// Converts every cell of a UTF-8 block to Shift_JIS. False when a character
// cannot be held: `bad` gets it (UTF-8) and `badRow` its row, from 1; the
// block is then left as it was.
bool BlockToSjis(std::vector<std::vector<std::string>>& rows, std::string& bad, int& badRow);

// Writes the block with its top-left at the current cell. The grid grows by
// the rows and columns it needs, with their headings and blanks in their
// cells as the add buttons make them. False (nothing changed) for an empty
// block, a block the table holds already, or a current cell in the headings;
// a block wider than the grid can be raises as SetColCount does, before
// anything changes.
bool PasteBlock(GridModel& g, const std::vector<std::vector<std::string>>& rows);

}  // namespace ca
