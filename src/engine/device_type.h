#pragma once
#include <cstdint>

// The stable type number of a device class. It is stored in patch files, so a number is never
// changed or reused; a new device type takes the next free one. None marks a device outside the
// registry (a test's helper device) and never appears in a file.
enum class DeviceType : int32_t {
  None = 0,
  Output = 1,
  Input = 2,
  VCO = 3,
  LFO = 4,
  Hall = 5,
  Flanger = 6,
  Filter = 7,
  Mixer = 8,
  Multiplier = 9,
  VUMeter = 10,
  Oscilloscope = 11,
  Vocoder = 12,
  Midi = 13,
};
