#include <gtest/gtest.h>

#include "app/commands.h"
#include "canvas_fixture.h"
#include "engine/frame_cycle.h"

namespace {
// Feeds a ramp of distinct samples through block 0 and returns the output block.
std::vector<int16_t> RunBlock(TMainClient& client, int16_t firstSample) {
  int16_t* in = client.InBlock(0).Data();
  for (int f = 0; f < TSampleBuffer::kFrames; ++f) {
    in[2 * f] = int16_t(firstSample + f);
    in[2 * f + 1] = int16_t(-firstSample - f);
  }
  client.ProcessBlock(0, 0);
  const int16_t* out = client.OutBlock(0).Data();
  return {out, out + 2 * TSampleBuffer::kFrames};
}

TEST_F(CanvasTest, InputToOutputDelaysByOneFrameAcrossBlocks) {
  Connect(Input().L, Output().L);
  Connect(Input().R, Output().R);
  const auto first = RunBlock(client, 100);
  EXPECT_EQ(first[0], 0);  // what the Input published before any frame
  EXPECT_EQ(first[1], 0);
  EXPECT_EQ(first[2], 100);
  EXPECT_EQ(first[3], -100);
  const auto second = RunBlock(client, 5000);
  EXPECT_EQ(second[0], 100 + TSampleBuffer::kFrames - 1);  // the last frame of the previous block
  EXPECT_EQ(second[2], 5000);
}

TEST_F(CanvasTest, ListOrderDoesNotChangeTheDelay) {
  // Output before Input in the list: delete the Input and insert a new one at the end.
  shell.popupAnswer = cmd::kDeleteDevice;
  client.Mouse(MouseKind::RUp, {20, 100});
  client.Command(InsertCommand(DeviceType::Input));
  Click({300, 300});
  NTInput& input = *dynamic_cast<NTInput*>(client.Devices().back());
  Connect(input.L, Output(0).L);
  const auto out = RunBlock(client, 7);
  EXPECT_EQ(out[2], 7);
  EXPECT_EQ(out[4], 8);
}

TEST_F(CanvasTest, FullScaleNegativeInputComesBackUnchanged) {
  Connect(Input().L, Output().L);
  client.InBlock(0).Data()[0] = -32768;
  client.ProcessBlock(0, 0);
  EXPECT_EQ(Input().L.Value.Get(), 2 * client.InBlock(0).Data()[2 * 2999]);
  EXPECT_EQ(client.OutBlock(0).Data()[2], -32768);
}

TEST(OutputHalving, RoundsDownAndClips) {
  EXPECT_EQ(NTOutput::ToSample(65535), 32767);
  EXPECT_EQ(NTOutput::ToSample(65536), 32767);
  EXPECT_EQ(NTOutput::ToSample(-65537), -32768);
  EXPECT_EQ(NTOutput::ToSample(-1), -1);
  EXPECT_EQ(NTOutput::ToSample(-3), -2);
  EXPECT_EQ(NTOutput::ToSample(3), 1);
  EXPECT_EQ(NTOutput::ToSample(INT32_MIN), -32768);
}

TEST_F(CanvasTest, UnconnectedRightChannelStaysSilent) {
  Connect(Input().L, Output().L);
  const auto out = RunBlock(client, 1);
  for (int f = 0; f < TSampleBuffer::kFrames; ++f) ASSERT_EQ(out[size_t(2 * f + 1)], 0);
}

TEST_F(CanvasTest, TheLaterOutputInTheListWins) {
  client.Command(InsertCommand(DeviceType::Output));
  client.Mouse(MouseKind::Move, {300, 300});
  Click({300, 300});
  Connect(Input().L, Output().L);
  Connect(Input().R, Output(2).L);
  const auto out = RunBlock(client, 10);
  EXPECT_EQ(out[2], -10);
}

TEST_F(CanvasTest, NoDevicesGiveSilence) {
  client.DeleteAllDevices();
  const auto out = RunBlock(client, 1000);
  for (int16_t s : out) ASSERT_EQ(s, 0);
}

// A device that writes an accumulator directly, beyond what an Output would.
class Overdrive : public NTDevWin {
 public:
  explicit Overdrive(TCanvas* c) : NTDevWin(c, c->Root(), 10, 10, nullptr), io_(c->Io()) {}
  void Latch() noexcept override { io_.OutL = 32768; }

 private:
  TFrameIo& io_;
};

TEST(ProcessFrames, StoresTheLow16BitsWithoutClipping) {
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  Overdrive d(&client);
  TSampleBuffer in, out;
  NTDevWin* list[] = {&d};
  ProcessFrames(list, client.Io(), in.Data(), out.Data(), TSampleBuffer::kFrames);
  EXPECT_EQ(out.Data()[0], -32768);
}
}  // namespace
