#pragma once
#include <atomic>

// A word shared between the window thread and the audio thread. Each access is a single relaxed
// atomic load or store: the same machine code as a plain word, but defined behaviour.
template <class T>
class Relaxed {
 public:
  constexpr Relaxed(T v = T{}) noexcept : v_(v) {}
  Relaxed(const Relaxed&) = delete;
  Relaxed& operator=(const Relaxed&) = delete;

  T Get() const noexcept { return v_.load(std::memory_order_relaxed); }
  void Set(T v) noexcept { v_.store(v, std::memory_order_relaxed); }
  operator T() const noexcept { return Get(); }
  Relaxed& operator=(T v) noexcept {
    Set(v);
    return *this;
  }

 private:
  std::atomic<T> v_;
};
