#include "devices/vumeter.h"

#include <gtest/gtest.h>

#include "device_fixture.h"
#include "toolkit/bitmap_cache.h"

namespace {
class VuMeterTest : public ::testing::Test {
 protected:
  TestCanvas canvas;
  TestSource src{&canvas, canvas.Root()};
  NTVUMeter vu{&canvas, canvas.Root()};

  void SetUp() override {
    vu.MoveTo({100, 50});
    vu.In.Source = &src.Out;
  }

  // A tick after a few frames of a steady value.
  void TickAt(int32_t v) {
    src.Out.Value = v;
    for (int i = 0; i < 3; ++i) vu.Latch();
    vu.Tick();
  }
  // The bar's pixel in row r (0 = top) of its 170 rows.
  Color BarPixel(int r) const { return canvas.pixels.Pixel(100 + 24 + 5, 50 + 21 + r); }
  Color LitPixel(int r) const { return canvas.bitmaps.Get(bmp::kVuBar).Pixel(5, r); }
};

TEST_F(VuMeterTest, LevelIsOneAndAHalfPixelsPerDecibelFrom140AtFullScale) {
  EXPECT_EQ(NTVUMeter::Level(65535), 140);
  EXPECT_EQ(NTVUMeter::Level(32767), 130);
  EXPECT_EQ(NTVUMeter::Level(2), 4);
  EXPECT_EQ(NTVUMeter::Level(1), -4);
  EXPECT_EQ(NTVUMeter::Level(0), 0);
  EXPECT_EQ(NTVUMeter::Level(655350), 170);
  EXPECT_GT(NTVUMeter::Level(INT32_MAX), 170);
}

TEST_F(VuMeterTest, LatchKeepsTheLargestMagnitudeUntilTheTick) {
  for (int32_t v : {100, -30000, 2000}) {
    src.Out.Value = v;
    vu.Latch();
  }
  EXPECT_EQ(vu.Peak, 30000);
  src.Out.Value = INT32_MIN;
  vu.Latch();
  EXPECT_EQ(vu.Peak, INT32_MAX);
  vu.Tick();
  EXPECT_EQ(vu.Peak, 0);
  vu.In.Source = nullptr;
  vu.Peak = 5;
  vu.Latch();
  EXPECT_EQ(vu.Peak, 0);
}

TEST_F(VuMeterTest, BarRisesAtOnceAndShowsTheBottomRowsOfTheLitBar) {
  TickAt(65535);
  EXPECT_EQ(vu.BarHeight, 140);
  ASSERT_EQ(canvas.shown.size(), 1u);
  EXPECT_EQ(BarPixel(0), Rgb(0, 0, 0));
  EXPECT_EQ(BarPixel(29), Rgb(0, 0, 0));
  for (int r = 30; r < 170; ++r) ASSERT_EQ(BarPixel(r), LitPixel(r)) << r;
  // A steady level draws nothing at all.
  TickAt(65535);
  TickAt(-65535);
  EXPECT_EQ(canvas.shown.size(), 1u);
  TickAt(655350);
  EXPECT_EQ(vu.BarHeight, 170);
  EXPECT_EQ(BarPixel(0), LitPixel(0));
  TickAt(INT32_MAX);
  EXPECT_EQ(canvas.shown.size(), 2u);
}

TEST_F(VuMeterTest, BarHoldsSixTicksThenFallsFasterAndFaster) {
  TickAt(65535);
  vu.In.Source = nullptr;  // the peak is 0 from now on
  std::vector<int32_t> heights;
  for (int i = 0; i < 30; ++i) {
    vu.Latch();
    vu.Tick();
    heights.push_back(vu.BarHeight);
  }
  const std::vector<int32_t> expected = {140, 140, 140, 140, 140, 140,  // hold
                                         139, 138, 137, 136, 135, 134,  // 1 px per tick
                                         132, 130, 128, 126, 124, 122,  // 2 px
                                         119, 116, 113, 110, 107, 104,  // 3 px
                                         100, 96,  92,  88,  84,  80};
  EXPECT_EQ(heights, expected);
  EXPECT_EQ(canvas.shown.size(), 1u + 24u);  // nothing drawn while holding
}

TEST_F(VuMeterTest, FallStopsAtEmptyAndANewPeakRestartsTheHold) {
  TickAt(65535);
  for (int i = 0; i < 200; ++i) TickAt(0);
  EXPECT_EQ(vu.BarHeight, 0);
  TickAt(1);  // level -4: stays empty
  EXPECT_EQ(vu.BarHeight, 0);
  TickAt(32767);
  EXPECT_EQ(vu.BarHeight, 130);
  EXPECT_EQ(vu.FallCount, 0);
  TickAt(0);
  EXPECT_EQ(vu.BarHeight, 130);
}

TEST_F(VuMeterTest, MeterStandsStillWhileAPanelMovesAndThenShowsTheLargestPeak) {
  TickAt(100);
  const int32_t before = vu.BarHeight;
  const size_t shown = canvas.shown.size();
  canvas.SetInteraction(InteractionMode::Moving);
  TickAt(65535);
  TickAt(5);
  EXPECT_EQ(vu.BarHeight, before);
  EXPECT_EQ(canvas.shown.size(), shown);
  EXPECT_EQ(vu.Peak, 65535);
  canvas.SetInteraction(InteractionMode::Idle);
  vu.Tick();
  EXPECT_EQ(vu.BarHeight, 140);
}

TEST_F(VuMeterTest, PaintDrawsTheBarAtItsHeight) {
  TickAt(65535);
  canvas.pixels = Surface(800, 600, Rgb(1, 2, 3));
  Dc dc(canvas.pixels);
  vu.Paint(dc);
  EXPECT_EQ(BarPixel(0), Rgb(0, 0, 0));
  EXPECT_EQ(BarPixel(169), LitPixel(169));
  EXPECT_EQ(vu.Painted, 1);
}

TEST_F(VuMeterTest, HoldsTheBarBitmapForItsLifetime) {
  const int before = canvas.bitmaps.UseCount(bmp::kVuBar);
  {
    NTVUMeter other(&canvas, canvas.Root());
    EXPECT_EQ(canvas.bitmaps.UseCount(bmp::kVuBar), before + 1);
  }
  EXPECT_EQ(canvas.bitmaps.UseCount(bmp::kVuBar), before);
}
}  // namespace
