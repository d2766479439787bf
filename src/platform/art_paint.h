#pragma once
#include <functional>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "platform/surface.h"

// The small painting kit the bitmap art is drawn with: solid blocks, bevels, and pictures held
// as ink coverage so that one antialiased drawing can be laid on a grey and on a red ground.
namespace art {

// The grey of every raised control face and the edges that give it depth.
constexpr Color kFace = Rgb(192, 192, 192);
constexpr Color kHighlight = Rgb(255, 255, 255);
constexpr Color kShadow = Rgb(128, 128, 128);
constexpr Color kEdge = Rgb(64, 64, 64);
constexpr Color kBlack = Rgb(0, 0, 0);
constexpr Color kWhite = Rgb(255, 255, 255);

// a where t = 0, b where t = 1.
Color Mix(Color a, Color b, double t);

void Fill(Surface& s, int x, int y, int w, int h, Color c);
// A one-pixel frame: top row and left column in `topLeft`, right column and bottom row
// (without the top-right and bottom-left corners) in `bottomRight`.
void Frame(Surface& s, int x, int y, int w, int h, Color topLeft, Color bottomRight);
// A grey face standing out of the panel: light edge top-left, two-step shadow bottom-right.
void RaisedFace(Surface& s, int x, int y, int w, int h, Color face = kFace);

struct PointF {
  double x = 0, y = 0;
};

double DistanceToSegment(PointF p, PointF a, PointF b);

// Ink coverage 0..1 per pixel; pixel (x, y) covers the square [x, x+1) x [y, y+1).
class Coverage {
 public:
  Coverage(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // 0 outside the map.
  double At(int x, int y) const;
  // Ink only adds: the coverage becomes the larger of the old and the new value.
  void Add(int x, int y, double c);

 private:
  int width_, height_;
  std::vector<double> cover_;
};

// A line of the given width through the points, with round joins and ends.
void Stroke(Coverage& c, std::span<const PointF> points, double width = 1.0);
// The points of f(t) for t in 0..1 in `steps` steps.
std::vector<PointF> Curve(const std::function<PointF(double)>& f, int steps = 96);
// Full ink where a row string holds '#', starting at (x, y).
void Stamp(Coverage& c, int x, int y, std::initializer_list<std::string_view> rows);
void Stamp(Coverage& c, int x, int y, std::span<const std::string_view> rows);

// Lays `ink` over the surface at (x, y) by coverage.
void Paint(Surface& s, int x, int y, const Coverage& c, Color ink);

}  // namespace art
