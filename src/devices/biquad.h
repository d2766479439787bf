#pragma once
#include <cstddef>

// The second-order recursive filter shared by the Filter and the Vocoder: its four designs at
// 44100 Hz and its difference equation. The designs keep their evaluation order (a2, then a1,
// then b0, b1, b2) because saved patches must sound the same bit for bit.

// y = b0·x + b1·x1 + b2·x2 + a1·y1 + a2·y2: the feedback terms are added.
struct TBiquad {
  double a1 = 0, a2 = 0, b0 = 0, b1 = 0, b2 = 0;
  // Inside the stability triangle: |a1| < 2, a2 > -1 and a2 < 1 - |a1|.
  bool Stable() const noexcept;
};

// Radians per sample of a frequency in Hz.
double AngleOf(double hz) noexcept;

// Low-pass and high-pass with unity gain at 0 Hz / at half the sample rate; k is 1 / Q.
TBiquad LowPass(double w, double k) noexcept;
TBiquad HighPass(double w, double k) noexcept;
// Band-pass with peak gain 1 at w and band-stop with its notch there; bandwidth w / q.
TBiquad BandPass(double w, double q) noexcept;
TBiquad BandStop(double w, double q) noexcept;

// The difference equation's sum y, in its one order (the build keeps it: no contraction), for one
// filter (double) or for filters side by side in vector lanes (V4, passed by reference only, as
// lanes.h says), which then compute exactly what each filter computes alone.
template <class T>
inline __attribute__((always_inline)) void BiquadSum(T& y, const T& b0, const T& b1, const T& b2,
                                                     const T& a1, const T& a2, const T& x,
                                                     const T& x1, const T& x2, const T& y1,
                                                     const T& y2) noexcept {
  y = b0 * x + b1 * x1 + b2 * x2 + a1 * y1 + a2 * y2;
}

// BiquadSum where b1 is 0, as in the band-pass, and x1 is finite: the b1 term is then a zero, and
// adding a zero changes no sum but a zero one, and that one only in its sign, which no later
// product, sum or truncation to an integer can tell. So y is the same value with one product and
// one addition fewer.
template <class T>
inline __attribute__((always_inline)) void BiquadSumB1Zero(T& y, const T& b0, const T& b2,
                                                           const T& a1, const T& a2, const T& x,
                                                           const T& x2, const T& y1,
                                                           const T& y2) noexcept {
  y = b0 * x + b2 * x2 + a1 * y1 + a2 * y2;
}

// The previous two inputs and outputs of one filter.
struct TBiquadHistory {
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;

  double Step(const TBiquad& c, double x) noexcept {
    double y;
    BiquadSum(y, c.b0, c.b1, c.b2, c.a1, c.a2, x, x1, x2, y1, y2);
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};
