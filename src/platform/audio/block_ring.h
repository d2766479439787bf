#pragma once
#include <array>
#include <atomic>
#include <cstddef>

#include "platform/audio/wave.h"

// The queue of blocks between the thread that queues them and the sound card's callback: one
// producer, one consumer, fixed capacity, no lock and no allocation. The consumer works on the
// front block in place and pops it when the block is complete.
class BlockRing {
 public:
  static constexpr size_t kCapacity = 16;  // more than the seven blocks a direction ever queues

  // Producer. False when the ring is full.
  bool Push(WaveHeader* block) noexcept {
    const size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) == kCapacity) return false;
    slots_[tail % kCapacity] = block;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }

  // Consumer. The oldest block, or null when the ring is empty.
  WaveHeader* Front() const noexcept {
    const size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return nullptr;
    return slots_[head % kCapacity];
  }
  // Consumer; only after Front returned a block.
  void Pop() noexcept {
    head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
  }

 private:
  std::array<WaveHeader*, kCapacity> slots_{};
  // Counters that only grow; their difference is the number of queued blocks.
  std::atomic<size_t> head_{0};
  std::atomic<size_t> tail_{0};
};
