// The oscilloscope: per-frame cost of Latch while recording, and a redraw of a full screen.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <numbers>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/io.h"
#include "devices/osci.h"

namespace {

// A scope with all four channels on, fed by the Input device's outputs.
struct Bench {
  Bench() {
    for (size_t i = 0; i < sine.size(); ++i)
      sine[i] = int32_t(60000 * std::sin(2 * std::numbers::pi * double(i) / double(sine.size())));
    client.Resize(800, 600);
    for (int ch = 0; ch < osci::kChannels; ++ch) {
      scope.On[ch].State = 1;
      scope.In[ch].Source = ch % 2 ? &source.R : &source.L;
    }
  }
  void Frame(int n) {
    source.L.Value = sine[size_t(n) % sine.size()];
    source.R.Value = n % 300 < 150 ? 30000 : -30000;
    scope.Latch();
  }
  std::array<int32_t, 441> sine;
  HeadlessShell shell;
  TMainClient client{shell, nullptr};
  NTInput source{&client, client.Root()};
  NTOsci scope{&client, client.Root()};
};

// The dearest steady state: recording every frame and testing the trigger at every column, with a
// level the signal never crosses.
void BM_OsciLatchRecording(benchmark::State& state) {
  Bench b;
  b.scope.Level.SetValue(200);
  b.scope.Tick();
  int n = 0;
  for (auto _ : state) b.Frame(n++);
  state.counters["ns_per_frame"] = benchmark::Counter(
      double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_OsciLatchRecording);

// One published recording of four channels drawn onto the screen.
void BM_OsciScreenRedraw(benchmark::State& state) {
  Bench b;
  b.scope.Tick();
  for (int n = 0; b.scope.CaptureState() != osci::Complete; ++n) b.Frame(n);
  b.scope.Tick();
  for (auto _ : state) b.scope.CtrlNotify(b.scope.On[0].Code);  // redraws the screen
}
BENCHMARK(BM_OsciScreenRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace
