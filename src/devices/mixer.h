#pragma once
#include <array>

#include "devices/panel.h"
#include "engine/devwin.h"
#include "engine/plug.h"
#include "engine/schedule.h"

// Four inputs, each through its own level control, summed and scaled by a master level. Nothing
// is clipped: sums beyond full scale pass on to the next device.
class NTMixer : public NTDevWin {
 public:
  static constexpr int kChannels = 4;
  // Control codes reported to RegChanged: channel k's level (0-based) has kFirstLevelCode + k.
  static constexpr int kFirstLevelCode = 1, kMasterCode = 5;
  // The ports, named (RecordOrder in panel.h); channel k's input is kFirstIn + k.
  enum : size_t { kFirstIn = 0, kOut = 0 };

  NTMixer(TCanvas* canvas, NTWin* parent);
  void Latch() noexcept override;
  // One frame of the block form's portable arithmetic (mixer_kernel.cpp).
  void Compute() noexcept override;
  // Latch and Compute over a sub-block (the schedule's batch kernel), in the forms of instruction
  // set `set`: 0 the fastest this processor runs, up to InstructionSets() - 1 (the portable one).
  void Block(const TSubBlock& b, const TPorts& ports, int set = 0) noexcept;
  static int InstructionSets() noexcept;

  std::array<NTPlugIn, kChannels> In;
  NTPlugOut Out;
  std::array<NTValueControl, kChannels> Level;
  NTValueControl Master;
};
