#pragma once
#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "app/document.h"

// One change of the document that can be undone and done again. It is recorded once it has
// been done; its Undo and Redo run only on the document state it left and found.
class TEditCommand {
 public:
  explicit TEditCommand(std::string name) : name_(std::move(name)) {}
  virtual ~TEditCommand() = default;
  TEditCommand(const TEditCommand&) = delete;
  TEditCommand& operator=(const TEditCommand&) = delete;

  virtual void Undo(TDocument& doc) = 0;
  virtual void Redo(TDocument& doc) = 0;
  // About how many bytes the command keeps (the history's memory bound).
  virtual size_t Cost() const = 0;
  // What the menu names: "VCO löschen".
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

// The undo history: the commands done, then those undone that can be done again. It keeps at
// most kMaxSteps steps and drops the oldest beyond kMaxBytes. It also knows whether the document
// stands where it was last saved.
class TEditHistory {
 public:
  static constexpr size_t kMaxSteps = 1000;
  static constexpr size_t kMaxBytes = size_t(256) << 20;

  // Records a command that has just been done; the undone ones can no longer be done again.
  void Push(std::unique_ptr<TEditCommand> command);
  // False when there was nothing to undo or redo.
  bool Undo(TDocument& doc);
  bool Redo(TDocument& doc);
  const TEditCommand* NextUndo() const { return done_ ? steps_[done_ - 1].command.get() : nullptr; }
  const TEditCommand* NextRedo() const {
    return done_ < steps_.size() ? steps_[done_].command.get() : nullptr;
  }
  size_t Steps() const { return steps_.size(); }
  size_t Done() const { return done_; }

  // Forgets every step; the document as it stands is the saved one.
  void Clear();
  // The document as it stands is the saved one; or no step leads back to the saved one.
  void MarkClean() { clean_ = done_; }
  void MarkUnreachable() { clean_.reset(); }
  bool Clean() const { return clean_ == done_; }

 private:
  void DropOldest();

  // A command's cost as it was pushed: what it holds changes as it is undone and redone.
  struct Step {
    std::unique_ptr<TEditCommand> command;
    size_t cost;
  };
  std::deque<Step> steps_;
  size_t done_ = 0;
  size_t bytes_ = 0;
  // How many steps were done when the document was saved; none when no step leads there.
  std::optional<size_t> clean_ = 0;
};
