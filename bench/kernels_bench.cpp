// One type's batch kernel alone, over whole sub-blocks of rows filled with noise: the time per
// frame of the banks' Mixers and Filters without their sources, and what each of a kernel's forms
// costs. The same source built against an older build of the libraries gives the figures before
// a change.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/filter.h"
#include "devices/mixer.h"
#include "devices/registry.h"
#include "devices/vco.h"
#include "engine/schedule.h"
#include "platform/denormals.h"

namespace {
constexpr int kFrames = THistories::kFrames;

// count devices of a type on `sources` rows of noise (row 1 up), each input on the next source in
// turn (none: every input open), each output on a row of its own; set(device, i) sets device i's
// controls.
struct KernelBank {
  HeadlessShell shell;
  TMainClient client{shell, nullptr};
  std::vector<NTDevWin*> devices;
  std::vector<TPorts> ports;
  std::unique_ptr<TBatch> batch;
  THistories rows;
  int16_t silence[2 * kFrames] = {};
  int16_t out[2 * kFrames] = {};

  template <class Set>
  KernelBank(DeviceType type, int count, int inputs, int sources, Set set)
      : rows(size_t(1 + sources + count)) {
    std::mt19937 noise(1);
    std::uniform_int_distribution<int32_t> sample(-(1 << 30), 1 << 30);
    for (int32_t s = 1; s <= sources; ++s)
      for (int f = 0; f <= kFrames; ++f) rows.Row(s)[f] = sample(noise);
    int32_t next = 0;
    for (int i = 0; i < count; ++i) {
      NTDevWin* d = client.CreateDevice(type);
      set(*d, i);
      TPorts p;
      for (int k = 0; k < inputs; ++k) p.In.push_back(sources ? 1 + next++ % sources : 0);
      p.Out.push_back(1 + sources + i);
      devices.push_back(d);
      ports.push_back(std::move(p));
    }
    batch = DeviceKernel(type)->Make(devices, ports);
  }

  // Reports ns per frame of the whole bank and per device-frame.
  void Run(benchmark::State& state) {
    FlushDenormals();
    const TSubBlock b{rows, kFrames, silence, out};
    for (auto _ : state) {
      batch->Run(b);
      benchmark::ClobberMemory();
    }
    const double frames = double(state.iterations()) * kFrames;
    state.counters["ns_per_frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["ns_per_device_frame"] = benchmark::Counter(
        frames * double(devices.size()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  }
};

// The first rank of the 100-oscillator bench's Mixer tree: 25 Mixers of four channels each.
// Argument 0: every level at 0 dB; 1: the channels at 0 dB and the master at a new Mixer's -10 dB,
// as in the bench patches.
void BM_MixerKernel(benchmark::State& state) {
  const bool quietMaster = state.range(0) == 1;
  KernelBank bank(DeviceType::Mixer, 25, NTMixer::kChannels, 100, [&](NTDevWin& d, int) {
    auto& m = static_cast<NTMixer&>(d);
    if (!quietMaster) m.Master.SetValue(m.Level[0].Value);
  });
  bank.Run(state);
}
BENCHMARK(BM_MixerKernel)->Arg(0)->Arg(1);

// The filter bench's 100 band-passes a third of an octave apart, all on one source (argument 1)
// or each on its own (argument 100), so that each group of four reads four rows.
void BM_FilterKernel(benchmark::State& state) {
  KernelBank bank(DeviceType::Filter, 100, 1, int(state.range(0)), [](NTDevWin& d, int i) {
    auto& f = static_cast<NTFilter&>(d);
    f.FilterKind = NTFilter::BandPassKind;
    f.Freq.SetValue(18000 + 2000 * (i % 21));
    f.RegChanged(NTFilter::kFreqCode);
  });
  bank.Run(state);
}
BENCHMARK(BM_FilterKernel)->Arg(1)->Arg(100);

// The oscillator bench's 100 unmodulated VCOs at their default settings: table reads at a steady
// step.
void BM_VcoKernel(benchmark::State& state) {
  KernelBank bank(DeviceType::VCO, 100, 2, 0, [](NTDevWin&, int) {});
  bank.Run(state);
}
BENCHMARK(BM_VcoKernel);

// The Vocoder bench's ten Vocoders on one source of noise: 49 bands each, thirteen groups of four.
void BM_VocoderKernel(benchmark::State& state) {
  KernelBank bank(DeviceType::Vocoder, 10, 1, 1, [](NTDevWin&, int) {});
  bank.Run(state);
}
BENCHMARK(BM_VocoderKernel);
}  // namespace
