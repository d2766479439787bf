#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "devices/lanes.h"
#include "devices/tables.h"
#include "platform/pstream.h"
#include "platform/relaxed.h"

// A 32-bit phase accumulator reading one of Count one-period wave tables without interpolation.
// The table index is the 12 bits above IndexShift, so a period is 2^(IndexShift + 12) phase units:
// 2^20 for audio rates, 2^28 for the same pitch table run 256 times slower. The audio thread moves
// Phase on (and a VCO's Increment with its modulation); the window thread selects the waveform,
// sets an LFO's Increment from its rate control, and writes Phase only while it loads a patch,
// under the canvas lock. Each field is one whole word.
template <int IndexShift, size_t Count>
class TPhaseOsc {
 public:
  using Waves = std::array<const TTable*, Count>;

  // Starts at phase 0 with waveform 0 and no increment.
  explicit TPhaseOsc(const Waves& waves) : Table(waves[0]->Data()), waves_(waves) {}

  // Stores w; points at its table when w names one and keeps the table otherwise. The phase runs
  // on, so a new waveform continues from the same point of the period.
  void Select(int32_t w) noexcept {
    Waveform = w;
    if (w >= 0 && size_t(w) < Count) Table = waves_[size_t(w)]->Data();
  }

  // The table entry of a phase.
  static uint32_t Index(uint32_t phase) noexcept {
    return (phase >> IndexShift) & (kWaveEntries - 1);
  }
  // The entries of `frames` frames from `phase` on at a steady step: frame f reads
  // Index(phase + f * step). The phase is carried shifted up, so that the index is its top 12
  // bits: shifting is a multiplication modulo 2^32, so the shifted sums are the sums shifted. Four
  // accumulators let four frames load at once. Scalar loads beat the vector units here: AVX2's
  // gather of eight entries took half as long again per frame (kernels_bench BM_VcoKernel).
  QUARVIN_SCALAR static void ReadSteady(const int32_t* __restrict table, uint32_t phase,
                                        uint32_t step, int32_t* __restrict out,
                                        int frames) noexcept {
    constexpr int kUp = 32 - 12 - IndexShift, kDown = 32 - 12;
    static_assert(kWaveEntries == 1 << 12);
    const uint32_t s = step << kUp;
    uint32_t p0 = phase << kUp, p1 = p0 + s, p2 = p1 + s, p3 = p2 + s;
    int f = 0;
    for (; f + 4 <= frames; f += 4, p0 += 4 * s, p1 += 4 * s, p2 += 4 * s, p3 += 4 * s) {
      out[f] = table[p0 >> kDown];
      out[f + 1] = table[p1 >> kDown];
      out[f + 2] = table[p2 >> kDown];
      out[f + 3] = table[p3 >> kDown];
    }
    for (; f < frames; ++f, p0 += s) out[f] = table[p0 >> kDown];
  }
  // The entry at the current phase (audio thread).
  int32_t Sample() const noexcept { return Table.Get()[Index(uint32_t(Phase.Get()))]; }
  // One frame on, modulo 2^32 (audio thread).
  void Advance() noexcept { Phase = int32_t(uint32_t(Phase.Get()) + uint32_t(Increment.Get())); }

  // The pitch table's increment for a position, clamped to the table.
  static int32_t IncrementFor(int64_t position) noexcept {
    return Tables().Log[size_t(position < 0 ? 0 : position > kPitchMax ? kPitchMax : position)];
  }

  // The saved state: phase, increment, waveform. Reading selects the waveform read; the saved
  // increment is kept only until the owner sets it from its control.
  void Write(opstream& os) const {
    os.WriteWord(Phase);
    os.WriteWord(Increment);
    os.WriteWord(Waveform);
  }
  void Read(ipstream& is) {
    Phase = is.ReadWord();
    Increment = is.ReadWord();
    Select(is.ReadWord());
  }

  Relaxed<int32_t> Waveform{0}, Phase{0}, Increment{0};
  Relaxed<const int32_t*> Table;

 private:
  Waves waves_;
};
