#pragma once
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
