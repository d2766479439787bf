#pragma once
#include <cstdint>

// One MIDI channel message (note on/off, controller, pitch bend, ...). System messages never
// become events.
struct TMidiEvent {
  // Where it takes effect: in the input's queue a frame of the input's own time line (or kNow for
  // an input without one); in a block's list the frame of the processing clock.
  int64_t Frame = 0;
  uint8_t Status = 0, Data1 = 0, Data2 = 0;

  static constexpr int64_t kNow = -1;
  static constexpr uint8_t kNoteOff = 0x80, kNoteOn = 0x90, kController = 0xB0, kBend = 0xE0;

  uint8_t Kind() const noexcept { return Status & 0xF0; }
  // 0..15.
  int Channel() const noexcept { return Status & 0x0F; }
  // A pitch bend's 14-bit value, 8192 in the middle.
  int Bend() const noexcept { return Data1 | Data2 << 7; }
};
