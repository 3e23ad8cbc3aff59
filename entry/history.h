// The changes made to a data-entry table, for undo and redo. A step holds one
// cell's former text, a whole former table, or what a row or column command
// wrote over; undoing a cell or a table trades what the step holds with the
// table, so the same step serves both ways.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "entry/grid.h"

namespace ca {

class GridHistory {
public:
    // Steps beyond these are dropped, oldest first (the newest is always kept).
    static constexpr size_t kMaxSteps = 100;
    static constexpr size_t kMaxBytes = size_t{256} << 20;

    // Records a change already made to one cell outside the headings;
    // `before` is its text until then.
    void CellChanged(int col, int row, std::string before);
    // Records a change already made to the table; `before` is a copy of the
    // table until then.
    void TableChanged(std::unique_ptr<GridModel> before);
    // Runs a row or column command at the current cell and records it,
    // keeping only what it writes over (a copy of a tall table would cost
    // more than the command); false, with nothing recorded, where it changed
    // nothing.
    enum class Command { AddRow, DelRow, AddCol, DelCol };
    bool Run(GridModel& g, Command command);

    bool CanUndo() const { return done_ > 0; }
    bool CanRedo() const { return done_ < steps_.size(); }
    // The table goes back (or forth) by one step, and the current cell moves
    // to where the step changed it; false when there is none.
    bool Undo(GridModel& g);
    bool Redo(GridModel& g);

    // The table is as it was last loaded, imported or saved (or as a new
    // window made it), as far as the steps tell.
    bool IsClean() const { return clean_ == static_cast<long>(done_); }
    void SetClean() { clean_ = static_cast<long>(done_); }

    // One step (public for the helpers that fill it).
    struct Step {
        int col = 0, row = 0;            // the cell changed, or the current one when the table was
        std::string text;                // the text that cell does not hold now
        std::unique_ptr<GridModel> table;  // or the table that is not shown now
        // or a command, the table's shape before it and the non-empty cells
        // it wrote over, by column (a row command) or by row (a column one)
        std::optional<Command> command;
        std::optional<GridModel::Shape> shape;
        struct Cells {
            std::vector<int> at;       // column or row of each cell
            std::vector<size_t> ends;  // where each one's text ends in `texts`
            std::string texts;
            void Add(int k, std::string_view text);
            std::string_view Text(size_t i) const;
            size_t Bytes() const;
        } lost;
        size_t bytes = 0;
    };

private:
    void Push(Step step);
    // Undo and redo of a cell or a table step: what it holds and the table trade places.
    static void Trade(Step& step, GridModel& g);
    // Undo of a command step.
    static void Reverse(const Step& step, GridModel& g);

    std::deque<Step> steps_;
    size_t done_ = 0;  // steps_[0, done_) are in the table
    size_t bytes_ = 0;
    long clean_ = 0;   // done_ when clean; -1 once that state cannot come back
};

}  // namespace ca
