#include "entry/history.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "entry/csv.h"
#include "entry/datafile.h"
#include "entry/paste.h"
#include "common/textrules.h"
#include "tests/support/files.h"

namespace ca {
namespace {

using Block = std::vector<std::vector<std::string>>;

TEST(PasteTest, BlocksSplitAsSpreadsheetsWriteThem) {
    const struct {
        const char* text;
        Block rows;
    } cases[] = {
        {"a\tb\nc\td\n", {{"a", "b"}, {"c", "d"}}},  // a final line end adds no row
        {"a\tb\r\nc", {{"a", "b"}, {"c"}}},
        {"a\t\t\n\nb", {{"a", "", ""}, {""}, {"b"}}},
        {"\"x\ty\"\t\"l1\nl2\"\r\n", {{"x\ty", "l1\nl2"}}},
        {"\"say \"\"hi\"\"\"\tq\"in\"side", {{"say \"hi\"", "q\"in\"side"}}},  // quotes inside an unquoted cell stay
        {"\"\"\t\"open", {{"", "open"}}},
        {"a\rb\t", {{"a\rb", ""}}},  // a lone CR is no line end
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitBlock(c.text), c.rows) << c.text;
}

// A block past the grid's corner grows it as the add buttons would: the
// headings, and blanks in the new cells it does not cover.
TEST(PasteTest, ABlockGrowsTheGridWithHeadingsAndBlanks) {
    GridModel g;
    FormCreate(g);
    g.SetCell(1, 3, "B");
    g.SetCurrent(2, 3);
    ASSERT_TRUE(PasteBlock(g, {{"a", "b"}, {"c"}}));
    const std::vector<std::vector<std::string>> rows = {
        {"", J(" ラベル"), J(" 属性 1"), J(" 属性 2")},
        {J(" 属性ラベル"), "", "", " "},
        {J(" 対象 1"), "", "", " "},
        {J(" 対象 2"), "B", "a", "b"},
        {J(" 対象 3"), " ", "c", " "},
    };
    ASSERT_EQ(g.RowCount(), 5);
    ASSERT_EQ(g.ColCount(), 4);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(g.Cell(c, r), rows[r][c]) << c << "," << r;
    EXPECT_EQ(std::pair(g.CurrentCol(), g.CurrentRow()), std::pair(2, 3));
    EXPECT_FALSE(PasteBlock(g, {{"a", "b"}, {"c"}}));  // the table holds it already: no change to record
}

// Everything a user can see of the table, hidden stored cells included (the
// current cell apart).
std::vector<std::string> Reads(const GridModel& g) {
    std::vector<std::string> r = {std::to_string(g.RowCount()), std::to_string(g.ColCount())};
    for (int row = 0; row < g.RowCount() + 4; ++row)
        for (int col = 0; col < g.ColCount() + 4; ++col) r.push_back(g.Cell(col, row));
    return r;
}

// Random edits, pastes, commands, loads and imports, undone and redone at
// random: every state the table comes back to is the one it had when the
// history was at that step, and an undo puts the current cell where the
// change was made.
TEST(HistoryTest, UndoAndRedoGiveBackEveryStateExactly) {
    testing::TempDir dir;
    const std::string dat = dir.File("t.dat"), csv = dir.File("t.csv");
    std::mt19937 rng(7);
    auto text = [&] { return rng() % 3 ? std::to_string(rng() % 1000) : std::string(rng() % 2 ? "" : " "); };
    for (int round = 0; round < 60; ++round) {
        GridModel g;
        FormCreate(g);
        GridHistory h;
        std::vector<std::vector<std::string>> states = {Reads(g)};  // states[k]: after k steps
        std::vector<std::pair<int, int>> where = {{0, 0}};          // where step k was made
        size_t done = 0;
        bool changed = false;
        // As the window records a change: the former table, kept when it changed.
        auto record = [&](auto&& change) {
            auto before = std::make_unique<GridModel>(g);
            if ((changed = change())) h.TableChanged(std::move(before));
        };
        for (int step = 0; step < 60; ++step) {
            // Column 0 too: a one-column load leaves no fixed column.
            g.SetCurrent(static_cast<int>(rng() % g.ColCount()), 1 + static_cast<int>(rng() % g.RowCount()));
            const std::pair<int, int> at = {g.CurrentCol(), g.CurrentRow()};
            changed = false;
            switch (rng() % 10) {
                case 0: {  // a finished cell edit
                    std::string old = g.Cell(at.first, at.second), now = text();
                    if ((changed = now != old)) {
                        g.SetCell(at.first, at.second, now);
                        h.CellChanged(at.first, at.second, old);
                    }
                    break;
                }
                case 1: {
                    Block b(1 + rng() % 4);
                    for (auto& line : b) line.resize(1 + rng() % 4), std::generate(line.begin(), line.end(), text);
                    record([&] { return PasteBlock(g, b); });
                    break;
                }
                case 2: changed = h.Run(g, GridHistory::Command::AddRow); break;
                case 3: changed = h.Run(g, GridHistory::Command::DelRow); break;
                case 4: changed = h.Run(g, GridHistory::Command::AddCol); break;
                case 5: changed = h.Run(g, GridHistory::Command::DelCol); break;
                case 6: {  // a load or an import of another table
                    GridModel other;
                    FormCreate(other);
                    other.SetColCount(1 + rng() % 6);
                    other.SetRowCount(3 + rng() % 5);
                    for (int r = 1; r < other.RowCount(); ++r)
                        for (int c = 1; c < other.ColCount(); ++c) other.SetCell(c, r, text());
                    const bool load = rng() % 2;
                    load ? SaveDataFile(other, dat) : ExportCsv(other, csv);
                    record([&] { return load ? LoadDataFile(g, dat) : ImportCsv(g, csv), true; });
                    break;
                }
                case 7: case 8:
                    if (h.Undo(g)) {
                        ASSERT_EQ((std::pair{g.CurrentCol(), g.CurrentRow()}), where[done]) << "round " << round;
                        --done;
                    }
                    break;
                default:
                    if (h.Redo(g)) ++done;
                    break;
            }
            if (changed) {  // a new step ends the undone ones
                states.resize(++done);
                where.resize(done);
                states.push_back(Reads(g));
                where.push_back(at);
            }
            ASSERT_EQ(h.CanUndo(), done > 0);
            ASSERT_EQ(h.CanRedo(), done + 1 < states.size());
            ASSERT_EQ(Reads(g), states[done]) << "round " << round << " step " << step;
        }
    }
}

// Where a one-column table left no fixed column, column 0 holds typed text;
// 削除（行） on the first row deletes nothing but writes the headings there,
// and that too is undone.
TEST(HistoryTest, ACommandThatOnlyWritesTheHeadingsIsUndone) {
    GridModel g;
    FormCreate(g);
    g.SetColCount(1);
    g.SetColCount(3);
    g.SetCell(0, 3, "X");
    g.SetCurrent(0, 1);
    GridHistory h;
    ASSERT_TRUE(h.Run(g, GridHistory::Command::DelRow));
    ASSERT_NE(g.Cell(0, 3), "X");
    h.Undo(g);
    EXPECT_EQ(g.Cell(0, 3), "X");
}

TEST(HistoryTest, OldestStepsGoBeyondTheLimitAndCleanFollowsTheSteps) {
    GridModel g;
    FormCreate(g);
    GridHistory h;
    EXPECT_TRUE(h.IsClean());  // a new table
    for (int i = 0; i < 150; ++i) {
        const std::string old = g.Cell(1, 2);
        g.SetCell(1, 2, std::to_string(i));
        h.CellChanged(1, 2, old);
        if (i == 140) h.SetClean();
    }
    int undone = 0;
    while (h.Undo(g)) ++undone;
    EXPECT_EQ(undone, static_cast<int>(GridHistory::kMaxSteps));
    EXPECT_EQ(g.Cell(1, 2), "49");
    EXPECT_FALSE(h.IsClean());
    for (int i = 0; i < 91; ++i) h.Redo(g);
    EXPECT_TRUE(h.IsClean());  // back at the saved table
    g.SetCell(1, 2, "x");
    h.CellChanged(1, 2, "140");  // a new step where undone ones were
    EXPECT_FALSE(h.IsClean());
    h.Undo(g);
    EXPECT_TRUE(h.IsClean());
}

}  // namespace
}  // namespace ca
