// Loading and saving the largest patch the reader accepts: 4096 devices; and the start of a
// 3000-oscillator patch: a fresh canvas, the load, the schedule and the first block.
#include <benchmark/benchmark.h>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/registry.h"

namespace {
// Every device type in turn, the Input and Output included, with no wires.
std::vector<uint8_t> LargestPatch(int types) {
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  const std::span<const TDeviceEntry> registry = DeviceRegistry();
  for (int i = 0; i < 4096; ++i) client.CreateDevice(registry[size_t(i % types)].type);
  return client.SaveBytes();
}

void BM_LoadLargestPatch(benchmark::State& state) {
  const auto bytes = LargestPatch(int(state.range(0)));
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  for (auto _ : state) benchmark::DoNotOptimize(client.LoadBytes(bytes));
  state.counters["bytes"] = double(bytes.size());
}
BENCHMARK(BM_LoadLargestPatch)
    ->Arg(int(DeviceRegistry().size()))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_SaveLargestPatch(benchmark::State& state) {
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  client.LoadBytes(LargestPatch(int(DeviceRegistry().size())));
  for (auto _ : state) benchmark::DoNotOptimize(client.SaveBytes());
}
BENCHMARK(BM_SaveLargestPatch)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_StartOscillatorBank(benchmark::State& state) {
  std::vector<uint8_t> bytes;
  {
    HeadlessShell shell;
    TMainClient client(shell, nullptr);
    for (int i = 0; i < 3000; ++i) client.CreateDevice(DeviceType::VCO);
    bytes = client.SaveBytes();
  }
  for (auto _ : state) {
    HeadlessShell shell;
    TMainClient client(shell, nullptr);
    client.LoadBytes(bytes);
    client.ProcessBlock(0, 0);
  }
}
BENCHMARK(BM_StartOscillatorBank)->Unit(benchmark::kMillisecond)->Iterations(5);
}  // namespace
