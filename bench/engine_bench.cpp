// The processing cycle itself: devices that do nothing, and an Input -> Output patch.
#include <benchmark/benchmark.h>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/io.h"
#include "engine/frame_cycle.h"

namespace {
// A device that does nothing: what remains is the engine's own cost.
class Idle : public NTDevWin {
 public:
  explicit Idle(TCanvas* c) : NTDevWin(c, c->Root(), 10, 10, nullptr) {}
};

void BM_IdleDevicesPerDeviceFrame(benchmark::State& state) {
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  std::vector<std::unique_ptr<Idle>> devices;
  for (int i = 0; i < state.range(0); ++i) devices.push_back(std::make_unique<Idle>(&client));
  std::vector<NTDevWin*> list;
  for (auto& d : devices) list.push_back(d.get());
  for (auto _ : state)
    ProcessFrames(list, client.Io(), client.InBlock(0).Data(), client.OutBlock(0).Data(),
                  TSampleBuffer::kFrames);
  state.counters["ns_per_device_frame"] = benchmark::Counter(
      double(state.iterations()) * TSampleBuffer::kFrames * double(state.range(0)),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_IdleDevicesPerDeviceFrame)->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_InputToOutputBlock(benchmark::State& state) {
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  client.Setup();
  auto devices = client.Devices();
  auto* in = static_cast<NTInput*>(devices[0]);
  auto* out = static_cast<NTOutput*>(devices[1]);
  out->L.Source = &in->L;
  out->R.Source = &in->R;
  for (auto _ : state) client.ProcessBlock(0, 0);
  state.counters["ns_per_frame"] =
      benchmark::Counter(double(state.iterations()) * TSampleBuffer::kFrames,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_InputToOutputBlock)->Unit(benchmark::kMicrosecond);
}  // namespace
