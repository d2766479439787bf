#include "devices/random.h"

namespace {
constexpr uint64_t kMultiplier = (uint64_t{0x15A4} << 32) + 0x4E35;
uint64_t state = 1;
}  // namespace

int32_t NextRandom() noexcept {
  state = state * kMultiplier + 1;  // modulo 2^64 by unsigned wrap-around
  return static_cast<int32_t>((state >> 32) & 0x7FFFFFFF);
}

void ResetRandom() noexcept {
  state = 1;
}
