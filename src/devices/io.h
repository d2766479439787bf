#pragma once
#include <algorithm>

#include "engine/devwin.h"
#include "engine/plug.h"
#include "toolkit/bmpwin.h"

// The sound card's input: publishes twice the frame's input samples, so that full scale inside
// a patch is kFullScale (platform/signal_units.h).
class NTInput : public NTDevWin {
 public:
  // The ports, named (RecordOrder in panel.h).
  enum : size_t { kLeftOut = 0, kRightOut = 1 };

  NTInput(TCanvas* canvas, NTWin* parent);
  void Compute() noexcept override;

  NTBmpWin Arrow;
  NTPlugOut L, R;

 private:
  const TFrameIo& io_;
};

// The sound card's output: halves its sources (rounding toward minus infinity), clips to 16 bits
// and writes the canvas's output accumulators.
class NTOutput : public NTDevWin {
 public:
  // The ports, named (RecordOrder in panel.h); channel ch's input (left, right) is kFirstIn + ch.
  enum : size_t { kFirstIn = 0 };

  NTOutput(TCanvas* canvas, NTWin* parent);
  void Latch() noexcept override;

  NTBmpWin Arrow;
  NTPlugIn L, R;

  // Halved and clipped to the 16-bit sample range.
  static int32_t ToSample(int32_t v) noexcept {
    return std::clamp(v >> 1, int32_t{-32768}, int32_t{32767});
  }

 private:
  TFrameIo& io_;
};
