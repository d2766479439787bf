#pragma once
#include "devices/delay_line.h"
#include "devices/panel.h"
#include "engine/devwin.h"
#include "engine/plug.h"
#include "engine/schedule.h"

// A feedback comb on a 501-frame delay line whose delay is the delay control's value lengthened
// by the "Ext" input, so that an LFO there sweeps it. Outputs only the delayed signal.
class NTFlanger : public NTDevWin {
 public:
  static constexpr int32_t kLineSize = 501;
  // Control codes: the value a slider or key set reports to RegChanged or CtrlNotify.
  static constexpr int kFeedbackCode = 1, kDelayCode = 2;
  // The ports, named (RecordOrder in panel.h).
  enum : size_t { kIn = 0, kExtIn = 1, kOut = 0 };

  NTFlanger(TCanvas* canvas, NTWin* parent);

  void Latch() noexcept override;
  void Compute() noexcept override;
  // Latch and Compute over a sub-block (the schedule's batch kernel).
  void Block(const TSubBlock& b, const TPorts& ports) noexcept;

  NTFlPipe Line;  // audio thread, after construction
  NTPlugIn In, Ext;
  NTPlugOut Out;
  NTValueControl Feedback, Delay;

 private:
  // One frame of the line: the output for the input and the delay input.
  int32_t Step(int32_t in, int32_t ext) noexcept;
};
