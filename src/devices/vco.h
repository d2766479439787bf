#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "devices/panel.h"
#include "devices/phase_osc.h"
#include "engine/devwin.h"
#include "engine/plug.h"
#include "engine/schedule.h"
#include "toolkit/key.h"

// The audio oscillator: sine, triangle, rising sawtooth or rectangle at a pitch position with
// position and a level position (platform/signal_units.h). "FM" adds to the pitch position, "AM"
// adds its magnitude to the level position (0 dB's worth of steps at full scale).
class NTVCO : public NTDevWin {
 public:
  // Control codes: the value a slider or key set reports to RegChanged or CtrlNotify.
  static constexpr int kFreqCode = 1, kLevelCode = 2, kWaveCode = 3;
  // The ports, named (RecordOrder in panel.h).
  enum : size_t { kFmIn = 0, kAmIn = 1, kOut = 0 };

  NTVCO(TCanvas* canvas, NTWin* parent);
  void Read(ipstream& is) override;
  void Write(opstream& os) override;
  void CtrlNotify(int code) override;
  void Latch() noexcept override;
  void Compute() noexcept override;
  // Latch and Compute over a run of frames (the schedule's kernel; vco_kernel.cpp).
  void Block(const TSubBlock& b, const TPorts& ports) noexcept;

  // The gain of a frame with AM value am at level setting level. Full-scale AM adds the level
  // steps from silence to 0 dB, 90 dB.
  static int32_t GainFor(int32_t am, int32_t level) noexcept {
    return LevelGain(Tables(), AmDepth(am) + ReachableLevel(level));
  }
  // AM's share of the level position, (|am| · kUnityLevel) >> 16, formed from the magnitude's two
  // halves so that it stays in 32 bits and a run of frames fills 32-bit vector lanes.
  static int32_t AmDepth(int32_t am) noexcept {
    static_assert(kFullScale == 1 << 16);
    const uint32_t m = am < 0 ? 0u - uint32_t(am) : uint32_t(am);
    return int32_t((m >> 16) * kUnityLevel + (((m & 0xFFFF) * kUnityLevel) >> 16));
  }
  // A level beyond what AM can carry back inside the table is moved to the end it reaches, which
  // changes no clamped position and keeps AmDepth(am) + level inside 32 bits.
  static int32_t ReachableLevel(int32_t level) noexcept {
    return std::clamp(level, -(int32_t{1} << 26), kLevelMax);
  }
  // The phase step after a frame with FM value fm at pitch setting freq; a negative pitch sum is
  // mirrored.
  static int32_t StepFor(int32_t fm, int32_t freq) noexcept {
    return Oscillator::IncrementFor(std::abs(int64_t(fm) + freq));
  }

  NTKeyset Wave;
  NTPlugIn Fm, Am;
  NTPlugOut Out;
  NTValueControl Freq, Level;

  // Period 2^20: bits 8..19 of the phase index the table.
  using Oscillator = TPhaseOsc<8, 4>;
  Oscillator Osc;
};
