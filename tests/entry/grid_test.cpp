#include "entry/grid.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/error.h"

namespace ca {
namespace {

using Texts = std::vector<std::string>;

// Cells 0..ColCount()-1 of row r.
Texts Row(const GridModel& g, int r) {
    Texts t;
    for (int c = 0; c < g.ColCount(); ++c) t.push_back(g.Cell(c, r));
    return t;
}

// A new window's grid with names in row 1 and two objects filled in.
GridModel Filled() {
    GridModel g;
    FormCreate(g);
    g.SetCell(1, 1, "name");
    g.SetCell(2, 1, "h");
    g.SetCell(1, 2, "A");
    g.SetCell(2, 2, "1");
    g.SetCell(1, 3, "B");
    g.SetCell(2, 3, "2");
    return g;
}

TEST(GridTest, FormCreateLaysOutTheNewTable) {
    GridModel g;
    FormCreate(g);
    EXPECT_EQ(g.ColCount(), 3);
    EXPECT_EQ(g.RowCount(), 4);
    EXPECT_EQ(g.FixedRows(), 1);
    EXPECT_EQ(g.FixedCols(), 1);
    EXPECT_EQ(g.CurrentCol(), 1);
    EXPECT_EQ(g.CurrentRow(), 1);
    EXPECT_EQ(g.ColWidth(0), 96);
    EXPECT_EQ(g.ColWidth(1), 64);
    EXPECT_EQ(Row(g, 0), (Texts{"", J(" ラベル"), J(" 属性 1")}));
    EXPECT_EQ(Row(g, 1), (Texts{J(" 属性ラベル"), "", ""}));
    EXPECT_EQ(Row(g, 2), (Texts{J(" 対象 1"), "", ""}));
    EXPECT_EQ(Row(g, 3), (Texts{J(" 対象 2"), "", ""}));
    EXPECT_EQ(ObjectHeading(9), J(" 対象 9"));
    EXPECT_EQ(ObjectHeading(10), J(" 対象10"));
}

TEST(GridTest, CountsBelowOneAndFixedLinesThatDoNotComeBack) {
    GridModel g;
    FormCreate(g);
    g.SetRowCount(2);
    EXPECT_EQ(g.FixedRows(), 1);
    g.SetRowCount(-7);
    EXPECT_EQ(g.RowCount(), 1);
    EXPECT_EQ(g.FixedRows(), 0);
    g.SetRowCount(6);
    EXPECT_EQ(g.FixedRows(), 0);
    g.SetColCount(0);
    EXPECT_EQ(g.ColCount(), 1);
    EXPECT_EQ(g.FixedCols(), 0);
    g.SetColCount(5);
    EXPECT_EQ(g.FixedCols(), 0);
}

TEST(GridTest, TooManyColumnsIsRefusedWithTheGridUnchanged) {
    GridModel g = Filled();
    g.SetCurrent(2, 3);
    try {
        g.SetColCount(GridModel::kMaxColCount + 1);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Message(), J("グリッドが大きすぎます."));  // shown like a file error
    }
    EXPECT_EQ(g.ColCount(), 3);
    EXPECT_EQ(g.FixedCols(), 1);
    EXPECT_EQ(g.CurrentCol(), 2);
    EXPECT_EQ(g.CurrentRow(), 3);
    g.SetColCount(GridModel::kMaxColCount);
    EXPECT_EQ(g.ColCount(), GridModel::kMaxColCount);
}

TEST(GridTest, TextIsKeptByPositionWhateverTheCounts) {
    GridModel g = Filled();
    g.SetRowCount(2);
    g.SetColCount(2);
    g.SetCell(7, 9, "far");
    EXPECT_EQ(g.RowCount(), 2);
    EXPECT_EQ(g.Cell(7, 9), "far");
    g.SetRowCount(10);
    g.SetColCount(8);
    EXPECT_EQ(Row(g, 3), (Texts{J(" 対象 2"), "B", "2", "", "", "", "", ""}));
    EXPECT_EQ(g.Cell(7, 9), "far");
}

TEST(GridTest, CurrentCellStaysOutOfTheHeadingsAndFollowsLoweredCounts) {
    GridModel g = Filled();
    g.SetCurrent(0, 2);  // headings are refused
    g.SetCurrent(1, 0);
    EXPECT_EQ(g.CurrentCol(), 1);
    EXPECT_EQ(g.CurrentRow(), 1);
    g.SetRowCount(8);
    g.SetColCount(6);
    g.SetCurrent(5, 7);
    g.SetRowCount(5);
    g.SetColCount(3);
    EXPECT_EQ(g.CurrentRow(), 4);
    EXPECT_EQ(g.CurrentCol(), 2);
}

TEST(GridTest, AddRowInsertsBlanksBelowTheCurrentRow) {
    GridModel g = Filled();
    AddButtonClick(g);
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.CurrentRow(), 1);
    EXPECT_EQ(Row(g, 1), (Texts{J(" 属性ラベル"), "name", "h"}));
    EXPECT_EQ(Row(g, 2), (Texts{J(" 対象 1"), " ", " "}));
    EXPECT_EQ(Row(g, 3), (Texts{J(" 対象 2"), "A", "1"}));
    EXPECT_EQ(Row(g, 4), (Texts{J(" 対象 3"), "B", "2"}));

    g.SetCurrent(2, 3);
    AddButtonClick(g);
    EXPECT_EQ(Row(g, 3), (Texts{J(" 対象 2"), "A", "1"}));
    EXPECT_EQ(Row(g, 4), (Texts{J(" 対象 3"), " ", " "}));
    EXPECT_EQ(Row(g, 5), (Texts{J(" 対象 4"), "B", "2"}));

    g.SetCurrent(1, 5);  // the last row: a blank row is appended
    AddButtonClick(g);
    EXPECT_EQ(Row(g, 5), (Texts{J(" 対象 4"), "B", "2"}));
    EXPECT_EQ(Row(g, 6), (Texts{J(" 対象 5"), " ", " "}));

    g.SetRowCount(1);  // no heading row left: the current row is 0
    g.SetRowCount(4);
    AddButtonClick(g);
    EXPECT_EQ(g.RowCount(), 4);
}

TEST(GridTest, DeleteRowShiftsUpAndKeepsTheDroppedText) {
    GridModel g = Filled();
    g.SetCell(0, 3, "stale");
    DelButtonClick(g);  // on the names row: only the headings are rewritten
    EXPECT_EQ(g.RowCount(), 4);
    EXPECT_EQ(Row(g, 1), (Texts{J(" 属性ラベル"), "name", "h"}));
    EXPECT_EQ(Row(g, 3), (Texts{J(" 対象 2"), "B", "2"}));

    g.SetCurrent(1, 2);
    DelButtonClick(g);
    EXPECT_EQ(g.RowCount(), 3);
    EXPECT_EQ(Row(g, 2), (Texts{J(" 対象 1"), "B", "2"}));
    EXPECT_EQ(g.Cell(1, 3), "B");  // hidden, still stored
    EXPECT_EQ(g.CurrentRow(), 2);

    DelButtonClick(g);  // the only object: the current cell moves up
    EXPECT_EQ(g.RowCount(), 2);
    EXPECT_EQ(g.CurrentRow(), 1);
    AddButtonClick(g);
    EXPECT_EQ(g.RowCount(), 3);
    EXPECT_EQ(Row(g, 2), (Texts{J(" 対象 1"), " ", " "}));
}

TEST(GridTest, AddAndDeleteColumnsMirrorTheRows) {
    GridModel g = Filled();
    AddColButtonClick(g);
    EXPECT_EQ(g.ColCount(), 4);
    EXPECT_EQ(Row(g, 0), (Texts{"", J(" ラベル"), J(" 属性 1"), J(" 属性 2")}));
    EXPECT_EQ(Row(g, 1), (Texts{J(" 属性ラベル"), "name", " ", "h"}));
    EXPECT_EQ(Row(g, 3), (Texts{J(" 対象 2"), "B", " ", "2"}));

    g.SetCurrent(3, 2);  // the last column
    AddColButtonClick(g);
    AddColButtonClick(g);
    EXPECT_EQ(Row(g, 0), (Texts{"", J(" ラベル"), J(" 属性 1"), J(" 属性 2"), J(" 属性 3"), J(" 属性 4")}));
    EXPECT_EQ(Row(g, 1), (Texts{J(" 属性ラベル"), "name", " ", "h", " ", " "}));
    for (int c = 2; c < 6; ++c) g.SetCell(c, 1, std::string(1, 'w' + (c - 2)));

    g.SetCell(4, 0, "stale");
    g.SetCurrent(3, 1);  // attribute 2 of 4
    DelColButtonClick(g);
    EXPECT_EQ(g.ColCount(), 5);
    EXPECT_EQ(Row(g, 0), (Texts{"", J(" ラベル"), J(" 属性 1"), J(" 属性 2"), J(" 属性 3")}));
    EXPECT_EQ(Row(g, 1), (Texts{J(" 属性ラベル"), "name", "w", "y", "z"}));
    EXPECT_EQ(g.Cell(5, 1), "z");

    g.SetCell(2, 0, "stale");
    g.SetCurrent(1, 1);  // the labels column: nothing at all
    DelColButtonClick(g);
    EXPECT_EQ(g.ColCount(), 5);
    EXPECT_EQ(g.Cell(2, 0), "stale");
}

// Cells are packed row by row, a row found from marks 16 cells apart; rows
// reach past several marks.
constexpr int kCols = 40;

// Any order of writes and clears, with texts of any bytes and lengths around
// the 128-byte step of the packing, reads back as a plain map of positions
// would.
TEST(GridTest, CellsReadBackWhateverTheOrderOfWritesAndClears) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 40; ++round) {
        GridModel g;
        std::map<std::pair<int, int>, std::string> want;  // (row, col) -> text
        for (int op = 0; op < 400; ++op) {
            const int row = 1 + rng() % 6, col = 1 + rng() % kCols;
            switch (rng() % 6) {
                case 0: g.ClearRowFrom(col, row);
                    for (int c = col; c <= kCols; ++c) want.erase({row, c});
                    break;
                case 1: {
                    const int row1 = row + rng() % 3, col1 = col + rng() % 20;
                    g.ClearBlock(col, col1, row, row1);
                    for (int r = row; r < row1; ++r)
                        for (int c = col; c < col1; ++c) want.erase({r, c});
                    break;
                }
                default: {
                    static const size_t lengths[] = {0, 1, 2, 127, 128, 300, 16383, 16384};
                    std::string text(lengths[rng() % 8], '\0');
                    for (char& b : text) b = static_cast<char>(rng());
                    g.SetCell(col, row, text);
                    if (text.empty()) want.erase({row, col});
                    else want[{row, col}] = text;
                }
            }
        }
        for (int r = 1; r < 10; ++r)
            for (int c = 1; c < kCols + 4; ++c) {
                auto it = want.find({r, c});
                ASSERT_EQ(g.Cell(c, r), it == want.end() ? "" : it->second) << round << ": " << c << "," << r;
            }
    }
}


// Rows rewritten at once and cells read as views, mixed with single writes
// and clears in any order, read as a plain map of positions would: SetRow
// empties what follows its cells, and a view reads as Cell does.
TEST(GridTest, RowsWrittenAtOnceAndCellViewsAgreeWithSingleCells) {
    std::mt19937 rng(77);
    auto text = [&] {
        static const size_t lengths[] = {0, 0, 1, 5, 127, 128, 300};
        std::string t(lengths[rng() % 7], '\0');
        for (char& b : t) b = static_cast<char>(rng());
        return t;
    };
    std::vector<std::string_view> views;
    for (int round = 0; round < 60; ++round) {
        GridModel g;
        std::map<std::pair<int, int>, std::string> want;  // (row, col) -> text
        auto wanted = [&](int r, int c) {
            auto it = want.find({r, c});
            return it == want.end() ? std::string() : it->second;
        };
        for (int op = 0; op < 300; ++op) {
            const int row = 1 + rng() % 5, col = 1 + rng() % kCols;
            switch (rng() % 5) {
                case 0: {
                    GridModel::RowText cells;
                    const int n = rng() % kCols;
                    for (int c = 1; c <= n; ++c) {
                        std::string t = text();
                        cells.Append(t);
                        want[{row, c}] = t;
                    }
                    for (int c = n + 1; c <= kCols + 4; ++c) want.erase({row, c});
                    g.SetRow(row, cells);
                    break;
                }
                case 1: {
                    const int col1 = col + rng() % 20;
                    g.CellViews(row, col, col1, views);
                    ASSERT_EQ(views.size(), static_cast<size_t>(col1 - col));
                    for (int c = col; c < col1; ++c)
                        ASSERT_EQ(std::string(views[c - col]), wanted(row, c)) << round << ": " << c << "," << row;
                    break;
                }
                case 2: g.ClearRowFrom(col, row);
                    for (int c = col; c <= kCols + 4; ++c) want.erase({row, c});
                    break;
                default: {
                    const std::string t = text();
                    g.SetCell(col, row, t);
                    want[{row, col}] = t;
                }
            }
        }
        for (int r = 1; r < 8; ++r) {
            g.CellViews(r, 1, kCols + 5, views);
            for (int c = 1; c < kCols + 5; ++c) {
                ASSERT_EQ(g.Cell(c, r), wanted(r, c)) << round << ": " << c << "," << r;
                ASSERT_EQ(std::string(views[c - 1]), wanted(r, c)) << round << ": " << c << "," << r;
            }
        }
    }
}

// The four row and column commands against their literal form, cell by cell,
// on random grids that keep text outside their counts (after deletes and
// lowered counts): every cell, the hidden ones included, must agree.
namespace literal {
void AddRow(GridModel& g) {
    const int r = g.CurrentRow(), rows = g.RowCount(), cols = g.ColCount();
    if (r == 0) return;
    g.SetRowCount(rows + 1);
    g.WriteObjectHeadings(rows, rows + 1);
    for (int c = 1; c < cols; ++c) g.SetCell(c, rows, " ");
    if (r == rows - 1) return;
    for (int k = rows; k >= r + 2; --k)
        for (int c = 1; c < cols; ++c) g.SetCell(c, k, g.Cell(c, k - 1));
    for (int c = 1; c < cols; ++c) g.SetCell(c, r + 1, " ");
}
void DelRow(GridModel& g) {
    const int r = g.CurrentRow(), rows = g.RowCount(), cols = g.ColCount();
    if (r >= 2 && r < rows - 1)
        for (int k = r; k <= rows - 2; ++k)
            for (int c = 1; c < cols; ++c) g.SetCell(c, k, g.Cell(c, k + 1));
    if (r >= 2 && rows > 2) g.SetRowCount(rows - 1);
    g.WriteObjectHeadings(2, g.RowCount());
}
void AddCol(GridModel& g) {
    const int c = g.CurrentCol(), cols = g.ColCount(), rows = g.RowCount();
    if (c == 0) return;
    g.SetColCount(cols + 1);
    g.WriteAttrHeadings(cols, cols + 1);
    for (int r = 1; r < rows; ++r) g.SetCell(cols, r, " ");
    if (c == cols - 1) return;
    for (int k = cols; k >= c + 2; --k)
        for (int r = 1; r < rows; ++r) g.SetCell(k, r, g.Cell(k - 1, r));
    for (int r = 1; r < rows; ++r) g.SetCell(c + 1, r, " ");
}
void DelCol(GridModel& g) {
    const int c = g.CurrentCol(), cols = g.ColCount(), rows = g.RowCount();
    if (c <= 1 || cols <= 2) return;
    if (c < cols - 1)
        for (int k = c; k <= cols - 2; ++k)
            for (int r = 1; r < rows; ++r) g.SetCell(k, r, g.Cell(k + 1, r));
    g.SetColCount(cols - 1);
    g.WriteAttrHeadings(2, g.ColCount());
}
}  // namespace literal

TEST(GridTest, RowAndColumnCommandsAgreeWithTheirLiteralForm) {
    std::mt19937 rng(24);
    for (int round = 0; round < 300; ++round) {
        GridModel fast, slow;
        FormCreate(fast);
        FormCreate(slow);
        for (int step = 0; step < 40; ++step) {
            const int op = static_cast<int>(rng() % 8);
            // Every other round is wide enough for rows found from marks.
            const int col = static_cast<int>(rng() % (round % 2 ? 9 : 40)), row = static_cast<int>(rng() % 12);
            const std::string text = rng() % 4 ? std::to_string(rng() % 100) : std::string(rng() % 3 ? 0 : 20, 'x');
            GridModel::RowText cells;  // a whole row, as a file read writes one
            for (int c = 0; c < col; ++c) cells.Append(text);
            for (GridModel* g : {&fast, &slow}) {
                switch (op) {
                    case 0: row % 3 ? g->SetCell(col, row, text) : g->SetRow(row, cells); break;
                    case 1: g->SetCurrent(col, row); break;
                    case 2: g->SetRowCount(2 + row); break;  // lowered counts keep their text
                    case 3: g->SetColCount(2 + col); break;
                    default: break;
                }
            }
            switch (op) {
                case 4: AddButtonClick(fast), literal::AddRow(slow); break;
                case 5: DelButtonClick(fast), literal::DelRow(slow); break;
                case 6: AddColButtonClick(fast), literal::AddCol(slow); break;
                case 7: DelColButtonClick(fast), literal::DelCol(slow); break;
                default: break;
            }
            ASSERT_EQ(fast.RowCount(), slow.RowCount());
            ASSERT_EQ(fast.ColCount(), slow.ColCount());
            for (int r = 0; r < slow.RowCount() + 14; ++r)
                for (int c = 0; c < slow.ColCount() + 10; ++c)
                    ASSERT_EQ(fast.Cell(c, r), slow.Cell(c, r)) << "round " << round << " step " << step << " op "
                                                                << op << " cell " << c << "," << r;
        }
    }
}

}  // namespace
}  // namespace ca
