#include "devices/flanger.h"

#include <gtest/gtest.h>

#include "device_support.h"

namespace {
struct FlangerTest : ::testing::Test {
  EffectPatch p;
  NTInput modulator{&p.canvas, p.canvas.Root()};
  NTFlanger fl{&p.canvas, p.canvas.Root()};

  FlangerTest() {
    fl.In.Source = &p.source.L;
    fl.Ext.Source = &modulator.L;
  }
  // The delay the line uses in the next frame, for this Ext and delay control value.
  int32_t DelayAfterFrame(int32_t ext, int32_t delayValue) {
    modulator.L.Value = ext;
    fl.Delay.Value = delayValue;
    RunFrame(fl);
    return fl.Line.Delay();
  }
};

TEST_F(FlangerTest, ShortestDelayWithoutFeedbackDelaysOneFrame) {
  fl.Feedback.SetValue(0);
  fl.Delay.SetValue(1);
  std::vector<int32_t> in;
  for (int i = 1; i <= 100; ++i) in.push_back(i * 37);
  const std::vector<int32_t> out = RunFrames(p, fl, in);
  EXPECT_EQ(out[0], 0);
  for (size_t i = 1; i < in.size(); ++i) EXPECT_EQ(out[i], in[i - 1]);
}

TEST_F(FlangerTest, ImpulseHalvesOnEveryPass) {
  constexpr int d = 10;
  fl.Delay.SetValue(d);  // the initial 250 holds for the first frame only
  std::vector<int32_t> in(8 * d, 0);
  in[0] = 1000;
  const std::vector<int32_t> out = RunFrames(p, fl, in);
  const int32_t echoes[] = {1000, 500, 250, 125, 62, 31, 15};
  for (size_t i = 0; i < out.size(); ++i) {
    const int32_t want = (i % d == 0 && i > 0) ? echoes[i / d - 1] : 0;
    EXPECT_EQ(out[i], want) << "frame " << i;
  }
}

TEST_F(FlangerTest, ExtLengthensTheDelayUpToTheLine) {
  EXPECT_EQ(fl.Line.Delay(), 250);
  EXPECT_EQ(DelayAfterFrame(32767, 100), 350);
  EXPECT_EQ(DelayAfterFrame(65535, 1), 501);
  EXPECT_EQ(DelayAfterFrame(32767, 500), 501);
  EXPECT_EQ(DelayAfterFrame(INT32_MAX, 500), 501);
  EXPECT_EQ(DelayAfterFrame(-30000, 100), 100);
  EXPECT_EQ(DelayAfterFrame(INT32_MIN, 7), 7);
}

TEST_F(FlangerTest, DamagedDelayValueStaysInsideTheLine) {
  EXPECT_EQ(DelayAfterFrame(0, -5), 1);
  EXPECT_EQ(DelayAfterFrame(0, 0), 1);
  EXPECT_EQ(DelayAfterFrame(0, INT32_MIN), 1);
  EXPECT_EQ(DelayAfterFrame(0, 100000), 500);
  EXPECT_EQ(DelayAfterFrame(INT32_MAX, INT32_MAX), 501);
  NTFlPipe line(501);
  line.SetDelay(-3);
  EXPECT_EQ(line.Delay(), 0);
  line.SetDelay(int64_t{1} << 40);
  EXPECT_EQ(line.Delay(), 501);
}

TEST_F(FlangerTest, LongestDelayReadsTheWholeLine) {
  // Delays 0 and N both read the value written N frames earlier.
  for (int64_t d : {0, 501}) {
    NTFlPipe line(501);
    line.SetDelay(d);
    for (int i = 0; i < 501; ++i) {
      EXPECT_EQ(line.Read(), 0);
      line.Write(i + 1);
      line.Advance();
    }
    EXPECT_EQ(line.Read(), 1);
  }
}

TEST_F(FlangerTest, FeedbackOverflowWrapsAround) {
  fl.Feedback.SetValue(1000);
  fl.Delay.SetValue(1);
  const std::vector<int32_t> out = RunFrames(p, fl, std::vector<int32_t>(4, 1500000000));
  EXPECT_EQ(out[1], 1500000000);
  EXPECT_EQ(out[2], static_cast<int32_t>(3000000000u));  // 1.5e9 fed back plus 1.5e9
}

TEST_F(FlangerTest, DisplaysFollowTheControls) {
  EXPECT_EQ(NTDisp::Format(fl.Feedback.Disp.Kind, fl.Feedback.Disp.Value), "0.500");
  EXPECT_EQ(NTDisp::Format(fl.Delay.Disp.Kind, fl.Delay.Disp.Value), "0.250");
  fl.Delay.SetValue(17);
  fl.Delay.NotifyChange();
  EXPECT_EQ(fl.Delay.Disp.Value, 17);
  fl.Feedback.SetValue(999);
  fl.Feedback.NotifyChange();
  EXPECT_EQ(fl.Feedback.Disp.Value, 999);
}

TEST_F(FlangerTest, RecordsRoundTrip) {
  fl.MoveTo({200, 10});
  fl.Feedback.SetValue(123);
  fl.Delay.SetValue(456);
  fl.Feedback.NotifyChange();
  fl.Delay.NotifyChange();
  RunFrames(p, fl, {5, 6, 7});
  const std::vector<uint8_t> bytes = Record(fl);
  EXPECT_EQ(bytes.size(), 19u * 4);
  EXPECT_EQ(WindowCount(fl), 20);

  NTFlanger g(&p.canvas, p.canvas.Root());
  Load(g, bytes);
  EXPECT_EQ(Record(g), bytes);
  EXPECT_EQ(g.Feedback.Value, 123);
  EXPECT_EQ(g.Delay.Value, 456);
  EXPECT_EQ(g.Ext.Source.Get(), &modulator.L);
  // The line itself is not saved: a loaded flanger starts silent with the initial delay.
  EXPECT_EQ(g.Line.Delay(), 250);
}
}  // namespace
