#include "devices/tables.h"

#include <algorithm>
#include <cmath>

#include "platform/sample_rate.h"

// Entries are formed from double constants and double library results with extended-precision
// products, then truncated towards zero. This rounding is what puts the ramp's last entry at
// 65534 and level entry 100 at 1; doubles throughout would move single entries by one unit.
namespace {
using Ext = long double;

// v truncated towards zero, |v| < 2^31. The extended value's own conversion switches the x87
// rounding mode twice per entry, which made the pitch table take milliseconds to build. The
// nearest double lies within 2^-22 of v and rounds monotonically, so its whole part is v's or,
// when it rounded over a whole number, one step further from zero, which the exact comparison
// takes back.
int32_t Trunc(Ext v) {
  double whole = std::trunc(double(v));
  if (v >= 0 ? Ext(whole) > v : Ext(whole) < v) whole += v >= 0 ? -1 : 1;
  return int32_t(whole);
}

// The ramp's step per entry, 131070 / 4095, as the double constant it has always been.
constexpr double kRampScale = 1.0 / 4095;
}  // namespace

TSinTab::TSinTab() : TTable(kWaveEntries) {
  constexpr double kTwoPi = 6.283185307179586;
  for (int i = 0; i < kWaveEntries; ++i) {
    const Ext angle = i * Ext(kTwoPi) * Ext(1.0 / kWaveEntries);
    entries_[i] = Trunc(kWaveAmplitude * Ext(std::sin(double(angle))));
  }
}

TTriTab::TTriTab() : TTable(kWaveEntries) {
  constexpr Ext kSlope = 262140.0 / kWaveEntries;  // exact in binary: 63.9990234375
  for (int i = 0; i < kWaveEntries; ++i) {
    if (i < 1024)
      entries_[i] = Trunc(i * kSlope);
    else if (i < 3072)
      entries_[i] = Trunc(kWaveAmplitude - (i - 1024) * kSlope);
    else
      entries_[i] = Trunc((i - 3072) * kSlope - kWaveAmplitude);
  }
}

TSawUpTab::TSawUpTab() : TTable(kWaveEntries) {
  for (int i = 0; i < kWaveEntries; ++i)
    entries_[i] = Trunc(i * 131070 * Ext(kRampScale) - kWaveAmplitude);
}

TSawDnTab::TSawDnTab() : TTable(kWaveEntries) {
  for (int i = 0; i < kWaveEntries; ++i)
    entries_[i] = Trunc(kWaveAmplitude - i * 131070 * Ext(kRampScale));
}

TRecTab::TRecTab() : TTable(kWaveEntries) {
  for (int i = 0; i < kWaveEntries; ++i)
    entries_[i] = i < kWaveEntries / 2 ? kWaveAmplitude : -kWaveAmplitude;
}

int32_t PitchIncrement(int position) {
  const Ext octaves = position * Ext(1.0 / kPitchStepsPerOctave);
  const Ext hz = Ext(std::pow(2.0, double(octaves))) * kPitchBaseHz;
  return Trunc(hz * 256 * 4096 * Ext(1.0 / kSampleRate));
}

TLogTab::TLogTab() : TTable(kPitchMax + 1) {
  // A library pow per entry made every start take milliseconds. The powers of 2^(1/6000) formed
  // by repeated extended products, scaled per octave in doubles, put an entry within 2^-28 of the
  // formula's value; only where that value comes within 2^-20 of a whole number, and so could
  // truncate either way, is the formula itself asked.
  constexpr double kMargin = 0x1p-20;
  const Ext ratio = std::exp2l(Ext(1) / kPitchStepsPerOctave);
  std::vector<double> powers(kPitchStepsPerOctave);
  Ext power = 1;
  for (double& p : powers) {
    p = double(power);
    power *= ratio;
  }
  for (int octave = 0; octave * kPitchStepsPerOctave <= kPitchMax; ++octave) {
    const double scale = double(1 << octave) * kPitchBaseHz * 256 * 4096 / kSampleRate;
    const int first = octave * kPitchStepsPerOctave;
    const int end = std::min(first + kPitchStepsPerOctave, kPitchMax + 1);
    for (int i = first; i < end; ++i) {
      const double v = powers[size_t(i - first)] * scale;
      const auto whole = int32_t(v);
      const double fraction = v - whole;
      entries_[i] = fraction < kMargin || fraction > 1 - kMargin ? PitchIncrement(i) : whole;
    }
  }
}

TVolLogTab::TVolLogTab() : TTable(kLevelMax + 1) {
  entries_[0] = 0;
  for (int i = 1; i <= kLevelMax; ++i) {
    const Ext decibels = (i - kUnityLevel) * Ext(0.1);
    entries_[i] = Trunc(kUnityGain * Ext(std::pow(10.0, double(decibels * Ext(0.05)))));
  }
}
