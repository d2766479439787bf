#include "platform/audio/portaudio_wave.h"

#include <gtest/gtest.h>

#include <portaudio.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "test_block.h"

namespace {

using Direction = WaveSystem::Direction;
using namespace std::chrono_literals;

bool WaitDone(const WaveHeader& h, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!h.IsDone()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

}  // namespace

TEST(PortAudioWave, ErrorTextsAreTheLibrarysAndShort) {
  EXPECT_EQ(PortAudioErrorText(paInvalidDevice), Pa_GetErrorText(paInvalidDevice));
  for (int code = paNotInitialized; code <= paNoError; ++code)
    EXPECT_LE(PortAudioErrorText(code).size(), kMaxErrorText);
}

// Streams through the default devices for two seconds, the way the audio loop does. It needs a
// sound card that runs in real time: jack_test.sh provides one and sets QUARVIN_SOUND_CARD.
TEST(AudioPortAudio, StreamsBothDirectionsWithEveryBlockCompleting) {
  if (!std::getenv("QUARVIN_SOUND_CARD")) GTEST_SKIP() << "no sound card for tests (jack_test.sh)";
  PortAudioWaveSystem system;
  ASSERT_GT(system.DeviceCount(Direction::In), 0);
  ASSERT_GT(system.DeviceCount(Direction::Out), 0);
  std::string error;
  auto in = system.Open(Direction::In, error);
  ASSERT_TRUE(in) << error;
  auto out = system.Open(Direction::Out, error);
  ASSERT_TRUE(out) << error;

  constexpr int Count = 7;
  std::array<TestBlock, Count> recorded, played;
  for (TestBlock& b : recorded) in->Queue(b.Header);
  in->Start();
  // 30 blocks of 68 ms are two seconds.
  constexpr int Steps = 30;
  for (int step = 0; step < Steps; ++step) {
    const int i = step % Count;
    ASSERT_TRUE(WaitDone(recorded[i].Header, 340ms)) << "recording block " << step;
    in->Unprepare(recorded[i].Header);
    if (step >= Count) {
      ASSERT_TRUE(WaitDone(played[i].Header, 340ms)) << "playback block " << step - Count;
      out->Unprepare(played[i].Header);
    }
    played[i].Data = recorded[i].Data;
    in->Queue(recorded[i].Header);
    out->Queue(played[i].Header);
  }
  for (int step = Steps; step < Steps + Count; ++step)
    ASSERT_TRUE(WaitDone(played[step % Count].Header, 340ms)) << "playback block " << step - Count;
  EXPECT_EQ(in->Close(), "");
  EXPECT_EQ(out->Close(), "");
}
