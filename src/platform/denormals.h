#pragma once
#include <cstdint>
#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

// Sets flush-to-zero and denormals-are-zero for the calling thread, so that decaying filters
// never slow the engine down.
inline void FlushDenormals() {
#if defined(__SSE__) || defined(__x86_64__)
  _mm_setcsr(_mm_getcsr() | 0x8040);
#endif
}

// The calling thread's floating-point mode (rounding, denormal handling), so that a helper thread
// can compute exactly as the thread whose work it shares.
inline uint32_t FloatMode() noexcept {
#if defined(__SSE__) || defined(__x86_64__)
  return _mm_getcsr();
#else
  return 0;
#endif
}

inline void SetFloatMode([[maybe_unused]] uint32_t mode) noexcept {
#if defined(__SSE__) || defined(__x86_64__)
  if (_mm_getcsr() != mode) _mm_setcsr(mode);
#endif
}
