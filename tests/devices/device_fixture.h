#pragma once
// Helpers for device tests: a tiny device whose output a test sets, and one-frame stepping.
#include <cstdint>
#include <vector>

#include "engine/devwin.h"
#include "engine/plug.h"
#include "platform/art.h"
#include "support/test_canvas.h"

// A device with one output whose value the test chooses, to feed the inputs under test.
class TestSource : public NTDevWin {
 public:
  TestSource(NTCanvas* canvas, NTWin* parent)
      : NTDevWin(canvas, parent, 20, 20, "Src"), Out(canvas, this, bmp::kJackRed, "Out") {}
  NTPlugOut Out;
};

// One frame of the processing cycle for a single device.
inline void Frame(NTDevWin& d) {
  d.Latch();
  d.Compute();
}

// The value of out over n frames.
inline std::vector<int32_t> RunFrames(NTDevWin& d, const NTPlugOut& out, int n) {
  std::vector<int32_t> v;
  for (int i = 0; i < n; ++i) {
    Frame(d);
    v.push_back(out.Value);
  }
  return v;
}

// The patch-file record words of a window's subtree, and the windows it occupies.
inline size_t RecordWords(NTWin& w) {
  opstream os;
  WriteWalk(&w, os);
  return os.Bytes().size() / 4;
}
inline int WindowCount(const NTWin& w) {
  int n = 1;
  for (const NTWin* c = w.FirstChild; c; c = c->Next) n += WindowCount(*c);
  return n;
}
