// Every device type's kernel against its own frame cycle: a block of any length computes exactly
// what single frames compute. Each registry entry runs through the compiled schedule beside a twin
// run frame by frame, fed by sources of chosen values, in runs of every length from 1 to a whole
// sub-block, with its controls now at their ends, now anywhere, now beyond them (a damaged file).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <numeric>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "device_support.h"
#include "devices/kernels.h"
#include "devices/random.h"
#include "devices/registry.h"
#include "devices/tables.h"
#include "engine/frame_cycle.h"
#include "engine/schedule.h"
#include "platform/signal_units.h"
#include "toolkit/key.h"
#include "toolkit/reg.h"

// A case names its device type.
void PrintTo(const TDeviceEntry& e, std::ostream* os) {
  *os << e.name;
}

namespace {
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// A test device on both sides of the device under test: it publishes given values, one a frame,
// and records what its input latches each frame, in both forms.
class Probe : public TestSource {
 public:
  Probe(TCanvas* canvas, NTWin* parent)
      : TestSource(canvas, parent), In(canvas, this, bmp::kJackBlue, "In") {}
  void Latch() noexcept override {
    In.Latch();
    Seen.push_back(In.Value);
  }
  void Compute() noexcept override { Out.Value = Values[At++]; }
  void Block(const TSubBlock& b, const TPorts& ports) noexcept {
    std::copy_n(Values.begin() + ptrdiff_t(At), b.Frames, b.Publish(ports.Out[0]));
    At += size_t(b.Frames);
    Seen.insert(Seen.end(), b.Row(ports.In[0]), b.Row(ports.In[0]) + b.Frames);
  }

  NTPlugIn In;
  std::vector<int32_t> Values, Seen;
  size_t At = 0;
};

const TKernel* KernelOf(DeviceType type) {
  return type == DeviceType::None ? &BlockKernel<Probe, TKernel::Latch::Zero>()
                                  : DeviceKernel(type);
}

// How the device's inputs are wired: each to a source of its own; the first to the device's own
// first output (a loop of one device, the rest from sources); every other one left open.
enum class Wiring { Sources, ItselfFirst, SomeOpen };

// The device under test with a probe feeding each input and one watching each output (a probe
// that did both would close a loop around the device).
struct Bench {
  Bench(DeviceType type, Wiring wiring) {
    ResetRandom();  // the same Hall combs on both benches
    device.reset(MakeDevice(type, &canvas, canvas.Root()));
    const auto ins = Children<NTPlugIn>(*device);
    const auto outs = Children<NTPlugOut>(*device);
    for (size_t k = 0; k < ins.size() + outs.size(); ++k)
      probes.push_back(std::make_unique<Probe>(&canvas, canvas.Root()));
    for (size_t k = 0; k < ins.size(); ++k)
      if (wiring == Wiring::ItselfFirst && k == 0 && !outs.empty())
        ins[k]->Source = outs[0];
      else if (wiring != Wiring::SomeOpen || k % 2 == 1)
        ins[k]->Source = &probes[k]->Out;
    for (size_t k = 0; k < outs.size(); ++k) probes[ins.size() + k]->In.Source = outs[k];
    for (NTWin* w = canvas.Root()->FirstChild; w; w = w->Next)
      devices.push_back(static_cast<NTDevWin*>(w));
    // A wiring that cannot differ from the first for a device without inputs or outputs.
    redundant = wiring != Wiring::Sources &&
                (ins.empty() || (wiring == Wiring::ItselfFirst && outs.empty()));
  }
  std::vector<uint8_t> Saved() { return Record(*canvas.Root()); }

  TestCanvas canvas;
  std::unique_ptr<NTDevWin> device;
  std::vector<std::unique_ptr<Probe>> probes;
  std::vector<NTDevWin*> devices;
  bool redundant = false;
};

class Differential : public ::testing::Test {
 protected:
  // A value for a control: one of its ends, its default, anywhere between, or now and then
  // beyond its range.
  int32_t Setting(const NTReg& r) {
    switch (Draw(0, 9)) {
      case 0:
      case 1:
        return r.Min;
      case 2:
      case 3:
        return r.Max;
      case 4:
        return Draw(0, 1) ? kMin : kMax;
      case 5:
        return Draw(0, 1) ? r.Min - 1 : r.Max + 1;
      default:
        return Draw(r.Min, r.Max);
    }
  }
  // Moves the same controls of both devices the same way, as the window thread would.
  // With fixed settings, every slider takes its own, in child order.
  void SetControls(NTDevWin& a, NTDevWin& b) {
    const auto regsA = Children<NTReg>(a), regsB = Children<NTReg>(b);
    for (size_t i = 0; i < regsA.size(); ++i) {
      if (fixed_.empty() && Draw(0, 3) == 0) continue;
      const int32_t v = fixed_.empty() ? Setting(*regsA[i]) : fixed_.at(i);
      regsA[i]->SetValue(v), regsB[i]->SetValue(v);
      a.RegChanged(regsA[i]->Code), b.RegChanged(regsB[i]->Code);
    }
    const auto setsA = Children<NTKeyset>(a), setsB = Children<NTKeyset>(b);
    for (size_t i = 0; i < setsA.size(); ++i) {
      const int32_t key = Draw(0, setsA[i]->Count - 1);
      setsA[i]->Selected = key;
      setsB[i]->Selected = key;
      a.CtrlNotify(setsA[i]->Code), b.CtrlNotify(setsB[i]->Code);
    }
    const auto keysA = Children<NTKey>(a), keysB = Children<NTKey>(b);
    for (size_t i = 0; i < keysA.size(); ++i) {
      const int32_t state = Draw(0, 1);
      keysA[i]->State = state;
      keysB[i]->State = state;
    }
  }
  // A source's values: a sound's range, the whole 32 bits, or a constant, with ends now and then.
  std::vector<int32_t> Signal(size_t n) {
    std::vector<int32_t> v(n);
    const int style = Draw(0, 3);
    const int32_t constant = std::array{kMin, kMax, 0, 65536}[size_t(Draw(0, 3))];
    for (int32_t& x : v)
      x = Draw(0, 15) == 0 ? (Draw(0, 1) ? kMin : kMax)
          : style == 0     ? Draw(kMin, kMax)
          : style == 1     ? constant
                           : Draw(-65536, 65536);
    return v;
  }
  int Draw(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  void BlocksComputeExactlyWhatSingleFramesCompute(const TDeviceEntry& entry, Wiring wiring);

  std::mt19937 rng_{31};
  std::vector<int32_t> fixed_;  // the sliders' settings, or none: random ones
};

void Differential::BlocksComputeExactlyWhatSingleFramesCompute(const TDeviceEntry& entry,
                                                               Wiring wiring) {
  Bench scheduled(entry.type, wiring), reference(entry.type, wiring);
  if (scheduled.redundant) GTEST_SKIP() << "the same as the wiring from sources";
  const auto s = TSchedule::Compile(scheduled.devices, KernelOf, 0);
  ASSERT_TRUE(s) << entry.name << " has no kernel";

  // Runs of every length once, in a random order.
  constexpr int kLongest = THistories::kFrames;
  std::vector<int> runs(kLongest);
  std::iota(runs.begin(), runs.end(), 1);
  std::shuffle(runs.begin(), runs.end(), rng_);
  const size_t total = size_t(kLongest) * (kLongest + 1) / 2;
  for (size_t k = 0; k < scheduled.probes.size(); ++k) {
    scheduled.probes[k]->Values = reference.probes[k]->Values = Signal(total);
    scheduled.probes[k]->Seen.reserve(total);
    reference.probes[k]->Seen.reserve(total);
  }
  std::vector<int16_t> in(2 * total), outA(2 * kLongest), outB(2 * kLongest);
  for (int16_t& x : in) x = int16_t(Draw(-32768, 32767));

  size_t at = 0;
  for (size_t piece = 0; piece < runs.size(); ++piece) {
    const int n = runs[piece];
    if (piece % 16 == 0) SetControls(*scheduled.device, *reference.device);
    ASSERT_EQ(s->Run(scheduled.canvas.io, &in[2 * at], outA.data(), n), n);
    ProcessFrames(reference.devices, reference.canvas.io, &in[2 * at], outB.data(), n);
    const std::string where = std::string("the ") + entry.name + " kernel, a run of " +
                              std::to_string(n) + " frames from frame " + std::to_string(at);
    ASSERT_TRUE(std::equal(outA.begin(), outA.begin() + 2 * n, outB.begin()))
        << where << ": the sound-card frames differ";
    for (size_t k = 0; k < scheduled.probes.size(); ++k) {
      const auto& seen = scheduled.probes[k]->Seen;
      const auto [a, b] = std::ranges::mismatch(seen, reference.probes[k]->Seen);
      ASSERT_TRUE(a == seen.end()) << where << ": probe " << k << " saw a difference in frame "
                                   << a - seen.begin() << ", " << *a << " instead of " << *b;
    }
    ASSERT_EQ(scheduled.Saved(), reference.Saved()) << where << ": the saved state differs";
    // A tick between blocks: meters and scopes take what the frames left them.
    scheduled.device->Tick();
    reference.device->Tick();
    at += size_t(n);
  }
  const auto paint = [](Bench& b) {
    Dc dc(b.canvas.pixels);
    PaintWalk(b.canvas.Root(), dc);
    return b.canvas.pixels.Pixels();
  };
  EXPECT_TRUE(paint(scheduled) == paint(reference)) << "the " << entry.name << " panels differ";
}

class KernelTest : public Differential,
                   public ::testing::WithParamInterface<std::tuple<TDeviceEntry, Wiring>> {};

TEST_P(KernelTest, BlocksComputeExactlyWhatSingleFramesCompute) {
  const auto& [entry, wiring] = GetParam();
  BlocksComputeExactlyWhatSingleFramesCompute(entry, wiring);
}

// A case's name: its device type's or form's, then its wiring.
template <class Param>
std::string CaseName(const ::testing::TestParamInfo<Param>& info) {
  static const char* const kWirings[] = {"fromSources", "firstFromItself", "someOpen"};
  return std::string(std::get<0>(info.param).name) + "_" + kWirings[int(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(
    Registry, KernelTest,
    ::testing::Combine(::testing::ValuesIn(DeviceRegistry().begin(), DeviceRegistry().end()),
                       ::testing::Values(Wiring::Sources, Wiring::ItselfFirst, Wiring::SomeOpen)),
    CaseName<KernelTest::ParamType>);

// The Mixer's forms, each chosen by its levels (channels 1..4, then the master): the whole 32-bit
// sum when every level is at 0 dB, the gains' products otherwise; wired as every device is.
struct MixerForm {
  const char* name;
  std::vector<int32_t> levels;
};
void PrintTo(const MixerForm& f, std::ostream* os) {
  *os << f.name;
}

class MixerFormTest : public Differential,
                      public ::testing::WithParamInterface<std::tuple<MixerForm, Wiring>> {};

TEST_P(MixerFormTest, BlocksComputeExactlyWhatSingleFramesCompute) {
  const auto& [form, wiring] = GetParam();
  fixed_ = form.levels;
  BlocksComputeExactlyWhatSingleFramesCompute(*FindDevice(DeviceType::Mixer), wiring);
}

constexpr int32_t k0dB = kUnityLevel, kLoud = kLevelMax, kQuiet = kUnityLevel - 100;
INSTANTIATE_TEST_SUITE_P(
    Levels, MixerFormTest,
    ::testing::Combine(::testing::Values(MixerForm{"all0dB", {k0dB, k0dB, k0dB, k0dB, k0dB}},
                                         MixerForm{"channels0dB", {k0dB, k0dB, k0dB, k0dB, kQuiet}},
                                         MixerForm{"master0dB", {k0dB, kLoud, 0, k0dB, k0dB}},
                                         MixerForm{"loud", {kLoud, kLoud, kLoud, kLoud, kLoud}}),
                       ::testing::Values(Wiring::Sources, Wiring::ItselfFirst, Wiring::SomeOpen)),
    CaseName<MixerFormTest::ParamType>);
}  // namespace
