#include "toolkit/control_input.h"

#include <algorithm>
#include <cmath>

#include "toolkit/value_text.h"

namespace {
template <class T>
T* As(NTWin* w) {
  return dynamic_cast<T*>(w);
}

// The column of a value slider: up button, slider, down button.
Rect ColumnOf(const NTReg& reg) {
  return reg.Up.AbsRect().Union(reg.Down.AbsRect());
}

// The panel on top under a point: of overlapping panels the one painted last.
NTWin* PanelAt(NTWin* root, Point pt) {
  NTWin* top = nullptr;
  for (NTWin* d = root->FirstChild; d; d = d->Next)
    if (d->Contains(pt)) top = d;
  return top;
}

template <class Visit>
void PreOrder(NTWin* w, Visit&& visit) {
  visit(w);
  for (NTWin* c = w->FirstChild; c; c = c->Next) PreOrder(c, visit);
}

bool Idle(const NTWin& w) {
  return w.Owner->Interaction() == InteractionMode::Idle;
}

bool PressOnReg(NTReg& reg, ControlKey key) {
  const int64_t coarse = int64_t(CoarseSteps(reg)) * reg.Step;
  switch (key) {
    case ControlKey::StepUp:
      reg.Change(int64_t(reg.Value) + reg.Step);
      return true;
    case ControlKey::StepDown:
      reg.Change(int64_t(reg.Value) - reg.Step);
      return true;
    case ControlKey::CoarseUp:
      reg.Change(reg.Value + coarse);
      return true;
    case ControlKey::CoarseDown:
      reg.Change(reg.Value - coarse);
      return true;
    case ControlKey::First:
      reg.Change(reg.Min);
      return true;
    case ControlKey::Last:
      reg.Change(reg.Max);
      return true;
    case ControlKey::Toggle:
      return false;
  }
  return false;
}

bool PressOnKeyset(NTKeyset& keys, ControlKey key) {
  if (keys.Count <= 0) return false;
  const int now = std::clamp(keys.Selected.Get(), 0, keys.Count - 1);
  int row = now;
  switch (key) {
    case ControlKey::StepUp:
      row = std::max(now - 1, 0);
      break;
    case ControlKey::StepDown:
      row = std::min(now + 1, keys.Count - 1);
      break;
    case ControlKey::First:
      row = 0;
      break;
    case ControlKey::Last:
      row = keys.Count - 1;
      break;
    default:
      return false;
  }
  if (row != keys.Selected) keys.Select(row);
  return true;
}
}  // namespace

NTReg* RegOf(const NTDisp& display) {
  if (!display.Parent) return nullptr;
  for (NTWin* c = display.Parent->FirstChild; c; c = c->Next)
    if (auto* r = As<NTReg>(c); r && r->Readout == &display) return r;
  return nullptr;
}

int32_t CoarseUnits(DisplayKind kind) {
  switch (kind) {
    case DisplayKind::LevelDecibel:
      return 10;
    case DisplayKind::Frequency:
      return 500;
    case DisplayKind::LowFrequency:
      return 6000;
    case DisplayKind::Thousandths:
    case DisplayKind::Tenths:
      return 10;
    case DisplayKind::Decibel:
      return 60;
    case DisplayKind::Divisions:
    case DisplayKind::TriggerPosition:
      return 30;
    case DisplayKind::TimeBase:
      return 3;
    case DisplayKind::Channel:
      return 4;
    case DisplayKind::Semitones:
      return 12;  // an octave
  }
  return 0;
}

int CoarseSteps(const NTReg& reg) {
  constexpr int kWithoutDisplay = 10;
  const NTDisp* d = reg.Readout;
  if (!d || reg.Step <= 0) return kWithoutDisplay;
  return std::max(1, CoarseUnits(d->Kind) / reg.Step);
}

bool PressKey(NTWin& control, ControlKey key) {
  if (!Idle(control)) return false;
  if (auto* reg = As<NTReg>(&control)) return PressOnReg(*reg, key);
  if (auto* keys = As<NTKeyset>(&control)) return PressOnKeyset(*keys, key);
  if (auto* k = As<NTKey>(&control); k && key == ControlKey::Toggle) {
    k->Toggle();
    return true;
  }
  return false;
}

NTReg* RegAt(NTWin* root, Point pt) {
  NTWin* panel = PanelAt(root, pt);
  NTReg* found = nullptr;
  if (panel)
    PreOrder(panel, [&](NTWin* w) {
      auto* r = As<NTReg>(w);
      if (!r || found) return;
      const NTDisp* d = r->Readout;
      if (ColumnOf(*r).Contains(pt) || (d && d->Contains(pt))) found = r;
    });
  return found;
}

NTDisp* DisplayAt(NTWin* root, Point pt) {
  NTReg* reg = RegAt(root, pt);
  NTDisp* d = reg ? reg->Readout : nullptr;
  return d && d->Contains(pt) ? d : nullptr;
}

bool Wheel(NTWin* root, Point pt, int notches, bool coarse) {
  NTReg* reg = RegAt(root, pt);
  if (!reg) return false;
  if (Idle(*reg) && notches != 0) {
    const int64_t steps = coarse ? CoarseSteps(*reg) : 1;
    reg->Change(reg->Value + int64_t(notches) * steps * reg->Step);
  }
  return true;
}

bool Reset(NTReg& reg) {
  return Idle(reg) && reg.Change(reg.Initial);
}

bool FollowController(NTWin& control, int position, int top) {
  if (top <= 0) return false;
  const double share = std::clamp(double(position) / top, 0.0, 1.0);
  if (auto* reg = As<NTReg>(&control)) {
    const auto v = NearestStep(*reg, reg->Min + share * (double(reg->Max) - reg->Min));
    return v && reg->Change(*v);
  }
  if (auto* keys = As<NTKeyset>(&control)) {
    const int row = int(std::lround(share * (keys->Count - 1)));
    if (keys->Count <= 0 || row == keys->Selected) return false;
    keys->Select(row);
    return true;
  }
  auto* key = As<NTKey>(&control);
  if (!key || (key->State != 0) == (2 * position > top)) return false;
  key->Toggle();
  return true;
}

NTWin* ControlAt(NTWin* root, Point pt) {
  if (NTReg* reg = RegAt(root, pt)) return reg;
  NTWin* panel = PanelAt(root, pt);
  if (!panel) return nullptr;
  for (NTWin* c : FocusableControls(panel))
    if (c->Contains(pt)) return c;
  return nullptr;
}

std::optional<int32_t> NearestStep(const NTReg& reg, double units) {
  const int64_t step = std::max(reg.Step, 1);
  const double half = step / 2.0;
  if (!(units >= reg.Min - half && units <= reg.Max + half)) return std::nullopt;
  const int64_t last = (int64_t(reg.Max) - reg.Min) / step;
  const int64_t k = std::clamp<int64_t>(int64_t(std::floor((units - reg.Min) / step)), 0, last);
  int64_t best = reg.Max;
  for (int64_t c : {reg.Min + k * step, reg.Min + std::min(k + 1, last) * step})
    if (std::abs(c - units) < std::abs(best - units)) best = c;
  return int32_t(best);
}

std::vector<int32_t> ReachableSteps(const NTReg& reg) {
  std::vector<int32_t> values;
  for (int64_t v = reg.Min; v < reg.Max; v += std::max(reg.Step, 1)) values.push_back(int32_t(v));
  values.push_back(reg.Max);
  return values;
}

TEntryResult EnterValue(NTReg& reg, std::string_view text) {
  const NTDisp* d = reg.Readout;
  if (!d) return {false, "Dieser Regler hat keine Anzeige"};
  const TTypedValue typed = ParseValueText(d->Kind, text);
  if (!typed.Units) return {false, typed.Hint};
  const auto v = NearestStep(reg, *typed.Units);
  if (!v) {
    return {false,
            "Möglich sind " + ValueText(d->Kind, reg.Min) + " bis " + ValueText(d->Kind, reg.Max)};
  }
  reg.Change(*v);
  return {true, {}};
}

std::vector<NTWin*> FocusableControls(NTWin* root) {
  std::vector<NTWin*> controls;
  PreOrder(root, [&](NTWin* w) {
    if (As<NTReg>(w) || As<NTKey>(w) || As<NTKeyset>(w)) controls.push_back(w);
  });
  return controls;
}

NTWin* NextFocus(NTWin* root, NTWin* current, bool forward) {
  const std::vector<NTWin*> controls = FocusableControls(root);
  if (controls.empty()) return nullptr;
  const auto at = std::ranges::find(controls, current);
  if (at == controls.end()) return forward ? controls.front() : controls.back();
  const size_t i = size_t(at - controls.begin()), n = controls.size();
  return controls[forward ? (i + 1) % n : (i + n - 1) % n];
}

bool InTree(const NTWin* root, const NTWin* w) {
  for (const NTWin* c = root->FirstChild; c; c = c->Next)
    if (c == w || InTree(c, w)) return true;
  return false;
}

Rect FocusArea(const NTWin& control) {
  const auto* reg = dynamic_cast<const NTReg*>(&control);
  if (!reg) return control.AbsRect();
  const NTDisp* d = reg->Readout;
  return ColumnOf(*reg).Union(d ? d->AbsRect() : Rect{});
}

void TStepRepeat::Tick(TWindowOwner& owner, Clock::time_point now) {
  const auto* button = dynamic_cast<const NTButton*>(owner.Captured());
  auto* reg = button ? As<NTReg>(button->Target) : nullptr;
  if (!reg || !button->Pressed || owner.Interaction() != InteractionMode::Control) {
    held_ = nullptr;
    return;
  }
  if (held_ != button) {
    held_ = button;
    next_ = now + kDelay;
  } else if (now >= next_) {
    reg->CtrlNotify(button->Code);
    next_ = now + kInterval;
  }
}
