// The oscilloscope's screen: a rounded window (laid with AND), its graticule (laid with OR),
// and below the graticule the markers the scope copies beside its trace area.
#include <algorithm>
#include <array>
#include <cmath>

#include "platform/art_paint.h"
#include "platform/art_parts.h"

namespace art {
namespace {

constexpr int kScreenW = 321, kScreenH = 261, kMarkerRows = 20;
constexpr double kCornerRadius = 8;

// The trace area: 301 columns from x = 10, 30 pixels per division, centre line at y = 130,
// four divisions up and down.
constexpr int kTraceLeft = 10, kTraceRight = 310, kCentreY = 130, kDivision = 30;
constexpr int kDivisionsUpDown = 4, kMinorTicks = 5;

constexpr Color kBackground = Rgb(0, 21, 0);
constexpr Color kGrid = Rgb(0, 68, 10);
constexpr Color kAxis = Rgb(0, 100, 16);
constexpr Color kRimDark = Rgb(24, 40, 24);
constexpr Color kRimLight = Rgb(120, 140, 120);
constexpr std::array<Color, 4> kChannelColours{Rgb(0, 255, 0), Rgb(255, 0, 255), Rgb(255, 0, 0),
                                               Rgb(0, 255, 255)};

// How far the pixel centre lies inside the rounded rectangle of the screen shrunk by `inset`
// (negative: outside), and the outward direction of the nearest edge.
struct EdgeProbe {
  double depth;
  PointF outward;
};

EdgeProbe ProbeScreen(int x, int y, double inset) {
  const double px = x + 0.5, py = y + 0.5;
  const double r = kCornerRadius - inset;
  const double left = inset + r, right = kScreenW - inset - r;
  const double top = inset + r, bottom = kScreenH - inset - r;
  const double cx = std::clamp(px, left, right), cy = std::clamp(py, top, bottom);
  const double dx = px - cx, dy = py - cy, d = std::hypot(dx, dy);
  if (d > 0) return {r - d, {dx / d, dy / d}};
  // Within the straight part: the nearest side decides.
  const double toSide[4] = {px - inset, kScreenW - inset - px, py - inset, kScreenH - inset - py};
  const PointF normal[4] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
  const auto nearest = std::min_element(toSide, toSide + 4) - toSide;
  return {toSide[nearest], normal[nearest]};
}

bool OnScreen(int x, int y) {
  return ProbeScreen(x, y, 0).depth > 0;
}

// A sunken rim one pixel wide: shadowed at the top and left, lit at the bottom and right.
void DrawRim(Surface& s) {
  for (int y = 0; y < kScreenH; ++y) {
    for (int x = 0; x < kScreenW; ++x) {
      const EdgeProbe probe = ProbeScreen(x, y, 0);
      if (probe.depth <= 0 || probe.depth > 1) continue;
      const double light = (probe.outward.x + probe.outward.y) / std::sqrt(2.0);
      s.SetPixel(x, y, Mix(kRimDark, kRimLight, (light + 1) / 2));
    }
  }
}

void DrawGrid(Surface& s) {
  const int top = kCentreY - kDivisionsUpDown * kDivision;
  const int bottom = kCentreY + kDivisionsUpDown * kDivision;
  for (int x = kTraceLeft; x <= kTraceRight; x += kDivision)
    Fill(s, x, top, 1, bottom - top + 1, kGrid);
  for (int y = top; y <= bottom; y += kDivision)
    Fill(s, kTraceLeft, y, kTraceRight - kTraceLeft + 1, 1, kGrid);
  // The centre cross, brighter, with a tick at every fifth of a division.
  const int centreX = (kTraceLeft + kTraceRight) / 2;
  Fill(s, kTraceLeft, kCentreY, kTraceRight - kTraceLeft + 1, 1, kAxis);
  Fill(s, centreX, top, 1, bottom - top + 1, kAxis);
  constexpr int kTick = kDivision / kMinorTicks;
  for (int x = kTraceLeft; x <= kTraceRight; x += kTick) Fill(s, x, kCentreY - 2, 1, 5, kAxis);
  for (int y = top; y <= bottom; y += kTick) Fill(s, centreX - 2, y, 5, 1, kAxis);
}

// The markers are tags: a point and a square back.
void DrawLeftMarker(Surface& s, int x, int y, Color c) {
  for (int row = 0; row < 9; ++row) {
    const int from = std::abs(row - 4);
    Fill(s, x + from, y + row, 8 - from, 1, c);
  }
}

void DrawVerticalMarker(Surface& s, int x, int y, Color c, bool up) {
  for (int row = 0; row < 8; ++row) {
    const int half = std::min(up ? row : 7 - row, 4);
    Fill(s, x + 4 - half, y + row, 2 * half + 1, 1, c);
  }
}

}  // namespace

Surface MakeScopeScreen() {
  Surface s(kScreenW, kScreenH, kWhite);
  for (int y = 0; y < kScreenH; ++y)
    for (int x = 0; x < kScreenW; ++x)
      if (OnScreen(x, y)) s.SetPixel(x, y, kBlack);
  return s;
}

Surface MakeScopeGraticule() {
  Surface s(kScreenW, kScreenH + kMarkerRows, kBlack);
  for (int y = 0; y < kScreenH; ++y)
    for (int x = 0; x < kScreenW; ++x)
      if (OnScreen(x, y)) s.SetPixel(x, y, kBackground);
  DrawRim(s);
  DrawGrid(s);
  for (int k = 0; k < 4; ++k) {
    const Color c = kChannelColours[size_t(k)];
    DrawLeftMarker(s, 26 * k, kScreenH, c);
    DrawVerticalMarker(s, 26 * k + 8, kScreenH, c, true);
    DrawVerticalMarker(s, 26 * k + 17, kScreenH, c, false);
  }
  return s;
}

}  // namespace art
