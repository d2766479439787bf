#pragma once
#include <cmath>
#include <cstdint>
#include <limits>

// Integer signal arithmetic wraps around like 32-bit two's complement: products and sums that
// may leave the range are formed in 64 bits and wrapped here.
constexpr int32_t Wrap32(int64_t v) noexcept {
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

// A delay line's feedback: the value a read back scaled by a factor in thousandths (truncated),
// plus the new input.
constexpr int32_t Feed(int32_t a, int64_t thousandths, int32_t in) noexcept {
  return Wrap32(a * thousandths / 1000 + in);
}

// Division of a whole number by 1000 or 10000 as a product: the double nearest 1/d lies above
// it, so trunc(p · PerUnit(d)) is exactly p / d (truncated) for every whole p below 2^53 whose
// quotient is below 6e11 in magnitude: at a whole quotient the product cannot round below it,
// and elsewhere the quotient is at least 1/d from the next whole number while the rounding error
// stays below 1e-15 of it.
template <int d>
constexpr double PerUnit() noexcept {
  constexpr double r = 1.0 / d;
  static_assert(static_cast<long double>(r) > 1.0L / d, "the reciprocal must lie above 1/d");
  return r;
}

// Double to signal value, truncating toward zero. Values beyond the 32-bit range saturate and NaN
// becomes 0, so that an unstable filter or a huge sum still yields a defined sample.
inline int32_t TruncToInt32(double v) noexcept {
  constexpr double kMax = std::numeric_limits<int32_t>::max();
  constexpr double kMin = std::numeric_limits<int32_t>::min();
  if (std::isnan(v)) return 0;
  if (v >= kMax) return std::numeric_limits<int32_t>::max();
  if (v <= kMin) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}
