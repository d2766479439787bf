#include "devices/lfo.h"

#include <tuple>

#include "devices/lanes.h"
#include "platform/art.h"

namespace {
constexpr int kPanelW = 153, kPanelH = 224;
constexpr ControlLayout kRate{{{16, 46}, 100, 0, 65535, 500, 30000},  // 1.71875 Hz
                              {{10, 31}, DisplayKind::LowFrequency, "Freq"}};
constexpr ControlLayout kLevel{{{48, 46}, 100, 0, 1000, 1, 500},  // thousandths of full swing
                               {{42, 31}, DisplayKind::Thousandths, "Vol"}};
constexpr ControlLayout kOffset{{{80, 46}, 100, 0, 1000, 1, 0},  // thousandths of full scale
                                {{74, 31}, DisplayKind::Thousandths, "Off"}};
constexpr Point kWaveKeys{112, 46};
constexpr int kKeyW = 25, kKeyH = 17, kWaves = 5;
constexpr Point kOutJack{121, 203}, kMirrorJack{121, 173};

// Key index = waveform.
NTLFO::Oscillator::Waves LfoWaves() {
  const TTables& t = Tables();
  return {&t.Sin, &t.Tri, &t.SawUp, &t.SawDn, &t.Rec};
}
}  // namespace

NTLFO::NTLFO(TCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "LFO"),
      Out(canvas, this, bmp::kJackRed, "Out"),
      OutMirror(canvas, this, bmp::kJackRed, "Out\\"),
      Rate(canvas, this, kRateCode, kRate),
      Level(canvas, this, kLevelCode, kLevel),
      Offset(canvas, this, kOffsetCode, kOffset),
      Wave(canvas, this, kWaveCode, bmp::kKeysLfoWave, kKeyW, kKeyH, kWaves, 0),
      Osc(LfoWaves()) {
  RecordOrder(*this, Out, OutMirror, Rate, Level, Offset, Rate.Disp, Level.Disp, Offset.Disp, Wave);
  Wave.MoveTo(kWaveKeys);
  Out.MoveTo(kOutJack);
  OutMirror.MoveTo(kMirrorJack);
  SetRate();
}

void NTLFO::SetRate() {
  Osc.Increment = Osc.IncrementFor(Rate.Value);
}

void NTLFO::Read(ipstream& is) {
  NTDevWin::Read(is);
  Osc.Read(is);
  SetRate();
}

void NTLFO::Write(opstream& os) {
  NTDevWin::Write(os);
  Osc.Write(os);
}

void NTLFO::CtrlNotify(int code) {
  const int32_t key = Wave.Selected;
  if (code == kWaveCode && key >= 0 && key < kWaves) Osc.Select(key);
}

void NTLFO::RegChanged(int code) {
  if (code == kRateCode) SetRate();
}

inline std::pair<int32_t, int32_t> NTLFO::Next() noexcept {
  // Within the controls' ranges every term is positive and fits 32 bits; 64 bits keep values
  // from a damaged file defined.
  const int64_t s = Osc.Sample();
  const int64_t level = Level.Value;
  const int64_t offset = int64_t(Offset.Value) * kWaveAmplitude / 1000;
  Osc.Advance();
  int64_t out, mirror;
  Outputs(out, mirror, s, level, offset);
  return {int32_t(out), int32_t(mirror)};
}

void NTLFO::Compute() noexcept {
  std::tie(Out.Value, OutMirror.Value) = Next();
}

namespace {
// Next's frames from the table's samples, which out holds when it starts, while the controls lie
// inside their ranges, in 32 bits.
QUARVIN_LANES void Sweep(int32_t level, int32_t offset, int32_t* __restrict out,
                         int32_t* __restrict mirror, int frames) noexcept {
  for (int f = 0; f < frames; ++f) NTLFO::Outputs(out[f], mirror[f], out[f], level, offset);
}
}  // namespace

void NTLFO::Block(const TSubBlock& b, const TPorts& ports) noexcept {
  int32_t* out = b.Publish(ports.Out[kOut]);
  int32_t* mirror = b.Publish(ports.Out[kMirrorOut]);
  const int32_t level = Level.Value, offset = Offset.Value;
  if (level < kLevel.slider.min || level > kLevel.slider.max || offset < kOffset.slider.min ||
      offset > kOffset.slider.max) {
    for (int f = 0; f < b.Frames; ++f) std::tie(out[f], mirror[f]) = Next();
    return;
  }
  const auto phase = uint32_t(Osc.Phase.Get()), step = uint32_t(Osc.Increment.Get());
  Oscillator::ReadSteady(Osc.Table.Get(), phase, step, out, b.Frames);
  Sweep(level, offset * kWaveAmplitude / 1000, out, mirror, b.Frames);
  Osc.Phase = int32_t(phase + uint32_t(b.Frames) * step);
}
