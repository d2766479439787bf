// Cost of one frame (Latch + Compute) of each source and utility device, every input fed.
#include <benchmark/benchmark.h>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/vco.h"
#include "engine/plug.h"

namespace {
void Frame(benchmark::State& state, DeviceType type) {
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  // A feeding device whose output holds a steady mid-scale value.
  NTPlugOut& feed = dynamic_cast<NTVCO&>(*client.CreateDevice(DeviceType::VCO)).Out;
  feed.Value = 23456;
  NTDevWin* device = client.CreateDevice(type);
  for (NTWin* c = device->FirstChild; c; c = c->Next)
    if (auto* in = dynamic_cast<NTPlugIn*>(c)) in->Source = &feed;
  for (auto _ : state) {
    device->Latch();
    device->Compute();
    benchmark::ClobberMemory();
  }
}
}  // namespace

BENCHMARK_CAPTURE(Frame, VCO, DeviceType::VCO);
BENCHMARK_CAPTURE(Frame, LFO, DeviceType::LFO);
BENCHMARK_CAPTURE(Frame, Mixer, DeviceType::Mixer);
BENCHMARK_CAPTURE(Frame, Multiplier, DeviceType::Multiplier);
BENCHMARK_CAPTURE(Frame, VUMeter, DeviceType::VUMeter);
