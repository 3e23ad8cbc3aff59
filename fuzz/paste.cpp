// Blocks pasted from a clipboard: the split, and the paste with its undo.
#include <string>
#include <vector>

#include "common/error.h"
#include "common/sjis.h"
#include "entry/grid.h"
#include "entry/history.h"
#include "entry/paste.h"
#include "fuzz/targets.h"

namespace ca::fuzz {

namespace {

using Block = std::vector<std::vector<std::string>>;

// The block as a spreadsheet puts it on the clipboard: a cell that holds a
// tab, a line end or begins with a quote goes in quotes, inner ones doubled.
std::string Join(const Block& rows) {
    std::string text;
    for (const auto& line : rows) {
        for (size_t i = 0; i < line.size(); ++i) {
            const std::string& cell = line[i];
            if (i) text += '\t';
            if (cell.find_first_of("\t\r\n") == std::string::npos && (cell.empty() || cell[0] != '"')) {
                text += cell;
                continue;
            }
            text += '"';
            for (char b : cell) text += b == '"' ? std::string("\"\"") : std::string(1, b);
            text += '"';
        }
        text += "\r\n";
    }
    return text;
}

// Everything of a small grid: counts, the current cell, every cell with a
// margin beyond the counts (hidden cells included).
std::vector<std::string> Reads(const GridModel& g) {
    std::vector<std::string> r = {std::to_string(g.RowCount()), std::to_string(g.ColCount()),
                                  std::to_string(g.CurrentCol()), std::to_string(g.CurrentRow())};
    for (int row = 0; row < g.RowCount() + 3; ++row)
        for (int col = 0; col < g.ColCount() + 3; ++col) r.push_back(g.Cell(col, row));
    return r;
}

}  // namespace

// The first byte places the current cell in a small table with a hidden
// cell; the rest is the clipboard's text.
void BlockPaste(const uint8_t* data, size_t size) {
    if (size == 0) return;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    Block rows = SplitBlock(text);
    Check(SplitBlock(Join(rows)) == rows, "the block written as a spreadsheet writes it splits otherwise");
    if (rows.empty() || rows.size() > 64 || text.size() > 4096) return;  // the paste itself on small blocks only
    std::string sjis, bad;
    if (!TryUtf8ToSjis(text, sjis, &bad)) {
        Check(!bad.empty() && text.find(bad) != std::string::npos, "a refusal names no character of the text");
        return;
    }
    rows = SplitBlock(sjis);
    GridModel g;
    FormCreate(g);
    g.SetCell(1, 2, "a");
    g.SetCell(3, 3, "hidden");
    g.SetCurrent(1 + data[0] % 3, 1 + (data[0] / 3) % 4);
    const int col0 = g.CurrentCol(), row0 = g.CurrentRow();
    const std::vector<std::string> before = Reads(g);
    GridHistory history;
    auto copy = std::make_unique<GridModel>(g);
    bool pasted = false;
    try {
        pasted = PasteBlock(g, rows);
    } catch (const Error&) {
        Check(Reads(g) == before, "a refused paste changed the grid");
        return;
    }
    if (!pasted) {  // the table held the block already
        Check(Reads(g) == before, "a paste that changed nothing changed the grid");
        return;
    }
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            Check(g.Cell(col0 + static_cast<int>(c), row0 + static_cast<int>(r)) == rows[r][c], "a cell is not the block's");
    const std::vector<std::string> after = Reads(g);
    history.TableChanged(std::move(copy));
    history.Undo(g);
    Check(Reads(g) == before, "undo does not give back the table");
    history.Redo(g);
    Check(Reads(g) == after, "redo does not give back the paste");
}

}  // namespace ca::fuzz
