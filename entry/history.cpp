#include "entry/history.h"

#include <algorithm>
#include <utility>

namespace ca {

void GridHistory::CellChanged(int col, int row, std::string before) {
    Step step;
    step.col = col;
    step.row = row;
    step.bytes = sizeof(Step) + before.capacity();
    step.text = std::move(before);
    Push(std::move(step));
}

void GridHistory::TableChanged(std::unique_ptr<GridModel> before) {
    Step step;
    step.col = before->CurrentCol();  // where the change was made
    step.row = before->CurrentRow();
    step.bytes = sizeof(Step) + before->MemoryUse();
    step.table = std::move(before);
    Push(std::move(step));
}

void GridHistory::Step::Cells::Add(int k, std::string_view text) {
    at.push_back(k);
    texts.append(text);
    ends.push_back(texts.size());
}

std::string_view GridHistory::Step::Cells::Text(size_t i) const {
    const size_t begin = i ? ends[i - 1] : 0;
    return std::string_view(texts).substr(begin, ends[i] - begin);
}

size_t GridHistory::Step::Cells::Bytes() const {
    return at.capacity() * sizeof(int) + ends.capacity() * sizeof(size_t) + texts.capacity();
}

namespace {

bool RunCommand(GridModel& g, GridHistory::Command command) {
    switch (command) {
        case GridHistory::Command::AddRow: return AddButtonClick(g);
        case GridHistory::Command::DelRow: return DelButtonClick(g);
        case GridHistory::Command::AddCol: return AddColButtonClick(g);
        case GridHistory::Command::DelCol: return DelColButtonClick(g);
    }
    return false;
}

using Cells = GridHistory::Step::Cells;

// The non-empty cells of columns [1, cols) of `row`, by column.
Cells RowCells(const GridModel& g, int row, int cols) {
    std::vector<std::string_view> views;
    g.CellViews(row, 1, cols, views);
    Cells cells;
    for (size_t i = 0; i < views.size(); ++i)
        if (!views[i].empty()) cells.Add(static_cast<int>(i) + 1, views[i]);
    return cells;
}

// A column of `cells` (by row), to be read once for every row in order, row 1
// first, as a column move reads it.
GridModel::ColumnText ColumnOf(const Cells& cells) {
    return [&cells, next = size_t{0}](int row) mutable -> std::string_view {
        if (next == cells.at.size() || cells.at[next] != row) return {};
        return cells.Text(next++);
    };
}

// Columns [1, cols) of `row` become `cells` (by column), empty elsewhere.
void WriteRow(GridModel& g, int row, int cols, const Cells& cells) {
    g.EditRows(row, row + 1, cols - 1, [&](std::vector<std::string_view>& views) {
        std::fill(views.begin(), views.begin() + (cols - 1), std::string_view());
        for (size_t i = 0; i < cells.at.size(); ++i) views[cells.at[i] - 1] = cells.Text(i);
    });
}

}  // namespace

bool GridHistory::Run(GridModel& g, Command command) {
    Step step;
    step.command = command;
    step.shape = g.SaveShape();
    step.col = g.CurrentCol();
    step.row = g.CurrentRow();
    const int rows = g.RowCount(), cols = g.ColCount();
    const auto keep = [&](int row, std::string_view text) { step.lost.Add(row, text); };
    bool changed = false;
    switch (command) {  // keeping what the command writes over
        case Command::AddRow:  // the hidden row that comes in
            step.lost = RowCells(g, rows, cols);
            changed = AddButtonClick(g);
            break;
        case Command::DelRow:
            step.lost = RowCells(g, step.row, cols);
            changed = DelButtonClick(g);
            break;
        case Command::AddCol: changed = AddColButtonClick(g, keep); break;  // the hidden column that comes in
        case Command::DelCol: changed = DelColButtonClick(g, keep); break;
    }
    // A command that deletes nothing may still write the headings.
    if (!changed && g.SameShape(*step.shape)) return false;
    step.bytes = sizeof(Step) + step.shape->MemoryUse() + step.lost.Bytes();
    Push(std::move(step));
    return true;
}

// Brings the table back from after the step's command to before it.
void GridHistory::Reverse(const Step& step, GridModel& g) {
    const GridModel::Shape& before = *step.shape;
    const int r = step.row, c = step.col;
    g.RestoreShape(before);  // the counts, the current cell and the headings
    const int rows = g.RowCount(), cols = g.ColCount();
    switch (*step.command) {
        case Command::AddRow:  // the blank row below the current one goes back to the end
            if (r < rows - 1) g.RotateRows(r + 1, rows, cols, false);
            WriteRow(g, rows, cols, step.lost);
            break;
        case Command::DelRow:  // the deleted row comes back in from the end
            if (r >= 2 && r < rows - 1) {
                WriteRow(g, rows - 1, cols, step.lost);
                g.RotateRows(r, rows - 1, cols, true);
            }
            break;
        case Command::AddCol:  // the blank column goes, the hidden one comes back
            g.MoveColumnCells(1, rows, c + 1, cols, ColumnOf(step.lost));
            break;
        case Command::DelCol:  // the deleted column comes back in
            if (c < cols - 1) g.MoveColumnCells(1, rows, cols - 1, c, ColumnOf(step.lost));
            break;
    }
}

void GridHistory::Push(Step step) {
    // A new change ends the steps that were undone.
    for (size_t i = done_; i < steps_.size(); ++i) bytes_ -= steps_[i].bytes;
    steps_.resize(done_);
    if (clean_ > static_cast<long>(done_)) clean_ = -1;
    bytes_ += step.bytes;
    steps_.push_back(std::move(step));
    ++done_;
    while (steps_.size() > 1 && (steps_.size() > kMaxSteps || bytes_ > kMaxBytes)) {
        bytes_ -= steps_.front().bytes;
        steps_.pop_front();
        --done_;
        clean_ = clean_ > 0 ? clean_ - 1 : -1;
    }
}

void GridHistory::Trade(Step& step, GridModel& g) {
    if (step.table) {
        g.Exchange(*step.table);
        g.SetCurrent(step.col, step.row);
        return;
    }
    std::string now = g.Cell(step.col, step.row);
    g.SetCell(step.col, step.row, std::move(step.text));
    step.text = std::move(now);
    g.SetCurrent(step.col, step.row);
}

bool GridHistory::Undo(GridModel& g) {
    if (!CanUndo()) return false;
    Step& step = steps_[--done_];
    step.command ? Reverse(step, g) : Trade(step, g);
    return true;
}

bool GridHistory::Redo(GridModel& g) {
    if (!CanRedo()) return false;
    Step& step = steps_[done_++];
    if (step.command) {  // a command is done again, not traded
        g.SetCurrent(step.col, step.row);
        RunCommand(g, *step.command);
    } else {
        Trade(step, g);
    }
    return true;
}

}  // namespace ca
