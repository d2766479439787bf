#pragma once
// The compiled schedule against the frame-by-frame cycle: random patches of every device type,
// wiring (fan-out, chains, loops of every length, self-connections, open inputs), control
// setting and MIDI events run through both; every output sample and every saved byte must agree.
// Shared by the differential test and its fuzz target.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/osci.h"
#include "devices/random.h"
#include "devices/registry.h"
#include "engine/frame_cycle.h"
#include "engine/plug.h"
#include "engine/schedule.h"
#include "platform/art.h"
#include "toolkit/key.h"
#include "toolkit/reg.h"

namespace quarvin_fuzz {
template <class T>
inline std::vector<T*> Children(NTWin* w) {
  std::vector<T*> found;
  for (NTWin* c = w->FirstChild; c; c = c->Next)
    if (auto* t = dynamic_cast<T*>(c)) found.push_back(t);
  return found;
}

// Random words: the given bytes first (so that a fuzzer's changes to them change the patch),
// then a generator seeded from them.
class TDraws {
 public:
  using result_type = uint32_t;
  static constexpr result_type min() { return 0; }
  static constexpr result_type max() { return UINT32_MAX; }

  explicit TDraws(uint32_t seed) : rng_(seed) {}
  TDraws(const uint8_t* data, size_t size) : bytes_(data, data + size), rng_(Hash(bytes_)) {}

  result_type operator()() {
    if (at_ + 4 > bytes_.size()) return rng_();
    result_type word = 0;
    for (int k = 0; k < 4; ++k) word = word << 8 | bytes_[at_++];
    return word;
  }

 private:
  static uint32_t Hash(const std::vector<uint8_t>& bytes) {
    uint32_t h = 2166136261u;
    for (uint8_t b : bytes) h = (h ^ b) * 16777619u;
    return h;
  }
  std::vector<uint8_t> bytes_;
  size_t at_ = 0;
  std::mt19937 rng_;
};

class PatchMaker {
 public:
  explicit PatchMaker(TDraws draws) : rng_(std::move(draws)) {}

  // A patch of 2..60 random devices with random controls and wiring, as saved bytes.
  std::vector<uint8_t> Make(TMainClient& client) {
    client.DeleteAllDevices();
    ResetRandom();
    const int count = Uniform(2, 60);
    const auto types = DeviceRegistry();
    for (int i = 0; i < count; ++i)
      client.CreateDevice(types[size_t(Uniform(0, int(types.size()) - 1))].type);
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

  // A few MIDI messages of every kind on channels 1 to 4 within the first `frames` frames after
  // clock frame `clock`, in time order.
  std::vector<TMidiEvent> Events(int64_t clock, int frames) {
    std::vector<TMidiEvent> events(size_t(Uniform(0, 24)));
    for (TMidiEvent& e : events)
      e = {clock + Uniform(0, frames - 1), uint8_t(Uniform(0x80, 0xE3)), uint8_t(Uniform(0, 127)),
           uint8_t(Uniform(0, 127))};
    std::ranges::sort(events, {}, &TMidiEvent::Frame);
    return events;
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

  // Each slider at its minimum, its maximum, its default (0 dB for levels, where kernels skip the
  // gain) or anywhere between; each key set anywhere.
  void SetControls(NTDevWin& d) {
    for (NTReg* r : Children<NTReg>(&d)) {
      const int pick = Uniform(0, 3);
      if (pick == 3) continue;
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

  TDraws rng_;
};

// A canvas for many patches in turn. It keeps every picture, as drawing one takes longer than
// a patch takes to run.
struct Canvas {
  Canvas() {
    for (int b = 1; b < bmp::kCount; ++b) client.Bitmaps().Acquire(b);
    client.SetMidi(&midi);
  }
  // Loads a patch with the Hall lengths of a first load.
  bool Load(const std::vector<uint8_t>& bytes) {
    ResetRandom();
    return client.LoadBytes(bytes).kind == TMainClient::LoadResult::Complete;
  }
  HeadlessShell shell;
  TMidiQueue midi;
  TMainClient client{shell, nullptr};
};

// Runs frames through a freshly compiled schedule in pieces of random lengths, some of them
// longer than a sub-block; false when it did not run them all.
inline bool RunInPieces(TMainClient& client, PatchMaker& patch, const int16_t* in, int16_t* out,
                        int frames) {
  const auto s = TSchedule::Compile(client.Devices(), DeviceKernel, 0, client.Threads());
  if (!s || !s->Current()) return false;
  for (int f = 0; f < frames;) {
    const int n = std::min(frames - f, patch.Uniform(1, 2 * THistories::kFrames));
    if (s->Run(client.Io(), in + 2 * f, out + 2 * f, n, client.Crew()) != n) return false;
    f += n;
  }
  return true;
}

// Three canvases: one to make patches on, one running them through the schedule, one through the
// frame-by-frame reference.
struct Canvases {
  Canvas maker, scheduled, reference;
  std::vector<TMidiEvent> events;  // the round's
};

// Makes a patch and runs it through both for three rounds, rewiring between them: whole blocks
// the way the audio thread runs them, or a few hundred frames in pieces. Returns what differed
// first, or nothing.
// Whether each oscilloscope of a shows the recording its twin in b shows.
inline bool SameRecordings(TMainClient& a, TMainClient& b) {
  for (size_t i = 0; i < a.Devices().size(); ++i) {
    const auto* x = dynamic_cast<const NTOsci*>(a.Devices()[i]);
    const auto* y = dynamic_cast<const NTOsci*>(b.Devices()[i]);
    if (x && !(y && (x->Shown() ? y->Shown() && *x->Shown() == *y->Shown() : !y->Shown())))
      return false;
  }
  return true;
}

// threads > 1: the schedule's levels are shared by that many threads, every level of more than
// one step handed over however small.
inline std::string CompareSchedule(Canvases& c, PatchMaker& patch, bool wholeBlocks,
                                   int threads = 1) {
  TMainClient& a = c.scheduled.client;
  TMainClient& b = c.reference.client;
  if (a.Threads() != threads)
    a.UseCrew(threads > 1 ? std::make_unique<TScheduleCrew>(threads, std::chrono::nanoseconds(0))
                          : nullptr);
  const auto bytes = patch.Make(c.maker.client);
  if (!c.scheduled.Load(bytes) || !c.reference.Load(bytes)) return "the patch does not load";
  for (int round = 0; round < 3; ++round) {
    const std::string when = " in round " + std::to_string(round);
    patch.Fill(a.InBlock(0));
    const int16_t* in = a.InBlock(0).Data();
    std::copy(in, in + 2 * TSampleBuffer::kFrames, b.InBlock(0).Data());
    int frames = wholeBlocks ? TSampleBuffer::kFrames : patch.Uniform(1, 300);
    // The same events: through the scheduled canvas's MIDI queue for a whole block, at the
    // input's frames of the block just completed, and straight to the rest.
    if (a.Io().Clock != b.Io().Clock) return "the clocks differ" + when;
    c.events = patch.Events(b.Io().Clock, frames);
    b.Io().Midi = c.events;
    if (wholeBlocks) {
      for (TMidiEvent e : c.events) {
        e.Frame -= b.Io().Clock;
        c.scheduled.midi.Push(e);
      }
      c.scheduled.midi.CompleteUntil(frames);
      a.ProcessBlock(0, 0);
      if (!a.Scheduled()) return "the block did not run through the schedule" + when;
      ProcessFrames(b.Devices(), b.Io(), in, b.OutBlock(0).Data(), frames);
    } else {
      a.Io().Midi = c.events;
      if (!RunInPieces(a, patch, in, a.OutBlock(0).Data(), frames))
        return "the schedule did not run every frame" + when;
      ProcessFrames(b.Devices(), b.Io(), in, b.OutBlock(0).Data(), frames);
    }
    if (!std::equal(a.OutBlock(0).Data(), a.OutBlock(0).Data() + 2 * frames, b.OutBlock(0).Data()))
      return "the output samples differ" + when;
    if (a.SaveBytes() != b.SaveBytes()) return "the saved bytes differ" + when;
    a.Timer();
    b.Timer();
    if (!SameRecordings(a, b)) return "an oscilloscope recorded differently" + when;
    patch.Rewire(a, b);
    a.Reschedule();
  }
  return {};
}
}  // namespace quarvin_fuzz
