#include "devices/vco.h"

#include <cstdlib>

#include "platform/art.h"

namespace {
constexpr int kPanelW = 121, kPanelH = 224;
constexpr ControlLayout kFreq{{{16, 46}, 100, 0, 60000, 50, 30000},  // 440 Hz
                              {{10, 31}, DisplayKind::Frequency, "Freq"}};
constexpr ControlLayout kLevel{{{48, 46}, 100, 0, kLevelMax, 2, kUnityLevel},
                               {{42, 31}, DisplayKind::LevelDecibel, "Vol"}};
constexpr Point kWaveKeys{80, 46};
constexpr int kKeyW = 25, kKeyH = 17, kWaves = 4;
constexpr Point kFmJack{16, 203}, kAmJack{48, 203}, kOutJack{89, 203};

// Key index = waveform.
NTVCO::Oscillator::Waves VcoWaves() {
  const TTables& t = Tables();
  return {&t.Sin, &t.Tri, &t.SawUp, &t.Rec};
}
}  // namespace

NTVCO::NTVCO(TCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "VCO"),
      Wave(canvas, this, kWaveCode, bmp::kKeysVcoWave, kKeyW, kKeyH, kWaves, 0),
      Fm(canvas, this, bmp::kJackBlue, "FM"),
      Am(canvas, this, bmp::kJackBlue, "AM"),
      Out(canvas, this, bmp::kJackRed, "Out"),
      Freq(canvas, this, kFreqCode, kFreq),
      Level(canvas, this, kLevelCode, kLevel),
      Osc(VcoWaves()) {
  RecordOrder(*this, Wave, Fm, Am, Out, Freq.Disp, Level.Disp, Freq, Level);
  Wave.MoveTo(kWaveKeys);
  Fm.MoveTo(kFmJack);
  Am.MoveTo(kAmJack);
  Out.MoveTo(kOutJack);
  Osc.Increment = Osc.IncrementFor(Freq.Value);
}

void NTVCO::Read(ipstream& is) {
  NTDevWin::Read(is);
  Osc.Read(is);
  Osc.Increment = Osc.IncrementFor(Freq.Value);
}

void NTVCO::Write(opstream& os) {
  NTDevWin::Write(os);
  Osc.Write(os);
}

void NTVCO::CtrlNotify(int code) {
  const int32_t key = Wave.Selected;
  if (code == kWaveCode && key >= 0 && key < kWaves) Osc.Select(key);
}

void NTVCO::Latch() noexcept {
  Fm.Latch();
  Am.Latch();
}

void NTVCO::Compute() noexcept {
  Out.Value = int32_t(ApplyGain(Osc.Sample(), GainFor(Am.Value, Level.Value)));
  // FM latched in this frame already sets this frame's step, so it is heard from the next sample
  // on.
  Osc.Increment = StepFor(Fm.Value, Freq.Value);
  Osc.Advance();
}
