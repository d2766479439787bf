#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/signal_units.h"

// Precomputed tables, so that the per-frame code does no trigonometry or exponentials: five
// one-period waveforms, the pitch table and the level table. Built on first use, read-only after.
class TTable {
 public:
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  int32_t operator[](size_t i) const noexcept { return entries_[i]; }
  const int32_t* Data() const noexcept { return entries_.data(); }
  size_t Size() const noexcept { return entries_.size(); }

 protected:
  explicit TTable(size_t size) : entries_(size) {}
  std::vector<int32_t> entries_;
};

// One period in 4096 entries, amplitude kWaveAmplitude.
constexpr int kWaveEntries = 4096;

class TSinTab : public TTable {
 public:
  TSinTab();
};
class TTriTab : public TTable {
 public:
  TTriTab();
};
class TSawUpTab : public TTable {
 public:
  TSawUpTab();
};
class TSawDnTab : public TTable {
 public:
  TSawDnTab();
};
class TRecTab : public TTable {
 public:
  TRecTab();
};

// Phase increments per frame for pitch positions 0..63038 (signal_units.h)
// of an accumulator whose period is 2^20 at 44100 frames per second.
constexpr int32_t kPitchMax = 63038;
// The pitch table's entry for a position, formed from its formula alone: what the table holds.
int32_t PitchIncrement(int position);
class TLogTab : public TTable {
 public:
  TLogTab();
};

// Gains x 10000 for level positions 0..1000 (signal_units.h).
constexpr int32_t kLevelMax = 1000;
constexpr int32_t kUnityGain = 10000;
class TVolLogTab : public TTable {
 public:
  TVolLogTab();
};

// The one copy of every table, shared by all oscillators and level controls. Built on the first
// call (a device constructor on the window thread, before the audio thread can use them).
struct TTables {
  TSinTab Sin;
  TTriTab Tri;
  TSawUpTab SawUp;
  TSawDnTab SawDn;
  TRecTab Rec;
  TLogTab Log;
  TVolLogTab VolLog;
};
// Inline, so that the per-frame users pay one predictable test for it, not a call.
inline const TTables& Tables() {
  static const TTables tables;
  return tables;
}

// The gain x 10000 of a level position. Positions outside 0..1000 (a modulation sum, a damaged
// patch file) are clamped here, where the table is indexed.
inline int32_t LevelGain(const TTables& t, int64_t position) noexcept {
  return t.VolLog[size_t(position < 0 ? 0 : position > kLevelMax ? kLevelMax : position)];
}

// x scaled by a level gain (x * gain / 10000), truncated towards zero. In 64 bits, so that the
// product cannot overflow for any 32-bit x or any sum of a few of them.
inline int64_t ApplyGain(int64_t x, int32_t gain) noexcept {
  return x * gain / kUnityGain;
}
