#include "devices/filter.h"

#include <cmath>

#include "devices/arith.h"
#include "devices/panel.h"
#include "platform/art.h"
#include "platform/signal_units.h"

namespace {
// Panel layout, relative to the panel's top-left corner.
constexpr int kPanelW = 121, kPanelH = 224;
constexpr Point kFreqDisp{10, 31}, kQDisp{42, 31};
constexpr RegLayout kFreq{{16, 46}, 100, 18000, 60000, 100, 30000};  // 110 Hz .. 14080 Hz
constexpr RegLayout kQ{{48, 46}, 100, 5, 200, 1, 10};                // Q 0.5 .. 20.0
constexpr Point kKindKeys{80, 46};
constexpr int kKeyW = 25, kKeyH = 17, kKinds = 4;
constexpr Point kInJack{16, 203}, kOutJack{89, 203};

// The frequency of a pitch position.
double PitchHz(int32_t f) noexcept {
  return kPitchBaseHz * std::pow(2.0, f * (1.0 / kPitchStepsPerOctave));
}
}  // namespace

NTFilter::NTFilter(NTCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Filter"),
      In(canvas, this, bmp::kJackBlue, "In"),
      Out(canvas, this, bmp::kJackRed, "Out"),
      FreqDisp(canvas, this, DisplayKind::Frequency, "fo"),
      QDisp(canvas, this, DisplayKind::Tenths, "Q"),
      Freq(MakeReg(canvas, this, kFreqCode, kFreq)),
      Q(MakeReg(canvas, this, kQCode, kQ)),
      KindKeys(canvas, this, kKindCode, bmp::kKeysFilter, kKeyW, kKeyH, kKinds, LowPassKind),
      coefs_(Design(LowPassKind, Freq.Value, Q.Value)) {
  FreqDisp.MoveTo(kFreqDisp);
  QDisp.MoveTo(kQDisp);
  Freq.MoveTo(kFreq.pos);
  Q.MoveTo(kQ.pos);
  KindKeys.MoveTo(kKindKeys);
  In.MoveTo(kInJack);
  Out.MoveTo(kOutJack);
  FreqDisp.SetValue(Freq.Value);
  QDisp.SetValue(Q.Value);
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
  switch (code) {
    case kFreqCode:
      FreqDisp.Show(Freq.Value);
      break;
    case kQCode:
      QDisp.Show(Q.Value);
      break;
    default:
      return;
  }
  Recompute();
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
