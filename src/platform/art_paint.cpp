#include "platform/art_paint.h"

#include <algorithm>
#include <cmath>

namespace art {

Color Mix(Color a, Color b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  auto channel = [t](int from, int to) { return int(std::lround(from + (to - from) * t)); };
  return Rgb(channel(RedOf(a), RedOf(b)), channel(GreenOf(a), GreenOf(b)),
             channel(BlueOf(a), BlueOf(b)));
}

void Fill(Surface& s, int x, int y, int w, int h, Color c) {
  for (int row = y; row < y + h; ++row)
    for (int col = x; col < x + w; ++col) s.SetPixel(col, row, c);
}

void Frame(Surface& s, int x, int y, int w, int h, Color topLeft, Color bottomRight) {
  Fill(s, x, y, w, 1, topLeft);
  Fill(s, x, y, 1, h, topLeft);
  Fill(s, x + w - 1, y + 1, 1, h - 1, bottomRight);
  Fill(s, x + 1, y + h - 1, w - 1, 1, bottomRight);
}

void RaisedFace(Surface& s, int x, int y, int w, int h, Color face) {
  Fill(s, x, y, w, h, face);
  Frame(s, x + 1, y + 1, w - 2, h - 2, face, kShadow);
  Frame(s, x, y, w, h, kHighlight, kEdge);
}

Coverage::Coverage(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      cover_(size_t(width_) * size_t(height_), 0.0) {}

double Coverage::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return cover_[size_t(y) * size_t(width_) + size_t(x)];
}

void Coverage::Add(int x, int y, double c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  double& cell = cover_[size_t(y) * size_t(width_) + size_t(x)];
  cell = std::max(cell, std::clamp(c, 0.0, 1.0));
}

double DistanceToSegment(PointF p, PointF a, PointF b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

void Stroke(Coverage& c, std::span<const PointF> points, double width) {
  if (points.empty()) return;
  for (int y = 0; y < c.Height(); ++y) {
    for (int x = 0; x < c.Width(); ++x) {
      const PointF centre{x + 0.5, y + 0.5};
      double d = DistanceToSegment(centre, points[0], points[0]);
      for (size_t i = 1; i < points.size(); ++i)
        d = std::min(d, DistanceToSegment(centre, points[i - 1], points[i]));
      // A pixel is fully inked when the line's edge passes half a pixel beyond its centre.
      c.Add(x, y, width / 2 + 0.5 - d);
    }
  }
}

std::vector<PointF> Curve(const std::function<PointF(double)>& f, int steps) {
  std::vector<PointF> points;
  for (int i = 0; i <= steps; ++i) points.push_back(f(double(i) / steps));
  return points;
}

void Stamp(Coverage& c, int x, int y, std::span<const std::string_view> rows) {
  for (size_t row = 0; row < rows.size(); ++row)
    for (size_t col = 0; col < rows[row].size(); ++col)
      if (rows[row][col] == '#') c.Add(x + int(col), y + int(row), 1.0);
}

void Stamp(Coverage& c, int x, int y, std::initializer_list<std::string_view> rows) {
  Stamp(c, x, y, std::span<const std::string_view>(rows.begin(), rows.size()));
}

void Paint(Surface& s, int x, int y, const Coverage& c, Color ink) {
  for (int row = 0; row < c.Height(); ++row) {
    for (int col = 0; col < c.Width(); ++col) {
      const double cover = c.At(col, row);
      if (cover > 0) s.SetPixel(x + col, y + row, Mix(s.Pixel(x + col, y + row), ink, cover));
    }
  }
}

}  // namespace art
