#include "devices/osci.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "devices/panel.h"
#include "platform/art.h"
#include "platform/signal_units.h"
#include "toolkit/bitmap_cache.h"

namespace {

// Panel layout. The four channel columns repeat kChannelDx further right each.
constexpr int kPanelW = 550, kPanelH = 300;
constexpr int kChannelDx = 36;
constexpr Point kSeparatorAt{371, 10};
constexpr int kSeparatorLength = 280;
constexpr Point kOnAt{344, 11};
constexpr Point kGainDispAt{340, 38};
constexpr RegLayout kGain{{346, 54}, 40, -240, 960, 5, 0};
constexpr Point kPosDispAt{340, 152};
constexpr RegLayout kPos{{346, 168}, 32, -240, 240, 1, 0};
constexpr Point kGroundAt{344, 251};
constexpr Point kInAt{346, 277};
constexpr const char* kInNames[osci::kChannels] = {"In 1", "In 2", "In 3", "In 4"};
// Trigger and time base.
constexpr Point kTimeDispAt{484, 38};
constexpr RegLayout kTimeBase{{490, 54}, 40, osci::kMinTimeBase, osci::kMaxTimeBase, 1, 0};
constexpr Point kTriggerPosDispAt{516, 38};
constexpr RegLayout kTriggerPos{{522, 54}, 40, osci::kMinTriggerPos, osci::kMaxTriggerPos, 3, 0};
constexpr Point kLevelDispAt{516, 152};
constexpr RegLayout kLevel{{522, 168}, 32, -osci::kMaxLevel, osci::kMaxLevel, 1, 0};
constexpr Point kTriggerSourceAt{488, 165}, kSlopeAt{488, 220};
constexpr int kKeyW = 20, kKeyH = 13;

Point ForChannel(Point p, int ch) {
  return {p.x + kChannelDx * ch, p.y};
}

// Four windows made by make(channel), in channel order.
template <class Make>
auto EachChannel(Make make) {
  return [&]<int... K>(std::integer_sequence<int, K...>) {
    return std::array<decltype(make(0)), osci::kChannels>{make(K)...};
  }
  (std::make_integer_sequence<int, osci::kChannels>{});
}

// A key set's selection from a damaged file may name a key that does not exist.
int InRange(const NTKeyset& k) {
  return std::clamp(k.Selected.Get(), 0, std::max(k.Count - 1, 0));
}

bool IsChannelCode(int code, int first) {
  return code >= first && code < first + osci::kChannels;
}

}  // namespace

NTOsci::NTOsci(NTCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Oscilloscope"),
      Separators(EachChannel([&](int ch) {
        return NTStaticSeparator(canvas, this, 1, ForChannel(kSeparatorAt, ch), kSeparatorLength);
      })),
      On(EachChannel([&](int ch) {
        return NTKey(canvas, this, kOnCode + ch, bmp::kKeyOn, kKeyW, kKeyH, ch == 0 ? 1 : 0);
      })),
      Ground(EachChannel([&](int ch) {
        return NTKey(canvas, this, kGroundCode + ch, bmp::kKeyGnd, kKeyW, kKeyH, 0);
      })),
      In(EachChannel([&](int ch) { return NTPlugIn(canvas, this, bmp::kJackBlue, kInNames[ch]); })),
      Gain(EachChannel([&](int ch) { return MakeReg(canvas, this, kGainCode + ch, kGain); })),
      Pos(EachChannel([&](int ch) { return MakeReg(canvas, this, kPosCode + ch, kPos); })),
      GainDisp(EachChannel([&](int) { return NTDisp(canvas, this, DisplayKind::Decibel, "Att"); })),
      PosDisp(
          EachChannel([&](int) { return NTDisp(canvas, this, DisplayKind::Divisions, "Pos"); })),
      LevelDisp(canvas, this, DisplayKind::Divisions, "Level"),
      Level(MakeReg(canvas, this, kLevelCode, kLevel)),
      TriggerPosDisp(canvas, this, DisplayKind::TriggerPosition, "Pos"),
      TriggerPos(MakeReg(canvas, this, kTriggerPosCode, kTriggerPos)),
      TriggerSource(canvas, this, kTriggerSourceCode, bmp::kKeysChannel, kKeyW, kKeyH, 4, 0),
      Slope(canvas, this, kSlopeCode, bmp::kKeysSlope, kKeyW, kKeyH, 2, 0),
      TimeDisp(canvas, this, DisplayKind::TimeBase, "Time"),
      TimeBase(MakeReg(canvas, this, kTimeBaseCode, kTimeBase)),
      controls_{TimeBase.Value, TriggerPos.Value, Level.Value, Slope.Selected} {
  for (int ch = 0; ch < osci::kChannels; ++ch) {
    On[ch].MoveTo(ForChannel(kOnAt, ch));
    Ground[ch].MoveTo(ForChannel(kGroundAt, ch));
    In[ch].MoveTo(ForChannel(kInAt, ch));
    Gain[ch].MoveTo(ForChannel(kGain.pos, ch));
    Pos[ch].MoveTo(ForChannel(kPos.pos, ch));
    GainDisp[ch].MoveTo(ForChannel(kGainDispAt, ch));
    PosDisp[ch].MoveTo(ForChannel(kPosDispAt, ch));
    UpdateGain(ch);
  }
  LevelDisp.MoveTo(kLevelDispAt);
  Level.MoveTo(kLevel.pos);
  TriggerPosDisp.MoveTo(kTriggerPosDispAt);
  TriggerPos.MoveTo(kTriggerPos.pos);
  TriggerSource.MoveTo(kTriggerSourceAt);
  Slope.MoveTo(kSlopeAt);
  TimeDisp.MoveTo(kTimeDispAt);
  TimeBase.MoveTo(kTimeBase.pos);
  Owner->Bitmaps().Acquire(bmp::kScopeGraticule);
  Owner->Bitmaps().Acquire(bmp::kScopeScreen);
}

NTOsci::~NTOsci() {
  Owner->Bitmaps().Release(bmp::kScopeScreen);
  Owner->Bitmaps().Release(bmp::kScopeGraticule);
}

float NTOsci::GainOf(int32_t tenthsDb) noexcept {
  return float(std::pow(10.0, tenthsDb / 200.0) * 75.0 / kFullScale);
}

int32_t NTOsci::Scale(int32_t value, float gain) noexcept {
  const float v = float(value) * gain;
  const float rounded = v >= 0 ? v + 0.5f : v - 0.5f;
  constexpr float kLimit = 2147483648.0f;  // 2^31
  if (std::isnan(rounded)) return 0;
  if (rounded >= kLimit) return std::numeric_limits<int32_t>::max();
  if (rounded <= -kLimit) return std::numeric_limits<int32_t>::min();
  return int32_t(rounded);
}

NTOsci::Channels NTOsci::Now() const noexcept {
  Channels c;
  for (int ch = 0; ch < osci::kChannels; ++ch) {
    c.gain[ch] = gain_[ch];
    c.live[ch] = In[ch].Source && Ground[ch].State == 0;
  }
  c.trigger = trigger_;
  return c;
}

inline void NTOsci::Sample(const PerChannel<int32_t>& values, const Channels& c,
                           osci::TFrame& frame) noexcept {
  for (int ch = 0; ch < osci::kChannels; ++ch)
    frame[ch] = c.live[ch] ? Scale(values[ch], c.gain[ch]) : 0;
  capture_.Step(frame, frame[c.trigger], controls_);
}

void NTOsci::Latch() noexcept {
  PerChannel<int32_t> values;
  for (int ch = 0; ch < osci::kChannels; ++ch) values[ch] = In[ch].SourceValue();
  osci::TFrame frame;
  Sample(values, Now(), frame);
  for (int ch = 0; ch < osci::kChannels; ++ch) In[ch].Value = frame[ch];
}

// The connections and controls as they stand at the start of the sub-block serve all of it.
void NTOsci::Block(const TSubBlock& b, const TPorts& ports) noexcept {
  PerChannel<const int32_t*> rows;
  for (int ch = 0; ch < osci::kChannels; ++ch) rows[ch] = b.Row(ports.In[size_t(ch)]);
  const Channels c = Now();
  osci::TFrame frame{};
  const auto sample = [&](int f) {
    PerChannel<int32_t> values;
    for (int ch = 0; ch < osci::kChannels; ++ch) values[ch] = rows[ch][f];
    Sample(values, c, frame);
  };
  // While the recorder waits for the window thread, a frame is scaled only for the latched values
  // the sub-block leaves behind: the last one.
  for (int f = 0; f + 1 < b.Frames; ++f)
    if (capture_.Recording()) sample(f);
  if (b.Frames > 0) {
    sample(b.Frames - 1);
    for (int ch = 0; ch < osci::kChannels; ++ch) In[ch].Value = frame[ch];
  }
}

void NTOsci::Tick() {
  // A moving panel is shown as a focus rectangle; drawing the screen would break it.
  if (Owner->Interaction() == InteractionMode::Moving) return;
  if (capture_.Take(display_)) {
    hasRecording_ = true;
    RedrawScreen();
  } else {
    capture_.Arm();
  }
}

void NTOsci::Read(ipstream& is) {
  NTDevWin::Read(is);
  for (int ch = 0; ch < osci::kChannels; ++ch) UpdateGain(ch);
  SelectTrigger();
}

void NTOsci::CtrlNotify(int code) {
  if (code == kTriggerSourceCode) SelectTrigger();
  if (code == kTriggerSourceCode || IsChannelCode(code, kOnCode)) RedrawScreen();
}

void NTOsci::RegChanged(int code) {
  if (IsChannelCode(code, kGainCode)) {
    const int ch = code - kGainCode;
    GainDisp[ch].Show(Gain[ch].Value);
    UpdateGain(ch);
    return;
  }
  if (IsChannelCode(code, kPosCode)) {
    const int ch = code - kPosCode;
    PosDisp[ch].Show(Pos[ch].Value);
  } else if (code == kLevelCode) {
    LevelDisp.Show(Level.Value);
  } else if (code == kTriggerPosCode) {
    TriggerPosDisp.Show(TriggerPos.Value);
  } else if (code == kTimeBaseCode) {
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
