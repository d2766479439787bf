#pragma once
#include <utility>

#include "devices/panel.h"
#include "devices/phase_osc.h"
#include "engine/devwin.h"
#include "engine/plug.h"
#include "engine/schedule.h"
#include "toolkit/key.h"

// The low-frequency oscillator for modulating other devices: five waveforms at rates from
// 0.0536 Hz to 78.12 Hz, unipolar outputs between the offset and the offset plus the level, and
// a mirrored output "Out\" that moves the other way.
class NTLFO : public NTDevWin {
 public:
  // Control codes: the value a slider or key set reports to RegChanged or CtrlNotify.
  static constexpr int kRateCode = 1, kLevelCode = 2, kOffsetCode = 3, kWaveCode = 4;
  // The ports, named (RecordOrder in panel.h).
  enum : size_t { kOut = 0, kMirrorOut = 1 };

  NTLFO(TCanvas* canvas, NTWin* parent);
  void Read(ipstream& is) override;
  void Write(opstream& os) override;
  void CtrlNotify(int code) override;
  void RegChanged(int code) override;
  void Compute() noexcept override;
  // Latch and Compute over a sub-block (the schedule's batch kernel).
  void Block(const TSubBlock& b, const TPorts& ports) noexcept;
  // The two outputs of table sample s at a level and an offset already scaled to the table: in
  // 64 bits for one frame, in 32 bits for frames in vector lanes while the controls lie inside
  // their ranges (every term is then non-negative and fits).
  template <class T>
  static void Outputs(T& out, T& mirror, T s, T level, T offset) noexcept {
    out = (s + kWaveAmplitude) * level / 2000 + offset;
    mirror = (kWaveAmplitude - s) * level / 2000 + offset;
  }

  NTPlugOut Out, OutMirror;
  NTValueControl Rate, Level, Offset;
  NTKeyset Wave;

  // Period 2^28: bits 16..27 of the phase index the table.
  using Oscillator = TPhaseOsc<16, 5>;
  Oscillator Osc;

 private:
  // The rate control's increment; set only here, as the LFO has no frequency input.
  void SetRate();
  // The two outputs' values of this frame; the phase moves on.
  std::pair<int32_t, int32_t> Next() noexcept;
};
