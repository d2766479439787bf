#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/edit_history.h"

// The edit commands of a patch. Each is created once its change has been done (by the canvas or
// by the command's own constructor) and records what its Undo and Redo need.

// Devices entering or leaving the list together (insert, paste, duplicate; delete, cut). Devices
// out of the list live on in the command, so that an undone delete brings back the same devices
// with everything they held, at their places, with their wires.
class TDeviceSetEdit : public TEditCommand {
 public:
  // devices were just added to the list.
  static std::unique_ptr<TDeviceSetEdit> Added(std::string name, std::vector<NTDevWin*> devices);
  // Removes devices (and the wires from them into the rest) now.
  static std::unique_ptr<TDeviceSetEdit> Removed(TDocument& doc, std::string name,
                                                 std::vector<NTDevWin*> devices);

  void Undo(TDocument& doc) override { added_ ? Remove(doc) : Add(doc); }
  void Redo(TDocument& doc) override { added_ ? Add(doc) : Remove(doc); }
  size_t Cost() const override;

 private:
  TDeviceSetEdit(std::string name, std::vector<NTDevWin*> devices, bool added);
  void Remove(TDocument& doc);
  void Add(TDocument& doc);

  std::vector<NTDevWin*> devices_;
  bool added_;
  std::vector<TDocument::Placed> out_;                   // while out of the list
  std::vector<std::pair<NTPlugIn*, NTPlugOut*>> wires_;  // the rest's inputs fed by them
};

class TMoveEdit : public TEditCommand {
 public:
  struct Move {
    NTDevWin* device;
    Point from, to;
  };
  TMoveEdit(std::string name, std::vector<Move> moves)
      : TEditCommand(std::move(name)), moves_(std::move(moves)) {}
  void Undo(TDocument& doc) override { Place(doc, &Move::from); }
  void Redo(TDocument& doc) override { Place(doc, &Move::to); }
  size_t Cost() const override { return sizeof *this + moves_.size() * sizeof(Move); }

 private:
  void Place(TDocument& doc, Point Move::*where);
  std::vector<Move> moves_;
};

class TWireEdit : public TEditCommand {
 public:
  TWireEdit(std::string name, NTPlugIn& in, NTPlugOut* before, NTPlugOut* after)
      : TEditCommand(std::move(name)), in_(in), before_(before), after_(after) {}
  void Undo(TDocument& doc) override { Set(doc, before_); }
  void Redo(TDocument& doc) override { Set(doc, after_); }
  size_t Cost() const override { return sizeof *this; }

 private:
  void Set(TDocument& doc, NTPlugOut* source);
  NTPlugIn& in_;
  NTPlugOut* before_;
  NTPlugOut* after_;
};

// Control settings of devices, as the records they save.
class TStateEdit : public TEditCommand {
 public:
  struct Change {
    NTDevWin* device;
    std::vector<uint8_t> before, after;
  };
  TStateEdit(std::string name, std::vector<Change> changes)
      : TEditCommand(std::move(name)), changes_(std::move(changes)) {}
  void Undo(TDocument& doc) override { Restore(doc, &Change::before); }
  void Redo(TDocument& doc) override { Restore(doc, &Change::after); }
  size_t Cost() const override;

 private:
  void Restore(TDocument& doc, std::vector<uint8_t> Change::*which);
  std::vector<Change> changes_;
};

class TOptionEdit : public TEditCommand {
 public:
  TOptionEdit(std::string name, int which, int32_t before, int32_t after)
      : TEditCommand(std::move(name)), which_(which), before_(before), after_(after) {}
  void Undo(TDocument& doc) override { doc.SetOption(which_, before_); }
  void Redo(TDocument& doc) override { doc.SetOption(which_, after_); }
  size_t Cost() const override { return sizeof *this; }

 private:
  int which_;
  int32_t before_, after_;
};
