// Cost per frame of the effect devices, each fed a sine from an Input device, on a thread that
// flushes denormals as the audio thread does. The counter "fit_per_block" (shown as a rate) is
// how many devices of a kind fit into one 3000-frame block of 68 ms on one core; it matters most
// for the Vocoder, the heaviest device.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/io.h"
#include "devices/vocoder.h"
#include "platform/denormals.h"

namespace {

std::vector<int32_t> SineTable() {
  std::vector<int32_t> v(kSampleRate);
  for (size_t n = 0; n < v.size(); ++n)
    v[n] = int32_t(30000 * std::sin(2 * M_PI * 440 * n / kSampleRate));
  return v;
}

// A canvas with an Input whose left output feeds every input of the device under test.
struct Rig {
  HeadlessShell shell;
  TMainClient canvas{shell, nullptr};
  NTInput* source;
  NTDevWin* device;

  explicit Rig(DeviceType type)
      : source(static_cast<NTInput*>(canvas.CreateDevice(DeviceType::Input))),
        device(canvas.CreateDevice(type)) {
    for (NTWin* c = device->FirstChild; c; c = c->Next)
      if (auto* in = dynamic_cast<NTPlugIn*>(c)) in->Source = &source->L;
  }
};

void Frames(benchmark::State& state, DeviceType type) {
  FlushDenormals();
  Rig rig(type);
  const std::vector<int32_t> sine = SineTable();
  size_t n = 0;
  for (auto _ : state) {
    rig.source->L.Value = sine[n];
    if (++n == sine.size()) n = 0;
    rig.device->Latch();
    rig.device->Compute();
  }
  state.counters["fit_per_block"] =
      benchmark::Counter(1.0 / kSampleRate, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Filter(benchmark::State& s) {
  Frames(s, DeviceType::Filter);
}
void BM_Flanger(benchmark::State& s) {
  Frames(s, DeviceType::Flanger);
}
void BM_Hall(benchmark::State& s) {
  Frames(s, DeviceType::Hall);
}
void BM_Vocoder(benchmark::State& s) {
  Frames(s, DeviceType::Vocoder);
}
// The Vocoder as the compiled schedule runs it: a block of frames in one call.
void BM_VocoderBlock(benchmark::State& state) {
  FlushDenormals();
  Rig rig(DeviceType::Vocoder);
  auto& vocoder = static_cast<NTVocoder&>(*rig.device);
  const std::vector<int32_t> sine = SineTable();
  std::vector<int32_t> out(TSampleBuffer::kFrames);
  size_t n = 0;
  for (auto _ : state) {
    vocoder.MixBlock(sine.data() + n, out.data(), int(out.size()));
    n = (n + out.size()) % (sine.size() - out.size());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(out.size()));
}

BENCHMARK(BM_Filter);
BENCHMARK(BM_Flanger);
BENCHMARK(BM_Hall);
BENCHMARK(BM_Vocoder);
BENCHMARK(BM_VocoderBlock);
}  // namespace
