#pragma once
#include <cstdint>
#include <cstring>

// Four lanes of doubles: element-wise IEEE arithmetic, so each lane computes exactly what the
// scalar code computes (the build forbids contracting into fused multiply-adds).
using V4 = double __attribute__((vector_size(32)));
using U4 = uint64_t __attribute__((vector_size(32)));
using I4 = int32_t __attribute__((vector_size(16)));

// Vectors pass by reference only: their by-value calling convention differs between the baseline
// and the AVX2 build of a function.
inline void Load(V4& v, const double* p) noexcept {
  std::memcpy(&v, p, sizeof v);
}
inline void Store(double* p, const V4& v) noexcept {
  std::memcpy(p, &v, sizeof v);
}

// Where mask is set, a; elsewhere b.
inline __attribute__((always_inline)) void Select(V4& out, const U4& mask, const V4& a,
                                                  const V4& b) noexcept {
  out = V4((U4(a) & mask) | (U4(b) & ~mask));
}

// TruncToInt32 in each lane: toward zero, saturated to 32 bits, NaN as 0.
inline void TruncLanes(I4& out, const V4& v) noexcept {
  const V4 hi = V4{} + 2147483647.0, lo = V4{} - 2147483648.0;
  V4 c;
  Select(c, U4(v >= hi), hi, v);
  Select(c, U4(c <= lo), lo, c);
  Select(c, U4(v == v), c, V4{});
  out = __builtin_convertvector(c, I4);
}

// Scalar loops the compiler must not put into vector lanes.
#if defined(__GNUC__) && !defined(__clang__)
#define QUARVIN_SCALAR __attribute__((optimize("no-tree-vectorize")))
#else
#define QUARVIN_SCALAR
#endif

// Code written with the AVX2 intrinsics themselves, beside a portable version: the batch picks
// one when it is built (never on the audio thread).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#include <immintrin.h>
#define QUARVIN_AVX2 1
inline bool HasAvx2() noexcept {
  return __builtin_cpu_supports("avx2");
}
// AVX-512 with the 32 registers of 256 bits that its VL part gives (the x86-64-v4 level).
inline bool HasAvx512() noexcept {
  return __builtin_cpu_supports("x86-64-v4");
}
#endif

// Loops over many devices or frames get an AVX2 build beside the baseline one. The AVX2 build is
// chosen by a resolver that runs while the program is loaded, before the thread sanitizer's
// runtime has started, so sanitizer builds keep the one baseline build.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define QUARVIN_LANES __attribute__((target_clones("avx2", "default")))
#else
#define QUARVIN_LANES
#endif
