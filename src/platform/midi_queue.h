#pragma once
#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/midi_event.h"

// MIDI events from one input thread to the audio thread, without lock or allocation. Events carry
// frames of the input's own time line (or TMidiEvent::kNow); the input tells how far its events
// are complete, and the audio thread takes each block's share: the events of the block's span of
// that time line, at their frame within the block, the ones that came too late at its start.
// A full queue drops the newest events.
class TMidiQueue {
 public:
  static constexpr size_t kCapacity = 1024;

  // Input thread: queues an event; false when the queue is full.
  bool Push(const TMidiEvent& e) noexcept {
    const size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) == kCapacity) return false;
    ring_[tail % kCapacity] = e;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }
  // Input thread: every event before input frame `frame` has been pushed.
  void CompleteUntil(int64_t frame) noexcept { until_.store(frame, std::memory_order_release); }

  // Audio thread: moves the events that belong to a block of `frames` frames starting at clock
  // frame `start` into `into`, stamped with clock frames in ascending order; returns how many.
  // The block is taken to hold the last `frames` frames of input before the complete point.
  size_t TakeBlock(std::span<TMidiEvent> into, int64_t start, int frames) noexcept {
    const int64_t until = until_.load(std::memory_order_acquire);
    const size_t tail = tail_.load(std::memory_order_acquire);
    size_t head = head_.load(std::memory_order_relaxed), n = 0;
    int64_t offset = 0;
    for (; head != tail && n < into.size(); ++head) {
      TMidiEvent e = ring_[head % kCapacity];
      if (e.Frame != TMidiEvent::kNow) {
        if (e.Frame >= until) break;  // the next block's
        offset = std::clamp<int64_t>(e.Frame - (until - frames), offset, frames - 1);
      }
      e.Frame = start + offset;
      into[n++] = e;
    }
    head_.store(head, std::memory_order_release);
    return n;
  }

 private:
  std::array<TMidiEvent, kCapacity> ring_{};
  std::atomic<size_t> head_{0}, tail_{0};
  std::atomic<int64_t> until_{0};
};
