#pragma once
#include <array>

#include "devices/delay_line.h"
#include "devices/panel.h"
#include "engine/devwin.h"
#include "engine/plug.h"
#include "engine/schedule.h"

// Reverberation: five parallel feedback combs of pseudo-random lengths (5000..8999 frames),
// sharing one feedback factor; the output is their average, without the dry signal.
class NTHall : public NTDevWin {
 public:
  static constexpr int kCombs = 5;
  // The control code the feedback slider reports to RegChanged.
  static constexpr int kFeedbackCode = 1;
  // The ports, named (RecordOrder in panel.h).
  enum : size_t { kIn = 0, kOut = 0 };

  NTHall(TCanvas* canvas, NTWin* parent);

  void Latch() noexcept override;
  void Compute() noexcept override;
  // Latch and Compute over a sub-block (the schedule's batch kernel).
  void Block(const TSubBlock& b, const TPorts& ports) noexcept;

  const NTPipe& Comb(int i) const { return combs_[i]; }

  NTPlugIn In;
  NTPlugOut Out;
  NTValueControl Feedback;

 private:
  // Drawn after the windows, each length from the program's generator in comb order.
  std::array<NTPipe, kCombs> combs_;  // audio thread, after construction

  // One frame of the combs: the output for the input.
  int32_t Step(int32_t in) noexcept;
};
