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
