#pragma once
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

// A queue of plain values between one producing and one consuming thread: fixed capacity taken
// at construction, then no lock, no allocation and no system call on either side. The consumer
// reads the values in place.
template <class T>
class SpscRing {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  explicit SpscRing(size_t capacity) : slots_(capacity) {}

  size_t Capacity() const noexcept { return slots_.size(); }

  // Producer: appends all of `values`, or nothing when they do not fit.
  bool Push(std::span<const T> values) noexcept {
    if (values.size() > Room()) return false;
    const uint64_t tail = tail_.load(std::memory_order_relaxed);
    const size_t at = size_t(tail % Capacity());
    const size_t first = std::min(values.size(), Capacity() - at);
    std::copy_n(values.begin(), first, slots_.begin() + ptrdiff_t(at));
    std::copy(values.begin() + ptrdiff_t(first), values.end(), slots_.begin());
    tail_.store(tail + values.size(), std::memory_order_release);
    return true;
  }
  // Producer: how many values fit now.
  size_t Room() const noexcept {
    return Capacity() -
           size_t(tail_.load(std::memory_order_relaxed) - head_.load(std::memory_order_acquire));
  }
  // Producer: the values pushed so far (what the next value's position will be).
  uint64_t Pushed() const noexcept { return tail_.load(std::memory_order_relaxed); }

  // Consumer: the oldest values that lie one after another in memory, up to the first `most`;
  // empty when the ring is.
  std::span<const T> Front(size_t most = SIZE_MAX) const noexcept {
    const uint64_t head = head_.load(std::memory_order_relaxed);
    const uint64_t filled = tail_.load(std::memory_order_acquire) - head;
    const size_t at = size_t(head % Capacity());
    return {slots_.data() + at, std::min({size_t(filled), Capacity() - at, most})};
  }
  // Consumer: the values taken so far.
  uint64_t Popped() const noexcept { return head_.load(std::memory_order_relaxed); }
  // Consumer: gives the first n values of Front back to the producer.
  void Pop(size_t n) noexcept {
    head_.store(head_.load(std::memory_order_relaxed) + n, std::memory_order_release);
  }

  // Empties the ring; only while neither side uses it.
  void Clear() noexcept {
    head_.store(0, std::memory_order_relaxed);
    tail_.store(0, std::memory_order_relaxed);
  }

 private:
  std::vector<T> slots_;
  // Counters that only grow; their difference is the number of values held.
  std::atomic<uint64_t> head_{0};
  std::atomic<uint64_t> tail_{0};
};
