#pragma once
#include <cstdint>

#include "platform/geometry.h"
#include "toolkit/reg.h"

// A value slider's row in a device's layout table: where it stands and what it ranges over.
struct RegLayout {
  Point pos;
  int32_t travel, min, max, step, initial;
};

// Builds the value slider of a layout row in place (a member initialiser) and notifying parent.
// The caller places it at l.pos once the device's children all exist.
inline NTReg MakeReg(NTOwner* owner, NTWin* parent, int code, const RegLayout& l) {
  return NTReg(owner, parent, code, l.travel, l.min, l.max, l.step, l.initial);
}
