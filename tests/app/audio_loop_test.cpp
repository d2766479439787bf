#include "app/audio_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "app/wave_open.h"
#include "platform/audio/memory_wave.h"

namespace {

using namespace std::chrono_literals;
using Direction = WaveSystem::Direction;
using Clock = std::chrono::steady_clock;

constexpr int BlockSamples = TSampleBuffer::kFrames * 2;

// A signal that differs from sample to sample and from block to block.
std::vector<int16_t> Signal(int samples) {
  std::vector<int16_t> v(samples);
  for (int i = 0; i < samples; ++i) v[i] = static_cast<int16_t>((i * 7919) % 65521 - 32760);
  return v;
}

// Two memory devices, fourteen blocks and a pass-through process, as the canvas runs them.
class LoopRig {
 public:
  explicit LoopRig(MemoryWaveOptions options) : system(std::move(options)) {
    EXPECT_TRUE(OpenWaves(
        system, [](const std::string& e) { ADD_FAILURE() << e; }, in, out));
  }

  // Runs the loop until `terminating` says so.
  void Run(std::function<bool()> terminating) {
    TAudioLoop loop(*in, *out, inBuf, outBuf,
                    {.Process = [this](const TSampleBuffer& i, TSampleBuffer& o) { Copy(i, o); },
                     .Beep = [this] { beeps.push_back(Clock::now()); },
                     .Terminating = std::move(terminating)});
    EXPECT_EQ(loop.Run(), 0);
  }

  // Runs the loop on a thread of its own for a while of real time.
  void RunFor(std::chrono::milliseconds time) {
    std::atomic<bool> stop{false};
    std::thread audio([&] { Run([&] { return stop.load(); }); });
    std::this_thread::sleep_for(time);
    stop = true;
    audio.join();
  }

  void Copy(const TSampleBuffer& from, TSampleBuffer& to) {
    std::memcpy(to.Data(), from.Data(), TSampleBuffer::kBytes);
    ++processed;
  }

  // After the drain no block may belong to a device any more, and each was taken back.
  void ExpectDrained() {
    for (TAudioLoop::Blocks* blocks : {&inBuf, &outBuf})
      for (TSampleBuffer& b : *blocks) {
        EXPECT_TRUE(b.Header().IsDone());
        EXPECT_EQ(b.Header().Queued, 0u);
      }
    // Every processed block was taken back at both devices, and the input's seven re-queued
    // blocks once more in the drain.
    EXPECT_EQ(system.Unprepares(Direction::In), processed + TAudioLoop::kBlockCount);
    EXPECT_EQ(system.Unprepares(Direction::Out), processed);
  }

  MemoryWaveSystem system;
  std::unique_ptr<WaveDevice> in, out;
  TAudioLoop::Blocks inBuf, outBuf;
  int processed = 0;
  std::vector<Clock::time_point> beeps;
};

std::function<bool()> AfterSteps(int steps) {
  return [steps, asked = 0]() mutable { return asked++ == steps; };
}

void ExpectPlayedPrefix(const std::vector<int16_t>& played, const std::vector<int16_t>& input) {
  ASSERT_GE(played.size(), input.size());
  for (size_t k = 0; k < input.size(); ++k)
    ASSERT_EQ(played[k], input[k]) << "sample " << k << " of block " << k / BlockSamples;
}

}  // namespace

TEST(AudioLoop, PassesTheRecordedSignalThroughInOrderAcrossBlocks) {
  const std::vector<int16_t> input = Signal(20 * BlockSamples + 123);
  LoopRig rig({.Input = input});
  constexpr int Steps = 25;
  rig.Run(AfterSteps(Steps));
  EXPECT_EQ(rig.processed, TAudioLoop::kBlockCount + Steps);
  const std::vector<int16_t> played = rig.system.Played();
  ASSERT_EQ(played.size(), size_t(rig.processed) * BlockSamples);
  ExpectPlayedPrefix(played, input);
  EXPECT_TRUE(
      std::all_of(played.begin() + input.size(), played.end(), [](int16_t s) { return s == 0; }));
  EXPECT_TRUE(rig.beeps.empty());
  rig.ExpectDrained();
}

TEST(AudioLoop, TerminatingInRealTimeDrainsAllFourteenBlocksBeforeReturning) {
  const std::vector<int16_t> input = Signal(30 * BlockSamples);
  LoopRig rig({.Pace = WavePace::RealTime, .Input = input});
  rig.RunFor(800ms);
  EXPECT_GE(rig.processed, 8);
  EXPECT_TRUE(rig.beeps.empty());
  rig.ExpectDrained();
  const std::vector<int16_t> played = rig.system.Played();
  ExpectPlayedPrefix(played, {input.begin(), input.begin() + played.size()});
  // The devices are idle and close cleanly.
  CloseWave(rig.in.get(), [](const std::string& e) { ADD_FAILURE() << e; });
  CloseWave(rig.out.get(), [](const std::string& e) { ADD_FAILURE() << e; });
}

// Live sound leaves about one block (68 ms) after it came in, plus the wait for the next poll
// and the processing.
TEST(AudioLoop, LiveSoundLatencyIsAboutOneBlock) {
  LoopRig rig({.Pace = WavePace::RealTime, .Input = Signal(30 * BlockSamples)});
  rig.RunFor(1000ms);
  double best = 1e9, worst = 0;
  for (int64_t frame = 0; frame < int64_t(rig.processed) * TSampleBuffer::kFrames; frame += 1000) {
    const auto latency = rig.system.PlayedAt(frame) - rig.system.RecordedAt(frame);
    const double ms = std::chrono::duration<double, std::milli>(latency).count();
    best = std::min(best, ms);
    worst = std::max(worst, ms);
  }
  std::printf("latency of live sound: %.1f to %.1f ms\n", best, worst);
  EXPECT_GE(best, 68.0);
  EXPECT_GE(worst, 68.0);
  EXPECT_LT(worst, 68.0 + 40.0);
}

TEST(AudioLoop, StalledInputBeepsOncePerWaitAndKeepsGoing) {
  LoopRig rig({.StalledInput = true});
  rig.Run(AfterSteps(1));
  // Seven waits in the start-up pass, one in the step, seven in the drain.
  ASSERT_EQ(rig.beeps.size(), 15u);
  for (size_t k = 1; k < rig.beeps.size(); ++k) EXPECT_GE(rig.beeps[k] - rig.beeps[k - 1], 340ms);
  // Every late block was processed and played regardless.
  EXPECT_EQ(rig.processed, 8);
  EXPECT_EQ(rig.system.Played().size(), 8u * BlockSamples);
  EXPECT_EQ(rig.system.Unprepares(Direction::In), 0);
}

TEST(WaveOpen, NoInputDeviceEndsBeforeTheOutputIsOpened) {
  MemoryWaveSystem system({.InDevices = 0});
  std::vector<std::string> boxes;
  std::unique_ptr<WaveDevice> in, out;
  EXPECT_FALSE(OpenWaves(
      system, [&](const std::string& e) { boxes.push_back(e); }, in, out));
  EXPECT_EQ(boxes, std::vector<std::string>{"No input device found!"});
  EXPECT_EQ(system.Opens(Direction::In), 0);
  EXPECT_EQ(system.Opens(Direction::Out), 0);
}

TEST(WaveOpen, OutputFailuresShowTheirTextAfterTheInputOpened) {
  for (auto [options, text] :
       {std::pair{MemoryWaveOptions{.OutDevices = 0}, "No output device found!"},
        std::pair{MemoryWaveOptions{.OutOpenError = "Gerät belegt"}, "Gerät belegt"}}) {
    MemoryWaveSystem system(options);
    std::vector<std::string> boxes;
    std::unique_ptr<WaveDevice> in, out;
    EXPECT_FALSE(OpenWaves(
        system, [&](const std::string& e) { boxes.push_back(e); }, in, out));
    EXPECT_EQ(boxes, std::vector<std::string>{text});
    EXPECT_TRUE(in);
    EXPECT_FALSE(out);
  }
}

TEST(WaveOpen, CloseReportsTheSystemsTextAndSkipsUnopenedDevices) {
  MemoryWaveSystem system({.InOpenError = "offen", .CloseError = "Fehler beim Schließen"});
  std::vector<std::string> boxes;
  const ErrorBoxFn box = [&](const std::string& e) { boxes.push_back(e); };
  EXPECT_EQ(OpenWave(system, Direction::In, box), nullptr);
  auto out = OpenWave(system, Direction::Out, box);
  ASSERT_TRUE(out);
  CloseWave(nullptr, box);
  CloseWave(out.get(), box);
  EXPECT_EQ(boxes, (std::vector<std::string>{"offen", "Fehler beim Schließen"}));
  EXPECT_EQ(system.Closes(Direction::Out), 1);
}

// A card so slow that every wait of the start-up pass gives up while the card still fills the
// block: the loop beeps and keeps going, and processes silence instead of touching those blocks.
TEST(AudioLoop, SlowInputBeepsAndKeepsOffTheBlocksTheCardStillFills) {
  LoopRig rig(
      {.Pace = WavePace::RealTime, .Input = Signal(30 * BlockSamples), .InputSlowdown = 12});
  rig.Run(AfterSteps(0));
  EXPECT_GE(rig.beeps.size(), 7u);
  EXPECT_EQ(rig.processed, 7);
  const std::vector<int16_t> played = rig.system.Played();
  EXPECT_EQ(played, std::vector<int16_t>(7 * BlockSamples, 0));
}
