#include "platform/dc.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

constexpr Color kWhite = 0xFFFFFF, kRed = Rgb(255, 0, 0), kGrey = Rgb(100, 100, 100);

// The bounding box of the pixels in which two surfaces of one size differ.
Rect Changed(const Surface& before, const Surface& after) {
  Rect box{};
  for (int y = 0; y < after.Height(); ++y)
    for (int x = 0; x < after.Width(); ++x)
      if (before.Pixel(x, y) != after.Pixel(x, y)) box = box.Union({x, y, x + 1, y + 1});
  return box;
}

std::vector<Point> PixelsOf(const Surface& s, Color c) {
  std::vector<Point> points;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      if (s.Pixel(x, y) == c) points.push_back({x, y});
  return points;
}

// The textbook integer line walk, one pixel per step, for comparison.
std::vector<Point> ReferenceLine(int x0, int y0, int x1, int y1) {
  const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
  const int sx = x1 > x0 ? 1 : -1, sy = y1 > y0 ? 1 : -1;
  const bool steep = dy > dx;
  const int major = steep ? dy : dx, minor = steep ? dx : dy;
  std::vector<Point> points;
  int x = x0, y = y0, err = 2 * minor - major;
  for (int i = 0; i < major; ++i) {
    points.push_back({x, y});
    if (err > 0) {
      (steep ? x : y) += steep ? sx : sy;
      err -= 2 * major;
    }
    err += 2 * minor;
    (steep ? y : x) += steep ? sy : sx;
  }
  return points;
}

std::vector<Point> Sorted(std::vector<Point> p) {
  std::sort(p.begin(), p.end(),
            [](Point a, Point b) { return std::pair(a.y, a.x) < std::pair(b.y, b.x); });
  return p;
}

TEST(DcBlt, MaskThenImageKeepsBackgroundWhereMaskIsWhite) {
  Surface target(8, 4, kGrey);
  Surface mask(4, 2, kWhite), image(4, 2, 0);
  mask.SetPixel(1, 0, 0), image.SetPixel(1, 0, kRed);
  mask.SetPixel(2, 1, 0), image.SetPixel(2, 1, Rgb(1, 2, 3));
  Dc dc(target);
  dc.Blt(3, 1, 4, 2, mask, 0, 0, Rop::And);
  dc.Blt(3, 1, 4, 2, image, 0, 0, Rop::Or);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      const Color want = (x == 4 && y == 1) ? kRed : (x == 5 && y == 2) ? Rgb(1, 2, 3) : kGrey;
      EXPECT_EQ(target.Pixel(x, y), want) << x << "," << y;
    }
  EXPECT_EQ(dc.Touched(), (Rect{3, 1, 7, 3}));
}

TEST(DcBlt, CopiesOnlyWhatSourceClipAndTargetShare) {
  Surface src(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) src.SetPixel(x, y, Rgb(x, y, 7));
  Surface target(6, 6, kGrey);
  Dc dc(target, {0, 0, 5, 6});
  // From source (2, 1) onward only 2 x 3 pixels exist; column 5 lies outside the clip.
  dc.Blt(3, 2, 10, 10, src, 2, 1);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool copied = x >= 3 && x < 5 && y >= 2 && y < 5;
      EXPECT_EQ(target.Pixel(x, y), copied ? Rgb(x - 1, y - 1, 7) : kGrey) << x << "," << y;
    }
}

TEST(DcBlt, OverlappingCopyWithinOneSurface) {
  Surface s(5, 1);
  for (int x = 0; x < 5; ++x) s.SetPixel(x, 0, Color(x + 1));
  Dc dc(s);
  dc.Blt(1, 0, 4, 1, s, 0, 0);
  EXPECT_EQ(s.Pixels(), (std::vector<Color>{1, 1, 2, 3, 4}));
}

TEST(DcFill, FillAndPixelsStayInsideClip) {
  Surface target(6, 6, kGrey);
  Dc dc(target, {1, 1, 4, 4});
  dc.Fill(-3, 2, 100, 1, kRed);
  dc.SetPixel(2, 3, kWhite);
  dc.SetPixel(5, 5, kWhite);  // outside the clip
  EXPECT_EQ(PixelsOf(target, kRed), (std::vector<Point>{{1, 2}, {2, 2}, {3, 2}}));
  EXPECT_EQ(PixelsOf(target, kWhite), (std::vector<Point>{{2, 3}}));
  EXPECT_EQ(dc.Touched(), (Rect{1, 2, 4, 4}));
}

TEST(DcLine, EndPointIsNotDrawnAndPositionMoves) {
  Surface target(10, 10);
  Dc dc(target);
  dc.SetPen(kWhite);
  dc.MoveTo(1, 1);
  dc.LineTo(5, 1);
  dc.LineTo(5, 4);
  EXPECT_EQ(Sorted(PixelsOf(target, kWhite)),
            Sorted({{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {5, 2}, {5, 3}}));
  dc.Line(7, 7, 7, 7, kRed);  // a line to its own start draws nothing
  EXPECT_TRUE(PixelsOf(target, kRed).empty());
}

TEST(DcLine, ExactPixelsForSeveralSlopes) {
  Surface target(12, 12);
  Dc dc(target);
  dc.Line(0, 0, 4, 2, kWhite);
  EXPECT_EQ(Sorted(PixelsOf(target, kWhite)), Sorted({{0, 0}, {1, 0}, {2, 1}, {3, 1}}));

  target = Surface(12, 12);
  dc.Line(2, 9, 5, 0, kWhite);  // steep, upward
  EXPECT_EQ(Sorted(PixelsOf(target, kWhite)),
            Sorted({{2, 9}, {2, 8}, {3, 7}, {3, 6}, {3, 5}, {4, 4}, {4, 3}, {4, 2}, {5, 1}}));

  // Every octant against the textbook walk.
  const int ends[][2] = {{11, 3}, {9, 11}, {6, 11}, {0, 10}, {0, 4}, {1, 0},  {5, 0},
                         {11, 0}, {11, 6}, {6, 6},  {0, 6},  {6, 0}, {11, 11}};
  for (auto [x1, y1] : ends) {
    target = Surface(12, 12);
    dc.Line(6, 6, x1, y1, kWhite);
    EXPECT_EQ(Sorted(PixelsOf(target, kWhite)), Sorted(ReferenceLine(6, 6, x1, y1)))
        << "to " << x1 << "," << y1;
  }
}

TEST(DcLine, FarAwayLinesAreClippedExactly) {
  Surface target(20, 20);
  Dc dc(target);
  dc.Line(INT_MIN, INT_MIN, INT_MAX, INT_MAX, kWhite);
  std::vector<Point> diagonal;
  for (int i = 0; i < 20; ++i) diagonal.push_back({i, i});
  EXPECT_EQ(Sorted(PixelsOf(target, kWhite)), diagonal);

  // Half-way along 2^32 - 1 steps the line has risen 5 of its 10 pixels.
  target = Surface(20, 20);
  dc.Line(INT_MIN, 0, INT_MAX, 10, kWhite);
  std::vector<Point> row;
  for (int x = 0; x < 20; ++x) row.push_back({x, 5});
  EXPECT_EQ(Sorted(PixelsOf(target, kWhite)), row);

  target = Surface(20, 20);
  dc.Line(INT_MAX, INT_MIN, INT_MIN, INT_MAX, kWhite);
  dc.Line(INT_MAX, INT_MAX, INT_MIN, INT_MAX, kWhite);
  dc.Line(-5, 30, 40, -1000000000, kWhite);
  EXPECT_EQ(PixelsOf(target, kWhite).size(), 0u);
}

TEST(DcFocusRect, DottedOutlineThatASecondPassUndoes) {
  Surface target(10, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) target.SetPixel(x, y, Rgb(x * 20, y * 30, 77));
  const Surface before = target;
  Dc dc(target);
  dc.FocusRect({1, 1, 8, 6});
  EXPECT_EQ(Changed(before, target), (Rect{1, 1, 8, 6}));
  for (int x = 1; x < 7; ++x)  // along an edge every other pixel is inverted
    EXPECT_NE(target.Pixel(x, 1) == before.Pixel(x, 1),
              target.Pixel(x + 1, 1) == before.Pixel(x + 1, 1));
  for (int y = 2; y < 5; ++y)
    for (int x = 2; x < 7; ++x) EXPECT_EQ(target.Pixel(x, y), before.Pixel(x, y));
  EXPECT_EQ(target.Pixel(1, 1), before.Pixel(1, 1) ^ kWhite);
  dc.FocusRect({1, 1, 8, 6});
  EXPECT_EQ(target.Pixels(), before.Pixels());

  // Thin, clipped and far-reaching rectangles are undone just as well.
  for (Rect r : {Rect{3, 2, 4, 7}, Rect{0, 3, 10, 4}, Rect{-5, -5, 6, 4},
                 Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, Rect{5, 5, 5, 9}}) {
    dc.FocusRect(r);
    dc.FocusRect(r);
    EXPECT_EQ(target.Pixels(), before.Pixels());
  }
}

TEST(DcClip, AbsurdArgumentsTouchNothingOutsideTheClip) {
  Surface target(16, 16, kGrey);
  Surface src(4, 4, kRed);
  const Rect clip{4, 4, 12, 12};
  Dc dc(target, clip);
  const int wild[] = {INT_MIN, INT_MIN + 1, -1000000, -5, 0, 5, 1000000, INT_MAX - 1, INT_MAX};
  for (int a : wild)
    for (int b : wild) {
      dc.Fill(a, b, b, a, kRed);
      dc.Fill(a, 6, b, 2, kRed);
      dc.Blt(a, b, a, b, src, b, a, Rop::Or);
      dc.Blt(6, 6, b, a, src, a, b);
      dc.Blt(a, 5, b, b, target, a, b);
      dc.SetPixel(a, b, kRed);
      dc.Line(a, b, b, a, kWhite);
      dc.LineTo(a, 7);
      dc.FocusRect({a, b, b, a});
      dc.Text(a, b, "Wg", {.height = 12});
    }
  dc.Fill(0, 0, 16, 16, kWhite);
  dc.Text(0, 0, "x", {.height = INT_MAX});
  dc.Text(0, 0, "x", {.height = INT_MIN});
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      if (!clip.Contains({x, y})) {
        ASSERT_EQ(target.Pixel(x, y), kGrey) << x << "," << y;
      }
  EXPECT_EQ(dc.Touched(), clip);

  // A clip reaching past the target, or an inverted one.
  Dc wide(target, {INT_MIN, INT_MIN, INT_MAX, INT_MAX});
  wide.Fill(INT_MIN, INT_MIN, INT_MAX, INT_MAX, kRed);  // ends at -1
  EXPECT_TRUE(wide.Touched().Empty());
  wide.Fill(-100, 3, INT_MAX, INT_MAX, kRed);
  EXPECT_EQ(wide.Touched(), (Rect{0, 3, 16, 16}));
  Dc inverted(target, {10, 10, 2, 2});
  inverted.Fill(0, 0, 16, 16, kGrey);
  inverted.Line(0, 0, 15, 15, kGrey);
  EXPECT_TRUE(inverted.Touched().Empty());
}

TEST(DcTouched, AccumulatesClippedBoxes) {
  Surface target(20, 20);
  Dc dc(target, {0, 0, 15, 20});
  EXPECT_TRUE(dc.Touched().Empty());
  dc.SetPixel(2, 3, kRed);
  EXPECT_EQ(dc.Touched(), (Rect{2, 3, 3, 4}));
  dc.Fill(10, 8, 20, 2, kRed);
  EXPECT_EQ(dc.Touched(), (Rect{2, 3, 15, 10}));
  dc.Line(0, 12, 0, 20, kRed);
  EXPECT_EQ(dc.Touched(), (Rect{0, 3, 15, 20}));
}

// Text is probed by where ink appears around the reference point, not by glyph shapes.
struct Ink {
  Surface before, after;
  Rect box, touched;
};

Ink DrawAt(int x, int y, const char* text, TextStyle style) {
  Ink ink{Surface(120, 80, kWhite), {}, {}, {}};
  ink.after = ink.before;
  Dc dc(ink.after);
  dc.Text(x, y, text, style);
  ink.box = Changed(ink.before, ink.after);
  ink.touched = dc.Touched();
  return ink;
}

TEST(DcText, ReferencePoints) {
  const Ink leftTop = DrawAt(30, 20, "Hallo", {.height = 20, .align = TextAlign::LeftTop});
  ASSERT_FALSE(leftTop.box.Empty());
  EXPECT_GE(leftTop.box.left, 30);
  EXPECT_LE(leftTop.box.left, 33);
  EXPECT_GE(leftTop.box.top, 20);
  EXPECT_LE(leftTop.box.bottom, 40);
  EXPECT_GT(leftTop.box.Width(), 30);

  const Ink centre = DrawAt(60, 50, "Hallo", {.height = 13, .align = TextAlign::CenterBottom});
  ASSERT_FALSE(centre.box.Empty());
  EXPECT_LT(centre.box.left, 55);
  EXPECT_GT(centre.box.right, 65);
  EXPECT_LE(std::abs(centre.box.left + centre.box.right - 120), 3);
  EXPECT_LE(centre.box.bottom, 50);
  EXPECT_GE(centre.box.top, 37);

  const Ink right = DrawAt(60, 50, "+10", {.height = 8, .align = TextAlign::RightBottom});
  ASSERT_FALSE(right.box.Empty());
  EXPECT_LE(right.box.right, 60);
  EXPECT_GE(right.box.right, 57);
  EXPECT_LE(right.box.bottom, 50);
  EXPECT_GE(right.box.top, 42);
}

TEST(DcText, ColourStylesUmlautsAndTouchedBox) {
  const Ink plain = DrawAt(10, 10, "AOU", {.height = 30, .color = Rgb(64, 64, 64)});
  ASSERT_FALSE(plain.box.Empty());
  EXPECT_FALSE(PixelsOf(plain.after, Rgb(64, 64, 64)).empty());  // full coverage is the colour
  EXPECT_TRUE(PixelsOf(plain.after, 0).empty());
  EXPECT_EQ(plain.touched.Union(plain.box), plain.touched);

  // The dots of the umlauts lie above the capitals.
  const Ink umlauts = DrawAt(10, 10, "ÄÖÜ", {.height = 30, .color = Rgb(64, 64, 64)});
  EXPECT_LT(umlauts.box.top, plain.box.top);
  EXPECT_EQ(umlauts.box.bottom, plain.box.bottom);

  const Ink italic = DrawAt(10, 10, "AOU", {.height = 30, .italic = true});
  EXPECT_NE(italic.after.Pixels(), plain.after.Pixels());
  EXPECT_FALSE(italic.box.Empty());

  EXPECT_TRUE(DrawAt(10, 10, "", {}).touched.Empty());
  EXPECT_TRUE(DrawAt(10, 10, "A", {.height = 0}).touched.Empty());
  EXPECT_FALSE(DrawAt(10, 10, "\xff\xc3(\xe2\x82", {.height = 20}).box.Empty());  // malformed
}

// The glyphs are kept between texts: a text draws the same pixels after its glyphs were kept,
// and after texts of every size up to the largest made the store start afresh on the way.
TEST(DcText, KeptGlyphsDrawWhatFreshOnesDrew) {
  const TextStyle style{.height = 17, .italic = true};
  const Ink first = DrawAt(5, 30, "Freq 440,0 Hz", style);
  for (int height = 100; height <= 1024; height += 8) DrawAt(0, 0, "WM", {.height = height});
  EXPECT_EQ(DrawAt(5, 30, "Freq 440,0 Hz", style).after.Pixels(), first.after.Pixels());
}

}  // namespace
