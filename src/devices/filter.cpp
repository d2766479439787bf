#include "devices/filter.h"

#include <cmath>

#include "devices/arith.h"
#include "platform/art.h"
#include "platform/signal_units.h"

namespace {
// Panel layout, relative to the panel's top-left corner.
constexpr int kPanelW = 121, kPanelH = 224;
constexpr ControlLayout kFreq{{{16, 46}, 100, 18000, 60000, 100, 30000},  // 110 Hz .. 14080 Hz
                              {{10, 31}, DisplayKind::Frequency, "fo"}};
constexpr ControlLayout kQ{{{48, 46}, 100, 5, 200, 1, 10},  // Q 0.5 .. 20.0
                           {{42, 31}, DisplayKind::Tenths, "Q"}};
constexpr Point kKindKeys{80, 46};
constexpr int kKeyW = 25, kKeyH = 17, kKinds = 4;
constexpr Point kInJack{16, 203}, kOutJack{89, 203};

// The frequency of a pitch position.
double PitchHz(int32_t f) noexcept {
  return kPitchBaseHz * std::pow(2.0, f * (1.0 / kPitchStepsPerOctave));
}
}  // namespace

NTFilter::NTFilter(TCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Filter"),
      In(canvas, this, bmp::kJackBlue, "In"),
      Out(canvas, this, bmp::kJackRed, "Out"),
      Freq(canvas, this, kFreqCode, kFreq),
      Q(canvas, this, kQCode, kQ),
      KindKeys(canvas, this, kKindCode, bmp::kKeysFilter, kKeyW, kKeyH, kKinds, LowPassKind),
      coefs_(Design(LowPassKind, Freq.Value, Q.Value)) {
  RecordOrder(*this, In, Out, Freq.Disp, Q.Disp, Freq, Q, KindKeys);
  KindKeys.MoveTo(kKindKeys);
  In.MoveTo(kInJack);
  Out.MoveTo(kOutJack);
}

TBiquad NTFilter::Design(int32_t kind, int32_t f, int32_t qv) noexcept {
  const double w = AngleOf(PitchHz(f));
  switch (kind) {
    case LowPassKind:
      return LowPass(w, 10.0 / qv);
    case HighPassKind:
      return HighPass(w, 10.0 / qv);
    case BandPassKind:
      return BandPass(w, qv * 0.1);
    case BandStopKind:
      return BandStop(w, qv * 0.1);
  }
  return {};
}

void NTFilter::Recompute() {
  if (FilterKind < LowPassKind || FilterKind > BandStopKind) return;
  const TBiquad c = Design(FilterKind, Freq.Value, Q.Value);
  coefs_.Publish(c);
  if (!c.Stable()) Owner->Beep();
}

void NTFilter::Read(ipstream& is) {
  NTDevWin::Read(is);
  FilterKind = is.ReadWord();
  Recompute();
}

void NTFilter::Write(opstream& os) {
  NTDevWin::Write(os);
  os.WriteWord(FilterKind);
}

void NTFilter::RegChanged(int code) {
  if (code == kFreqCode || code == kQCode) Recompute();
}

void NTFilter::CtrlNotify(int code) {
  if (code != kKindCode) return;
  const int32_t k = KindKeys.Selected;
  if (k < LowPassKind || k > BandStopKind) return;
  FilterKind = k;
  Recompute();
}

void NTFilter::Latch() noexcept {
  In.Latch();
}

void NTFilter::Compute() noexcept {
  Out.Value = TruncToInt32(History.Step(Coefficients(), In.Value));
}
