#include "platform/audio/memory_wave.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <thread>

#include "test_block.h"

namespace {

using Direction = WaveSystem::Direction;
using namespace std::chrono_literals;

std::vector<int16_t> Ramp(int samples) {
  std::vector<int16_t> v(samples);
  std::iota(v.begin(), v.end(), int16_t{1});
  return v;
}

std::unique_ptr<WaveDevice> OpenOrFail(MemoryWaveSystem& system, Direction d) {
  std::string error;
  auto device = system.Open(d, error);
  EXPECT_TRUE(device) << error;
  return device;
}

// Polls like the audio loop does, with a generous limit.
bool WaitDone(const WaveHeader& h, std::chrono::milliseconds limit = 1000ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!h.IsDone()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

}  // namespace

TEST(MemoryWave, InputRecordsTheGivenSamplesInQueueOrderOnceStartedThenSilence) {
  MemoryWaveSystem system({.Input = Ramp(TestBlock::Samples + 100)});
  auto in = OpenOrFail(system, Direction::In);
  TestBlock a(-1), b(-1), c(-1);
  in->Queue(a.Header);
  in->Queue(b.Header);
  in->Queue(a.Header);  // still queued: ignored
  EXPECT_FALSE(a.Header.IsDone());
  EXPECT_EQ(a.Header.Queued, 1u);
  in->Start();
  ASSERT_TRUE(a.Header.IsDone());
  ASSERT_TRUE(b.Header.IsDone());
  EXPECT_EQ(a.Header.Queued, 0u);
  EXPECT_EQ(a.Data.front(), 1);
  EXPECT_EQ(a.Data.back(), TestBlock::Samples);
  EXPECT_EQ(b.Data[0], TestBlock::Samples + 1);
  EXPECT_EQ(b.Data[99], TestBlock::Samples + 100);
  EXPECT_EQ(b.Data[100], 0);
  in->Queue(c.Header);  // after Start a block completes as soon as it is queued
  EXPECT_TRUE(c.Header.IsDone());
  EXPECT_EQ(c.Data, std::vector<int16_t>(TestBlock::Samples, 0));
}

TEST(MemoryWave, OutputCapturesBlocksInQueueOrderAndCountsTakeBacks) {
  MemoryWaveSystem system({});
  auto out = OpenOrFail(system, Direction::Out);
  TestBlock a(5), b(-7);
  out->Queue(a.Header);
  out->Queue(b.Header);
  ASSERT_TRUE(a.Header.IsDone() && b.Header.IsDone());
  out->Unprepare(a.Header);
  std::vector<int16_t> expected(a.Data);
  expected.insert(expected.end(), b.Data.begin(), b.Data.end());
  EXPECT_EQ(system.Played(), expected);
  EXPECT_EQ(system.Unprepares(Direction::Out), 1);
  EXPECT_EQ(system.Unprepares(Direction::In), 0);
  // Queueing again clears the done flag until the block has been played once more.
  out->Queue(a.Header);
  EXPECT_TRUE(a.Header.IsDone());
  EXPECT_EQ(system.Played().size(), 3u * TestBlock::Samples);
}

TEST(MemoryWave, ReportsConfiguredDeviceCountsAndFailures) {
  MemoryWaveSystem system({.InDevices = 0, .OutOpenError = "kaputt", .CloseError = "zu"});
  EXPECT_EQ(system.DeviceCount(Direction::In), 0);
  EXPECT_EQ(system.DeviceCount(Direction::Out), 1);
  std::string error;
  EXPECT_EQ(system.Open(Direction::Out, error), nullptr);
  EXPECT_EQ(error, "kaputt");
  EXPECT_EQ(system.Opens(Direction::Out), 0);
  auto in = system.Open(Direction::In, error);
  ASSERT_TRUE(in);
  EXPECT_EQ(system.Opens(Direction::In), 1);
  EXPECT_EQ(in->Close(), "zu");
  EXPECT_EQ(system.Closes(Direction::In), 1);
}

TEST(AudioMemoryWave, StalledInputTakesBlocksButNeverCompletesThem) {
  for (WavePace pace : {WavePace::Immediate, WavePace::RealTime}) {
    MemoryWaveSystem system({.Pace = pace, .StalledInput = true});
    auto in = OpenOrFail(system, Direction::In);
    TestBlock a;
    in->Queue(a.Header);
    in->Start();
    EXPECT_FALSE(WaitDone(a.Header, 150ms));
    EXPECT_EQ(a.Header.Queued, 1u);
    EXPECT_EQ(in->Close(), "");
  }
}

TEST(AudioMemoryWave, RealTimeInputCompletesOneBlockPerBlockLength) {
  MemoryWaveSystem system({.Pace = WavePace::RealTime, .Input = Ramp(2 * TestBlock::Samples)});
  auto in = OpenOrFail(system, Direction::In);
  TestBlock a, b;
  in->Queue(a.Header);
  in->Queue(b.Header);
  const auto start = std::chrono::steady_clock::now();
  in->Start();
  ASSERT_TRUE(WaitDone(a.Header));
  const auto first = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(b.Header.IsDone());
  ASSERT_TRUE(WaitDone(b.Header));
  const auto second = std::chrono::steady_clock::now() - start;
  // 3000 frames are 68 ms.
  EXPECT_GE(first, 67ms);
  EXPECT_GE(second, 135ms);
  EXPECT_LT(second, 400ms);
  EXPECT_EQ(a.Data.front(), 1);
  EXPECT_EQ(b.Data.back(), 2 * TestBlock::Samples);
  EXPECT_EQ(in->Close(), "");
}

TEST(AudioMemoryWave, RealTimeOutputPlaysQueuedBlocksBackToBack) {
  MemoryWaveSystem system({.Pace = WavePace::RealTime});
  auto out = OpenOrFail(system, Direction::Out);
  TestBlock a(1), b(2);
  out->Queue(a.Header);
  out->Queue(b.Header);
  ASSERT_TRUE(WaitDone(b.Header));
  EXPECT_TRUE(a.Header.IsDone());
  const auto gap = system.PlayedAt(TestBlock::Frames) - system.PlayedAt(0);
  EXPECT_NEAR(std::chrono::duration<double>(gap).count(), 3000.0 / 44100, 1e-6);
  const std::vector<int16_t> played = system.Played();
  ASSERT_EQ(played.size(), 2u * TestBlock::Samples);
  EXPECT_EQ(played.front(), 1);
  EXPECT_EQ(played.back(), 2);
  // Closing while a block is queued stops the card; the block is simply never played.
  TestBlock c;
  out->Queue(c.Header);
  EXPECT_EQ(out->Close(), "");
  EXPECT_FALSE(c.Header.IsDone());
}
