#include "devices/tables.h"

#include <gtest/gtest.h>

namespace {
const TTables& t = Tables();

TEST(TablesTest, WaveformsHitTheirPeaksAndCrossings) {
  EXPECT_EQ(t.Sin[0], 0);
  EXPECT_EQ(t.Sin[1], 100);
  EXPECT_EQ(t.Sin[40], 4018);
  EXPECT_EQ(t.Sin[81], 8121);
  EXPECT_EQ(t.Sin[1024], 65535);
  EXPECT_EQ(t.Sin[2048], 0);
  EXPECT_EQ(t.Sin[3072], -65535);

  EXPECT_EQ(t.Tri[0], 0);
  EXPECT_EQ(t.Tri[1], 63);
  EXPECT_EQ(t.Tri[1023], 65471);
  EXPECT_EQ(t.Tri[1024], 65535);
  EXPECT_EQ(t.Tri[1025], 65471);
  EXPECT_EQ(t.Tri[2048], 0);
  EXPECT_EQ(t.Tri[3071], -65471);
  EXPECT_EQ(t.Tri[3072], -65535);
  EXPECT_EQ(t.Tri[4095], -63);

  EXPECT_EQ(t.Rec[0], 65535);
  EXPECT_EQ(t.Rec[2047], 65535);
  EXPECT_EQ(t.Rec[2048], -65535);
  EXPECT_EQ(t.Rec[4095], -65535);
}

TEST(TablesTest, RampsFallJustShortOfFullScaleAtTheirEnd) {
  EXPECT_EQ(t.SawUp[0], -65535);
  EXPECT_EQ(t.SawUp[2047], -16);
  EXPECT_EQ(t.SawUp[2048], 16);
  EXPECT_EQ(t.SawUp[4095], 65534);
  EXPECT_EQ(t.SawDn[0], 65535);
  EXPECT_EQ(t.SawDn[2047], 16);
  EXPECT_EQ(t.SawDn[2048], -16);
  EXPECT_EQ(t.SawDn[4095], -65534);
}

TEST(TablesTest, PitchTableGivesIncrementsOfThe440HzScale) {
  ASSERT_EQ(t.Log.Size(), 63039u);
  EXPECT_EQ(t.Log[0], 326);
  EXPECT_EQ(t.Log[1], 326);  // neighbouring low positions share an increment
  EXPECT_EQ(t.Log[6000], 653);
  EXPECT_EQ(t.Log[30000], 10461);
  EXPECT_EQ(t.Log[60000], 334783);
  EXPECT_EQ(t.Log[63038], 475538);
  for (size_t i = 1; i < t.Log.Size(); ++i) ASSERT_LE(t.Log[i - 1], t.Log[i]) << i;
  // The table is built by products, not by the formula: every entry must still be the formula's.
  for (int i = 0; i <= kPitchMax; ++i) ASSERT_EQ(t.Log[size_t(i)], PitchIncrement(i)) << i;
}

TEST(TablesTest, LevelTableIsTenthsOfDecibelsAroundUnityAt900) {
  ASSERT_EQ(t.VolLog.Size(), 1001u);
  EXPECT_EQ(t.VolLog[0], 0);
  EXPECT_EQ(t.VolLog[99], 0);
  EXPECT_EQ(t.VolLog[100], 1);
  EXPECT_EQ(t.VolLog[500], 100);
  EXPECT_EQ(t.VolLog[800], 3162);
  EXPECT_EQ(t.VolLog[899], 9885);
  EXPECT_EQ(t.VolLog[900], 10000);
  EXPECT_EQ(t.VolLog[1000], 31622);
}

TEST(TablesTest, LevelPositionsOutsideTheTableAreClampedWhereItIsIndexed) {
  EXPECT_EQ(LevelGain(t, -1), 0);
  EXPECT_EQ(LevelGain(t, INT64_MIN), 0);
  EXPECT_EQ(LevelGain(t, 1001), 31622);
  EXPECT_EQ(LevelGain(t, int64_t(1) << 40), 31622);
  EXPECT_EQ(LevelGain(t, 900), 10000);
}
}  // namespace
