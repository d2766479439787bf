#include "devices/osci.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "platform/art.h"
#include "toolkit/bitmap_cache.h"

namespace {

// Panel layout. The four channel columns repeat ChannelDx further right each.
constexpr int PanelW = 550, PanelH = 300;
constexpr int ChannelDx = 36;
constexpr Point SeparatorAt{371, 10};
constexpr int SeparatorLength = 280;
constexpr Point OnAt{344, 11};
constexpr Point GainDispAt{340, 38};
constexpr Point GainAt{346, 54};
constexpr Point PosDispAt{340, 152};
constexpr Point PosAt{346, 168};
constexpr Point GroundAt{344, 251};
constexpr Point InAt{346, 277};
constexpr const char* InNames[osci::Channels] = {"In 1", "In 2", "In 3", "In 4"};
// Trigger and time base.
constexpr Point TimeDispAt{484, 38}, TimeBaseAt{490, 54};
constexpr Point TriggerPosDispAt{516, 38}, TriggerPosAt{522, 54};
constexpr Point LevelDispAt{516, 152}, LevelAt{522, 168};
constexpr Point TriggerSourceAt{488, 165}, SlopeAt{488, 220};
constexpr int KeyW = 20, KeyH = 13;

// Display kinds.
constexpr int DecibelKind = 6, DivisionsKind = 7, TriggerPosKind = 8, TimeBaseKind = 9;

// Control codes; channel k's keys and value sliders carry the first code plus k.
enum Code {
  GainCode = 1,
  PosCode = 5,
  OnCode = 9,
  GroundCode = 13,
  TriggerSourceCode = 17,
  SlopeCode = 18,
  LevelCode = 19,
  TriggerPosCode = 20,
  TimeBaseCode = 21,
};

struct RegLayout {
  int code, travel, min, max, step;
};
constexpr RegLayout GainReg{GainCode, 40, -240, 960, 5};
constexpr RegLayout PosReg{PosCode, 32, -240, 240, 1};
constexpr RegLayout LevelReg{LevelCode, 32, -osci::MaxLevel, osci::MaxLevel, 1};
constexpr RegLayout TriggerPosReg{TriggerPosCode, 40, osci::MinTriggerPos, osci::MaxTriggerPos, 3};
constexpr RegLayout TimeBaseReg{TimeBaseCode, 40, osci::MinTimeBase, osci::MaxTimeBase, 1};

Point ForChannel(Point p, int ch) {
  return {p.x + ChannelDx * ch, p.y};
}

NTReg MakeReg(NTOwner* owner, NTWin* parent, const RegLayout& r, int ch = 0) {
  return NTReg(owner, parent, r.code + ch, r.travel, r.min, r.max, r.step, 0);
}

// Four windows made by make(channel), in channel order.
template <class Make>
auto EachChannel(Make make) {
  return [&]<int... K>(std::integer_sequence<int, K...>) {
    return std::array<decltype(make(0)), osci::Channels>{make(K)...};
  }
  (std::make_integer_sequence<int, osci::Channels>{});
}

// A key set's selection from a damaged file may name a key that does not exist.
int InRange(const NTKeyset& k) {
  return std::clamp(k.Selected.Get(), 0, std::max(k.Count - 1, 0));
}

bool IsChannelCode(int code, int first) {
  return code >= first && code < first + osci::Channels;
}

}  // namespace

NTOsci::NTOsci(NTCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, PanelW, PanelH, "Oscilloscope"),
      Separators(EachChannel([&](int ch) {
        return NTStaticSeparator(canvas, this, 1, ForChannel(SeparatorAt, ch), SeparatorLength);
      })),
      On(EachChannel([&](int ch) {
        return NTKey(canvas, this, OnCode + ch, bmp::KeyOn, KeyW, KeyH, ch == 0 ? 1 : 0);
      })),
      Ground(EachChannel([&](int ch) {
        return NTKey(canvas, this, GroundCode + ch, bmp::KeyGnd, KeyW, KeyH, 0);
      })),
      In(EachChannel([&](int ch) { return NTPlugIn(canvas, this, bmp::JackBlue, InNames[ch]); })),
      Gain(EachChannel([&](int ch) { return MakeReg(canvas, this, GainReg, ch); })),
      Pos(EachChannel([&](int ch) { return MakeReg(canvas, this, PosReg, ch); })),
      GainDisp(EachChannel([&](int) { return NTDisp(canvas, this, DecibelKind, "Att"); })),
      PosDisp(EachChannel([&](int) { return NTDisp(canvas, this, DivisionsKind, "Pos"); })),
      LevelDisp(canvas, this, DivisionsKind, "Level"),
      Level(MakeReg(canvas, this, LevelReg)),
      TriggerPosDisp(canvas, this, TriggerPosKind, "Pos"),
      TriggerPos(MakeReg(canvas, this, TriggerPosReg)),
      TriggerSource(canvas, this, TriggerSourceCode, bmp::KeysChannel, KeyW, KeyH, 4, 0),
      Slope(canvas, this, SlopeCode, bmp::KeysSlope, KeyW, KeyH, 2, 0),
      TimeDisp(canvas, this, TimeBaseKind, "Time"),
      TimeBase(MakeReg(canvas, this, TimeBaseReg)),
      controls_{TimeBase.Value, TriggerPos.Value, Level.Value, Slope.Selected} {
  for (int ch = 0; ch < osci::Channels; ++ch) {
    On[ch].MoveTo(ForChannel(OnAt, ch));
    Ground[ch].MoveTo(ForChannel(GroundAt, ch));
    In[ch].MoveTo(ForChannel(InAt, ch));
    Gain[ch].MoveTo(ForChannel(GainAt, ch));
    Pos[ch].MoveTo(ForChannel(PosAt, ch));
    GainDisp[ch].MoveTo(ForChannel(GainDispAt, ch));
    PosDisp[ch].MoveTo(ForChannel(PosDispAt, ch));
    UpdateGain(ch);
  }
  LevelDisp.MoveTo(LevelDispAt);
  Level.MoveTo(LevelAt);
  TriggerPosDisp.MoveTo(TriggerPosDispAt);
  TriggerPos.MoveTo(TriggerPosAt);
  TriggerSource.MoveTo(TriggerSourceAt);
  Slope.MoveTo(SlopeAt);
  TimeDisp.MoveTo(TimeDispAt);
  TimeBase.MoveTo(TimeBaseAt);
  Type = DeviceType::Oscilloscope;
  Owner->Bitmaps().Acquire(bmp::ScopeGraticule);
  Owner->Bitmaps().Acquire(bmp::ScopeScreen);
}

NTOsci::~NTOsci() {
  Owner->Bitmaps().Release(bmp::ScopeScreen);
  Owner->Bitmaps().Release(bmp::ScopeGraticule);
}

float NTOsci::GainOf(int32_t tenthsDb) noexcept {
  return float(std::pow(10.0, tenthsDb / 200.0) * 75.0 / 65536.0);
}

int32_t NTOsci::Scale(int32_t value, float gain) noexcept {
  const float v = float(value) * gain;
  const float rounded = v >= 0 ? v + 0.5f : v - 0.5f;
  constexpr float Limit = 2147483648.0f;  // 2^31
  if (std::isnan(rounded)) return 0;
  if (rounded >= Limit) return std::numeric_limits<int32_t>::max();
  if (rounded <= -Limit) return std::numeric_limits<int32_t>::min();
  return int32_t(rounded);
}

void NTOsci::Latch() noexcept {
  osci::TFrame frame;
  for (int ch = 0; ch < osci::Channels; ++ch) {
    const NTPlugOut* source = In[ch].Source;
    const bool live = source && Ground[ch].State == 0;
    frame[ch] = live ? Scale(source->Value, gain_[ch]) : 0;
    In[ch].Value = frame[ch];
  }
  capture_.Step(frame, frame[trigger_.Get()], controls_);
}

void NTOsci::Tick() {
  // A moving panel is shown as a focus rectangle; drawing the screen would break it.
  if (Interaction == ModeMoving) return;
  if (capture_.Take(display_)) {
    hasRecording_ = true;
    RedrawScreen();
  } else {
    capture_.Arm();
  }
}

void NTOsci::Read(ipstream& is) {
  NTDevWin::Read(is);
  for (int ch = 0; ch < osci::Channels; ++ch) UpdateGain(ch);
  SelectTrigger();
}

void NTOsci::CtrlNotify(int code) {
  if (code == TriggerSourceCode) SelectTrigger();
  if (code == TriggerSourceCode || IsChannelCode(code, OnCode)) RedrawScreen();
}

void NTOsci::RegChanged(int code) {
  if (IsChannelCode(code, GainCode)) {
    const int ch = code - GainCode;
    GainDisp[ch].Show(Gain[ch].Value);
    UpdateGain(ch);
    return;
  }
  if (IsChannelCode(code, PosCode)) {
    const int ch = code - PosCode;
    PosDisp[ch].Show(Pos[ch].Value);
  } else if (code == LevelCode) {
    LevelDisp.Show(Level.Value);
  } else if (code == TriggerPosCode) {
    TriggerPosDisp.Show(TriggerPos.Value);
  } else if (code == TimeBaseCode) {
    // Columns recorded so far have the old width: start afresh.
    capture_.Cancel();
    TimeDisp.Show(TimeBase.Value);
  } else {
    return;
  }
  RedrawScreen();
}

void NTOsci::UpdateGain(int ch) {
  gain_[ch] = GainOf(Setting(Gain[ch]));
}

void NTOsci::SelectTrigger() {
  trigger_ = InRange(TriggerSource);
}

int32_t NTOsci::Setting(const NTReg& r) {
  return std::clamp(r.Value.Get(), r.Min, r.Max);
}

void NTOsci::RedrawScreen() {
  TClientDC dc(*Owner);
  PaintScreen(*dc);
}

void NTOsci::Paint(Dc& dc) {
  NTDevWin::Paint(dc);
  PaintScreen(dc);
}
