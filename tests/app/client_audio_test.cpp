#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/io.h"
#include "platform/audio/memory_wave.h"

namespace {
using Direction = WaveSystem::Direction;

// Without sound the canvas still holds its start patch and works: the error box says why, the
// output is not tried after the input failed, and nothing asks the program to quit.
TEST(ClientAudioLoop, NoInputDeviceLeavesAWorkingCanvasWithoutSound) {
  MemoryWaveSystem audio({.InDevices = 0});
  HeadlessShell shell;
  TMainClient client(shell, &audio);
  EXPECT_FALSE(client.Setup());
  EXPECT_EQ(shell.errors, std::vector<std::string>{"No input device found!"});
  EXPECT_FALSE(shell.quitCode);
  EXPECT_EQ(audio.Opens(Direction::Out), 0);
  EXPECT_FALSE(client.SoundRunning());
  EXPECT_EQ(client.Devices().size(), 2u);
  EXPECT_TRUE(shell.timerRunning);
}

// A card that goes away ends the audio thread at once (no drain); the next tick stops the
// sound and says so, the patch and its unsaved change stay, and the sound starts again on
// another card.
TEST(ClientAudioLoop, ALostCardStopsTheSoundKeepsThePatchAndCanStartAgain) {
  MemoryWaveSystem lost({.LostAfterBlocks = 20});
  HeadlessShell shell;
  TMainClient client(shell, &lost);
  ASSERT_TRUE(client.Setup());
  {
    // The audio thread runs: the device list changes under the lock, as the insert command's.
    TCriticalSection::Lock lock(client.Lock);
    client.CreateDevice(DeviceType::VCO);
  }
  client.PatchChanged();  // as the insert command does
  ASSERT_TRUE(client.Modified());
  const auto start = std::chrono::steady_clock::now();
  while (!client.SoundLost()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  client.Timer();
  ASSERT_EQ(shell.errors.size(), 1u);
  EXPECT_EQ(shell.errors[0].find(TMainClient::kSoundLost), 0u);
  EXPECT_FALSE(client.SoundRunning());
  EXPECT_EQ(lost.Closes(Direction::In), 1);
  EXPECT_EQ(lost.Closes(Direction::Out), 1);
  EXPECT_EQ(client.Devices().size(), 3u);
  EXPECT_TRUE(client.Modified());
  client.Timer();
  EXPECT_EQ(shell.errors.size(), 1u);  // said once

  // The blocks the lost card held record and play again on the new one: nothing waits out
  // its time when the sound stops.
  MemoryWaveSystem back({});
  client.UseSound(&back, 0);
  EXPECT_TRUE(client.StartSound());
  EXPECT_TRUE(client.SoundRunning());
  for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
       back.Unprepares(Direction::Out) < 14 && std::chrono::steady_clock::now() < until;)
    std::this_thread::yield();
  ASSERT_GE(back.Unprepares(Direction::Out), 14);
  const auto stop = std::chrono::steady_clock::now();
  client.CloseQuery();
  EXPECT_LT(std::chrono::steady_clock::now() - stop, TAudioLoop::kWaitLimit);
  EXPECT_EQ(back.Closes(Direction::Out), 1);
  EXPECT_EQ(shell.beeps.load(), 0);
}

TEST(ClientAudioLoop, LiveSoundPassesThroughAndTheCloseQueryDrainsFirst) {
  std::vector<int16_t> input(2 * 3000 * 10);
  for (size_t i = 0; i < input.size(); ++i) input[i] = int16_t(i % 20000);
  MemoryWaveSystem audio({.Input = input});
  HeadlessShell shell;
  TMainClient client(shell, &audio);
  {
    // The audio thread's first block waits for the lock until the patch is wired.
    TCriticalSection::Lock lock(client.Lock);
    ASSERT_TRUE(client.Setup());
    auto devices = client.Devices();
    auto* in = dynamic_cast<NTInput*>(devices[0]);
    auto* out = dynamic_cast<NTOutput*>(devices[1]);
    out->L.Source = &in->L;
    out->R.Source = &in->R;
  }
  EXPECT_TRUE(shell.timerRunning);
  while (audio.Played().size() < input.size()) std::this_thread::yield();
  client.CloseQuery();
  EXPECT_FALSE(shell.timerRunning);
  EXPECT_TRUE(client.Devices().empty());
  EXPECT_EQ(audio.Closes(Direction::In), 1);
  EXPECT_EQ(audio.Closes(Direction::Out), 1);
  // Every queued block came back before the devices were closed.
  EXPECT_EQ(audio.Unprepares(Direction::In), audio.Unprepares(Direction::Out) + 7);
  // Every played frame is the recorded one before it.
  const auto played = audio.Played();
  ASSERT_GE(played.size(), input.size());
  for (size_t i = 2; i < input.size(); ++i) ASSERT_EQ(played[i], input[i - 2]) << i;
}
}  // namespace
