#include "devices/osci.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

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
constexpr ControlLayout kGain{{{346, 54}, 40, -240, 960, 5, 0},  // tenths of a decibel
                              {{340, 38}, DisplayKind::Decibel, "Att"}};
constexpr ControlLayout kPos{{{346, 168}, 32, -240, 240, 1, 0},  // thirtieths of a division
                             {{340, 152}, DisplayKind::Divisions, "Pos"}};
constexpr Point kGroundAt{344, 251};
constexpr Point kInAt{346, 277};
constexpr const char* kInNames[osci::kChannels] = {"In 1", "In 2", "In 3", "In 4"};
// Trigger and time base.
constexpr ControlLayout kTimeBase{{{490, 54}, 40, osci::kMinTimeBase, osci::kMaxTimeBase, 1, 0},
                                  {{484, 38}, DisplayKind::TimeBase, "Time"}};
constexpr ControlLayout kTriggerPos{
    {{522, 54}, 40, osci::kMinTriggerPos, osci::kMaxTriggerPos, 3, 0},
    {{516, 38}, DisplayKind::TriggerPosition, "Pos"}};
constexpr ControlLayout kLevel{{{522, 168}, 32, -osci::kMaxLevel, osci::kMaxLevel, 1, 0},
                               {{516, 152}, DisplayKind::Divisions, "Level"}};
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

NTOsci::NTOsci(TCanvas* canvas, NTWin* parent)
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
      Gain(EachChannel([&](int ch) {
        return NTValueControl(canvas, this, kGainCode + ch, MovedRight(kGain, kChannelDx * ch));
      })),
      Pos(EachChannel([&](int ch) {
        return NTValueControl(canvas, this, kPosCode + ch, MovedRight(kPos, kChannelDx * ch));
      })),
      Level(canvas, this, kLevelCode, kLevel),
      TriggerPos(canvas, this, kTriggerPosCode, kTriggerPos),
      TriggerSource(canvas, this, kTriggerSourceCode, bmp::kKeysChannel, kKeyW, kKeyH, 4, 0),
      Slope(canvas, this, kSlopeCode, bmp::kKeysSlope, kKeyW, kKeyH, 2, 0),
      TimeBase(canvas, this, kTimeBaseCode, kTimeBase),
      controls_{TimeBase.Value, TriggerPos.Value, Level.Value, Slope.Selected} {
  RecordOrder(*this, Separators, On, Ground, In, Gain, Pos, Readouts(Gain), Readouts(Pos),
              Level.Disp, Level, TriggerPos.Disp, TriggerPos, TriggerSource, Slope, TimeBase.Disp,
              TimeBase);
  for (int ch = 0; ch < osci::kChannels; ++ch) {
    On[ch].MoveTo(ForChannel(kOnAt, ch));
    Ground[ch].MoveTo(ForChannel(kGroundAt, ch));
    In[ch].MoveTo(ForChannel(kInAt, ch));
    UpdateGain(ch);
  }
  TriggerSource.MoveTo(kTriggerSourceAt);
  Slope.MoveTo(kSlopeAt);
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
  for (int ch = 0; ch < osci::kChannels; ++ch) rows[ch] = b.Row(ports.In[kFirstIn + size_t(ch)]);
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
    UpdateGain(code - kGainCode);
    return;
  }
  // Columns recorded so far have the old width: start afresh.
  if (code == kTimeBaseCode) capture_.Cancel();
  if (IsChannelCode(code, kPosCode) || code == kLevelCode || code == kTriggerPosCode ||
      code == kTimeBaseCode)
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
