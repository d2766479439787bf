#include "platform/audio/jack_wave.h"

#include <gtest/gtest.h>

#include <jack/jack.h>

#include <array>
#include <cstdlib>
#include <string>

#include "test_block.h"

namespace {

using Direction = WaveSystem::Direction;
using namespace std::chrono_literals;

// Whether `port` is connected to `other`, asked through a client of the test's own.
bool Connected(const std::string& port, const std::string& other) {
  jack_client_t* c = jack_client_open("quarvin-test-probe", JackNoStartServer, nullptr);
  if (!c) return false;
  jack_port_t* p = jack_port_by_name(c, port.c_str());
  const bool connected = p && jack_port_connected_to(p, other.c_str());
  jack_client_close(c);
  return connected;
}

}  // namespace

// The program's own JACK client: named ports, connected to the system's unless told not to,
// streaming blocks of 128 frames with every completion waking the waiter. Needs the dummy
// server of jack_test.sh.
TEST(AudioJack, NamedClientStreamsShortBlocksAndConnectsOnlyWhenAsked) {
  if (!std::getenv("QUARVIN_SOUND_CARD")) GTEST_SKIP() << "no sound card for tests (jack_test.sh)";
  JackWaveSystem system({.BlockFrames = 128}, "quarvin");
  std::string error;
  auto in = system.Open(Direction::In, error);
  ASSERT_TRUE(in) << error;
  auto out = system.Open(Direction::Out, error);
  ASSERT_TRUE(out) << error;
  EXPECT_TRUE(Connected("quarvin:in_L", "system:capture_1"));
  EXPECT_TRUE(Connected("quarvin:in_R", "system:capture_2"));
  EXPECT_TRUE(Connected("quarvin:out_L", "system:playback_1"));
  EXPECT_TRUE(Connected("quarvin:out_R", "system:playback_2"));

  WaveDoorbell bell;
  in->SetDoorbell(&bell);
  out->SetDoorbell(&bell);
  constexpr int Count = 8;
  std::array<TestBlock, Count> recorded, played;
  for (auto* blocks : {&recorded, &played})
    for (TestBlock& b : *blocks) b.Header.Length = 128 * kWaveChannels * sizeof(int16_t);
  const auto waitDone = [&bell](const WaveHeader& h) {
    const auto deadline = WaveDoorbell::Clock::now() + 340ms;
    while (!h.IsDone())
      if (!bell.WaitUntil(deadline)) return h.IsDone();
    return true;
  };
  for (TestBlock& b : recorded) in->Queue(b.Header);
  in->Start();
  // 400 blocks of 2.9 ms are about a second.
  for (int step = 0; step < 400; ++step) {
    const int i = step % Count;
    ASSERT_TRUE(waitDone(recorded[i].Header)) << "recording block " << step;
    if (step >= Count) {
      ASSERT_TRUE(waitDone(played[i].Header)) << "playback block " << step;
    }
    in->Queue(recorded[i].Header);
    out->Queue(played[i].Header);
  }
  for (TestBlock& b : played) ASSERT_TRUE(waitDone(b.Header));
  EXPECT_EQ(in->Close(), "");
  EXPECT_EQ(out->Close(), "");

  JackWaveSystem loose({.Connect = false}, "quarvin-frei");
  auto looseIn = loose.Open(Direction::In, error);
  ASSERT_TRUE(looseIn) << error;
  EXPECT_FALSE(Connected("quarvin-frei:in_L", "system:capture_1"));
}
