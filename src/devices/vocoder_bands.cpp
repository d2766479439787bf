#include "devices/vocoder_bands.h"

namespace {
constexpr double kBandQ = 16, kSmoothQ = 1;
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
