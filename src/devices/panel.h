#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "platform/geometry.h"
#include "toolkit/disp.h"
#include "toolkit/reg.h"

// A value slider's place in a device's layout table: where it stands and what it ranges over.
struct RegLayout {
  Point pos;
  int32_t travel, min, max, step, initial;
};

// A read-out's place: where it stands, what kind of value it shows and the name written over it.
struct ReadoutLayout {
  Point pos;
  DisplayKind kind;
  const char* name;
};

// A value slider's row in a device's layout table, with its read-out.
struct ControlLayout {
  RegLayout slider;
  ReadoutLayout readout;
};

// The row moved dx to the right: a column of a panel that repeats.
constexpr ControlLayout MovedRight(ControlLayout l, int32_t dx) {
  l.slider.pos.x += dx;
  l.readout.pos.x += dx;
  return l;
}

// A value slider with its read-out, both children of the panel, placed from one layout row; the
// read-out follows the slider (NTReg::NotifyChange).
class NTValueControl : public NTReg {
 public:
  NTValueControl(TWindowOwner* owner, NTWin* parent, int code, const ControlLayout& l)
      : NTReg(owner, parent, code, l.slider.travel, l.slider.min, l.slider.max, l.slider.step,
              l.slider.initial),
        Disp(owner, parent, l.readout.kind, l.readout.name) {
    MoveTo(l.slider.pos);
    Disp.MoveTo(l.readout.pos);
    Disp.SetValue(Value);
    Readout = &Disp;
  }

  NTDisp Disp;
};

// The read-outs of a row of controls, for a record order that lists them apart from the sliders.
template <size_t N>
std::array<NTWin*, N> Readouts(std::array<NTValueControl, N>& controls) {
  std::array<NTWin*, N> r;
  for (size_t k = 0; k < N; ++k) r[k] = &controls[k].Disp;
  return r;
}

namespace panel_detail {
// Each returns how many children it moved to the end.
inline size_t Relink(NTWin& panel, NTWin& child) {
  child.Unlink();
  child.LinkInto(panel, SIZE_MAX);
  return 1;
}
inline size_t Relink(NTWin& panel, NTWin* child) {
  return Relink(panel, *child);
}
template <class T, size_t N>
size_t Relink(NTWin& panel, std::array<T, N>& children) {
  for (T& c : children) Relink(panel, c);
  return N;
}
// The frame's title, made before any of the panel's own children.
constexpr size_t kFrameChildren = 1;
}  // namespace panel_detail

// Puts a panel's children (windows, or arrays of them) in the order of their records in a patch
// file, which is also the order they are drawn, numbered and visited with Tab in, so that the
// order of the members does not matter. Children the panel's frame makes stay first. A plug's
// port (engine/schedule.h, TPorts) is its place among the device's inputs, or among its outputs,
// in this order: devices name their ports with constants (kOut), and the kernel test fails when a
// name points at another plug. A child left out would keep its place before the listed ones and
// shift every record after it, so every device type's construction fails then.
template <class... Children>
void RecordOrder(NTWin& panel, Children&&... children) {
  const size_t listed = (panel_detail::Relink(panel, children) + ...);
  size_t count = 0;
  for (const NTWin* c = panel.FirstChild; c; c = c->Next) ++count;
  if (count != panel_detail::kFrameChildren + listed)
    throw std::logic_error("RecordOrder: a child of the panel is not listed");
}
