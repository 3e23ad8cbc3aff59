#include "entry/grid.h"

#include <cmath>

#include "common/error.h"
#include "common/textrules.h"

namespace ca {

std::string ObjectHeading(int n) { return J(" 対象") + NumLabel(n); }
std::string AttrHeading(int n) { return J(" 属性") + NumLabel(n); }

void GridModel::ClampCurrent() {
    if (curRow_ > rowCount_ - 1) curRow_ = rowCount_ - 1;
    if (curCol_ > colCount_ - 1) curCol_ = colCount_ - 1;
    if (curRow_ < fixedRows_ && fixedRows_ < rowCount_) curRow_ = fixedRows_;
    if (curCol_ < fixedCols_ && fixedCols_ < colCount_) curCol_ = fixedCols_;
}

void GridModel::SetRowCount(int n) {
    if (n < 1) n = 1;
    if (n <= fixedRows_) fixedRows_ = n - 1;
    rowCount_ = n;
    ClampCurrent();
    if (observer_) observer_->GridReset();
}

void GridModel::SetColCount(int n) {
    if (n > kMaxColCount) throw Error(WithFullStop(J("グリッドが大きすぎます")));  // shown like a file error
    if (n < 1) n = 1;
    if (n <= fixedCols_) fixedCols_ = n - 1;
    colCount_ = n;
    ClampCurrent();
    if (observer_) observer_->GridReset();
}

const std::string& GridModel::Cell(int col, int row) const {
    static const std::string empty;
    if (row < 0 || col < 0 || static_cast<size_t>(row) >= cells_.size()) return empty;
    const auto& r = cells_[row];
    return static_cast<size_t>(col) < r.size() ? r[col] : empty;
}

void GridModel::SetCell(int col, int row, std::string text) {
    if (row < 0 || col < 0) return;
    if (static_cast<size_t>(row) >= cells_.size()) {
        if (text.empty()) return;  // nothing stored there yet reads as empty anyway
        cells_.resize(row + 1);
    }
    auto& r = cells_[row];
    if (static_cast<size_t>(col) >= r.size()) {
        if (text.empty()) return;
        r.resize(col + 1);
    }
    r[col] = std::move(text);
    if (observer_) observer_->CellChanged(col, row);
}

void GridModel::SetCurrent(int col, int row) {
    if (row < fixedRows_ || row >= rowCount_ || col < fixedCols_ || col >= colCount_) return;
    curCol_ = col;
    curRow_ = row;
    if (observer_) observer_->CurrentChanged(col, row);
}

int GridModel::ColWidth(int col) const {
    return col >= 0 && static_cast<size_t>(col) < colWidths_.size() && colWidths_[col] > 0 ? colWidths_[col]
                                                                                            : DefaultColWidth();
}

void GridModel::SetColWidth(int col, int width) {
    if (col < 0) return;
    if (static_cast<size_t>(col) >= colWidths_.size()) colWidths_.resize(col + 1, 0);
    colWidths_[col] = width;
    if (observer_) observer_->GridReset();
}

void FormCreate(GridModel& g) {
    g.SetColCount(3);
    g.SetRowCount(4);
    g.SetColWidth(0, static_cast<int>(std::lround(g.ColWidth(0) * 1.5)));
    g.SetCell(0, 1, J(" 属性ラベル"));
    g.SetCell(0, 2, ObjectHeading(1));
    g.SetCell(0, 3, ObjectHeading(2));
    g.SetCell(1, 0, J(" ラベル"));
    g.SetCell(2, 0, AttrHeading(1));
    g.SetCurrent(1, 1);
}

void AddButtonClick(GridModel& g) {
    const int r = g.CurrentRow();
    const int rows = g.RowCount();
    const int cols = g.ColCount();
    if (r == 0) return;
    g.SetRowCount(rows + 1);
    g.SetCell(0, rows, ObjectHeading(rows - 1));
    for (int c = 1; c < cols; ++c) g.SetCell(c, rows, " ");
    if (r == rows - 1) return;
    for (int k = rows; k >= r + 2; --k)
        for (int c = 1; c < cols; ++c) g.SetCell(c, k, g.Cell(c, k - 1));
    for (int c = 1; c < cols; ++c) g.SetCell(c, r + 1, " ");
}

void DelButtonClick(GridModel& g) {
    const int r = g.CurrentRow();
    const int rows = g.RowCount();
    const int cols = g.ColCount();
    if (r >= 2 && r < rows - 1)
        for (int k = r; k <= rows - 2; ++k)
            for (int c = 1; c < cols; ++c) g.SetCell(c, k, g.Cell(c, k + 1));
    if (r >= 2 && rows > 2) g.SetRowCount(rows - 1);
    for (int k = 2; k < g.RowCount(); ++k) g.SetCell(0, k, ObjectHeading(k - 1));
}

void AddColButtonClick(GridModel& g) {
    const int c = g.CurrentCol();
    const int cols = g.ColCount();
    const int rows = g.RowCount();
    if (c == 0) return;
    g.SetColCount(cols + 1);
    g.SetCell(cols, 0, AttrHeading(cols - 1));
    for (int r = 1; r < rows; ++r) g.SetCell(cols, r, " ");
    if (c == cols - 1) return;
    for (int k = cols; k >= c + 2; --k)
        for (int r = 1; r < rows; ++r) g.SetCell(k, r, g.Cell(k - 1, r));
    for (int r = 1; r < rows; ++r) g.SetCell(c + 1, r, " ");
}

void DelColButtonClick(GridModel& g) {
    const int c = g.CurrentCol();
    const int cols = g.ColCount();
    const int rows = g.RowCount();
    if (c <= 1 || cols <= 2) return;
    if (c < cols - 1)
        for (int k = c; k <= cols - 2; ++k)
            for (int r = 1; r < rows; ++r) g.SetCell(k, r, g.Cell(k + 1, r));
    g.SetColCount(cols - 1);
    if (g.ColCount() > 2)
        for (int k = 2; k < g.ColCount(); ++k) g.SetCell(k, 0, AttrHeading(k - 1));
}

}  // namespace ca
