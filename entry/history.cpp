#include "entry/history.h"

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
    Trade(steps_[--done_], g);
    return true;
}

bool GridHistory::Redo(GridModel& g) {
    if (!CanRedo()) return false;
    Trade(steps_[done_++], g);
    return true;
}

}  // namespace ca
