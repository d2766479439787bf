// The pictures laid on panels through a mask (jacks, the input/output arrow, the multiplication
// cross) and the sunken display field.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "platform/art_paint.h"
#include "platform/art_parts.h"

namespace art {
namespace {

using Shape = std::function<bool(double, double)>;
using Shader = std::function<Color(double, double)>;

// Masked pictures are laid with AND, then OR: the mask is black exactly where the image is
// drawn, and the image is black everywhere else so that the OR leaves the panel alone there.
// Both decide by the pixel's centre, so they agree pixel for pixel.
Surface MaskOf(int w, int h, const Shape& shape) {
  Surface s(w, h, kWhite);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (shape(x + 0.5, y + 0.5)) s.SetPixel(x, y, kBlack);
  return s;
}

// Inside the shape, the shader's colour averaged over 4 x 4 samples, for smooth inner edges.
Surface ImageOf(int w, int h, const Shape& shape, const Shader& shader) {
  constexpr int kGrid = 4;
  Surface s(w, h, kBlack);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!shape(x + 0.5, y + 0.5)) continue;
      int r = 0, g = 0, b = 0;
      for (int sy = 0; sy < kGrid; ++sy) {
        for (int sx = 0; sx < kGrid; ++sx) {
          const Color c = shader(x + (sx + 0.5) / kGrid, y + (sy + 0.5) / kGrid);
          r += RedOf(c), g += GreenOf(c), b += BlueOf(c);
        }
      }
      constexpr int n = kGrid * kGrid;
      s.SetPixel(x, y, Rgb((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n));
    }
  }
  return s;
}

constexpr double kJackCentre = 8.0, kJackRadius = 7.75;

bool InJack(double x, double y) {
  return std::hypot(x - kJackCentre, y - kJackCentre) <= kJackRadius;
}

// A coloured ring lit from the top left, a dark rim, and a socket hole in the middle.
Color JackShade(Color ring, double x, double y) {
  const double dx = x - kJackCentre, dy = y - kJackCentre, r = std::hypot(dx, dy);
  if (r > 8.0) return kBlack;  // softens the disc's edge where pixels are partly outside
  if (r > 6.8) return Mix(ring, kBlack, 0.6);
  if (r > 3.6) {
    const double light = -(dx + dy) / (r * std::sqrt(2.0));
    return light > 0 ? Mix(ring, kWhite, 0.45 * light) : Mix(ring, kBlack, -0.4 * light);
  }
  if (r > 2.6) return (dx + dy > 0) ? Rgb(120, 120, 120) : Rgb(40, 40, 40);
  return Rgb(8, 8, 8);
}

// A right-pointing arrow filling 31 x 30: a shaft and a head, as a polygon.
constexpr std::array<PointF, 7> kIoArrow{
    {{1.0, 9.0}, {15.0, 9.0}, {15.0, 1.0}, {30.0, 15.0}, {15.0, 29.0}, {15.0, 21.0}, {1.0, 21.0}}};
constexpr double kIoLine = 2.0;
constexpr Color kSymbolInk = Rgb(40, 36, 34);

bool InPolygon(std::span<const PointF> poly, double x, double y) {
  bool in = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const PointF a = poly[i], b = poly[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

double DistanceToOutline(std::span<const PointF> poly, double x, double y) {
  double d = DistanceToSegment({x, y}, poly.back(), poly.front());
  for (size_t i = 1; i < poly.size(); ++i)
    d = std::min(d, DistanceToSegment({x, y}, poly[i - 1], poly[i]));
  return d;
}

bool InIoArrow(double x, double y) {
  return InPolygon(kIoArrow, x, y) && DistanceToOutline(kIoArrow, x, y) < kIoLine;
}

// The two diagonals of a 12 x 12 square, two pixels thick.
bool InCross(double x, double y) {
  const double a = std::abs((x - 6.0) - (y - 6.0)), b = std::abs((x - 6.0) + (y - 6.0));
  const bool onDiagonal = std::min(a, b) / std::sqrt(2.0) < 0.75;
  return onDiagonal && x > 1 && x < 11 && y > 1 && y < 11;
}

}  // namespace

Surface MakeJackMask() {
  return MaskOf(16, 16, InJack);
}

Surface MakeJack(Color ring) {
  return ImageOf(16, 16, InJack, [ring](double x, double y) { return JackShade(ring, x, y); });
}

Surface MakeIoArrowMask() {
  return MaskOf(31, 30, InIoArrow);
}

Surface MakeIoArrow() {
  return ImageOf(31, 30, InIoArrow, [](double, double) { return kSymbolInk; });
}

Surface MakeCrossMask() {
  return MaskOf(12, 12, InCross);
}

Surface MakeCross() {
  return ImageOf(12, 12, InCross, [](double, double) { return kSymbolInk; });
}

Surface MakeDisplayField() {
  Surface s(28, 13, kBlack);
  Frame(s, 0, 0, 28, 13, kEdge, kFace);
  s.SetPixel(27, 12, kWhite);
  return s;
}

}  // namespace art
