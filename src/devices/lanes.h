#pragma once
#include <cstdint>
#include <cstring>

// Four lanes of doubles: element-wise IEEE arithmetic, so each lane computes exactly what the
// scalar code computes (the build forbids contracting into fused multiply-adds).
using V4 = double __attribute__((vector_size(32)));
using U4 = uint64_t __attribute__((vector_size(32)));

// Vectors pass by reference only: their by-value calling convention differs between the baseline
// and the AVX2 build of a function.
inline void Load(V4& v, const double* p) noexcept {
  std::memcpy(&v, p, sizeof v);
}
inline void Store(double* p, const V4& v) noexcept {
  std::memcpy(p, &v, sizeof v);
}

// Loops over many devices or frames get an AVX2 build beside the baseline one. The AVX2 build is
// chosen by a resolver that runs while the program is loaded, before the thread sanitizer's
// runtime has started, so sanitizer builds keep the one baseline build.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define QUARVIN_LANES __attribute__((target_clones("avx2", "default")))
#else
#define QUARVIN_LANES
#endif
