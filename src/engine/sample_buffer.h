#pragma once
#include <array>
#include <cstdint>

#include "platform/audio/wave.h"

// One wave block: a 32-byte header and 3000 interleaved stereo 16-bit frames.
class TSampleBuffer {
 public:
  static constexpr int kFrames = 3000;
  static constexpr int kBytes = kFrames * 4;

  TSampleBuffer();
  TSampleBuffer(const TSampleBuffer&) = delete;
  TSampleBuffer& operator=(const TSampleBuffer&) = delete;

  WaveHeader& Header() { return header_; }
  // Frames in use: all of them, or the first `frames` for live sound in short blocks (1..Frames;
  // set while no device holds the block).
  int Length() const { return int(header_.Length / 4); }
  void SetLength(int frames);
  int16_t* Data() { return data_.data(); }
  const int16_t* Data() const { return data_.data(); }

 private:
  WaveHeader header_;
  std::array<int16_t, kFrames * 2> data_{};
};
