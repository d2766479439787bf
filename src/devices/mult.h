#pragma once
#include "engine/devwin.h"
#include "engine/plug.h"
#include "engine/schedule.h"
#include "toolkit/bmpwin.h"

// The product of two signals, scaled so that full scale times full scale is full scale: a ring
// modulator, or with an LFO on one input a voltage-controlled amplifier.
class NTMult : public NTDevWin {
 public:
  // The ports, named (RecordOrder in panel.h).
  enum : size_t { kIn1 = 0, kIn2 = 1, kOut = 0 };

  NTMult(TCanvas* canvas, NTWin* parent);
  void Latch() noexcept override;
  void Compute() noexcept override;
  // Latch and Compute over a sub-block (the schedule's batch kernel).
  void Block(const TSubBlock& b, const TPorts& ports) noexcept;

  // x1 * x2 / kFullScale, each shift rounding towards minus infinity.
  static int32_t Product(int32_t x1, int32_t x2) noexcept;

  NTBmpWin Symbol;
  NTPlugIn In1, In2;
  NTPlugOut Out;
};
