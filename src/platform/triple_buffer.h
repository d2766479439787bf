#pragma once
#include <atomic>

// Hands a value of several words from one writer thread to one reader thread as a unit, without
// either ever waiting: the writer fills a slot the reader cannot be using and swaps it into the
// middle; the reader swaps a freshly published middle slot for its own. Each side owns one slot
// at any time, so no slot is written while it is read.
template <class T>
class TTripleBuffer {
 public:
  explicit TTripleBuffer(const T& initial = T{}) : slots_{initial, initial, initial} {}
  TTripleBuffer(const TTripleBuffer&) = delete;
  TTripleBuffer& operator=(const TTripleBuffer&) = delete;

  // Writer: makes v the value the reader sees from its next Latest() on.
  void Publish(const T& v) noexcept {
    slots_[back_] = v;
    back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & kIndex;
  }

  // Reader: the most recently published value.
  const T& Latest() noexcept {
    if (middle_.load(std::memory_order_relaxed) & kFresh)
      front_ = middle_.exchange(front_, std::memory_order_acq_rel) & kIndex;
    return slots_[front_];
  }

 private:
  static constexpr unsigned kIndex = 3, kFresh = 4;
  T slots_[3];
  std::atomic<unsigned> middle_{1};
  unsigned back_ = 2;   // the writer's slot
  unsigned front_ = 0;  // the reader's slot
};
