#include "entry/paste.h"

#include <algorithm>


namespace ca {

bool IsBlock(std::string_view text) { return text.find_first_of("\t\r\n") != std::string_view::npos; }

std::vector<std::vector<std::string>> SplitBlock(std::string_view text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string cell;
    bool start = true;   // at the start of a cell
    bool ended = false;  // just after a line end
    size_t i = 0;
    const auto lineEnd = [&](size_t at) -> size_t {  // the length of a line end at `at`, or 0
        if (text[at] == '\n') return 1;
        return text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 0;
    };
    while (i < text.size()) {
        if (start && text[i] == '"') {  // a quoted cell, to its closing quote
            start = ended = false;
            for (++i; i < text.size(); ++i) {
                if (text[i] != '"') {
                    cell.push_back(text[i]);
                } else if (i + 1 < text.size() && text[i + 1] == '"') {
                    cell.push_back('"');
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
            continue;
        }
        start = true;
        ended = false;
        if (text[i] == '\t') {
            rows.back().push_back(std::move(cell));
            cell.clear();
            ++i;
        } else if (const size_t n = lineEnd(i)) {
            rows.back().push_back(std::move(cell));
            cell.clear();
            i += n;
            ended = true;
            if (i < text.size()) rows.emplace_back();
        } else {
            start = false;
            cell.push_back(text[i++]);
        }
    }
    if (text.empty()) rows.clear();
    else if (!ended) rows.back().push_back(std::move(cell));
    return rows;
}

int LineOf(std::string_view text, std::string_view part) {
    const std::string_view before = text.substr(0, std::min(text.find(part), text.size()));
    return 1 + static_cast<int>(std::count(before.begin(), before.end(), '\n'));
}

bool PasteBlock(GridModel& g, const std::vector<std::vector<std::string>>& rows) {
    const int col0 = g.CurrentCol(), row0 = g.CurrentRow();
    if (rows.empty() || col0 < std::max(g.FixedCols(), 1) || row0 < std::max(g.FixedRows(), 1)) return false;
    size_t width = 0;
    for (const auto& line : rows) width = std::max(width, line.size());
    const int oldCols = g.ColCount(), oldRows = g.RowCount();
    const int64_t needCols = col0 + static_cast<int64_t>(width), needRows = row0 + static_cast<int64_t>(rows.size());
    const int cols = static_cast<int>(std::min<int64_t>(std::max<int64_t>(oldCols, needCols), INT32_MAX));
    const int rowCount = static_cast<int>(std::min<int64_t>(std::max<int64_t>(oldRows, needRows), INT32_MAX));
    if (cols == oldCols && rowCount == oldRows) {  // a block the table holds already changes nothing
        bool same = true;
        for (size_t r = 0; r < rows.size() && same; ++r)
            for (size_t c = 0; c < rows[r].size() && same; ++c)
                same = g.CellView(col0 + static_cast<int>(c), row0 + static_cast<int>(r)) == rows[r][c];
        if (same) return false;
    }
    if (cols > oldCols) {
        g.SetColCount(cols);  // raises for too many, before anything changes
        g.WriteAttrHeadings(oldCols, cols);
    }
    if (rowCount > oldRows) {
        g.SetRowCount(rowCount);
        g.WriteObjectHeadings(oldRows, rowCount);
    }
    g.SetCurrent(col0, row0);
    // New columns get blanks in every row; so do new rows, in every column.
    int row = cols > oldCols ? 1 : row0;
    g.EditRows(row, rowCount, cols - 1, [&](std::vector<std::string_view>& cells) {
        const int from = row >= oldRows ? 1 : oldCols;
        std::fill(cells.begin() + (from - 1), cells.begin() + (cols - 1), " ");
        if (row >= row0 && row - row0 < static_cast<int>(rows.size())) {
            const auto& line = rows[row - row0];
            std::copy(line.begin(), line.end(), cells.begin() + (col0 - 1));
        }
        ++row;
    });
    return true;
}

}  // namespace ca
