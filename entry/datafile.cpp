#include "entry/datafile.h"

#include "common/error.h"
#include "common/textfile.h"

namespace ca {

std::string TrimControl(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
    return text.substr(b, e - b);
}

void SaveDataFile(const GridModel& grid, const std::string& path) {
    TextWriter out;
    out.Create(path);
    const int rows = grid.RowCount(), cols = grid.ColCount();
    out.WriteLine(std::to_string(rows));
    out.WriteLine(std::to_string(cols));
    for (int r = 1; r < rows; ++r)
        for (int c = 1; c < cols; ++c) out.WriteLine(TrimControl(grid.Cell(c, r)));
    out.Close();
}

void LoadDataFile(GridModel& grid, const std::string& path) {
    TextReader in;
    in.Open(path);
    auto tooLarge = [](const std::string& size) {
        return Error(J("データファイルの表が大きすぎます (") + size + J(")。読み込めるのは ") +
                     std::to_string(kMaxDataFileCells) + J(" セルまでです"));
    };
    auto readCount = [&](const char* line) {
        try {
            return in.ReadIntToken();
        } catch (const IoError& e) {
            if (e.Code() == kNotANumber) throw CountLineError(J(line));
            throw;
        }
    };
    const int32_t rows = readCount("行数の行");
    in.SkipLine();
    const int64_t r64 = rows < 1 ? 1 : rows;
    if (r64 > kMaxDataFileCells) throw tooLarge(std::to_string(rows) + J(" 行"));
    int32_t cols;
    try {
        cols = readCount("列数の行");
    } catch (const IoError&) {
        grid.SetRowCount(rows);  // a bad column count stops the load after the rows
        throw;
    }
    in.SkipLine();
    const int64_t c64 = cols < 1 ? 1 : cols;
    if (r64 * c64 > kMaxDataFileCells)
        throw tooLarge(std::to_string(rows) + J(" 行 × ") + std::to_string(cols) + J(" 列"));
    grid.SetRowCount(rows);
    grid.SetColCount(cols);
    const int R = grid.RowCount(), C = grid.ColCount();
    grid.WriteObjectHeadings(2, R);
    grid.WriteAttrHeadings(2, C);
    std::string line;
    GridModel::RowText cells;
    for (int r = 1; r < R && C > 1; ++r) {
        // Each row is gathered from its lines and then rewritten at once;
        // a failing read still leaves what was read of the row in place.
        cells.Clear();
        bool ended = false;
        try {
            for (int c = 1; c < C && !ended; ++c) {
                ended = in.AtEnd();
                if (!ended) {
                    in.ReadLine(line);
                    cells.Append(line);
                }
            }
        } catch (...) {
            grid.SetRow(r, cells);
            throw;
        }
        grid.SetRow(r, cells);
        if (ended) {
            // Every cell the file does not reach reads as empty text; only
            // what the grid holds there costs time.
            grid.ClearBlock(1, C, r + 1, R);
            in.Close();
            return;
        }
    }
    in.Close();
}

}  // namespace ca
