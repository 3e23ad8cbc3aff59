// The changes made to a data-entry table, for undo and redo. A step is either
// one cell's text or a whole former table; undoing or redoing a step trades
// what it holds with the table, so the same step serves both ways.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <string>

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

private:
    struct Step {
        int col = 0, row = 0;            // the cell changed, or the current one when the table was
        std::string text;                // the text that cell does not hold now
        std::unique_ptr<GridModel> table;  // or the table that is not shown now
        size_t bytes = 0;
    };
    void Push(Step step);
    static void Trade(Step& step, GridModel& g);

    std::deque<Step> steps_;
    size_t done_ = 0;  // steps_[0, done_) are in the table
    size_t bytes_ = 0;
    long clean_ = 0;   // done_ when clean; -1 once that state cannot come back
};

}  // namespace ca
