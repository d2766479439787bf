#include "app/edit_history.h"

void TEditHistory::Push(std::unique_ptr<TEditCommand> command) {
  // The undone steps go, newest first: an undone insert's device may hold wires into an undone
  // delete's device, never the other way round.
  while (steps_.size() > done_) {
    bytes_ -= steps_.back().cost;
    steps_.pop_back();
  }
  if (clean_ && *clean_ > done_) clean_.reset();
  const size_t cost = command->Cost();
  bytes_ += cost;
  steps_.push_back({std::move(command), cost});
  ++done_;
  while (steps_.size() > kMaxSteps || (bytes_ > kMaxBytes && steps_.size() > 1)) DropOldest();
}

void TEditHistory::DropOldest() {
  bytes_ -= steps_.front().cost;
  steps_.pop_front();
  --done_;
  if (clean_ && *clean_ == 0)
    clean_.reset();
  else if (clean_)
    --*clean_;
}

bool TEditHistory::Undo(TDocument& doc) {
  if (!done_) return false;
  steps_[--done_].command->Undo(doc);
  return true;
}

bool TEditHistory::Redo(TDocument& doc) {
  if (done_ == steps_.size()) return false;
  steps_[done_++].command->Redo(doc);
  return true;
}

void TEditHistory::Clear() {
  while (!steps_.empty()) steps_.pop_back();
  done_ = 0;
  bytes_ = 0;
  clean_ = 0;
}
