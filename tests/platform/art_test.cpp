#include "platform/art.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/png.h"

namespace {

constexpr Color kGlyphInk = Rgb(0, 187, 226);
constexpr Color kBlack = Rgb(0, 0, 0);
constexpr Color kWhite = Rgb(255, 255, 255);

struct Expected {
  int resource, width, height;
};

constexpr Expected kSizes[] = {
    {bmp::kJackMask, 16, 16},    {bmp::kJackBlue, 16, 16},      {bmp::kJackRed, 16, 16},
    {bmp::kJackWhite, 16, 16},   {bmp::kArrowUp, 16, 12},       {bmp::kArrowDown, 16, 12},
    {bmp::kKnob, 16, 20},        {bmp::kTrack, 16, 120},        {bmp::kKeyGnd, 40, 13},
    {bmp::kKeyOn, 40, 13},       {bmp::kKeysChannel, 40, 52},   {bmp::kKeysSlope, 40, 26},
    {bmp::kIoArrowMask, 31, 30}, {bmp::kIoArrow, 31, 30},       {bmp::kDisplayField, 28, 13},
    {bmp::kDisplayFont, 100, 7}, {bmp::kCrossMask, 12, 12},     {bmp::kCross, 12, 12},
    {bmp::kVuBar, 12, 170},      {bmp::kScopeScreen, 321, 261}, {bmp::kScopeGraticule, 321, 281},
    {bmp::kKeysLfoWave, 50, 85}, {bmp::kKeysVcoWave, 50, 68},   {bmp::kKeysFilter, 50, 68},
};

bool IsResource(int n) {
  for (const Expected& e : kSizes)
    if (e.resource == n) return true;
  return false;
}

TEST(Art, EveryResourceHasItsSizeAndOtherNumbersAreEmpty) {
  for (const Expected& e : kSizes) {
    const Surface s = MakeBitmap(e.resource);
    EXPECT_EQ(s.Width(), e.width) << "resource " << e.resource;
    EXPECT_EQ(s.Height(), e.height) << "resource " << e.resource;
  }
  for (int n = -1; n <= bmp::kCount; ++n)
    if (!IsResource(n)) {
      EXPECT_TRUE(MakeBitmap(n).Empty()) << "resource " << n;
    }
}

int InkColumns(const Surface& font, int glyph) {
  int columns = 0;
  for (int x = 4 * glyph; x < 4 * glyph + 4; ++x) {
    bool inked = false;
    for (int y = 0; y < 7; ++y) inked |= font.Pixel(x, y) != kBlack;
    columns += inked;
  }
  return columns;
}

TEST(Art, FontGlyphsAreCyanOnBlackWithBlankSpaceAndTail) {
  const Surface font = MakeBitmap(bmp::kDisplayFont);
  for (Color c : font.Pixels()) EXPECT_TRUE(c == kBlack || c == kGlyphInk);
  const std::string order = "0123456789+-. ?okmus";
  for (size_t i = 0; i < order.size(); ++i) {
    if (order[i] == ' ') {
      EXPECT_EQ(InkColumns(font, int(i)), 0) << "the space glyph is blank";
    } else {
      EXPECT_GT(InkColumns(font, int(i)), 0) << "glyph '" << order[i] << "'";
    }
  }
  for (int y = 0; y < 7; ++y)
    for (int x = 80; x < 100; ++x) EXPECT_EQ(font.Pixel(x, y), kBlack);
}

TEST(Art, DigitsDifferFromEachOther) {
  const Surface font = MakeBitmap(bmp::kDisplayFont);
  auto glyph = [&](int i) {
    std::vector<Color> pixels;
    for (int y = 0; y < 7; ++y)
      for (int x = 4 * i; x < 4 * i + 4; ++x) pixels.push_back(font.Pixel(x, y));
    return pixels;
  };
  for (int a = 0; a < 20; ++a)
    for (int b = a + 1; b < 20; ++b)
      if (a != 13 && b != 13) {
        EXPECT_NE(glyph(a), glyph(b)) << a << " vs " << b;
      }
}

TEST(Art, VuBarHasRedYellowGreenZonesWithBlackGaps) {
  const Surface bar = MakeBitmap(bmp::kVuBar);
  auto zoneOf = [](Color c) {
    const int r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
    if (r > 150 && g < 120 && b < 120) return 'r';
    if (r > 150 && g > 150 && b < 120) return 'y';
    if (g > 150 && r < 120 && b < 120) return 'g';
    return '?';
  };
  for (int y = 0; y < 170; ++y) {
    const bool gap = y % 3 == 2;
    const char zone = y < 30 ? 'r' : y < 54 ? 'y' : 'g';
    for (int x = 0; x < 12; ++x) {
      if (gap)
        EXPECT_EQ(bar.Pixel(x, y), kBlack) << "row " << y;
      else
        EXPECT_EQ(zoneOf(bar.Pixel(x, y)), zone) << "row " << y;
    }
  }
}

TEST(Art, DisplayFieldIsBlackInsideASunkenBorder) {
  const Surface f = MakeBitmap(bmp::kDisplayField);
  const Color dark = Rgb(64, 64, 64), light = Rgb(192, 192, 192);
  for (int x = 0; x < 27; ++x) EXPECT_EQ(f.Pixel(x, 0), dark) << x;
  for (int y = 0; y < 12; ++y) EXPECT_EQ(f.Pixel(0, y), dark) << y;
  for (int y = 1; y < 12; ++y) EXPECT_EQ(f.Pixel(27, y), light) << y;
  for (int x = 1; x < 27; ++x) EXPECT_EQ(f.Pixel(x, 12), light) << x;
  EXPECT_EQ(f.Pixel(27, 12), kWhite);
  for (int y = 1; y < 12; ++y)
    for (int x = 1; x < 27; ++x) EXPECT_EQ(f.Pixel(x, y), kBlack);
}

// A masked picture is laid with AND, then OR: the mask must be pure black or white, and the
// image black wherever the mask keeps the background.
void ExpectMaskedPair(int maskNo, int imageNo, int minimumInk) {
  const Surface mask = MakeBitmap(maskNo), image = MakeBitmap(imageNo);
  int inked = 0;
  for (int y = 0; y < mask.Height(); ++y) {
    for (int x = 0; x < mask.Width(); ++x) {
      const Color m = mask.Pixel(x, y);
      ASSERT_TRUE(m == kBlack || m == kWhite) << maskNo << " at " << x << "," << y;
      if (m == kWhite) {
        EXPECT_EQ(image.Pixel(x, y), kBlack) << imageNo << " at " << x << "," << y;
      }
      inked += m == kBlack;
    }
  }
  EXPECT_GE(inked, minimumInk) << "mask " << maskNo;
}

TEST(Art, MasksCoverExactlyWhereTheirImagesDraw) {
  for (int jack : {bmp::kJackBlue, bmp::kJackRed, bmp::kJackWhite})
    ExpectMaskedPair(bmp::kJackMask, jack, 150);
  ExpectMaskedPair(bmp::kIoArrowMask, bmp::kIoArrow, 100);
  ExpectMaskedPair(bmp::kCrossMask, bmp::kCross, 20);
}

TEST(Art, JacksAreDiscsWithColouredRingsAndDarkCentres) {
  const Surface mask = MakeBitmap(bmp::kJackMask);
  EXPECT_EQ(mask.Pixel(8, 8), kBlack);
  EXPECT_EQ(mask.Pixel(0, 0), kWhite);
  EXPECT_EQ(mask.Pixel(15, 15), kWhite);
  EXPECT_EQ(mask.Pixel(0, 8), kBlack);
  EXPECT_EQ(mask.Pixel(8, 15), kBlack);
  const Color blue = MakeBitmap(bmp::kJackBlue).Pixel(3, 8);
  const Color red = MakeBitmap(bmp::kJackRed).Pixel(3, 8);
  const Color white = MakeBitmap(bmp::kJackWhite).Pixel(3, 8);
  EXPECT_GT(BlueOf(blue), RedOf(blue) + 60);
  EXPECT_GT(RedOf(red), BlueOf(red) + 60);
  EXPECT_GT(std::min({RedOf(white), GreenOf(white), BlueOf(white)}), 180);
  for (int jack : {bmp::kJackBlue, bmp::kJackRed, bmp::kJackWhite})
    EXPECT_LT(GreenOf(MakeBitmap(jack).Pixel(8, 8)), 40) << jack;
}

TEST(Art, KeysAreGreyWhenOffAndRedWhenOn) {
  for (int n : {bmp::kKeyGnd, bmp::kKeyOn, bmp::kKeysChannel, bmp::kKeysSlope, bmp::kKeysLfoWave,
                bmp::kKeysVcoWave, bmp::kKeysFilter}) {
    const Surface keys = MakeBitmap(n);
    const int keyW = keys.Width() / 2, keyH = n >= bmp::kKeysLfoWave ? 17 : 13;
    for (int top = 0; top < keys.Height(); top += keyH) {
      const Color off = keys.Pixel(2, top + 2), on = keys.Pixel(keyW + keyW - 3, top + 3);
      EXPECT_TRUE(RedOf(off) == GreenOf(off) && GreenOf(off) == BlueOf(off)) << n;
      EXPECT_GT(RedOf(on), 2 * GreenOf(on) + 40) << n;
    }
  }
}

TEST(Art, SliderTrackClosesItsGrooveInTheBottomCap) {
  const Surface track = MakeBitmap(bmp::kTrack);
  EXPECT_EQ(track.Pixel(7, 60), kBlack) << "groove";
  EXPECT_NE(track.Pixel(7, 118), kBlack) << "below the cap's lip";
  EXPECT_NE(track.Pixel(7, 1), kBlack) << "above the groove's top end";
}

TEST(Art, ScopeScreenIsABlackWindowWithWhiteCorners) {
  const Surface screen = MakeBitmap(bmp::kScopeScreen);
  for (Point corner : {Point{0, 0}, Point{320, 0}, Point{0, 260}, Point{320, 260}})
    EXPECT_EQ(screen.Pixel(corner.x, corner.y), kWhite);
  EXPECT_EQ(screen.Pixel(160, 130), kBlack);
  EXPECT_EQ(screen.Pixel(0, 130), kBlack);
  EXPECT_EQ(screen.Pixel(160, 0), kBlack);
}

TEST(Art, GraticuleSitsOnDarkGreenInsideTheScreenOnly) {
  const Surface g = MakeBitmap(bmp::kScopeGraticule), screen = MakeBitmap(bmp::kScopeScreen);
  EXPECT_EQ(g.Pixel(25, 55), Rgb(0, 21, 0)) << "between grid lines";
  EXPECT_NE(g.Pixel(40, 55), Rgb(0, 21, 0)) << "a vertical grid line";
  EXPECT_NE(g.Pixel(25, 100), Rgb(0, 21, 0)) << "a horizontal grid line";
  for (int y = 0; y < 261; ++y)
    for (int x = 0; x < 321; ++x)
      if (screen.Pixel(x, y) == kWhite) {
        EXPECT_EQ(g.Pixel(x, y), kBlack) << x << "," << y;
      }
}

TEST(Art, ScopeMarkersPointFromTheirPlacesInChannelColours) {
  const Surface g = MakeBitmap(bmp::kScopeGraticule);
  const Color colours[4] = {Rgb(0, 255, 0), Rgb(255, 0, 255), Rgb(255, 0, 0), Rgb(0, 255, 255)};
  for (int k = 0; k < 4; ++k) {
    const int x = 26 * k;
    const Color c = colours[k];
    // Left-pointing: the point at the left of its middle row, the back full height.
    EXPECT_EQ(g.Pixel(x, 265), c) << k;
    EXPECT_EQ(g.Pixel(x, 261), kBlack) << k;
    EXPECT_EQ(g.Pixel(x + 7, 261), c) << k;
    EXPECT_EQ(g.Pixel(x + 7, 269), c) << k;
    // Upward: the point at the top of the middle column.
    EXPECT_EQ(g.Pixel(x + 8 + 4, 261), c) << k;
    EXPECT_EQ(g.Pixel(x + 8, 261), kBlack) << k;
    EXPECT_EQ(g.Pixel(x + 8, 268), c) << k;
    // Downward: the point at the bottom of the middle column.
    EXPECT_EQ(g.Pixel(x + 17 + 4, 268), c) << k;
    EXPECT_EQ(g.Pixel(x + 17, 268), kBlack) << k;
    EXPECT_EQ(g.Pixel(x + 17, 261), c) << k;
  }
  EXPECT_EQ(g.Pixel(200, 270), kBlack) << "beyond the markers";
}

// ---- Contact sheet: every bitmap, 3x, on mid-grey, plus the masked ones laid on a panel. ----

constexpr int kScale = 3, kGap = 8, kSheetW = 720;
constexpr Color kSheetGround = Rgb(128, 128, 128);
constexpr Color kPanel = Rgb(190, 170, 160);

// Lays the image through its mask on a panel-coloured square, as the panels do.
Surface OnPanel(int maskNo, int imageNo) {
  const Surface mask = MakeBitmap(maskNo), image = MakeBitmap(imageNo);
  Surface s(image.Width(), image.Height(), kPanel);
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      s.SetPixel(x, y, (s.Pixel(x, y) & mask.Pixel(x, y)) | image.Pixel(x, y));
  return s;
}

// A display field showing the text as the read-outs lay it: 4 x 7 glyphs, 5 pixels apart.
Surface Readout(const std::string& text) {
  const std::string order = "0123456789+-. ?okmus";
  const Surface font = MakeBitmap(bmp::kDisplayFont);
  Surface s = MakeBitmap(bmp::kDisplayField);
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t glyph = order.find(text[i]);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 4; ++x)
        s.SetPixel(2 + 5 * int(i) + x, 3 + y, font.Pixel(4 * int(glyph) + x, y));
  }
  return s;
}

class Sheet {
 public:
  void Add(const Surface& s) {
    if (x_ + s.Width() > kSheetW) NewRow();
    items_.push_back({x_, y_, s});
    x_ += s.Width() + kGap;
    rowH_ = std::max(rowH_, s.Height());
  }
  void NewRow() {
    x_ = kGap;
    y_ += rowH_ + kGap;
    rowH_ = 0;
  }
  Surface Render() const {
    Surface out(kSheetW * kScale, (y_ + rowH_ + kGap) * kScale, kSheetGround);
    for (const Item& item : items_)
      for (int y = 0; y < item.s.Height() * kScale; ++y)
        for (int x = 0; x < item.s.Width() * kScale; ++x)
          out.SetPixel((item.x * kScale) + x, (item.y * kScale) + y,
                       item.s.Pixel(x / kScale, y / kScale));
    return out;
  }

 private:
  struct Item {
    int x, y;
    Surface s;
  };
  std::vector<Item> items_;
  int x_ = kGap, y_ = kGap, rowH_ = 0;
};

TEST(Art, ContactSheetIsWritten) {
  Sheet sheet;
  for (int n = 1; n <= 39; ++n)
    if (n != bmp::kScopeScreen && n != bmp::kScopeGraticule && !MakeBitmap(n).Empty())
      sheet.Add(MakeBitmap(n));
  sheet.NewRow();
  for (int jack : {bmp::kJackBlue, bmp::kJackRed, bmp::kJackWhite})
    sheet.Add(OnPanel(bmp::kJackMask, jack));
  sheet.Add(OnPanel(bmp::kIoArrowMask, bmp::kIoArrow));
  sheet.Add(OnPanel(bmp::kCrossMask, bmp::kCross));
  sheet.NewRow();
  for (const char* text : {" -oo ", "+10.0", "-89.9", "13.75", "880.0", " 1760", "0.500", "680us",
                           "500ms", "2.0s", "+1.25", "?4679"})
    sheet.Add(Readout(text));
  sheet.NewRow();
  sheet.Add(MakeBitmap(bmp::kScopeGraticule));
  sheet.Add(OnPanel(bmp::kScopeScreen, bmp::kScopeGraticule));
  EXPECT_TRUE(WritePng(sheet.Render(), std::string(QUARVIN_BINARY_DIR) + "/contact_sheet.png"));
}

}  // namespace
