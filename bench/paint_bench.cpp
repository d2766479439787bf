// Painting: a full repaint of a 1280 x 800 window onto a canvas holding 40 panels of every kind
// and 60 curved wires, erased background included, as after File Open, a resize, a scroll or a
// zoom, at 50, 100 and 200 %. It must fit well inside one 60 Hz frame (16.7 ms). The oscilloscope's
// screen redraw is in osci_bench.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "engine/plug.h"

namespace {
constexpr int kWidth = 1280, kHeight = 800;
constexpr int kPanels = 40, kWires = 60, kColumns = 8, kPitchX = 160, kPitchY = 150;
// Every type but the Input and the Output, which a canvas holds once.
constexpr DeviceType kTypes[] = {
    DeviceType::VCO,          DeviceType::LFO,    DeviceType::Hall,       DeviceType::Flanger,
    DeviceType::Filter,       DeviceType::Mixer,  DeviceType::Multiplier, DeviceType::VUMeter,
    DeviceType::Oscilloscope, DeviceType::Vocoder};

struct Canvas {
  HeadlessShell shell;
  TMainClient client{shell, nullptr};

  Canvas() {
    client.Resize(kWidth, kHeight);
    client.CurvesOn = 1;
    std::vector<NTPlugIn*> ins;
    std::vector<NTPlugOut*> outs;
    for (int i = 0; i < kPanels; ++i) {
      NTDevWin* d = client.CreateDevice(kTypes[i % std::size(kTypes)]);
      d->MoveTo({kPitchX * (i % kColumns), kPitchY * (i / kColumns)});
      for (NTWin* c = d->FirstChild; c; c = c->Next) {
        if (auto* in = dynamic_cast<NTPlugIn*>(c)) ins.push_back(in);
        if (auto* out = dynamic_cast<NTPlugOut*>(c)) outs.push_back(out);
      }
    }
    // Sixty distinct inputs picked at random, so wires run in every direction.
    std::mt19937 pick(1);
    std::shuffle(ins.begin(), ins.end(), pick);
    for (size_t w = 0; w < kWires; ++w) ins[w]->Source = outs[(w * 7) % outs.size()];
  }
};

// At every zoom but 100 % the window's picture is scaled from the backing store, which then holds
// the canvas behind the whole window: four times the pixels at 50 %.
void BM_FullRepaint(benchmark::State& state) {
  Canvas c;
  const int zoom = int(state.range(0));
  c.client.ZoomTo(zoom, {0, 0});
  Surface screen(kWidth, kHeight);
  for (auto _ : state) {
    c.client.InvalidateAll(true);
    benchmark::DoNotOptimize(c.client.PaintPending());
    if (zoom != 100) c.client.View().Show(c.client.Pixels(), screen.Bounds(), screen);
  }
  state.counters["frames_of_60Hz"] = benchmark::Counter(
      double(state.iterations()) * 60, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FullRepaint)
    ->ArgName("zoom")
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond);
}  // namespace
