#include "devices/vocoder.h"

#include <cmath>

#include "devices/arith.h"
#include "platform/art.h"

namespace {
// Panel layout, relative to the panel's top-left corner.
constexpr int kPanelW = 96, kPanelH = 60;
constexpr Point kInPos{16, 39}, kOutPos{64, 39};

constexpr double kBandQ = 16, kSmoothQ = 1;
constexpr double kLowestBand = 110;
constexpr double kThird = 0.3333333333333333;
}  // namespace

const TVCSinTab& TVCSinTab::Instance() {
  static const TVCSinTab tab;
  return tab;
}

TVCSinTab::TVCSinTab() {
  for (int32_t i = 0; i < kSize; ++i) table_[i] = std::sin(AngleOf(i));
}

NTVCBP::NTVCBP(double frequency, double q)
    : NTVCFilter(frequency, q, BandPass(AngleOf(frequency), q)) {}

// The smoothing design takes s / Q; as 1 / Q times s it is the same number for the Q of 1 the
// bands use.
NTVCLP::NTVCLP(double frequency, double q)
    : NTVCFilter(frequency, q, LowPass(AngleOf(frequency), 1 / q)) {}

NTVCInBand2::NTVCInBand2(double frequency)
    : First(frequency, kBandQ),
      Second(frequency, kBandQ),
      Smooth(frequency * kThird, kSmoothQ),
      Frequency(frequency) {}

NTVCSinGen::NTVCSinGen(double frequency)
    : Step(static_cast<int32_t>(frequency)), Frequency(frequency) {}

double NTVocoder::BandFrequency(int i) noexcept {
  return kLowestBand * std::pow(std::pow(2.0, 0.125), i);
}

NTVocoder::NTVocoder(NTCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Vocoder"),
      In(canvas, this, bmp::JackBlue, "In"),
      Out(canvas, this, bmp::JackRed, "Out"),
      table_(TVCSinTab::Instance()) {
  In.MoveTo(kInPos);
  Out.MoveTo(kOutPos);
  Type = 12;
  for (int i = 0; i < kBands; ++i) {
    const double f = BandFrequency(i);
    bands_.Design(i, NTVCInBand2(f));
    oscillators_[i] = NTVCSinGen(f * kShift);
  }
}

void NTVocoder::Latch() noexcept {
  In.Latch();
}

double NTVocoder::Mix(double x) noexcept {
  bands_.Process(x);
  double sum = 0;
  for (int i = 0; i < kBands; ++i) sum = bands_.Envelope[i] * oscillators_[i].Next(table_) + sum;
  return sum;
}

void NTVocoder::Compute() noexcept {
  Out.Value = TruncToInt32(Mix(In.Value));
}
