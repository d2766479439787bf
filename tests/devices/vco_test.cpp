#include "devices/vco.h"

#include <gtest/gtest.h>

#include "device_fixture.h"

namespace {
const TTables& t = Tables();

class VcoTest : public ::testing::Test {
 protected:
  TestCanvas canvas;
  TestSource fm{&canvas, canvas.Root()}, am{&canvas, canvas.Root()};
  NTVCO vco{&canvas, canvas.Root()};

  void ConnectFm(int32_t v) {
    vco.Fm.Source = &fm.Out;
    fm.Out.Value = v;
  }
  void ConnectAm(int32_t v) {
    vco.Am.Source = &am.Out;
    am.Out.Value = v;
  }
  // The increment in force after one frame (FM latched in it changes the pitch from then on).
  int32_t IncrementAfterFrame() {
    Frame(vco);
    return vco.Osc.Increment;
  }
};

TEST_F(VcoTest, NewVcoPlaysTheSineTableAt440Hz) {
  EXPECT_EQ(vco.Type, DeviceType::VCO);
  EXPECT_EQ(vco.Osc.Increment, 10461);
  EXPECT_EQ(vco.FreqDisp.Value, 30000);
  EXPECT_EQ(vco.VolDisp.Value, 900);
  const std::vector<int32_t> out = RunFrames(vco, vco.Out, 2000);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 4018);
  EXPECT_EQ(out[2], 8121);
  for (int n = 0; n < 2000; ++n) ASSERT_EQ(out[n], t.Sin[((n * 10461) >> 8) & 4095]) << n;
}

TEST_F(VcoTest, LevelBelow100IsSilentWhileThePhaseRuns) {
  for (int32_t level : {0, 99}) {
    vco.Level.Value = level;
    for (int32_t v : RunFrames(vco, vco.Out, 500)) ASSERT_EQ(v, 0);
  }
  EXPECT_EQ(vco.Osc.Phase, 1000 * 10461);
  vco.Level.Value = 900;
  Frame(vco);
  EXPECT_EQ(vco.Out.Value, t.Sin[((1000 * 10461) >> 8) & 4095]);
}

TEST_F(VcoTest, LevelScalesBy10ThousandthsOfTheGain) {
  vco.Level.Value = 1000;  // +10 dB
  vco.Osc.Phase = 1024 << 8;
  Frame(vco);
  EXPECT_EQ(vco.Out.Value, 207234);  // passed on unclipped
  vco.Level.Value = 800;
  vco.Osc.Phase = 3072 << 8;
  Frame(vco);
  EXPECT_EQ(vco.Out.Value, -65535 * 3162 / 10000);
}

TEST_F(VcoTest, FullScaleAmOfEitherSignAtLevel0GivesUnityGain) {
  vco.Level.Value = 0;
  for (int32_t a : {65536, -65536}) {
    ConnectAm(a);
    vco.Osc.Phase = 1024 << 8;
    Frame(vco);  // latches AM; the level counts from this frame on
    vco.Osc.Phase = 1024 << 8;
    Frame(vco);
    EXPECT_EQ(vco.Out.Value, 65535) << a;
  }
}

TEST_F(VcoTest, AmNeverLowersTheLevelAndIsLimitedToPlus10Db) {
  vco.Osc.Phase = 1024 << 8;
  ConnectAm(1 << 20);
  Frame(vco);
  vco.Osc.Phase = 1024 << 8;
  Frame(vco);
  EXPECT_EQ(vco.Out.Value, 207234);
  // The most negative value and products far beyond 32 bits still mean "as loud as it gets".
  ConnectAm(INT32_MIN);
  Frame(vco);
  vco.Osc.Phase = 1024 << 8;
  Frame(vco);
  EXPECT_EQ(vco.Out.Value, 207234);
  ConnectAm(INT32_MAX);
  Frame(vco);
  vco.Osc.Phase = 1024 << 8;
  Frame(vco);
  EXPECT_EQ(vco.Out.Value, 207234);
}

TEST_F(VcoTest, FmShiftsThePitchPositionMirroredAndClamped) {
  ConnectFm(-30000);
  EXPECT_EQ(IncrementAfterFrame(), t.Log[0]);  // 13.71 Hz
  ConnectFm(-40000);
  EXPECT_EQ(IncrementAfterFrame(), t.Log[10000]);  // mirrored: about 43.6 Hz
  vco.Freq.Value = 0;
  ConnectFm(100000);
  EXPECT_EQ(IncrementAfterFrame(), 475538);  // clamped: 19999.7 Hz
  vco.Fm.Source = nullptr;
  EXPECT_EQ(IncrementAfterFrame(), t.Log[0]);  // an unconnected FM input latches 0
}

TEST_F(VcoTest, PitchSumsBeyond32BitsClampToTheTopPitch) {
  vco.Freq.Value = INT32_MAX;  // as a damaged file may set it
  ConnectFm(INT32_MAX);
  EXPECT_EQ(IncrementAfterFrame(), 475538);
  vco.Freq.Value = 0;
  ConnectFm(INT32_MIN);
  EXPECT_EQ(IncrementAfterFrame(), 475538);
  vco.Freq.Value = INT32_MIN;
  ConnectFm(INT32_MIN);
  EXPECT_EQ(IncrementAfterFrame(), 475538);
}

TEST_F(VcoTest, FmLatchedInAFrameShowsInTheNextFramesSample) {
  ConnectFm(6000);  // one octave up
  Frame(vco);
  EXPECT_EQ(vco.Out.Value, 0);  // the sample of the phase before the frame's step
  EXPECT_EQ(vco.Osc.Phase, t.Log[36000]);
  Frame(vco);
  EXPECT_EQ(vco.Out.Value, t.Sin[(t.Log[36000] >> 8) & 4095]);
}

TEST_F(VcoTest, DamagedLevelValuesStayInsideTheLevelTable) {
  vco.Osc.Phase = 1024 << 8;
  vco.Level.Value = 5000;
  Frame(vco);
  EXPECT_EQ(vco.Out.Value, 207234);
  vco.Level.Value = -5000;
  Frame(vco);
  EXPECT_EQ(vco.Out.Value, 0);
  vco.Level.Value = INT32_MAX;
  ConnectAm(INT32_MAX);
  Frame(vco);
  vco.Osc.Phase = 1024 << 8;
  Frame(vco);
  EXPECT_EQ(vco.Out.Value, 207234);
}

TEST_F(VcoTest, ANewWaveformContinuesFromTheCurrentPhase) {
  RunFrames(vco, vco.Out, 37);
  const int32_t phase = vco.Osc.Phase;
  vco.Wave.Selected = 1;
  vco.CtrlNotify(NTVCO::kWaveCode);
  EXPECT_EQ(vco.Osc.Waveform, 1);
  EXPECT_EQ(vco.Osc.Phase, phase);
  Frame(vco);
  EXPECT_EQ(vco.Out.Value, t.Tri[(phase >> 8) & 4095]);

  const std::pair<int, const TTable*> waves[] = {{2, &t.SawUp}, {3, &t.Rec}, {0, &t.Sin}};
  for (auto [key, table] : waves) {
    vco.Wave.Selected = key;
    vco.CtrlNotify(NTVCO::kWaveCode);
    const int32_t p = vco.Osc.Phase;
    Frame(vco);
    EXPECT_EQ(vco.Out.Value, (*table)[(p >> 8) & 4095]) << key;
  }
}

TEST_F(VcoTest, OtherKeysAndCodesChangeNothing) {
  vco.Wave.Selected = 4;
  vco.CtrlNotify(NTVCO::kWaveCode);
  vco.Wave.Selected = 1;
  vco.CtrlNotify(NTVCO::kLevelCode);
  EXPECT_EQ(vco.Osc.Waveform, 0);
  EXPECT_EQ(vco.Osc.Table, t.Sin.Data());
}

TEST_F(VcoTest, ControlChangesShowInTheDisplays) {
  vco.Freq.Value = 36000;
  vco.RegChanged(NTVCO::kFreqCode);
  EXPECT_EQ(vco.FreqDisp.Value, 36000);
  EXPECT_EQ(NTDisp::Format(vco.FreqDisp.Kind, vco.FreqDisp.Value), "880.0");
  vco.Level.Value = 0;
  vco.RegChanged(NTVCO::kLevelCode);
  EXPECT_EQ(vco.VolDisp.Value, 0);
  EXPECT_EQ(canvas.shown.size(), 2u);
  // The increment follows the control from the next frame, not from the notification.
  EXPECT_EQ(vco.Osc.Increment, 10461);
  Frame(vco);
  EXPECT_EQ(vco.Osc.Increment, t.Log[36000]);
}
}  // namespace
