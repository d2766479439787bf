#include "devices/vco.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "device_support.h"
#include "devices/kernels.h"
#include "engine/schedule.h"

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
    RunFrame(vco);
    return vco.Osc.Increment;
  }
};

TEST_F(VcoTest, NewVcoPlaysTheSineTableAt440Hz) {
  EXPECT_EQ(vco.Osc.Increment, 10461);
  EXPECT_EQ(vco.Freq.Disp.Value, 30000);
  EXPECT_EQ(vco.Level.Disp.Value, 900);
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
  RunFrame(vco);
  EXPECT_EQ(vco.Out.Value, t.Sin[((1000 * 10461) >> 8) & 4095]);
}

TEST_F(VcoTest, LevelScalesBy10ThousandthsOfTheGain) {
  vco.Level.Value = 1000;  // +10 dB
  vco.Osc.Phase = 1024 << 8;
  RunFrame(vco);
  EXPECT_EQ(vco.Out.Value, 207234);  // passed on unclipped
  vco.Level.Value = 800;
  vco.Osc.Phase = 3072 << 8;
  RunFrame(vco);
  EXPECT_EQ(vco.Out.Value, -65535 * 3162 / 10000);
}

TEST_F(VcoTest, FullScaleAmOfEitherSignAtLevel0GivesUnityGain) {
  vco.Level.Value = 0;
  for (int32_t a : {65536, -65536}) {
    ConnectAm(a);
    vco.Osc.Phase = 1024 << 8;
    RunFrame(vco);  // latches AM; the level counts from this frame on
    vco.Osc.Phase = 1024 << 8;
    RunFrame(vco);
    EXPECT_EQ(vco.Out.Value, 65535) << a;
  }
}

TEST_F(VcoTest, AmNeverLowersTheLevelAndIsLimitedToPlus10Db) {
  vco.Osc.Phase = 1024 << 8;
  ConnectAm(1 << 20);
  RunFrame(vco);
  vco.Osc.Phase = 1024 << 8;
  RunFrame(vco);
  EXPECT_EQ(vco.Out.Value, 207234);
  // The most negative value and products far beyond 32 bits still mean "as loud as it gets".
  ConnectAm(INT32_MIN);
  RunFrame(vco);
  vco.Osc.Phase = 1024 << 8;
  RunFrame(vco);
  EXPECT_EQ(vco.Out.Value, 207234);
  ConnectAm(INT32_MAX);
  RunFrame(vco);
  vco.Osc.Phase = 1024 << 8;
  RunFrame(vco);
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
  RunFrame(vco);
  EXPECT_EQ(vco.Out.Value, 0);  // the sample of the phase before the frame's step
  EXPECT_EQ(vco.Osc.Phase, t.Log[36000]);
  RunFrame(vco);
  EXPECT_EQ(vco.Out.Value, t.Sin[(t.Log[36000] >> 8) & 4095]);
}

TEST_F(VcoTest, DamagedLevelValuesStayInsideTheLevelTable) {
  vco.Osc.Phase = 1024 << 8;
  vco.Level.Value = 5000;
  RunFrame(vco);
  EXPECT_EQ(vco.Out.Value, 207234);
  vco.Level.Value = -5000;
  RunFrame(vco);
  EXPECT_EQ(vco.Out.Value, 0);
  vco.Level.Value = INT32_MAX;
  ConnectAm(INT32_MAX);
  RunFrame(vco);
  vco.Osc.Phase = 1024 << 8;
  RunFrame(vco);
  EXPECT_EQ(vco.Out.Value, 207234);
}

// The block form of a VCO with AM only against single frames, for levels inside the control's
// range and beyond it (a damaged file), with AM values at the edges of the 32-bit range.
TEST_F(VcoTest, AmBlocksComputeExactlyWhatSingleFramesCompute) {
  std::mt19937 rng(9);
  std::vector<int32_t> in(2000);
  for (int32_t& x : in) x = rng() % 3 ? int32_t(rng()) : rng() % 2 ? INT32_MAX : INT32_MIN;
  for (int32_t level : {0, 100, 900, 1000, -1, 1001, -(1 << 26) - 1, INT32_MIN, INT32_MAX}) {
    NTVCO frames(&canvas, canvas.Root()), blocks(&canvas, canvas.Root());
    frames.Am.Source = &am.Out;
    frames.Level.Value = level;
    blocks.Level.Value = level;
    NTDevWin* const devices[] = {&blocks};
    const TPorts ports[] = {{{0, 1}, {2}}};
    const auto batch = VcoKernel().Make(std::span(devices), std::span(ports));
    THistories h(3);
    for (size_t f = 0; f < in.size(); f += 250) {
      std::copy_n(in.begin() + ptrdiff_t(f), 250, h.Row(1));
      batch->Run({h, 250, nullptr, nullptr});
      for (size_t k = 0; k < 250; ++k) {
        am.Out.Value = in[f + k];
        RunFrame(frames);
        ASSERT_EQ(h.Row(2)[k + 1], frames.Out.Value) << "level " << level << ", frame " << f + k;
      }
    }
  }
}

TEST_F(VcoTest, ANewWaveformContinuesFromTheCurrentPhase) {
  RunFrames(vco, vco.Out, 37);
  const int32_t phase = vco.Osc.Phase;
  vco.Wave.Selected = 1;
  vco.CtrlNotify(NTVCO::kWaveCode);
  EXPECT_EQ(vco.Osc.Waveform, 1);
  EXPECT_EQ(vco.Osc.Phase, phase);
  RunFrame(vco);
  EXPECT_EQ(vco.Out.Value, t.Tri[(phase >> 8) & 4095]);

  const std::pair<int, const TTable*> waves[] = {{2, &t.SawUp}, {3, &t.Rec}, {0, &t.Sin}};
  for (auto [key, table] : waves) {
    vco.Wave.Selected = key;
    vco.CtrlNotify(NTVCO::kWaveCode);
    const int32_t p = vco.Osc.Phase;
    RunFrame(vco);
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
  vco.Freq.NotifyChange();
  EXPECT_EQ(vco.Freq.Disp.Value, 36000);
  EXPECT_EQ(NTDisp::Format(vco.Freq.Disp.Kind, vco.Freq.Disp.Value), "880.0");
  vco.Level.Value = 0;
  vco.Level.NotifyChange();
  EXPECT_EQ(vco.Level.Disp.Value, 0);
  EXPECT_EQ(canvas.shown.size(), 2u);
  // The increment follows the control from the next frame, not from the notification.
  EXPECT_EQ(vco.Osc.Increment, 10461);
  RunFrame(vco);
  EXPECT_EQ(vco.Osc.Increment, t.Log[36000]);
}
}  // namespace
