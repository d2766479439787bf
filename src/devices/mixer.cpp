#include "devices/mixer.h"

#include "devices/panel.h"
#include "devices/tables.h"
#include "platform/art.h"

namespace {
constexpr int kPanelW = 192, kPanelH = 224;
constexpr int kChannelDx = 32;  // channel k stands kChannelDx * k right of channel 0
constexpr Point kLevelDisp{10, 31}, kMasterDisp{154, 31};
constexpr RegLayout kLevel{{16, 46}, 100, 0, kLevelMax, 2, kUnityLevel};
constexpr RegLayout kMaster{{160, 46}, 100, 0, kLevelMax, 2, kUnityLevel - 100};  // -10 dB
constexpr Point kInJack{16, 203}, kOutJack{160, 203};

Point Channel(Point p, int k) {
  return {p.x + kChannelDx * k, p.y};
}
}  // namespace

NTMixer::NTMixer(NTCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Mixer"),
      In{{{canvas, this, bmp::kJackBlue, "In 1"},
          {canvas, this, bmp::kJackBlue, "In 2"},
          {canvas, this, bmp::kJackBlue, "In 3"},
          {canvas, this, bmp::kJackBlue, "In 4"}}},
      Out(canvas, this, bmp::kJackRed, "Out"),
      Level{{MakeReg(canvas, this, kFirstLevelCode, kLevel),
             MakeReg(canvas, this, kFirstLevelCode + 1, kLevel),
             MakeReg(canvas, this, kFirstLevelCode + 2, kLevel),
             MakeReg(canvas, this, kFirstLevelCode + 3, kLevel)}},
      Master(MakeReg(canvas, this, kMasterCode, kMaster)),
      LevelDisp{{{canvas, this, DisplayKind::LevelDecibel, "Vol 1"},
                 {canvas, this, DisplayKind::LevelDecibel, "Vol 2"},
                 {canvas, this, DisplayKind::LevelDecibel, "Vol 3"},
                 {canvas, this, DisplayKind::LevelDecibel, "Vol 4"}}},
      MasterDisp(canvas, this, DisplayKind::LevelDecibel, "Master") {
  for (int k = 0; k < kChannels; ++k) {
    LevelDisp[k].MoveTo(Channel(kLevelDisp, k));
    Level[k].MoveTo(Channel(kLevel.pos, k));
    In[k].MoveTo(Channel(kInJack, k));
    LevelDisp[k].SetValue(Level[k].Value);
  }
  MasterDisp.MoveTo(kMasterDisp);
  Master.MoveTo(kMaster.pos);
  Out.MoveTo(kOutJack);
  MasterDisp.SetValue(Master.Value);
}

void NTMixer::RegChanged(int code) {
  if (const int k = code - kFirstLevelCode; k >= 0 && k < kChannels)
    LevelDisp[k].Show(Level[k].Value);
  if (code == kMasterCode) MasterDisp.Show(Master.Value);
}

void NTMixer::Latch() noexcept {
  for (NTPlugIn& in : In) in.Latch();
}
