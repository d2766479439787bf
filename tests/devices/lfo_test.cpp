#include "devices/lfo.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device_support.h"

namespace {
const TTables& t = Tables();

class LfoTest : public ::testing::Test {
 protected:
  TestCanvas canvas;
  NTLFO lfo{&canvas, canvas.Root()};

  void SelectWave(int key) {
    lfo.Wave.Selected = key;
    lfo.CtrlNotify(NTLFO::kWaveCode);
  }
  // Both outputs of the frame at a table index (bits 16..27 of the phase).
  std::pair<int32_t, int32_t> At(int index) {
    lfo.Osc.Phase = index << 16;
    RunFrame(lfo);
    return {lfo.Out.Value, lfo.OutMirror.Value};
  }
};

TEST_F(LfoTest, NewLfoStartsMidSwingOnBothOutputs) {
  RunFrame(lfo);
  EXPECT_EQ(lfo.Out.Value, 16383);
  EXPECT_EQ(lfo.OutMirror.Value, 16383);
  EXPECT_EQ(lfo.Osc.Increment, 10461);
  EXPECT_EQ(lfo.Rate.Disp.Value, 30000);
  EXPECT_EQ(lfo.Level.Disp.Value, 500);
  EXPECT_EQ(lfo.Offset.Disp.Value, 0);
}

TEST_F(LfoTest, SineSwingsBetweenOffsetAndOffsetPlusLevel) {
  EXPECT_EQ(At(1024), std::pair(32767, 0));
  EXPECT_EQ(At(3072), std::pair(0, 32767));
  lfo.Level.Value = 0;
  lfo.Offset.Value = 500;
  for (int i : {0, 1024, 3072}) EXPECT_EQ(At(i), std::pair(32767, 32767));
}

TEST_F(LfoTest, RectangleAtFullLevelAndOffset) {
  SelectWave(4);
  lfo.Level.Value = 1000;
  lfo.Offset.Value = 1000;
  for (int i : {0, 2047}) EXPECT_EQ(At(i), std::pair(131070, 65535)) << i;
  for (int i : {2048, 4095}) EXPECT_EQ(At(i), std::pair(65535, 131070)) << i;
}

TEST_F(LfoTest, RampsClimbAndFallOverOnePeriod) {
  lfo.Level.Value = 1000;
  SelectWave(2);
  EXPECT_EQ(At(0), std::pair(0, 65535));
  EXPECT_EQ(At(4095), std::pair(65534, 0));
  int32_t last = -1;
  for (int i = 0; i < 4096; ++i) {
    const int32_t out = At(i).first;
    ASSERT_GT(out, last) << i;
    last = out;
  }
  SelectWave(3);
  EXPECT_EQ(At(0), std::pair(65535, 0));
  EXPECT_EQ(At(4095), std::pair(0, 65534));
  SelectWave(1);
  EXPECT_EQ(At(1024), std::pair(65535, 0));
}

TEST_F(LfoTest, PhaseRuns256TimesSlowerThanAnAudioOscillator) {
  // A period of 2^28 phase units takes 2^28 / 10461 = 25660.6 frames at the initial rate.
  const std::vector<int32_t> out = RunFrames(lfo, lfo.Out, 25662);
  EXPECT_EQ(out[0], 16383);
  EXPECT_LT(out[25660], 16383);  // the last frame of the first period, just below the middle
  EXPECT_EQ(out[25661], 16383);  // the first of the second, back at table entry 0
  EXPECT_EQ(lfo.Osc.Phase, 25662 * 10461);
  EXPECT_EQ(*std::max_element(out.begin(), out.end()), 32767);
  EXPECT_EQ(*std::min_element(out.begin(), out.end()), 0);
}

TEST_F(LfoTest, RatesAboveThePitchTableRunAtTheTopRate) {
  lfo.Rate.Value = 65535;
  lfo.Rate.NotifyChange();
  EXPECT_EQ(lfo.Osc.Increment, 475538);  // 78.12 Hz
  EXPECT_EQ(lfo.Rate.Disp.Value, 65535);
  EXPECT_EQ(NTDisp::Format(lfo.Rate.Disp.Kind, lfo.Rate.Disp.Value), "104.2");
  lfo.Rate.Value = -7;  // only a damaged file holds this
  lfo.Rate.NotifyChange();
  EXPECT_EQ(lfo.Osc.Increment, t.Log[0]);
}

TEST_F(LfoTest, LevelAndOffsetChangesShowInTheirDisplays) {
  lfo.Level.Value = 250;
  lfo.Level.NotifyChange();
  lfo.Offset.Value = 1000;
  lfo.Offset.NotifyChange();
  lfo.RegChanged(NTLFO::kWaveCode + 5);  // no control has this code
  EXPECT_EQ(lfo.Level.Disp.Value, 250);
  EXPECT_EQ(lfo.Offset.Disp.Value, 1000);
  EXPECT_EQ(canvas.shown.size(), 2u);
  EXPECT_EQ(lfo.Osc.Increment, 10461);
}

TEST_F(LfoTest, OnlyTheFiveKeysSelectAWaveform) {
  SelectWave(5);
  EXPECT_EQ(lfo.Osc.Waveform, 0);
  SelectWave(3);
  EXPECT_EQ(lfo.Osc.Table, t.SawDn.Data());
  lfo.Wave.Selected = 4;
  lfo.CtrlNotify(NTLFO::kRateCode);
  EXPECT_EQ(lfo.Osc.Waveform, 3);
}

TEST_F(LfoTest, DamagedControlValuesComputeWithoutOverflow) {
  lfo.Level.Value = INT32_MAX;
  lfo.Offset.Value = INT32_MAX;
  RunFrame(lfo);  // defined, whatever it publishes
  lfo.Level.Value = 1000;
  lfo.Offset.Value = 0;
  EXPECT_EQ(At(1024), std::pair(65535, 0));
}
}  // namespace
