#pragma once
// A patch for one device under test: a test canvas and a source device whose output feeds the
// device's inputs, driven frame by frame as the processing cycle does.
#include <cmath>
#include <cstdint>
#include <vector>

#include "devices/io.h"
#include "support/test_canvas.h"

struct EffectPatch {
  TestCanvas canvas;
  NTInput source{&canvas, canvas.Root()};

  // The value the source publishes from now on.
  void Feed(int32_t v) { source.L.Value = v; }
};

// One frame of the processing cycle for one device.
inline void RunFrame(NTDevWin& d) {
  d.Latch();
  d.Compute();
}

// Runs one frame per input value and returns the outputs.
template <class Device>
std::vector<int32_t> RunFrames(EffectPatch& p, Device& d, const std::vector<int32_t>& in) {
  std::vector<int32_t> out;
  out.reserve(in.size());
  for (int32_t v : in) {
    p.Feed(v);
    RunFrame(d);
    out.push_back(d.Out.Value);
  }
  return out;
}

inline std::vector<int32_t> Sine(double hz, double amplitude, int frames) {
  std::vector<int32_t> v(frames);
  for (int n = 0; n < frames; ++n)
    v[n] = static_cast<int32_t>(amplitude * std::sin(2 * M_PI * hz * n / 44100));
  return v;
}

// Amplitude of the component at hz over a whole number of seconds (integer frequencies are then
// exactly orthogonal).
inline double AmplitudeAt(const std::vector<int32_t>& y, size_t from, double hz) {
  double re = 0, im = 0;
  const size_t n = y.size() - from;
  for (size_t i = 0; i < n; ++i) {
    const double ph = 2 * M_PI * hz * double(i) / 44100;
    re += y[from + i] * std::cos(ph);
    im += y[from + i] * std::sin(ph);
  }
  return 2 * std::hypot(re, im) / double(n);
}

inline int WindowCount(const NTWin* w) {
  int n = 1;
  for (const NTWin* c = w->FirstChild; c; c = c->Next) n += WindowCount(c);
  return n;
}

inline std::vector<uint8_t> Record(NTWin& w) {
  opstream os;
  WriteWalk(&w, os);
  return os.Bytes();
}

inline void Load(NTWin& w, const std::vector<uint8_t>& bytes) {
  ipstream is(bytes);
  ReadWalk(&w, is);
}
