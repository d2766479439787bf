#pragma once
// Helpers for device tests: a source whose output a test sets, frame stepping as the processing
// cycle does it, patch-file records, and test signals with their analysis.
#include <cmath>
#include <cstdint>
#include <vector>

#include "devices/io.h"
#include "engine/devwin.h"
#include "engine/plug.h"
#include "platform/art.h"
#include "platform/sample_rate.h"
#include "support/test_canvas.h"

// A device with one output whose value the test chooses, to feed the inputs under test.
class TestSource : public NTDevWin {
 public:
  TestSource(TCanvas* canvas, NTWin* parent)
      : NTDevWin(canvas, parent, 20, 20, "Src"), Out(canvas, this, bmp::kJackRed, "Out") {}
  NTPlugOut Out;
};

// A patch for one device under test: a test canvas and an Input whose left output feeds the
// device's inputs.
struct EffectPatch {
  TestCanvas canvas;
  NTInput source{&canvas, canvas.Root()};

  // The value the source publishes from now on.
  void Feed(int32_t v) { source.L.Value = v; }
};

// Each child of a window that is a T, in child-list order (the record order).
template <class T>
std::vector<T*> Children(NTWin& w) {
  std::vector<T*> found;
  for (NTWin* c = w.FirstChild; c; c = c->Next)
    if (auto* t = dynamic_cast<T*>(c)) found.push_back(t);
  return found;
}

// One frame of the processing cycle for one device.
inline void RunFrame(NTDevWin& d) {
  d.Latch();
  d.Compute();
}

// The value of out over n frames.
inline std::vector<int32_t> RunFrames(NTDevWin& d, const NTPlugOut& out, int n) {
  std::vector<int32_t> v;
  for (int i = 0; i < n; ++i) {
    RunFrame(d);
    v.push_back(out.Value);
  }
  return v;
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
    v[n] = static_cast<int32_t>(amplitude * std::sin(2 * M_PI * hz * n / kSampleRate));
  return v;
}

// Amplitude of the component at hz over a whole number of seconds (integer frequencies are then
// exactly orthogonal).
inline double AmplitudeAt(const std::vector<int32_t>& y, size_t from, double hz) {
  double re = 0, im = 0;
  const size_t n = y.size() - from;
  for (size_t i = 0; i < n; ++i) {
    const double ph = 2 * M_PI * hz * double(i) / kSampleRate;
    re += y[from + i] * std::cos(ph);
    im += y[from + i] * std::sin(ph);
  }
  return 2 * std::hypot(re, im) / double(n);
}

// The patch-file record of a window's subtree, its size in words, and the windows it occupies.
inline std::vector<uint8_t> Record(NTWin& w) {
  opstream os;
  WriteWalk(&w, os);
  return os.Bytes();
}
inline size_t RecordWords(NTWin& w) {
  return Record(w).size() / 4;
}
inline int WindowCount(const NTWin& w) {
  int n = 1;
  for (const NTWin* c = w.FirstChild; c; c = c->Next) n += WindowCount(*c);
  return n;
}

inline void Load(NTWin& w, const std::vector<uint8_t>& bytes) {
  ipstream is(bytes);
  ReadWalk(&w, is);
}
