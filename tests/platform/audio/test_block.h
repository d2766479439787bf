#pragma once
#include <vector>

#include "platform/audio/wave.h"

// A wave block of the program's size (3000 stereo frames) with its own memory.
struct TestBlock {
  static constexpr int Frames = 3000;
  static constexpr int Samples = Frames * kWaveChannels;

  explicit TestBlock(int16_t fill = 0) : Data(Samples, fill) {
    Header.Data = Data.data();
    Header.Length = Samples * sizeof(int16_t);
  }
  TestBlock(const TestBlock&) = delete;
  TestBlock& operator=(const TestBlock&) = delete;

  std::vector<int16_t> Data;
  WaveHeader Header;
};
