#include <gtest/gtest.h>

#include <thread>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/io.h"
#include "platform/audio/memory_wave.h"

namespace {
using Direction = WaveSystem::Direction;

TEST(ClientAudioLoop, NoInputDeviceQuitsWithoutOpeningTheOutput) {
  MemoryWaveSystem audio({.InDevices = 0});
  HeadlessShell shell;
  TMainClient client(shell, &audio);
  EXPECT_FALSE(client.Setup());
  ASSERT_EQ(shell.errors.size(), 1u);
  EXPECT_EQ(shell.errors[0], "No input device found!");
  EXPECT_EQ(shell.quitCode, 1);
  EXPECT_EQ(audio.Opens(Direction::Out), 0);
  EXPECT_TRUE(client.Devices().empty());
}

TEST(ClientAudioLoop, LiveSoundPassesThroughAndTheCloseQueryDrainsFirst) {
  std::vector<int16_t> input(2 * 3000 * 10);
  for (size_t i = 0; i < input.size(); ++i) input[i] = int16_t(i % 20000);
  MemoryWaveSystem audio({.Input = input});
  HeadlessShell shell;
  TMainClient client(shell, &audio);
  ASSERT_TRUE(client.Setup());
  EXPECT_TRUE(shell.timerRunning);
  auto devices = client.Devices();
  auto* in = dynamic_cast<NTInput*>(devices[0]);
  auto* out = dynamic_cast<NTOutput*>(devices[1]);
  out->L.Source = &in->L;
  out->R.Source = &in->R;
  while (audio.Played().size() < input.size()) std::this_thread::yield();
  client.CloseQuery();
  EXPECT_FALSE(shell.timerRunning);
  EXPECT_TRUE(client.Devices().empty());
  EXPECT_EQ(audio.Closes(Direction::In), 1);
  EXPECT_EQ(audio.Closes(Direction::Out), 1);
  // Every queued block came back before the devices were closed.
  EXPECT_EQ(audio.Unprepares(Direction::In), audio.Unprepares(Direction::Out) + 7);
  // Once connected, every played frame is the recorded one before it.
  const auto played = audio.Played();
  size_t start = 2;
  while (start < played.size() && played[start] != input[start - 2]) start += 2;
  ASSERT_LT(start, 2 * 3000u * 3);
  for (size_t i = start; i < input.size(); ++i) ASSERT_EQ(played[i], input[i - 2]) << i;
}
}  // namespace
