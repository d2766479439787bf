// The patch as a document: the operations of the edit commands, the history they go into, and
// how control changes, moves and connections become its steps.
#include <algorithm>

#include "app/commands.h"
#include "app/main_client.h"
#include "engine/plug.h"

std::string TMainClient::DeviceName(const NTDevWin& device) {
  return device.Title.Text().value_or("Gerät");
}

NTDevWin* TMainClient::DeviceOf(NTWin* w) {
  while (w && w->Parent != &root_) w = w->Parent;
  return static_cast<NTDevWin*>(w);
}

void TMainClient::ForgetDevice(NTDevWin& device) {
  for (NTWin* w = captured_; w; w = w->Parent)
    if (w == &device) {
      captured_ = nullptr;
      shell_.CaptureMouse(false);
      SetInteraction(InteractionMode::Idle);
      break;
    }
  if (const NTPlug* pending = PendingPlug(); pending && pending->Parent == &device) {
    SetPendingPlug(nullptr);
    if (Interaction() == InteractionMode::Connecting) SetInteraction(InteractionMode::Idle);
  }
  if (PopupDevice == &device) PopupDevice = nullptr;
  if (NTWin* waiting = mapping_.Learning(); waiting && DeviceOf(waiting) == &device)
    mapping_.Learn(nullptr);
  if (placing_ == &device) placing_ = nullptr;
  selection_.Remove(&device);
  std::erase_if(gestureChanges_, [&](const TStateEdit::Change& c) { return c.device == &device; });
}

void TMainClient::AttachDevices(std::vector<Placed> devices) {
  {
    TCriticalSection::Lock lock(Lock);
    for (Placed& p : devices) {
      NTDevWin* d = p.device.release();
      d->LinkInto(root_, p.index);  // the root's child list is the device list
      devices_.insert(devices_.begin() + std::ptrdiff_t(std::min(p.index, devices_.size())), d);
    }
    ++devicesVersion_;
    Reschedule();
  }
  InvalidateAll(true);
}

std::vector<TDocument::Placed> TMainClient::DetachDevices(std::span<NTDevWin* const> devices) {
  std::vector<Placed> out;
  for (NTDevWin* d : devices) {
    const auto at = std::ranges::find(devices_, d);
    if (at != devices_.end()) out.push_back({size_t(at - devices_.begin()), nullptr});
  }
  std::ranges::sort(out, {}, &Placed::index);
  {
    TCriticalSection::Lock lock(Lock);
    for (auto p = out.rbegin(); p != out.rend(); ++p) {
      NTDevWin* d = devices_[p->index];
      ForgetDevice(*d);
      devices_.erase(devices_.begin() + std::ptrdiff_t(p->index));
      d->Unlink();
      p->device.reset(d);
    }
    ++devicesVersion_;
    Reschedule();
  }
  InvalidateAll(true);
  return out;
}

void TMainClient::PlaceDevices(std::span<const std::pair<NTDevWin*, Point>> places) {
  for (const auto& [d, pos] : places) {
    d->InvalidateArea(true);
    InvalidateMark(d->AbsRect());
    d->MoveTo(pos);
    d->InvalidateArea(false);
    InvalidateMark(d->AbsRect());
  }
}

void TMainClient::SetSources(std::span<const std::pair<NTPlugIn*, NTPlugOut*>> sources) {
  for (const auto& [in, source] : sources) {
    Invalidate(in->WireRect(), true);
    in->Source = source;
    Invalidate(in->WireRect(), false);
  }
  Reschedule();
}

std::vector<uint8_t> TMainClient::StateOf(NTDevWin& device) {
  opstream os;
  const bool own = !numbers_;
  if (own) numbers_.emplace(&root_);
  WriteWalk(&device, os);
  if (own) numbers_.reset();
  return os.Bytes();
}

// The device reads its record as a load would, so that it recomputes what it derives from its
// controls.
void TMainClient::RestoreState(NTDevWin& device, std::span<const uint8_t> state) {
  device.InvalidateArea(true);
  numbers_.emplace(&root_);
  ipstream is(state);
  ReadWalk(&device, is);
  numbers_.reset();
  Reschedule();
  device.InvalidateArea(true);
  InvalidateMark(device.AbsRect());
}

int32_t TMainClient::Option(int which) const {
  const int32_t options[] = {WiresOn, WiresBehind, CurvesOn, SnapOn};
  return options[std::clamp(which, 0, 3)];
}

void TMainClient::SetOption(int which, int32_t value) {
  int32_t* options[] = {&WiresOn, &WiresBehind, &CurvesOn, &SnapOn};
  *options[std::clamp(which, 0, 3)] = value;
  SetMenuMarks();
  // Snapping changes nothing on the screen.
  if (which != kSnapWord) InvalidateAll(true);
}

void TMainClient::ChooseOption(int which, int32_t value) {
  const int32_t before = Option(which);
  if (before == value) {
    // The menu may have flipped its mark by itself: the option's word is the one that stays.
    SetMenuMarks();
    return;
  }
  SetOption(which, value);
  PushEdit(std::make_unique<TOptionEdit>(
      which == kSnapWord ? "Snap umschalten" : "Verdrahtung ändern", which, before, value));
}

void TMainClient::PushEdit(std::unique_ptr<TEditCommand> edit) {
  // Control changes still open come first, so the steps keep the order of the changes.
  CommitControlChanges();
  history_.Push(std::move(edit));
  EditsChanged();
}

// After every step done, undone or redone.
void TMainClient::EditsChanged() {
  placing_ = nullptr;
  copyOutdated_ = true;
  RefreshStates();
  if (Modified() != shownModified_) UpdateTitle();
  UpdateEditMenu();
}

void TMainClient::ClearHistory() {
  gestureChanges_.clear();
  placing_ = nullptr;
  history_.Clear();
  selection_.Clear();
  statesStale_ = true;
  UpdateEditMenu();
}

void TMainClient::RefreshStates() {
  states_.clear();
  numbers_.emplace(&root_);
  for (NTDevWin* d : devices_) states_.emplace(d, StateOf(*d));
  numbers_.reset();
  statesStale_ = false;
}

void TMainClient::UpdateEditMenu() {
  const TEditCommand* undo = history_.NextUndo();
  const TEditCommand* redo = history_.NextRedo();
  shell_.SetMenuCaption(cmd::kUndo, undo ? "&Rückgängig: " + undo->Name() : "&Rückgängig");
  shell_.SetMenuCaption(cmd::kRedo, redo ? "&Wiederholen: " + redo->Name() : "&Wiederholen");
  shell_.EnableMenu(cmd::kUndo, undo != nullptr);
  shell_.EnableMenu(cmd::kRedo, redo != nullptr);
}

bool TMainClient::Undo() {
  return StepHistory(&TEditHistory::Undo);
}

bool TMainClient::Redo() {
  return StepHistory(&TEditHistory::Redo);
}

bool TMainClient::StepHistory(bool (TEditHistory::*step)(TDocument&)) {
  PutDown();
  // A control that holds the mouse finishes its gesture first.
  if (Interaction() != InteractionMode::Idle) return false;
  CommitControlChanges();
  if (!(history_.*step)(*this)) return false;
  EditsChanged();
  return true;
}

// The one place every control change passes: its device's record before the change is the one
// the history last saw.
void TMainClient::ControlChanged(NTWin* control) {
  NTDevWin* d = DeviceOf(control);
  const auto before = d ? states_.find(d) : states_.end();
  if (statesStale_ || before == states_.end()) {
    // A change nothing recorded the start of: modified, but no step leads back.
    PatchChanged();
    RefreshStates();
    return;
  }
  if (std::ranges::none_of(gestureChanges_,
                           [d](const TStateEdit::Change& c) { return c.device == d; }))
    gestureChanges_.push_back({d, before->second, {}});
  if (gestureDepth_ == 0) CommitControlChanges();
}

void TMainClient::BeginGesture() {
  if (gestureDepth_++ == 0 && statesStale_) RefreshStates();
}

void TMainClient::EndGesture() {
  if (gestureDepth_ > 0 && --gestureDepth_ == 0) CommitControlChanges();
}

void TMainClient::CommitControlChanges() {
  std::vector<TStateEdit::Change> changes;
  for (TStateEdit::Change& c : std::exchange(gestureChanges_, {})) {
    c.after = StateOf(*c.device);
    if (c.after == c.before) continue;
    // The device takes its new record back as a load would take it: what it derives from its
    // controls (a VCO's saved increment) is then what a redo of the step restores.
    RestoreState(*c.device, c.after);
    c.after = StateOf(*c.device);
    changes.push_back(std::move(c));
  }
  if (changes.empty()) return;
  const std::string name =
      changes.size() == 1 ? DeviceName(*changes[0].device) + " einstellen" : "Regler einstellen";
  history_.Push(std::make_unique<TStateEdit>(name, std::move(changes)));
  EditsChanged();
}

void TMainClient::ConnectionChanged(NTPlugIn& in, NTPlugOut* before) {
  Reschedule();
  NTPlugOut* after = in.Source;
  PushEdit(
      std::make_unique<TWireEdit>(after ? "Verbinden" : "Verbindung lösen", in, before, after));
}

// Putting down an inserted panel belongs to its insert; a selected panel carries the others of
// the selection with it.
void TMainClient::DeviceMoved(NTDevWin& device, Point from) {
  const Point to = device.AbsPos();
  InvalidateMark(device.AbsRect());
  InvalidateMark(Rect::FromSize(from.x, from.y, device.W, device.H));
  if (&device == placing_) {
    EditsChanged();
    return;
  }
  std::vector<TMoveEdit::Move> moves{{&device, from, to}};
  std::vector<std::pair<NTDevWin*, Point>> others;
  if (selection_.Contains(&device))
    for (NTDevWin* d : selection_.InOrder(devices_)) {
      if (d == &device) continue;
      const Point at = d->AbsPos();
      const Point there{at.x + (to.x - from.x), at.y + (to.y - from.y)};
      moves.push_back({d, at, there});
      others.emplace_back(d, there);
    }
  PlaceDevices(others);
  const std::string name =
      moves.size() == 1 ? DeviceName(device) + " verschieben" : "Auswahl verschieben";
  PushEdit(std::make_unique<TMoveEdit>(name, std::move(moves)));
}
