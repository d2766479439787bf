#include "devices/vocoder_bands.h"

#include <numeric>
#include <utility>

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

namespace {
// The inverse of a modulo m, for a and m coprime (extended Euclid); 0 for m = 1.
int32_t InverseMod(int64_t a, int64_t m) {
  int64_t r0 = m, r1 = a % m, t0 = 0, t1 = 1;
  while (r1 != 0) {
    const int64_t q = r0 / r1;
    r0 = std::exchange(r1, r0 - q * r1);
    t0 = std::exchange(t1, t0 - q * t1);
  }
  return int32_t(((t0 % m) + m) % m);
}
}  // namespace

// A phase reached from 0 is a multiple of gcd(step, size): k steps reach phase p exactly when
// k · step / gcd ≡ p / gcd modulo the period size / gcd.
TVCSinStreams::TVCSinStreams(const TVCSinTab& tab, std::span<const int32_t> steps) {
  constexpr int32_t size = TVCSinTab::kSize;
  size_t total = 0;
  for (const int32_t step : steps) {
    Lane lane{total, step, std::gcd(step, size), 0, 0, 0};
    lane.period = size / lane.gcd;
    lane.inverse = InverseMod(step / lane.gcd, lane.period);
    lane.cycle = lane.period * ((kRun + lane.period - 1) / lane.period);
    total += size_t(lane.cycle + kTail);
    lanes_.push_back(lane);
  }
  data_.resize(total);
  for (const Lane& lane : lanes_) {
    int32_t phase = 0;
    for (size_t k = lane.start; k < lane.start + size_t(lane.cycle + kTail); ++k) {
      data_[k] = tab[phase];
      phase += lane.step;
      if (phase >= size) phase -= size;
    }
  }
}

int32_t TVCSinStreams::IndexOf(size_t i, int32_t phase) const noexcept {
  const Lane& l = lanes_[i];
  return int32_t(int64_t(phase / l.gcd) * l.inverse % l.period);
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
