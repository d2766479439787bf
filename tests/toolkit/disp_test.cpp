#include <gtest/gtest.h>

#include <limits>

#include "platform/art.h"
#include "support/test_canvas.h"
#include "toolkit/disp.h"

namespace {

std::string F(DisplayKind kind, int32_t v) {
  return NTDisp::Format(kind, v);
}

TEST(DisplayText, LevelsInDecibels) {
  EXPECT_EQ(F(DisplayKind::LevelDecibel, 900), " +0.0");
  EXPECT_EQ(F(DisplayKind::LevelDecibel, 1000), "+10.0");
  EXPECT_EQ(F(DisplayKind::LevelDecibel, 1), "-89.9");
  EXPECT_EQ(F(DisplayKind::LevelDecibel, 0), " -oo ");
}

TEST(DisplayText, FrequenciesShowFiveCharacters) {
  EXPECT_EQ(F(DisplayKind::Frequency, 0), "13.75");
  EXPECT_EQ(F(DisplayKind::Frequency, 6000), "27.50");
  EXPECT_EQ(F(DisplayKind::Frequency, 36000), "880.0");
  EXPECT_EQ(F(DisplayKind::Frequency, 42000), " 1760");
  EXPECT_EQ(F(DisplayKind::Frequency, 30000), "440.0");
  EXPECT_EQ(F(DisplayKind::Frequency, -6000), "6.875");
  // 2^(1/6) * 13750 = 15433.9...: truncated, never rounded up.
  EXPECT_EQ(F(DisplayKind::Frequency, 1000), "15.43");
  // The low-frequency base: 0.0537109375 Hz at position 0, doubling per 6000 steps.
  EXPECT_EQ(F(DisplayKind::LowFrequency, 0), "0.053");
  EXPECT_EQ(F(DisplayKind::LowFrequency, 60000), "55.00");
  EXPECT_EQ(F(DisplayKind::LowFrequency, 48000), "13.75");
}

TEST(DisplayText, FarOffPitchesSaturateInsteadOfOverflowing) {
  EXPECT_EQ(F(DisplayKind::Frequency, std::numeric_limits<int32_t>::max()), "2147483");
  EXPECT_EQ(F(DisplayKind::LowFrequency, std::numeric_limits<int32_t>::min()), "0.000");
}

TEST(DisplayText, FixedPointKinds) {
  EXPECT_EQ(F(DisplayKind::Thousandths, 500), "0.500");
  EXPECT_EQ(F(DisplayKind::Thousandths, 1000), "1.000");
  EXPECT_EQ(F(DisplayKind::Tenths, 10), "  1.0");
  EXPECT_EQ(F(DisplayKind::Tenths, 1234), "123.4");
  EXPECT_EQ(F(DisplayKind::Decibel, 25), " +2.5");
  EXPECT_EQ(F(DisplayKind::Decibel, -100), "-10.0");
  EXPECT_EQ(F(DisplayKind::Divisions, 10), "+0.33");
  EXPECT_EQ(F(DisplayKind::Divisions, -45), "-1.50");
  EXPECT_EQ(F(DisplayKind::TriggerPosition, 10), " +0.3");
  EXPECT_EQ(F(DisplayKind::TriggerPosition, 300), "+10.0");
  EXPECT_EQ(F(DisplayKind::Channel, 0), "  ---");  // every channel
  EXPECT_EQ(F(DisplayKind::Channel, 16), "   16");
  EXPECT_EQ(F(DisplayKind::Semitones, -12), "  -12");
  EXPECT_EQ(F(DisplayKind::Semitones, 0), "   +0");
}

TEST(DisplayText, TimeBases) {
  EXPECT_EQ(F(DisplayKind::TimeBase, -13), "  10s");
  EXPECT_EQ(F(DisplayKind::TimeBase, -12), " 5.0s");
  EXPECT_EQ(F(DisplayKind::TimeBase, 0), "680us");
  EXPECT_EQ(F(DisplayKind::TimeBase, 6), " 10us");
  // Outside the list (only from a damaged file).
  EXPECT_EQ(F(DisplayKind::TimeBase, -14), "?????");
  EXPECT_EQ(F(DisplayKind::TimeBase, 7), "?????");
  EXPECT_EQ(F(DisplayKind::TimeBase, std::numeric_limits<int32_t>::max()), "?????");
}

TEST(DisplayText, UnknownKindsShowNothing) {
  EXPECT_EQ(F(DisplayKind(0), 5), "");
  EXPECT_EQ(F(DisplayKind(12), 5), "");
}

class Display : public ::testing::Test {
 protected:
  // True when some pixel of the glyph cell at (x, y) carries the font's colour.
  bool GlyphAt(int x, int y) const {
    for (int j = 0; j < 7; ++j)
      for (int i = 0; i < 4; ++i)
        if (canvas.pixels.Pixel(x + i, y + j) == Rgb(0, 187, 226)) return true;
    return false;
  }
  TestCanvas canvas;
  NTWin device{&canvas, &canvas.root};
};

TEST_F(Display, DrawsGlyphsFromTheFieldsInnerCorner) {
  NTDisp disp(&canvas, &device, DisplayKind::Tenths, "Q");
  disp.MoveTo({40, 20});
  EXPECT_EQ(disp.W, 28);
  EXPECT_EQ(disp.H, 13);
  PaintWalk(&disp, *TClientDC(canvas));
  EXPECT_EQ(canvas.pixels.Pixel(40 + 27, 20 + 12), Rgb(255, 255, 255));  // the field's corner

  disp.Show(1234);  // "123.4"
  EXPECT_FALSE(canvas.shown.empty());
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(GlyphAt(42 + 5 * i, 23)) << i;

  disp.Show(0);  // "  0.0": the new text covers the old one
  EXPECT_FALSE(GlyphAt(42, 23));
  EXPECT_FALSE(GlyphAt(47, 23));
  EXPECT_TRUE(GlyphAt(52, 23));
}

TEST_F(Display, SavesItsValue) {
  NTDisp disp(&canvas, &device, DisplayKind::Frequency, "Freq");
  disp.SetValue(-4242);
  opstream os;
  disp.Write(os);
  NTDisp loaded(&canvas, &device, DisplayKind::Frequency, "Freq");
  ipstream is(os.Bytes());
  loaded.Read(is);
  EXPECT_EQ(loaded.Value, -4242);
}

TEST_F(Display, HoldsItsBitmapsWhileItLives) {
  {
    NTDisp disp(&canvas, &device, DisplayKind::LevelDecibel, "L");
    EXPECT_EQ(canvas.bitmaps.UseCount(bmp::kDisplayField), 1);
    EXPECT_EQ(canvas.bitmaps.UseCount(bmp::kDisplayFont), 1);
  }
  EXPECT_EQ(canvas.bitmaps.UseCount(bmp::kDisplayField), 0);
  EXPECT_EQ(canvas.bitmaps.UseCount(bmp::kDisplayFont), 0);
}

}  // namespace
