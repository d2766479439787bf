#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#include "platform/audio/block_ring.h"
#include "platform/audio/wave.h"

// The queued blocks of one direction as a sound card callback sees them: it moves frames
// between the card and the front block in place and completes the block when it is full. No
// lock, no allocation; the only system call is the doorbell's post.
class BlockStream {
 public:
  // Queueing thread.
  void Queue(WaveHeader& block) noexcept {
    if (!block.Claim()) return;
    if (!ring_.Push(&block)) block.Unclaim();
  }
  void SetDoorbell(WaveDoorbell* bell) noexcept { completion_.SetDoorbell(bell); }
  uint64_t Dropouts() const noexcept { return dropouts_.load(std::memory_order_relaxed); }
  uint64_t SilentFrames() const noexcept { return silent_.load(std::memory_order_relaxed); }

  // Callback: records interleaved samples (null: silence). Frames that arrive while no block is
  // queued are lost, as on any sound card.
  void Record(const int16_t* in, size_t samples) noexcept {
    while (samples > 0) {
      const size_t n = Transfer(samples, [in](int16_t* to, size_t k) {
        if (in)
          std::memcpy(to, in, k * sizeof(int16_t));
        else
          std::fill_n(to, k, int16_t{0});
      });
      if (n == 0) {
        starved_ = true;
        return;
      }
      if (in) in += n;
      samples -= n;
    }
  }

  // Callback: fills interleaved samples from the queued blocks, silence where there are none.
  void Play(int16_t* out, size_t samples) noexcept {
    while (samples > 0) {
      const size_t n = Transfer(samples, [out](const int16_t* from, size_t k) {
        std::memcpy(out, from, k * sizeof(int16_t));
      });
      if (n == 0) {
        std::fill_n(out, samples, int16_t{0});
        // Silence before the first block is the start, not an interruption.
        starved_ = started_;
        if (started_) silent_.fetch_add(samples / kWaveChannels, std::memory_order_relaxed);
        return;
      }
      out += n;
      samples -= n;
    }
  }

 private:
  // Moves up to `samples` samples between the card and the front block; completes the block
  // when it is full. Returns how many samples were moved, 0 when nothing is queued. A gap ends
  // only when sound flows again, so the silence after the last block never counts.
  template <class Move>
  size_t Transfer(size_t samples, Move move) noexcept {
    WaveHeader* block = ring_.Front();
    if (!block) return 0;
    if (starved_) dropouts_.fetch_add(1, std::memory_order_relaxed);
    starved_ = false;
    started_ = true;
    const size_t n = std::min<size_t>(samples, block->Samples() - offset_);
    move(block->Data + offset_, n);
    offset_ += n;
    if (offset_ == block->Samples()) {
      offset_ = 0;
      ring_.Pop();
      completion_.Complete(*block);
    }
    return n;
  }

  BlockRing ring_;
  WaveCompletion completion_;
  std::atomic<uint64_t> dropouts_{0};
  std::atomic<uint64_t> silent_{0};  // frames
  // Callback only.
  size_t offset_ = 0;  // samples of the front block already moved
  bool starved_ = false;
  bool started_ = false;
};
