// The MIDI device: its outputs frame by frame for a scripted event list, and its kernel against
// its frame form with events falling anywhere in the runs.
#include "devices/midi.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "device_support.h"
#include "devices/kernels.h"
#include "devices/registry.h"
#include "engine/frame_cycle.h"

namespace {
using E = TMidiEvent;
constexpr int32_t kFull = kFullScale;

E On(int64_t frame, int channel, int note, int velocity) {
  return {frame, uint8_t(E::kNoteOn | (channel - 1)), uint8_t(note), uint8_t(velocity)};
}
E Off(int64_t frame, int channel, int note) {
  return {frame, uint8_t(E::kNoteOff | (channel - 1)), uint8_t(note), 64};
}
E Bend(int64_t frame, int channel, int value) {
  return {frame, uint8_t(E::kBend | (channel - 1)), uint8_t(value & 127), uint8_t(value >> 7)};
}

// A device under test whose outputs a test reads frame by frame in both forms: it copies what its
// inputs latch, one frame after the device published it.
class Recorder : public NTDevWin {
 public:
  Recorder(TCanvas* canvas, NTWin* parent, NTMidi& midi)
      : NTDevWin(canvas, parent, 20, 20, "Rec"),
        P(canvas, this, bmp::kJackBlue, "P"),
        G(canvas, this, bmp::kJackBlue, "G"),
        V(canvas, this, bmp::kJackBlue, "V") {
    P.Source = &midi.Pitch;
    G.Source = &midi.Gate;
    V.Source = &midi.Vel;
  }
  void Latch() noexcept override {
    for (NTPlugIn* in : {&P, &G, &V}) Seen.push_back(in->Latch());
  }
  NTPlugIn P, G, V;
  std::vector<int32_t> Seen;
};

class TRecorderBatch final : public TBatch {
 public:
  TRecorderBatch(std::span<NTDevWin* const> devices, std::span<const TPorts> ports)
      : rec_(static_cast<Recorder*>(devices[0])), ports_(ports[0]) {}
  void Run(const TSubBlock& b) noexcept override {
    for (int f = 0; f < b.Frames; ++f)
      for (int k = 0; k < 3; ++k) rec_->Seen.push_back(b.Row(ports_.In[size_t(k)])[f]);
  }

 private:
  Recorder* rec_;
  TPorts ports_;
};

const TKernel* Kernels(DeviceType type) {
  static const TKernel recorder{MakeBatch<TRecorderBatch>, TKernel::Latch::Zero};
  return type == DeviceType::None ? &recorder : DeviceKernel(type);
}

struct Patch {
  TestCanvas canvas;
  NTMidi midi{&canvas, canvas.Root()};
  Recorder rec{&canvas, canvas.Root(), midi};
  std::vector<NTDevWin*> devices{&midi, &rec};

  Patch() { midi.Type = DeviceType::Midi; }  // as the factory sets it

  void Set(int32_t channel, int32_t transpose) {
    midi.Channel.SetValue(channel);
    midi.Transpose.SetValue(transpose);
  }
  // Pitch, gate and velocity as published in each of `frames` frames, run frame by frame.
  std::vector<int32_t> Frames(int frames) {
    std::vector<int16_t> in(2 * size_t(frames + 1)), out(in.size());
    ProcessFrames(devices, canvas.io, in.data(), out.data(), frames + 1);
    return {rec.Seen.begin() + 3, rec.Seen.end()};
  }
};

// One scripted list of events heard on channel 1, on every channel, and transposed.
TEST(MidiDevice, OutputsFollowTheEventsFrameByFrame) {
  const std::vector<E> events = {
      On(0, 1, 69, 127),  // A 440 Hz: pitch 0
      On(3, 1, 72, 64),   // C above: 3 semitones, the last note sounds
      On(5, 2, 60, 100),  // channel 2: 9 semitones down, heard on every channel only
      Off(7, 1, 72),      // back to the note held before (channel 2's on every channel)
      Off(8, 2, 60),     Bend(9, 1, 16383),  // two semitones up, less one unit
      On(11, 1, 69, 0),  // a note on of velocity 0 ends the note; pitch and velocity stay
      Bend(13, 1, 0),    // two semitones down
  };
  struct Row {
    int frame;
    int32_t pitch, gate, vel;
  };
  const int32_t v64 = 64 * kFull / 127, v100 = 100 * kFull / 127;
  const struct {
    const char* what;
    int32_t channel, transpose;
    std::vector<Row> rows;
  } cases[] = {
      {"channel 1",
       1,
       0,
       {{0, 0, kFull, kFull},
        {2, 0, kFull, kFull},
        {3, 1500, kFull, v64},
        {5, 1500, kFull, v64},
        {7, 0, kFull, kFull},
        {9, 999, kFull, kFull},
        {11, 999, 0, kFull},
        {13, -1000, 0, kFull}}},
      {"every channel",
       0,
       0,
       {{3, 1500, kFull, v64},
        {5, -4500, kFull, v100},
        {7, -4500, kFull, v100},
        {8, 0, kFull, kFull},
        {11, 999, 0, kFull}}},
      {"channel 2", 2, 0, {{0, 0, 0, 0}, {5, -4500, kFull, v100}, {8, -4500, 0, v100}}},
      {"an octave up", 1, 12, {{0, 6000, kFull, kFull}, {9, 6999, kFull, kFull}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Patch p;
    p.Set(c.channel, c.transpose);
    p.canvas.io.Midi = events;
    const std::vector<int32_t> seen = p.Frames(16);
    for (const Row& r : c.rows) {
      SCOPED_TRACE(r.frame);
      EXPECT_EQ(seen[3 * size_t(r.frame)], r.pitch);
      EXPECT_EQ(seen[3 * size_t(r.frame) + 1], r.gate);
      EXPECT_EQ(seen[3 * size_t(r.frame) + 2], r.vel);
    }
  }
}

// Random events in a block of 3000 frames, run through the compiled schedule in runs of random
// length and frame by frame, with the controls moved between runs: every frame is the same.
TEST(MidiDevice, TheKernelComputesWhatSingleFramesCompute) {
  std::mt19937 rng(7);
  const auto draw = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  constexpr int kFrames = 3000;
  std::vector<E> events;
  for (int64_t f = 0; f < kFrames; f += draw(0, 40)) {
    const auto status = uint8_t(std::array{E::kNoteOn, E::kNoteOff, E::kBend, E::kController,
                                           uint8_t(0xA0)}[size_t(draw(0, 4))] |
                                draw(0, 3));
    events.push_back({f, status, uint8_t(draw(0, 127)), uint8_t(draw(0, 127))});
  }
  Patch scheduled, reference;
  const auto s = TSchedule::Compile(scheduled.devices, Kernels, 0);
  ASSERT_TRUE(s);
  std::vector<int16_t> in(2 * kFrames), out(in.size());
  scheduled.canvas.io.Midi = reference.canvas.io.Midi = events;
  for (int at = 0; at < kFrames;) {
    const int n = std::min(draw(1, THistories::kFrames), kFrames - at);
    const int32_t channel = draw(-1, 17), transpose = draw(-60, 60);
    scheduled.Set(channel, transpose);
    reference.Set(channel, transpose);
    ASSERT_EQ(s->Run(scheduled.canvas.io, &in[2 * size_t(at)], &out[0], n), n);
    ProcessFrames(reference.devices, reference.canvas.io, &in[0], &out[0], n);
    at += n;
    ASSERT_EQ(scheduled.rec.Seen, reference.rec.Seen) << "after frame " << at;
  }
  EXPECT_EQ(scheduled.canvas.io.Clock, kFrames);
}

TEST(MidiDevice, RecordAndWindows) {
  TestCanvas canvas;
  NTMidi midi(&canvas, canvas.Root());
  EXPECT_EQ(RecordWords(midi), 17u);
  EXPECT_EQ(WindowCount(midi), 20);
}
}  // namespace
