#include "devices/mixer.h"

#include "devices/tables.h"
#include "platform/art.h"

namespace {
constexpr int kPanelW = 192, kPanelH = 224;
constexpr int kChannelDx = 32;  // channel k stands kChannelDx * k right of channel 0
constexpr ControlLayout kLevel{{{16, 46}, 100, 0, kLevelMax, 2, kUnityLevel},
                               {{10, 31}, DisplayKind::LevelDecibel, "Vol 1"}};
constexpr ControlLayout kMaster{{{160, 46}, 100, 0, kLevelMax, 2, kUnityLevel - 100},  // -10 dB
                                {{154, 31}, DisplayKind::LevelDecibel, "Master"}};
constexpr Point kInJack{16, 203}, kOutJack{160, 203};

Point Channel(Point p, int k) {
  return {p.x + kChannelDx * k, p.y};
}

// Channel k's level control: channel 0's, further right, with its own name.
ControlLayout LevelLayout(int k) {
  static constexpr const char* kNames[] = {"Vol 1", "Vol 2", "Vol 3", "Vol 4"};
  ControlLayout l = MovedRight(kLevel, kChannelDx * k);
  l.readout.name = kNames[k];
  return l;
}
}  // namespace

NTMixer::NTMixer(TCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Mixer"),
      In{{{canvas, this, bmp::kJackBlue, "In 1"},
          {canvas, this, bmp::kJackBlue, "In 2"},
          {canvas, this, bmp::kJackBlue, "In 3"},
          {canvas, this, bmp::kJackBlue, "In 4"}}},
      Out(canvas, this, bmp::kJackRed, "Out"),
      Level{{{canvas, this, kFirstLevelCode, LevelLayout(0)},
             {canvas, this, kFirstLevelCode + 1, LevelLayout(1)},
             {canvas, this, kFirstLevelCode + 2, LevelLayout(2)},
             {canvas, this, kFirstLevelCode + 3, LevelLayout(3)}}},
      Master(canvas, this, kMasterCode, kMaster) {
  RecordOrder(*this, In, Out, Level, Master, Readouts(Level), Master.Disp);
  for (int k = 0; k < kChannels; ++k) In[k].MoveTo(Channel(kInJack, k));
  Out.MoveTo(kOutJack);
}

void NTMixer::Latch() noexcept {
  for (NTPlugIn& in : In) in.Latch();
}
