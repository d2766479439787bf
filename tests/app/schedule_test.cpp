// The compiled schedule against the frame-by-frame cycle: random patches of every device type,
// wiring (fan-out, chains, loops of every length, self-connections, open inputs) and control
// setting run through both; every output sample and every saved byte must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/filter.h"
#include "devices/io.h"
#include "devices/random.h"
#include "devices/registry.h"
#include "engine/plug.h"
#include "platform/art.h"
#include "platform/denormals.h"
#include "toolkit/key.h"
#include "toolkit/reg.h"

namespace {
constexpr int kTypes = 12;

template <class T>
std::vector<T*> Children(NTWin* w) {
  std::vector<T*> found;
  for (NTWin* c = w->FirstChild; c; c = c->Next)
    if (auto* t = dynamic_cast<T*>(c)) found.push_back(t);
  return found;
}

class PatchMaker {
 public:
  explicit PatchMaker(uint32_t seed) : rng_(seed) {}

  // A patch of 2..60 random devices with random controls and wiring, as saved bytes.
  std::vector<uint8_t> Make(TMainClient& client) {
    client.DeleteAllDevices();
    ResetRandom();
    const int count = Uniform(2, 60);
    for (int i = 0; i < count; ++i) client.CreateDevice(DeviceType(Uniform(1, kTypes)));
    for (NTDevWin* d : client.Devices()) SetControls(*d);
    Wire(client.Devices());
    return client.SaveBytes();
  }

  // Rewires a few inputs the same way in both patches (same device list, same order).
  void Rewire(TMainClient& a, TMainClient& b) {
    const auto da = a.Devices(), db = b.Devices();
    const auto ins = Inputs(da), insB = Inputs(db);
    const auto outs = Outputs(da), outsB = Outputs(db);
    if (ins.empty()) return;
    for (int n = Uniform(1, 4); n > 0; --n) {
      const size_t i = size_t(Uniform(0, int(ins.size()) - 1));
      const int o = outs.empty() || Uniform(0, 2) == 0 ? -1 : Uniform(0, int(outs.size()) - 1);
      ins[i]->Source = o < 0 ? nullptr : outs[size_t(o)];
      insB[i]->Source = o < 0 ? nullptr : outsB[size_t(o)];
    }
  }

  // Noise, now and then at full scale.
  void Fill(TSampleBuffer& in) {
    const bool loud = Uniform(0, 3) == 0;
    for (int i = 0; i < 2 * TSampleBuffer::kFrames; ++i)
      in.Data()[i] = loud && Uniform(0, 9) == 0 ? int16_t(Uniform(0, 1) ? 32767 : -32768)
                                                : int16_t(Uniform(-32768, 32767));
  }

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

 private:
  static std::vector<NTPlugIn*> Inputs(const std::vector<NTDevWin*>& devices) {
    std::vector<NTPlugIn*> all;
    for (NTDevWin* d : devices)
      for (NTPlugIn* in : Children<NTPlugIn>(d)) all.push_back(in);
    return all;
  }
  static std::vector<NTPlugOut*> Outputs(const std::vector<NTDevWin*>& devices) {
    std::vector<NTPlugOut*> all;
    for (NTDevWin* d : devices)
      for (NTPlugOut* out : Children<NTPlugOut>(d)) all.push_back(out);
    return all;
  }

  // Each slider at its minimum, its maximum or anywhere between; each key set anywhere.
  void SetControls(NTDevWin& d) {
    for (NTReg* r : Children<NTReg>(&d)) {
      const int pick = Uniform(0, 3);
      r->SetValue(pick == 0 ? r->Min : pick == 1 ? r->Max : Uniform(r->Min, r->Max));
      d.RegChanged(r->Code);
    }
    for (NTKeyset* k : Children<NTKeyset>(&d)) {
      k->Selected = Uniform(0, k->Count - 1);
      d.CtrlNotify(k->Code);
    }
    for (NTKey* k : Children<NTKey>(&d)) k->State = Uniform(0, 1);
  }

  // One of three styles: anything to anything (loops everywhere), a chain in a random order with
  // one loop of random length closed over it, or sparse.
  void Wire(const std::vector<NTDevWin*>& devices) {
    const auto ins = Inputs(devices);
    const auto outs = Outputs(devices);
    if (outs.empty()) return;
    const auto any = [&] { return outs[size_t(Uniform(0, int(outs.size()) - 1))]; };
    switch (Uniform(0, 2)) {
      case 0:
        for (NTPlugIn* in : ins)
          if (Uniform(0, 4)) in->Source = any();
        break;
      case 1: {
        std::vector<size_t> order(devices.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::shuffle(order.begin(), order.end(), rng_);
        std::vector<size_t> rank(order.size());
        for (size_t r = 0; r < order.size(); ++r) rank[order[r]] = r;
        // Every input from an output of a device earlier in the order: no loops yet.
        for (size_t i = 0; i < devices.size(); ++i)
          for (NTPlugIn* in : Children<NTPlugIn>(devices[i])) {
            std::vector<NTPlugOut*> earlier;
            for (size_t j = 0; j < devices.size(); ++j)
              if (rank[j] < rank[i])
                for (NTPlugOut* o : Children<NTPlugOut>(devices[j])) earlier.push_back(o);
            if (!earlier.empty() && Uniform(0, 5))
              in->Source = earlier[size_t(Uniform(0, int(earlier.size()) - 1))];
          }
        // A loop through 1..n devices that have an input and an output.
        std::vector<NTDevWin*> ring;
        for (size_t r : order)
          if (!Children<NTPlugIn>(devices[r]).empty() && !Children<NTPlugOut>(devices[r]).empty())
            ring.push_back(devices[r]);
        if (ring.empty()) break;
        ring.resize(size_t(Uniform(1, int(ring.size()))));
        for (size_t k = 0; k < ring.size(); ++k) {
          auto ringIns = Children<NTPlugIn>(ring[k]);
          auto ringOuts = Children<NTPlugOut>(ring[(k + 1) % ring.size()]);
          ringIns[size_t(Uniform(0, int(ringIns.size()) - 1))]->Source =
              ringOuts[size_t(Uniform(0, int(ringOuts.size()) - 1))];
        }
        break;
      }
      default:
        for (NTPlugIn* in : ins)
          if (Uniform(0, 3) == 0) in->Source = any();
    }
  }

  std::mt19937 rng_;
};

// A canvas for many patches in turn. It keeps every picture, as drawing one takes longer than
// a patch takes to run.
struct Canvas {
  Canvas() {
    for (int b = 1; b < bmp::kCount; ++b) client.Bitmaps().Acquire(b);
  }
  // Loads a patch with the Hall lengths of a first load.
  void Load(const std::vector<uint8_t>& bytes) {
    ResetRandom();
    EXPECT_TRUE(client.LoadBytes(bytes));
  }
  HeadlessShell shell;
  TMainClient client{shell, nullptr};
};

// Runs frames through a freshly compiled schedule in sub-blocks of random lengths.
void RunInPieces(TMainClient& client, PatchMaker& patch, const int16_t* in, int16_t* out,
                 int frames) {
  const auto s = TSchedule::Compile(client.Devices(), DeviceKernel, 0);
  ASSERT_TRUE(s && s->Current());
  for (int f = 0; f < frames;) {
    const int n = std::min(frames - f, patch.Uniform(1, THistories::kFrames));
    s->Run(client.Io(), in + 2 * f, out + 2 * f, n);
    f += n;
  }
}

TEST(Schedule, EveryRandomPatchMatchesTheFrameByFrameCycle) {
  FlushDenormals();
  const char* env = std::getenv("QUARVIN_SCHEDULE_PATCHES");
  const int patches = env ? std::atoi(env) : 2000;
  Canvas maker, scheduled, reference;
  TMainClient& a = scheduled.client;
  TMainClient& b = reference.client;
  for (int p = 0; p < patches; ++p) {
    SCOPED_TRACE("patch seed " + std::to_string(p));
    PatchMaker patch{uint32_t(p)};
    const auto bytes = patch.Make(maker.client);
    scheduled.Load(bytes);
    reference.Load(bytes);
    for (int round = 0; round < 3; ++round) {
      patch.Fill(a.InBlock(0));
      const int16_t* in = a.InBlock(0).Data();
      std::copy(in, in + 2 * TSampleBuffer::kFrames, b.InBlock(0).Data());
      // Now and then a whole block the way the audio thread runs it; else a few hundred frames.
      int frames = TSampleBuffer::kFrames;
      if (p % 16 == 0) {
        a.ProcessBlock(0, 0);
        ASSERT_TRUE(a.Scheduled());
        ProcessFrames(b.Devices(), b.Io(), b.InBlock(0), b.OutBlock(0));
      } else {
        frames = patch.Uniform(1, 300);
        RunInPieces(a, patch, in, a.OutBlock(0).Data(), frames);
        ProcessFrameRange(b.Devices(), b.Io(), in, b.OutBlock(0).Data(), frames);
      }
      ASSERT_TRUE(
          std::equal(a.OutBlock(0).Data(), a.OutBlock(0).Data() + 2 * frames, b.OutBlock(0).Data()))
          << "round " << round;
      ASSERT_EQ(a.SaveBytes(), b.SaveBytes()) << "round " << round;
      a.Timer();
      b.Timer();
      patch.Rewire(a, b);
      a.Reschedule();
    }
  }
}

// Many Filters on a few sources: groups of one source and of several, spare lanes, sub-blocks of
// every length, and every fifth Filter unstable, doubling each frame until it saturates and then
// overflows. A second rank of Filters reads every first-rank output, so each published frame
// reaches a saved history.
TEST(Schedule, AFilterBankMatchesTheFrameByFrameCycle) {
  FlushDenormals();
  Canvas maker, scheduled, reference;
  TMainClient& m = maker.client;
  auto* input = static_cast<NTInput*>(m.CreateDevice(DeviceType::Input));
  NTPlugOut* vco = Children<NTPlugOut>(m.CreateDevice(DeviceType::VCO))[0];
  NTPlugOut* const sources[] = {&input->L, &input->L, &input->R, vco,
                                nullptr,   &input->L, &input->L};
  PatchMaker patch{7};
  const auto filter = [&](NTPlugOut* source, int i) {
    auto* f = static_cast<NTFilter*>(m.CreateDevice(DeviceType::Filter));
    f->In.Source = source;
    const bool wild = i % 5 == 4;
    f->FilterKind = wild ? NTFilter::BandPassKind + i % 2 : i % 4;
    for (NTReg* r : {&f->Freq, &f->Q}) r->SetValue(patch.Uniform(r->Min, r->Max));
    if (wild) f->Freq.SetValue(f->Freq.Max), f->Q.SetValue(f->Q.Min);
    return &f->Out;
  };
  std::vector<NTPlugOut*> first;
  for (int i = 0; i < 23; ++i) first.push_back(filter(sources[i % std::size(sources)], i));
  for (int i = 0; i < 23; ++i) filter(first[size_t(i)], i + 1);
  const auto bytes = m.SaveBytes();
  scheduled.Load(bytes);
  reference.Load(bytes);
  TMainClient& a = scheduled.client;
  TMainClient& b = reference.client;
  for (int round = 0; round < 4; ++round) {
    patch.Fill(a.InBlock(0));
    const int16_t* in = a.InBlock(0).Data();
    RunInPieces(a, patch, in, a.OutBlock(0).Data(), 1000);
    ProcessFrameRange(b.Devices(), b.Io(), in, b.OutBlock(0).Data(), 1000);
    ASSERT_EQ(a.SaveBytes(), b.SaveBytes()) << "round " << round;
  }
}

TEST(Schedule, LoopsRunFrameByFrameAndTheRestInBatches) {
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  auto d = [&](DeviceType type) { return client.CreateDevice(type); };
  NTDevWin *vco = d(DeviceType::VCO), *filter = d(DeviceType::Filter),
           *mixer = d(DeviceType::Mixer), *hall = d(DeviceType::Hall);
  Children<NTPlugIn>(filter)[0]->Source = Children<NTPlugOut>(vco)[0];
  Children<NTPlugIn>(mixer)[0]->Source = Children<NTPlugOut>(filter)[0];
  Children<NTPlugIn>(hall)[0]->Source = Children<NTPlugOut>(hall)[0];
  auto s = TSchedule::Compile(client.Devices(), DeviceKernel, 0);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->BatchSteps(), 3u);  // one level each
  EXPECT_EQ(s->FrameSteps(), 1u);  // the Hall on itself
  // A filter feeding itself joins the frame-by-frame group.
  Children<NTPlugIn>(filter)[0]->Source = Children<NTPlugOut>(mixer)[0];
  EXPECT_FALSE(s->Current());
  s = TSchedule::Compile(client.Devices(), DeviceKernel, 0);
  EXPECT_EQ(s->BatchSteps(), 1u);  // the VCO
  EXPECT_EQ(s->FrameSteps(), 1u);  // the loop beside the Hall: neither feeds the other
}
}  // namespace
