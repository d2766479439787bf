#pragma once
#include <cstdlib>

#include "devices/phase_osc.h"
#include "engine/devwin.h"
#include "engine/plug.h"
#include "toolkit/disp.h"
#include "toolkit/key.h"
#include "toolkit/reg.h"

// The audio oscillator: sine, triangle, rising sawtooth or rectangle at a pitch position with
// 6000 steps per octave and a level in 0.1 dB steps. "FM" adds to the pitch position (6000 units
// per octave), "AM" adds its magnitude to the level position (900 steps at full scale).
class NTVCO : public NTDevWin {
 public:
  // Control codes: the value a slider or key set reports to RegChanged or CtrlNotify.
  static constexpr int kFreqCode = 1, kLevelCode = 2, kWaveCode = 3;

  NTVCO(NTCanvas* canvas, NTWin* parent);
  void Read(ipstream& is) override;
  void Write(opstream& os) override;
  void CtrlNotify(int code) override;
  void RegChanged(int code) override;
  void Latch() noexcept override;
  void Compute() noexcept override;

  // The gain of a frame with AM value am at level setting level. Full-scale AM (65536) adds 900
  // level steps, 90 dB.
  static int32_t GainFor(int32_t am, int32_t level) noexcept {
    return LevelGain(Tables(), ((std::abs(int64_t(am)) * 900) >> 16) + level);
  }
  // The phase step after a frame with FM value fm at pitch setting freq; a negative pitch sum is
  // mirrored.
  static int32_t StepFor(int32_t fm, int32_t freq) noexcept {
    return Oscillator::IncrementFor(std::abs(int64_t(fm) + freq));
  }

  // The children in creation order: it fixes the order of their records in a patch file.
  NTKeyset Wave;
  NTPlugIn Fm, Am;
  NTPlugOut Out;
  NTDisp FreqDisp, VolDisp;
  NTReg Freq, Level;

  // Period 2^20: bits 8..19 of the phase index the table.
  using Oscillator = TPhaseOsc<8, 4>;
  Oscillator Osc;
};
