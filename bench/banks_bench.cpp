// Banks of one device type run through the processing cycle itself, as the audio thread runs
// them (denormals flushed, through the compiled schedule): the cost per device-frame includes the
// engine's own. The
// figures to hold against the peer's: ns per band-sample (Vocoder, 49 bands), per filter-sample
// and per oscillator-sample. The second argument is the number of threads that share the levels.
#include <benchmark/benchmark.h>

#include <random>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/filter.h"
#include "devices/io.h"
#include "devices/vocoder.h"
#include "platform/denormals.h"

namespace {

// A canvas with an Input fed white noise and count devices of one type, each with its first
// input on the Input's left output when it takes audio.
struct Bank {
  HeadlessShell shell;
  TMainClient client{shell, nullptr};
  NTInput* input;

  Bank(DeviceType type, int count)
      : input(static_cast<NTInput*>(client.CreateDevice(DeviceType::Input))) {
    std::mt19937 noise(1);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    for (int n = 0; n < TSampleBuffer::kFrames * 2; ++n)
      client.InBlock(0).Data()[n] = int16_t(sample(noise));
    for (int i = 0; i < count; ++i) {
      NTDevWin* d = client.CreateDevice(type);
      if (type == DeviceType::VCO) continue;  // modulation inputs stay open
      for (NTWin* c = d->FirstChild; c; c = c->Next)
        if (auto* in = dynamic_cast<NTPlugIn*>(c)) {
          in->Source = &input->L;
          break;
        }
      if (auto* filter = dynamic_cast<NTFilter*>(d)) {
        // Band-passes a third of an octave apart, as in the peer's filter bank.
        filter->FilterKind = NTFilter::BandPassKind;
        filter->Freq.SetValue(18000 + 2000 * (i % 21));
        filter->RegChanged(NTFilter::kFreqCode);  // designs them: else they keep the low-pass
      }
    }
  }

  void Run(benchmark::State& state, int count, double lanes) {
    FlushDenormals();
    if (const int threads = int(state.range(1)); threads > 1)
      client.UseCrew(std::make_unique<TScheduleCrew>(threads));
    client.Reschedule();
    for (auto _ : state) client.ProcessBlock(0, 0);
    const double frames = double(state.iterations()) * TSampleBuffer::kFrames;
    state.counters["ns_per_device_frame"] = benchmark::Counter(
        frames * count, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["ns_per_lane_sample"] = benchmark::Counter(
        frames * count * lanes, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    // Devices that fit into real time on one core.
    state.counters["realtime_devices"] =
        benchmark::Counter(frames * count / kSampleRate, benchmark::Counter::kIsRate);
  }
};

void BM_VocoderBank(benchmark::State& state) {
  const int count = int(state.range(0));
  Bank(DeviceType::Vocoder, count).Run(state, count, NTVocoder::kBands);
}
BENCHMARK(BM_VocoderBank)
    ->ArgsProduct({{1, 10}, {1, 2}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_FilterBank(benchmark::State& state) {
  Bank(DeviceType::Filter, 100).Run(state, 100, 1);
}
BENCHMARK(BM_FilterBank)
    ->Args({100, 1})
    ->Args({100, 2})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// 100 oscillators and 3000: the cost per device-frame as the rows outgrow the caches.
void BM_OscillatorBank(benchmark::State& state) {
  const int count = int(state.range(0));
  Bank(DeviceType::VCO, count).Run(state, count, 1);
}
BENCHMARK(BM_OscillatorBank)
    ->ArgsProduct({{100, 3000}, {1, 2}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
}  // namespace
