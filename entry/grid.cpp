#include "entry/grid.h"

#include <algorithm>
#include <cmath>

#include "common/error.h"
#include "common/textrules.h"

namespace ca {

std::string ObjectHeading(int n) { return J(" 対象") + NumLabel(n); }
std::string AttrHeading(int n) { return J(" 属性") + NumLabel(n); }

GridModel::GridModel(const GridModel& o)
    : rowCount_(o.rowCount_), colCount_(o.colCount_), fixedRows_(o.fixedRows_), fixedCols_(o.fixedCols_),
      curCol_(o.curCol_), curRow_(o.curRow_), rowHeadings_(o.rowHeadings_), colHeadings_(o.colHeadings_),
      rowIndex_(o.rowIndex_), rows_(o.rows_), widest_(o.widest_), colWidths_(o.colWidths_) {}

void GridModel::Exchange(GridModel& o) {
    std::swap(rowCount_, o.rowCount_);
    std::swap(colCount_, o.colCount_);
    std::swap(fixedRows_, o.fixedRows_);
    std::swap(fixedCols_, o.fixedCols_);
    std::swap(curCol_, o.curCol_);
    std::swap(curRow_, o.curRow_);
    std::swap(rowHeadings_, o.rowHeadings_);
    std::swap(colHeadings_, o.colHeadings_);
    rowIndex_.swap(o.rowIndex_);
    rows_.swap(o.rows_);
    std::swap(widest_, o.widest_);
    colWidths_.swap(o.colWidths_);
    Reset();
    o.Reset();
}

size_t GridModel::MemoryUse() const {
    size_t bytes = sizeof(*this) + rowIndex_.size() * sizeof(int32_t) + colWidths_.capacity() * sizeof(int);
    for (const PackedRow& r : rows_) bytes += sizeof(PackedRow) + r.MemoryUse();
    return bytes + rowHeadings_.MemoryUse() + colHeadings_.MemoryUse();
}

GridModel::Shape GridModel::SaveShape() const {
    Shape s;
    s.rowCount = rowCount_;
    s.colCount = colCount_;
    s.fixedRows = fixedRows_;
    s.fixedCols = fixedCols_;
    s.curCol = curCol_;
    s.curRow = curRow_;
    s.rowHeadings = rowHeadings_;
    s.colHeadings = colHeadings_;
    return s;
}

void GridModel::RestoreShape(const Shape& s) {
    rowCount_ = s.rowCount;
    colCount_ = s.colCount;
    fixedRows_ = s.fixedRows;
    fixedCols_ = s.fixedCols;
    curCol_ = s.curCol;
    curRow_ = s.curRow;
    rowHeadings_ = s.rowHeadings;
    colHeadings_ = s.colHeadings;
    Reset();
}

void GridModel::Reset() {
    ++revision_;
    if (observer_) observer_->GridReset();
}

void GridModel::Changed(int col, int row) {
    ++revision_;
    if (observer_) observer_->CellChanged(col, row);
}

size_t GridModel::HeadingLine::MemoryUse() const {
    size_t bytes = 0;
    for (const auto& [k, text] : written) bytes += 64 + text.capacity();  // a map node and its text
    return bytes;
}

size_t GridModel::Shape::MemoryUse() const { return rowHeadings.MemoryUse() + colHeadings.MemoryUse(); }

bool GridModel::SameShape(const Shape& s) const {
    return rowCount_ == s.rowCount && colCount_ == s.colCount && fixedRows_ == s.fixedRows &&
           fixedCols_ == s.fixedCols && rowHeadings_ == s.rowHeadings && colHeadings_ == s.colHeadings;
}

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
    Reset();
}

void GridModel::SetColCount(int n) {
    if (n > kMaxColCount) throw Error(WithFullStop(J("グリッドが大きすぎます")));  // shown like a file error
    if (n < 1) n = 1;
    if (n <= fixedCols_) fixedCols_ = n - 1;
    colCount_ = n;
    ClampCurrent();
    Reset();
}

namespace {

// The byte count at `pos`, moving `pos` past it.
size_t ReadLength(const std::string& bytes, size_t& pos) {
    size_t n = 0;
    int shift = 0;
    unsigned char b;
    do {
        b = static_cast<unsigned char>(bytes[pos++]);
        n |= static_cast<size_t>(b & 0x7F) << shift;
        shift += 7;
    } while (b & 0x80);
    return n;
}

// The position after the cell at `pos`.
size_t SkipCell(const std::string& bytes, size_t pos) {
    const auto b = static_cast<unsigned char>(bytes[pos]);
    if (b < 0x80) return pos + 1 + b;  // the usual cell: a byte count of one byte
    const size_t n = ReadLength(bytes, pos);
    return pos + n;
}

void AppendCell(std::string& bytes, std::string_view text) {
    for (size_t n = text.size();; n >>= 7) {
        bytes.push_back(static_cast<char>((n & 0x7F) | (n >= 0x80 ? 0x80 : 0)));
        if (n < 0x80) break;
    }
    bytes.append(text);
}

}  // namespace

size_t GridModel::PackedRow::Offset(size_t i) const {
    const size_t k = std::min(i / kMarkStep, marks_.size());
    size_t pos = k ? marks_[k - 1] : 0;
    for (size_t j = k * kMarkStep; j < i; ++j) pos = SkipCell(bytes_, pos);
    return pos;
}

void GridModel::PackedRow::Mark(size_t from) {
    if (count_ < kMarkStep) return marks_.clear();  // a short row is read from its start
    marks_.resize(std::min(marks_.size(), from / kMarkStep));
    size_t pos = marks_.empty() ? 0 : marks_.back();
    for (size_t i = marks_.size() * kMarkStep; i < count_;) {
        pos = SkipCell(bytes_, pos);
        if (++i % kMarkStep == 0) marks_.push_back(pos);
    }
}

std::string_view GridModel::PackedRow::View(size_t i) const {
    if (i >= count_) return {};
    size_t pos = Offset(i);
    const size_t n = ReadLength(bytes_, pos);
    return std::string_view(bytes_).substr(pos, n);
}

void GridModel::PackedRow::Views(size_t from, size_t to, std::vector<std::string_view>& out) const {
    const size_t stored = std::min<size_t>(to, count_);
    if (from < stored) {
        const std::string_view bytes(bytes_);
        size_t pos = Offset(from);
        for (size_t i = from; i < stored; ++i) {
            const size_t n = ReadLength(bytes_, pos);
            out.push_back(bytes.substr(pos, n));
            pos += n;
        }
    }
    out.resize(out.size() + (to - std::min(std::max(from, stored), to)));  // cells not stored read as empty
}

void GridModel::PackedRow::Assign(const RowText& cells) {
    bytes_.assign(cells.bytes_, 0, cells.keptBytes_);
    if (bytes_.capacity() > 2 * bytes_.size()) bytes_.shrink_to_fit();  // a row that held more gives it back
    count_ = cells.keptCount_;
    const size_t marks = std::min<size_t>(cells.marks_.size(), count_ / kMarkStep);
    marks_.assign(cells.marks_.begin(), cells.marks_.begin() + marks);
    Mark(marks_.size() * kMarkStep);  // the end of the row, if a mark falls there
    if (marks_.capacity() > 2 * marks_.size()) marks_.shrink_to_fit();
}

void GridModel::PackedRow::Set(size_t i, std::string_view text) {
    if (i >= count_) {  // the usual case while a file is read: appended
        const size_t last = count_;
        bytes_.append(i - count_, '\0');
        AppendCell(bytes_, text);
        count_ = static_cast<uint32_t>(i + 1);
        Mark(last);
        return;
    }
    const size_t from = Offset(i);
    size_t to = from;
    to += ReadLength(bytes_, to);
    std::string cell;
    AppendCell(cell, text);
    bytes_.replace(from, to - from, cell);
    if (cell.size() != to - from)  // the cells after it move
        for (size_t k = i / kMarkStep; k < marks_.size(); ++k) marks_[k] = marks_[k] - (to - from) + cell.size();
}

bool GridModel::PackedRow::Clear(size_t from, size_t to) {
    to = std::min<size_t>(to, count_);
    if (from >= to) return false;
    std::string kept;
    size_t pos = 0;
    bool changed = false;
    for (size_t i = 0; i < count_; ++i) {
        const size_t start = pos;
        const size_t n = ReadLength(bytes_, pos);
        pos += n;
        if (i >= from && i < to) {
            changed |= n > 0;
            kept.push_back('\0');
        } else {
            kept.append(bytes_, start, pos - start);
        }
    }
    if (changed) {
        bytes_ = std::move(kept);
        Mark(from);
    }
    return changed;
}

void GridModel::PackedRow::Truncate(size_t n) {
    if (n >= count_) return;
    bytes_.resize(Offset(n));
    count_ = static_cast<uint32_t>(n);
    Mark(n);
    if (n == 0) bytes_.shrink_to_fit(), marks_.shrink_to_fit();
}

void GridModel::PackedRow::MoveCell(size_t from, size_t to, const std::string_view* text, std::string* gone) {
    const size_t lo = std::min(from, to), hi = std::max(from, to);
    if (count_ <= hi) {  // the cells up to `hi` are stored, empty
        bytes_.append(hi + 1 - count_, '\0');
        count_ = static_cast<uint32_t>(hi + 1);
    }
    // Cell hi is found on from cell lo, or from its mark where that is nearer.
    const size_t loAt = Offset(lo);
    size_t hiAt = loAt, i = lo;
    if (hi - lo >= kMarkStep) hiAt = Offset(hi), i = hi;
    for (; i < hi; ++i) hiAt = SkipCell(bytes_, hiAt);
    const size_t loEnd = SkipCell(bytes_, loAt), hiEnd = SkipCell(bytes_, hiAt);
    const size_t outAt = from == lo ? loAt : hiAt, outEnd = from == lo ? loEnd : hiEnd;
    if (gone) {
        size_t pos = outAt;
        const size_t n = ReadLength(bytes_, pos);
        gone->assign(bytes_, pos, n);
    }
    std::string cell;  // the cell that comes in, packed
    if (text)
        AppendCell(cell, *text);
    else
        cell.assign(bytes_, to == lo ? loAt : hiAt, to == lo ? loEnd - loAt : hiEnd - hiAt);
    bytes_.erase(outAt, outEnd - outAt);
    bytes_.insert(to == lo ? loAt : hiEnd - (outEnd - outAt), cell);
    Mark(lo);
}

size_t GridModel::PackedRow::MemoryUse() const {
    const size_t inline_ = std::string().capacity();  // a short row lives inside the string
    return (bytes_.capacity() > inline_ ? bytes_.capacity() + 1 : 0) + marks_.capacity() * sizeof(size_t);
}

bool GridModel::PackedRow::Split(size_t from, Tail& tail) {
    if (count_ <= from) return false;
    const size_t at = Offset(from);
    tail.bytes.assign(bytes_, at);
    tail.count = count_ - from;
    bytes_.resize(at);
    count_ = static_cast<uint32_t>(from);
    Mark(from);
    return true;
}

void GridModel::PackedRow::Join(size_t from, const Tail& tail) {
    if (count_ > from) Truncate(from);
    bytes_.append(from - count_, '\0');  // empty cells up to it
    bytes_.append(tail.bytes);
    const size_t last = count_;
    count_ = static_cast<uint32_t>(from + tail.count);
    Mark(last);
}

GridModel::PackedRow* GridModel::Row(int row) {
    if (row < 1 || static_cast<size_t>(row - 1) >= rowIndex_.size() || rowIndex_[row - 1] < 0) return nullptr;
    return &rows_[rowIndex_[row - 1]];
}

GridModel::PackedRow* GridModel::NewRow(int row) {
    if (static_cast<size_t>(row - 1) >= rowIndex_.size()) rowIndex_.resize(row, -1);
    rowIndex_[row - 1] = static_cast<int32_t>(rows_.size());
    return &rows_.emplace_back();
}

const GridModel::PackedRow* GridModel::Row(int row) const { return const_cast<GridModel*>(this)->Row(row); }

std::string GridModel::Cell(int col, int row) const {
    if (row < 0 || col < 0) return {};
    if (col == 0 || row == 0) {
        const bool inColumn = col == 0;
        const HeadingLine& line = inColumn ? rowHeadings_ : colHeadings_;
        const int k = inColumn ? row : col;
        if (auto it = line.written.find(k); it != line.written.end()) return it->second;
        if (k >= 2 && k < line.generatedEnd) return inColumn ? ObjectHeading(k - 1) : AttrHeading(k - 1);
        return {};
    }
    const PackedRow* r = Row(row);
    return r ? std::string(r->View(col - 1)) : std::string();
}

std::string_view GridModel::CellView(int col, int row) const {
    const PackedRow* r = col >= 1 ? Row(row) : nullptr;
    return r ? r->View(col - 1) : std::string_view();
}

void GridModel::CellViews(int row, int col0, int col1, std::vector<std::string_view>& out) const {
    out.clear();
    if (col0 < 1 || col1 <= col0) return;
    out.reserve(col1 - col0);
    if (const PackedRow* r = Row(row))
        r->Views(col0 - 1, col1 - 1, out);
    else
        out.resize(col1 - col0);
}

void GridModel::RowText::Clear() {
    bytes_.clear();
    marks_.clear();
    count_ = keptCount_ = 0;
    keptBytes_ = 0;
}

void GridModel::RowText::AppendLong(std::string_view text) { AppendCell(bytes_, text); }

void GridModel::SetRow(int row, const RowText& cells) {
    if (row < 1) return;
    PackedRow* r = Row(row);
    if (!r) {
        if (cells.keptCount_ == 0) return;  // an empty row costs nothing
        r = NewRow(row);
    }
    r->Assign(cells);
    widest_ = std::max<size_t>(widest_, r->Count());
    Reset();
}

void GridModel::SetCell(int col, int row, std::string text) {
    if (row < 0 || col < 0) return;
    if (col == 0 || row == 0) {
        const bool inColumn = col == 0;
        HeadingLine& line = inColumn ? rowHeadings_ : colHeadings_;
        const int k = inColumn ? row : col;
        if (text.empty() && !(k >= 2 && k < line.generatedEnd))
            line.written.erase(k);
        else
            line.written[k] = std::move(text);
    } else {
        PackedRow* r = Row(row);
        if (!r || static_cast<size_t>(col - 1) >= r->Count()) {
            if (text.empty()) return;  // nothing stored there yet reads as empty anyway
            if (!r) {
                r = NewRow(row);
            }
        }
        r->Set(col - 1, text);
        widest_ = std::max<size_t>(widest_, r->Count());
    }
    Changed(col, row);
}

void GridModel::ClearRowFrom(int col, int row) {
    PackedRow* r = Row(row);
    if (col < 1) col = 1;
    if (!r || static_cast<size_t>(col - 1) >= r->Count()) return;
    const int last = static_cast<int>(r->Count());
    r->Truncate(col - 1);
    for (int c = col; c <= last; ++c) Changed(c, row);
}

void GridModel::ClearBlock(int col0, int col1, int row0, int row1) {
    col0 = std::max(col0, 1);
    row0 = std::max(row0, 1);
    row1 = static_cast<int>(std::min<int64_t>(row1, static_cast<int64_t>(rowIndex_.size()) + 1));
    bool changed = false;
    for (int row = row0; row < row1; ++row)
        if (PackedRow* r = Row(row)) changed |= r->Clear(col0 - 1, std::max(col1 - 1, 0));
    if (changed) Reset();
}

void GridModel::EditRows(int row0, int row1, int width,
                         const std::function<void(std::vector<std::string_view>&)>& edit) {
    std::vector<std::string_view> cells;
    RowText text;
    for (int row = std::max(row0, 1); row < row1; ++row) {
        cells.clear();
        const PackedRow* r = Row(row);
        const size_t stored = r ? r->Count() : 0;
        if (r) r->Views(0, stored, cells);
        if (cells.size() < static_cast<size_t>(width)) cells.resize(width);
        edit(cells);
        // The new cells are gathered before the row is rewritten: the views
        // point into it.
        text.Clear();
        for (std::string_view cell : cells) text.Append(cell);
        PackedRow* target = Row(row);
        if (!target) {
            if (text.keptCount_ == 0) continue;
            target = NewRow(row);
        }
        target->Assign(text);
        widest_ = std::max<size_t>(widest_, target->Count());
    }
    Reset();
}

void GridModel::MoveColumnCells(int row0, int row1, int out, int in, const ColumnText& textOf,
                                const ColumnSink& lost) {
    if (out < 1 || in < 1) return;
    const size_t from = out - 1, to = in - 1, lo = std::min(from, to), hi = std::max(from, to);
    std::string gone;
    for (int row = std::max(row0, 1); row < row1; ++row) {
        PackedRow* r = Row(row);
        std::string_view text;
        if (textOf) text = textOf(row);
        if (!r || r->Count() <= lo) {  // nothing stored there (nor at `to`): only the new cell
            if (!text.empty()) (r ? r : NewRow(row))->Set(to, text);
            continue;
        }
        r->MoveCell(from, to, textOf ? &text : nullptr, lost ? &gone : nullptr);
        if (lost && !gone.empty()) lost(row, gone);
    }
    widest_ = std::max(widest_, hi + 1);
    Reset();
}

void GridModel::RotateRows(int first, int last, int cols, bool down) {
    first = std::max(first, 1);
    if (first >= last) return;
    const size_t from = std::max(cols, 1) - 1;
    bool anyTail = false;  // rows only look for cells beyond `cols` where one may store some
    for (int row = first; row <= last && !anyTail && widest_ > from; ++row)
        if (const PackedRow* r = Row(row)) anyTail = r->Count() > from;
    if (rowIndex_.size() < static_cast<size_t>(last)) rowIndex_.resize(last, -1);
    const auto begin = rowIndex_.begin() + (first - 1), end = rowIndex_.begin() + last;
    std::rotate(begin, down ? end - 1 : begin + 1, end);
    if (anyTail) {
        // Cells from `cols` on stay where they were: each row now carries its
        // old neighbour's, and they go back one row, the last round to the first.
        const int step = down ? 1 : -1, start = down ? first : last, stop = down ? last : first;
        PackedRow::Tail carry, moved;
        const auto take = [&](int row, PackedRow::Tail& tail) {
            tail.count = 0;
            if (PackedRow* r = Row(row)) r->Split(from, tail);
        };
        const auto put = [&](int row, const PackedRow::Tail& tail) {
            if (tail.count == 0) return;
            PackedRow* r = Row(row);
            (r ? r : NewRow(row))->Join(from, tail);
        };
        take(start, carry);
        for (int row = start; row != stop; row += step) {
            take(row + step, moved);
            put(row, moved);
        }
        put(stop, carry);
    }
    Reset();
}

void GridModel::CopyRowCells(int from, int to, int cols) {
    std::vector<std::string_view> views;
    CellViews(from, 1, std::max(cols, 1), views);
    const std::vector<std::string> source(views.begin(), views.end());
    EditRows(to, to + 1, cols - 1,
             [&](std::vector<std::string_view>& cells) { std::copy(source.begin(), source.end(), cells.begin()); });
}

void GridModel::WriteHeadings(HeadingLine& line, int from, int to) {
    from = std::max(from, 2);
    if (from >= to) return;
    // Positions between the made headings and `from` keep what they read now.
    for (int k = line.generatedEnd; k < from; ++k) line.written.try_emplace(k);
    line.written.erase(line.written.lower_bound(from), line.written.lower_bound(to));
    line.generatedEnd = std::max(line.generatedEnd, to);
}

void GridModel::WriteObjectHeadings(int from, int to) {
    WriteHeadings(rowHeadings_, from, to);
    Reset();
}

void GridModel::WriteAttrHeadings(int from, int to) {
    WriteHeadings(colHeadings_, from, to);
    Reset();
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
    Reset();
}

void FormCreate(GridModel& g) {
    g.SetColCount(3);
    g.SetRowCount(4);
    g.SetColWidth(0, static_cast<int>(std::lround(g.ColWidth(0) * 1.5)));
    g.SetCell(0, 1, J(" 属性ラベル"));
    g.WriteObjectHeadings(2, 4);
    g.SetCell(1, 0, J(" ラベル"));
    g.WriteAttrHeadings(2, 3);
    g.SetCurrent(1, 1);
}

bool AddButtonClick(GridModel& g) {
    const int r = g.CurrentRow();
    const int rows = g.RowCount();
    const int cols = g.ColCount();
    if (r == 0) return false;
    g.SetRowCount(rows + 1);
    g.WriteObjectHeadings(rows, rows + 1);
    // The new last row's cells become blanks and move up to below the
    // current row; the rows between move down one.
    g.EditRows(rows, rows + 1, cols - 1, [&](std::vector<std::string_view>& cells) {
        std::fill(cells.begin(), cells.begin() + (cols - 1), " ");
    });
    if (r < rows - 1) g.RotateRows(r + 1, rows, cols, true);
    return true;
}

bool DelButtonClick(GridModel& g) {
    const int r = g.CurrentRow();
    const int rows = g.RowCount();
    const int cols = g.ColCount();
    if (r >= 2 && r < rows - 1) {
        // The rows below move up one; the last row, now outside the count,
        // keeps its cells.
        g.RotateRows(r, rows - 1, cols, false);
        g.CopyRowCells(rows - 2, rows - 1, cols);
    }
    const bool deletes = r >= 2 && rows > 2;
    if (deletes) g.SetRowCount(rows - 1);
    g.WriteObjectHeadings(2, g.RowCount());
    return deletes;
}

bool AddColButtonClick(GridModel& g, const GridModel::ColumnSink& lost) {
    const int c = g.CurrentCol();
    const int cols = g.ColCount();
    const int rows = g.RowCount();
    if (c == 0) return false;
    g.SetColCount(cols + 1);
    g.WriteAttrHeadings(cols, cols + 1);
    // In every row the cells right of the current one move one column right
    // into the new one, and a blank takes their place.
    g.MoveColumnCells(1, rows, cols, c + 1, [](int) { return " "; }, lost);
    return true;
}

bool DelColButtonClick(GridModel& g, const GridModel::ColumnSink& lost) {
    const int c = g.CurrentCol();
    const int cols = g.ColCount();
    const int rows = g.RowCount();
    if (c <= 1 || cols <= 2) return false;
    // The cells right of the current one move one column left; the last
    // column, now outside the count, keeps its cells.
    if (c < cols - 1) g.MoveColumnCells(1, rows, c, cols - 1, {}, lost);
    g.SetColCount(cols - 1);
    g.WriteAttrHeadings(2, g.ColCount());
    return true;
}

}  // namespace ca
