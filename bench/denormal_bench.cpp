// Denormal collapse: the cost per frame of a Filter and of a Vocoder while a loud input plays, and
// after it has fallen silent and the filters ring down towards zero. With flushing on, as on the
// audio thread and in the render tool, both phases cost the same; the "unflushed" rows show what
// flushing saves.
#include <benchmark/benchmark.h>

#include <xmmintrin.h>
#include <cmath>
#include <numbers>
#include <vector>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/io.h"
#include "platform/denormals.h"

namespace {
constexpr int kRate = 44100;
// Long enough for the slowest bands to decay into the denormal range.
constexpr int kSilentPreroll = 10 * kRate;
enum Phase { kLoud, kSilent };

void Frames(benchmark::State& state, DeviceType type, Phase phase, bool flush) {
  const unsigned csr = _mm_getcsr();
  if (flush) FlushDenormals();
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  auto* input = static_cast<NTInput*>(client.CreateDevice(DeviceType::Input));
  NTDevWin* device = client.CreateDevice(type);
  for (NTWin* c = device->FirstChild; c; c = c->Next)
    if (auto* in = dynamic_cast<NTPlugIn*>(c)) in->Source = &input->L;
  std::vector<int32_t> sine(kRate);
  for (int n = 0; n < kRate; ++n)
    sine[size_t(n)] = int32_t(60000 * std::sin(2 * std::numbers::pi * 440 * n / kRate));
  size_t n = 0;
  const auto frame = [&](bool loud) {
    input->L.Value = loud ? sine[n++ % sine.size()] : 0;
    device->Latch();
    device->Compute();
  };
  for (int f = 0; f < kRate; ++f) frame(true);
  if (phase == kSilent)
    for (int f = 0; f < kSilentPreroll; ++f) frame(false);
  for (auto _ : state) frame(phase == kLoud);
  state.counters["ns_per_frame"] = benchmark::Counter(
      double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  _mm_setcsr(csr);
}
}  // namespace

BENCHMARK_CAPTURE(Frames, Filter_loud, DeviceType::Filter, kLoud, true);
BENCHMARK_CAPTURE(Frames, Filter_silent, DeviceType::Filter, kSilent, true);
BENCHMARK_CAPTURE(Frames, Vocoder_loud, DeviceType::Vocoder, kLoud, true);
BENCHMARK_CAPTURE(Frames, Vocoder_silent, DeviceType::Vocoder, kSilent, true);
BENCHMARK_CAPTURE(Frames, Filter_silent_unflushed, DeviceType::Filter, kSilent, false);
BENCHMARK_CAPTURE(Frames, Vocoder_silent_unflushed, DeviceType::Vocoder, kSilent, false);
