#include "devices/biquad.h"

#include <cmath>

#include "platform/sample_rate.h"

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr double kSecondsPerFrame = 1.0 / kSampleRate;
}  // namespace

bool TBiquad::Stable() const noexcept {
  return std::fabs(a1) < 2 && a2 > -1 && a2 < 1 - std::fabs(a1);
}

double AngleOf(double hz) noexcept {
  return hz * kTwoPi * kSecondsPerFrame;
}

namespace {
// The pole radius term shared by low-pass and high-pass.
double ShelfA2(double w, double k) noexcept {
  const double sk = std::sin(w) * k;
  return (sk - 2) / (sk + 2);
}

// The pole radius term shared by band-pass and band-stop.
double BandA2(double w, double q) noexcept {
  const double t = std::tan(w / (2 * q));
  return (t - 1) / (t + 1);
}
}  // namespace

TBiquad LowPass(double w, double k) noexcept {
  TBiquad c;
  c.a2 = ShelfA2(w, k);
  c.a1 = std::cos(w) * (1 - c.a2);
  c.b0 = (1 - c.a1 - c.a2) * 0.25;
  c.b1 = 2 * c.b0;
  c.b2 = c.b0;
  return c;
}

TBiquad HighPass(double w, double k) noexcept {
  TBiquad c;
  c.a2 = ShelfA2(w, k);
  c.a1 = std::cos(w) * (1 - c.a2);
  c.b0 = (1 + c.a1 - c.a2) * 0.25;
  c.b1 = -2 * c.b0;
  c.b2 = c.b0;
  return c;
}

TBiquad BandPass(double w, double q) noexcept {
  TBiquad c;
  c.a2 = BandA2(w, q);
  c.a1 = std::cos(w) * (1 - c.a2);
  c.b0 = (1 + c.a2) * 0.5;
  c.b1 = 0;
  c.b2 = -c.b0;
  return c;
}

TBiquad BandStop(double w, double q) noexcept {
  TBiquad c;
  c.a2 = BandA2(w, q);
  c.b0 = (1 - c.a2) * 0.5;
  c.a1 = std::cos(w) * (2 * c.b0);
  c.b1 = -c.a1;
  c.b2 = c.b0;
  return c;
}
