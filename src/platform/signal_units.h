#pragma once
#include <cstdint>

// The units of signals and controls, shared by the devices' arithmetic and the read-outs, as
// sample_rate.h holds the rate.

// Full scale has two values, one per origin. The Input device publishes twice each 16-bit sample,
// so a full-scale sample reaches ±65536 inside a patch: kFullScale, the unit of arithmetic that
// scales by a power of two (the VCO's AM depth, the Multiplier's product, the scope's gain). The
// one-period wave tables peak at ±65535: kWaveAmplitude, the largest value a source produces and
// the reference where a device measures a source's swing (the VU meter's 0 dB, the Flanger's
// "Ext", the LFO's offset).
inline constexpr int32_t kFullScale = 65536;
inline constexpr int32_t kWaveAmplitude = 65535;

// Pitch positions: 6000 steps per octave above 13.75 Hz, so 440 Hz at 30000.
inline constexpr int kPitchStepsPerOctave = 6000;
inline constexpr double kPitchBaseHz = 13.75;

// Level positions: a tenth of a decibel per step, 0 dB at 900, silence at 0.
inline constexpr int32_t kUnityLevel = 900;
