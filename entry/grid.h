// The data-entry table as a model: an editable grid of Shift_JIS text cells
// addressed (column, row) from 0, with one fixed heading row and column. It
// knows nothing of any view; the window shows it through an item model.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ca {

class GridModel {
public:
    // The largest column count, 2^27 - 3: the limit the program's grid has
    // always had, kept so that a file declaring more columns is refused as it
    // always was. Nothing in this model needs it: a column costs memory only
    // where a cell or a width is written.
    static constexpr int kMaxColCount = (1 << 27) - 3;

    GridModel() = default;
    // A copy has no observer: copies are kept for undo and never shown.
    GridModel(const GridModel& other);
    GridModel& operator=(const GridModel&) = delete;

    // Trades contents with `other` (cells, hidden ones included, counts,
    // headings, widths and the current cell); observers stay with their
    // grids, and this grid's is told of a reset.
    void Exchange(GridModel& other);
    // The bytes the contents take, near enough to bound a history of copies.
    size_t MemoryUse() const;

private:
    // Heading texts of the fixed row and column, made on reading for
    // positions [2, generatedEnd) unless
    // written otherwise; everything else in row 0 and column 0 as written.
    struct HeadingLine {
        int generatedEnd = 2;
        std::map<int, std::string> written;
        bool operator==(const HeadingLine&) const = default;
        size_t MemoryUse() const;
    };

public:
    // Everything but the cells and the widths: the counts, the fixed lines,
    // the current cell and the headings. Small, whatever the table's size.
    class Shape {
    public:
        size_t MemoryUse() const;  // beyond the object itself

    private:
        friend class GridModel;
        int rowCount, colCount, fixedRows, fixedCols, curCol, curRow;
        HeadingLine rowHeadings, colHeadings;
    };
    Shape SaveShape() const;
    // The grid has that shape, the current cell apart.
    bool SameShape(const Shape& shape) const;
    // Puts back a shape saved from this grid; a view is told of a reset.
    void RestoreShape(const Shape& shape);

    int RowCount() const { return rowCount_; }
    int ColCount() const { return colCount_; }
    int FixedRows() const { return fixedRows_; }
    int FixedCols() const { return fixedCols_; }

    // A count below 1 is taken as 1. A count not above the number of fixed
    // rows (columns) lowers that number to the count minus 1; it does not come
    // back when the count grows again. The current cell moves into the grid.
    void SetRowCount(int n);
    // As SetRowCount; a count above kMaxColCount raises "グリッドが大きすぎます"
    // and leaves the grid as it was.
    void SetColCount(int n);

    // Text by position, kept independently of the counts: lowering a count
    // hides text, never erases it. A cell never written is empty text.
    std::string Cell(int col, int row) const;
    // As Cell, for a cell outside the heading row and column (col, row >= 1),
    // without a copy: the view holds until the grid next changes.
    std::string_view CellView(int col, int row) const;
    // The texts of cells [col0, col1) of `row`, outside the heading row and
    // column (col0, row >= 1), as Cell gives them, without copies: `out`
    // becomes one view per cell. The views hold until the grid next changes.
    void CellViews(int row, int col0, int col1, std::vector<std::string_view>& out) const;
    void SetCell(int col, int row, std::string text);

    // The cells of one row from column 1 on, gathered one after another and
    // then put into the grid at once by SetRow.
    class RowText {
    public:
        void Clear();
        void Append(std::string_view text) {
            if (count_ > 0 && count_ % kMarkStep == 0) marks_.push_back(bytes_.size());
            if (text.size() < 0x80) {  // a byte count of one byte: the usual cell
                bytes_.push_back(static_cast<char>(text.size()));
                bytes_.append(text);
            } else {
                AppendLong(text);
            }
            ++count_;
            if (!text.empty()) {
                keptCount_ = count_;
                keptBytes_ = bytes_.size();
            }
        }

    private:
        friend class GridModel;
        void AppendLong(std::string_view text);
        std::string bytes_;  // packed as a row of the grid
        uint32_t count_ = 0;
        std::vector<size_t> marks_;  // as a row keeps them
        // The cells up to the last one that holds text, and their bytes:
        // what a row keeps (empty cells after them are not stored).
        uint32_t keptCount_ = 0;
        size_t keptBytes_ = 0;
    };
    // Rewrites `row` (>= 1) from column 1 on with the gathered cells; every
    // cell after them, hidden ones included, becomes empty. The grid reads
    // as after ClearRowFrom(1, row) and SetCell for each cell in turn; a view
    // is told of a reset.
    void SetRow(int row, const RowText& cells);
    // Empties every cell of `row` from column `col` on.
    void ClearRowFrom(int col, int row);
    // Moves the cells of columns [1, cols) of rows [first, last] one row down
    // (those of `last` to `first`), or one row up (those of `first` to
    // `last`); cells from column `cols` on stay in their rows. The rows move
    // as rows, and only the cells that stay are moved back.
    void RotateRows(int first, int last, int cols, bool down);
    // The cells of columns [1, cols) of row `to` become those of row `from`.
    void CopyRowCells(int from, int to, int cols);
    // Rewrites every row in [row0, row1) from column 1 on: `edit` gets the
    // row's cells (cell 1 first; as many as are stored, at least `width`) and
    // changes them in place.
    void EditRows(int row0, int row1, int width, const std::function<void(std::vector<std::string_view>&)>& edit);
    // In every row of [row0, row1): the cell of column `out` comes out, the
    // cells from column `in` up to (not including) `out` move one column
    // toward `out`, and column `in` then holds text(row), read once a row in
    // row order; without `text` it keeps its cell, which so stands twice.
    // `lost`, where given, gets each non-empty cell that came out, in row
    // order. The cells of other columns stay.
    using ColumnText = std::function<std::string_view(int row)>;
    using ColumnSink = std::function<void(int row, std::string_view text)>;
    void MoveColumnCells(int row0, int row1, int out, int in, const ColumnText& text, const ColumnSink& lost = {});
    // Empties the cells of columns [col0, col1) in rows [row0, row1); costs
    // only what is stored there.
    void ClearBlock(int col0, int col1, int row0, int row1);

    // Writes the headings " 対象" + NumLabel(k - 1) into (0, k) and
    // " 属性" + NumLabel(k - 1) into (k, 0) for k in [from, to). They are made
    // when read, so a count declared by a file costs no memory per row.
    void WriteObjectHeadings(int from, int to);
    void WriteAttrHeadings(int from, int to);

    // The current cell: never in the heading row or column while the grid has
    // cells outside them.
    int CurrentCol() const { return curCol_; }
    int CurrentRow() const { return curRow_; }
    void SetCurrent(int col, int row);

    int ColWidth(int col) const;
    void SetColWidth(int col, int width);
    // Every column from this one on has the default width.
    int ColWidthsEnd() const { return static_cast<int>(colWidths_.size()); }
    int DefaultColWidth() const { return 64; }
    int DefaultRowHeight() const { return 24; }

    // Called after any change, so that a view can follow (may be empty).
    struct Observer {
        virtual ~Observer() = default;
        virtual void GridReset() = 0;                      // counts or many cells
        virtual void CellChanged(int col, int row) = 0;    // one cell
        virtual void CurrentChanged(int col, int row) = 0;
    };
    void SetObserver(Observer* o) { observer_ = o; }
    // Counts the changes made to the table (those a view is told of, the
    // current cell's moves apart), whether or not a view follows.
    uint64_t Revision() const { return revision_; }

private:
    // A row is found from marks this many cells apart.
    static constexpr size_t kMarkStep = 16;
    void ClampCurrent();
    // A change of many cells or of the counts, and of one cell: counted, and told to the view.
    void Reset();
    void Changed(int col, int row);
    int rowCount_ = 5;
    int colCount_ = 5;
    int fixedRows_ = 1;
    int fixedCols_ = 1;
    int curCol_ = 1;
    int curRow_ = 1;
    static void WriteHeadings(HeadingLine& line, int from, int to);
    HeadingLine rowHeadings_;  // column 0, by row
    HeadingLine colHeadings_;  // row 0, by column

    // The cells of one row from column 1 on, packed into one string: each
    // cell its byte count (7 bits a byte, low bits first, 0x80 while more
    // follow), then its bytes. Short rows live inside the string itself.
    class PackedRow {
    public:
        size_t Count() const { return count_; }
        // Bytes held outside the object itself.
        size_t MemoryUse() const;
        std::string_view View(size_t i) const;
        // Appends views of cells [from, to) to `out`.
        void Views(size_t from, size_t to, std::vector<std::string_view>& out) const;
        // Becomes the cells that `cells` keeps.
        void Assign(const RowText& cells);
        // Cells between the last one and `i` become empty.
        void Set(size_t i, std::string_view text);
        void Truncate(size_t n);
        // The cells from one on, packed as in a row.
        struct Tail {
            std::string bytes;
            size_t count = 0;
        };
        // Cells from `from` on come off into `tail`; false when there are none.
        bool Split(size_t from, Tail& tail);
        // The cells of `tail` become cells `from` on (those there go).
        void Join(size_t from, const Tail& tail);
        // Takes cell `from` out and puts a cell in as cell `to`: `text`, or
        // without it the cell that stood at `to`, which so stands twice. The
        // cells between move one toward `from`; cells up to the larger of the
        // two that are not stored are empty ones first. `gone`, where given,
        // gets the text taken out. `text` must not view this row.
        void MoveCell(size_t from, size_t to, const std::string_view* text, std::string* gone);
        // Empties cells [from, to); true when one held text.
        bool Clear(size_t from, size_t to);

    private:
        // Where cell i (i <= Count()) begins: from the mark before it, on
        // by fewer than kMarkStep cells, so that a cell costs the same to
        // find wherever it is and in whatever order the row is read.
        size_t Offset(size_t i) const;
        // Marks the cells after `from` anew (those up to it are as they were).
        void Mark(size_t from);
        std::string bytes_;
        uint32_t count_ = 0;
        // marks_[k] is where cell (k + 1) * kMarkStep begins, for every such
        // cell up to Count() (the end of the row is where cell Count() would).
        std::vector<size_t> marks_;
    };
    PackedRow* Row(int row);
    const PackedRow* Row(int row) const;
    // An empty row of its own for `row` (>= 1), which holds none yet.
    PackedRow* NewRow(int row);
    // Rows that hold text, by row - 1 (-1 for none); a deque grows without
    // copying, and a row without text costs 4 bytes.
    std::deque<int32_t> rowIndex_;
    std::deque<PackedRow> rows_;
    size_t widest_ = 0;  // no row stores more cells than this
    std::vector<int> colWidths_;
    Observer* observer_ = nullptr;
    uint64_t revision_ = 0;
};

// The grid of a new data-entry window: 3 columns, 4 rows, the headings, the
// first column 1.5 times as wide, current cell (1, 1).
void FormCreate(GridModel& g);

// Row and column commands of the data-entry window; false where the command
// changes no cell and no count (the current cell is where it cannot act).
bool AddButtonClick(GridModel& g);      // insert an object row below the current row
bool DelButtonClick(GridModel& g);      // delete the current object row
// The column commands give `lost`, where given, each non-empty cell they
// write over (as MoveColumnCells does).
bool AddColButtonClick(GridModel& g, const GridModel::ColumnSink& lost = {});  // insert an attribute column right of the current one
bool DelColButtonClick(GridModel& g, const GridModel::ColumnSink& lost = {});  // delete the current attribute column

// Headings: " 対象" + NumLabel(n) and " 属性" + NumLabel(n).
std::string ObjectHeading(int n);
std::string AttrHeading(int n);

}  // namespace ca
