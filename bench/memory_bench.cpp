// Memory per device: the object itself (sizeof) and everything creating one allocates on the heap
// (its child windows, its panel background of W x H pixels, its DSP state such as the Hall's
// delay lines and the Oscilloscope's buffers). Shown as counters; the time is that of creating
// and deleting one device.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/filter.h"
#include "devices/flanger.h"
#include "devices/hall.h"
#include "devices/io.h"
#include "devices/lfo.h"
#include "devices/mixer.h"
#include "devices/mult.h"
#include "devices/osci.h"
#include "devices/vco.h"
#include "devices/vocoder.h"
#include "devices/vumeter.h"

namespace {
// Bytes currently allocated through operator new. Each block is preceded by one alignment unit
// whose last two words hold the size asked for and the alignment.
std::atomic<long> live{0};

void* Allocate(size_t n, size_t align) {
  align = std::max(align, alignof(std::max_align_t));
  auto* block = static_cast<char*>(std::aligned_alloc(align, (n + 2 * align - 1) / align * align));
  if (!block) throw std::bad_alloc();
  auto* words = reinterpret_cast<size_t*>(block + align);
  words[-1] = n;
  words[-2] = align;
  live.fetch_add(long(n), std::memory_order_relaxed);
  return block + align;
}

void Release(void* p) noexcept {
  if (!p) return;
  const auto* words = static_cast<const size_t*>(p);
  live.fetch_sub(long(words[-1]), std::memory_order_relaxed);
  std::free(static_cast<char*>(p) - words[-2]);
}
}  // namespace

void* operator new(size_t n) {
  return Allocate(n, 0);
}
void* operator new[](size_t n) {
  return Allocate(n, 0);
}
void* operator new(size_t n, std::align_val_t a) {
  return Allocate(n, size_t(a));
}
void* operator new[](size_t n, std::align_val_t a) {
  return Allocate(n, size_t(a));
}
void operator delete(void* p) noexcept {
  Release(p);
}
void operator delete[](void* p) noexcept {
  Release(p);
}
void operator delete(void* p, size_t) noexcept {
  Release(p);
}
void operator delete[](void* p, size_t) noexcept {
  Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  Release(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
  Release(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
  Release(p);
}

namespace {
template <class Device>
void Memory(benchmark::State& state, DeviceType type) {
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  // Shared tables and the device array's capacity are allocated by the first device of a kind.
  client.DeleteDevice(client.CreateDevice(type));
  long heap = 0;
  for (auto _ : state) {
    const long before = live.load();
    NTDevWin* d = client.CreateDevice(type);
    heap = live.load() - before;
    client.DeleteDevice(d);
  }
  state.counters["sizeof"] = double(sizeof(Device));
  state.counters["heap_bytes"] = double(heap);
}

// Registered in type-number order.
[[maybe_unused]] const bool registered = [] {
  benchmark::RegisterBenchmark("Memory/Output", Memory<NTOutput>, DeviceType::Output);
  benchmark::RegisterBenchmark("Memory/Input", Memory<NTInput>, DeviceType::Input);
  benchmark::RegisterBenchmark("Memory/VCO", Memory<NTVCO>, DeviceType::VCO);
  benchmark::RegisterBenchmark("Memory/LFO", Memory<NTLFO>, DeviceType::LFO);
  benchmark::RegisterBenchmark("Memory/Hall", Memory<NTHall>, DeviceType::Hall);
  benchmark::RegisterBenchmark("Memory/Flanger", Memory<NTFlanger>, DeviceType::Flanger);
  benchmark::RegisterBenchmark("Memory/Filter", Memory<NTFilter>, DeviceType::Filter);
  benchmark::RegisterBenchmark("Memory/Mixer", Memory<NTMixer>, DeviceType::Mixer);
  benchmark::RegisterBenchmark("Memory/Multiplier", Memory<NTMult>, DeviceType::Multiplier);
  benchmark::RegisterBenchmark("Memory/VUMeter", Memory<NTVUMeter>, DeviceType::VUMeter);
  benchmark::RegisterBenchmark("Memory/Oscilloscope", Memory<NTOsci>, DeviceType::Oscilloscope);
  benchmark::RegisterBenchmark("Memory/Vocoder", Memory<NTVocoder>, DeviceType::Vocoder);
  return true;
}();
}  // namespace
