// Typical patches through the compiled schedule and through the frame-by-frame reference cycle,
// in the same run: the showcase example, a mixed patch without loops and one with feedback
// loops. The ratio counter is reference time / schedule time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/random.h"
#include "engine/frame_cycle.h"
#include "engine/plug.h"
#include "platform/denormals.h"

namespace {
template <class T>
T* Nth(NTWin* device, int n) {
  for (NTWin* c = device->FirstChild; c; c = c->Next)
    if (auto* t = dynamic_cast<T*>(c); t && n-- == 0) return t;
  return nullptr;
}

void Wire(NTDevWin* from, int out, NTDevWin* to, int in) {
  Nth<NTPlugIn>(to, in)->Source = Nth<NTPlugOut>(from, out);
}

// Eight VCOs (four swept by LFOs) and the Input through four filters, ring-modulated and mixed,
// one branch through a Flanger and a Hall, into the Output with a VU-Meter and an oscilloscope.
void Mixed(TMainClient& c, bool loops) {
  using T = DeviceType;
  NTDevWin* input = c.CreateDevice(T::Input);
  NTDevWin* output = c.CreateDevice(T::Output);
  std::vector<NTDevWin*> mixers;
  for (int m = 0; m < 4; ++m) mixers.push_back(c.CreateDevice(T::Mixer));
  for (int i = 0; i < 8; ++i) {
    NTDevWin* vco = c.CreateDevice(T::VCO);
    if (i % 2 == 0) Wire(c.CreateDevice(T::LFO), 0, vco, 0);
    Wire(vco, 0, mixers[size_t(i / 4)], i % 4);
  }
  NTDevWin* mult = c.CreateDevice(T::Multiplier);
  for (int i = 0; i < 4; ++i) {
    NTDevWin* filter = c.CreateDevice(T::Filter);
    Wire(i < 2 ? input : mixers[size_t(i - 2)], 0, filter, 0);
    Wire(filter, 0, i < 3 ? mixers[2] : mult, i < 3 ? i : 0);
  }
  Wire(mixers[0], 0, mult, 1);
  NTDevWin* flanger = c.CreateDevice(T::Flanger);
  NTDevWin* hall = c.CreateDevice(T::Hall);
  Wire(mult, 0, flanger, 0);
  Wire(c.CreateDevice(T::LFO), 0, flanger, 1);
  Wire(flanger, 0, hall, 0);
  Wire(mixers[2], 0, mixers[3], 0);
  Wire(hall, 0, mixers[3], 1);
  Wire(mixers[1], 0, mixers[3], 2);
  Wire(mixers[3], 0, output, 0);
  Wire(mixers[3], 0, output, 1);
  Wire(mixers[3], 0, c.CreateDevice(T::VUMeter), 0);
  Wire(mixers[3], 0, c.CreateDevice(T::Oscilloscope), 0);
  if (!loops) return;
  // An echo: the Hall's output filtered back into the Flanger through a mixer, and a VCO that
  // modulates its own pitch.
  NTDevWin* echo = c.CreateDevice(T::Mixer);
  NTDevWin* back = c.CreateDevice(T::Filter);
  Wire(mult, 0, echo, 0);
  Wire(back, 0, echo, 1);
  Wire(echo, 0, flanger, 0);
  Wire(hall, 0, back, 0);
  NTDevWin* vco = c.CreateDevice(T::VCO);
  Wire(vco, 0, vco, 0);
  Wire(vco, 0, mixers[1], 3);
}

std::vector<uint8_t> Showcase() {
  std::ifstream f(QUARVIN_EXAMPLES "/showcase.qvn", std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

std::vector<uint8_t> Built(bool loops) {
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  ResetRandom();
  Mixed(client, loops);
  return client.SaveBytes();
}

// Two canvases with the patch loaded alike, fed the same noise; each iteration runs one block
// through each path.
void BM_TypicalPatch(benchmark::State& state, std::vector<uint8_t> (*patch)()) {
  FlushDenormals();
  const std::vector<uint8_t> bytes = patch();
  HeadlessShell shell;
  TMainClient scheduled(shell, nullptr), reference(shell, nullptr);
  for (TMainClient* c : {&scheduled, &reference}) {
    ResetRandom();
    if (!c->LoadBytes(bytes)) state.SkipWithError("the patch does not load");
    std::mt19937 noise(1);
    for (int n = 0; n < TSampleBuffer::kFrames * 2; ++n)
      c->InBlock(0).Data()[n] = int16_t(std::uniform_int_distribution<int>(-32768, 32767)(noise));
  }
  const auto devices = reference.Devices();
  std::chrono::duration<double> viaSchedule{}, viaReference{};
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    scheduled.ProcessBlock(0, 0);
    const auto t1 = std::chrono::steady_clock::now();
    ProcessFrames(devices, reference.Io(), reference.InBlock(0).Data(),
                  reference.OutBlock(0).Data(), TSampleBuffer::kFrames);
    viaReference += std::chrono::steady_clock::now() - t1;
    viaSchedule += t1 - t0;
  }
  if (!scheduled.Scheduled()) state.SkipWithError("the schedule was not used");
  const double blocks = double(state.iterations());
  state.counters["devices"] = double(devices.size());
  state.counters["schedule_us_per_block"] = viaSchedule.count() * 1e6 / blocks;
  state.counters["reference_us_per_block"] = viaReference.count() * 1e6 / blocks;
  state.counters["ratio"] = viaReference / viaSchedule;
}
BENCHMARK_CAPTURE(BM_TypicalPatch, showcase, Showcase)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TypicalPatch, mixed, [] {
  return Built(false);
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TypicalPatch, feedback, [] {
  return Built(true);
})->Unit(benchmark::kMillisecond);
}  // namespace
