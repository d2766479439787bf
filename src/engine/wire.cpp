#include "engine/wire.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {
// Truncation toward zero that stays defined for any double.
int32_t TruncToInt(double v) {
  if (!(v == v)) return 0;
  constexpr double lo = std::numeric_limits<int32_t>::min(),
                   hi = std::numeric_limits<int32_t>::max();
  return int32_t(std::clamp(std::trunc(v), lo, hi));
}
}  // namespace

TWire::TWire(Point from, Point to, bool curves) : A(from), B(to) {
  if (A.x > B.x) std::swap(A, B);
  const int64_t d = int64_t(B.x) - A.x;
  Curved = curves && d > 3;
  if (!Curved) return;
  Sag = d < 60 ? int(d / 5) : 10;
  // The sag point hangs below both ends, midway.
  const int64_t mx = (int64_t(A.x) + B.x) / 2;
  const int64_t my = std::max(A.y, B.y) + int64_t(Sag);
  // Exact solution of the three-point system; squares formed as integers.
  const double x1 = A.x, x2 = double(mx), x3 = B.x;
  const double y1 = A.y, y2 = double(my), y3 = B.y;
  const double s1 = double(int64_t(A.x) * A.x), s2 = double(mx * mx),
               s3 = double(int64_t(B.x) * B.x);
  const double det = s1 * (x2 - x3) - x1 * (s2 - s3) + (s2 * x3 - s3 * x2);
  a = (y1 * (x2 - x3) - x1 * (y2 - y3) + (y2 * x3 - y3 * x2)) / det;
  b = (s1 * (y2 - y3) - y1 * (s2 - s3) + (s2 * y3 - s3 * y2)) / det;
  c = (s1 * (x2 * y3 - x3 * y2) - x1 * (s2 * y3 - s3 * y2) + y1 * (s2 * x3 - s3 * x2)) / det;
}

void TWire::Draw(Dc& dc) const {
  // The canvas's contexts carry the default pen: solid black, one pixel.
  dc.SetPen(Rgb(0, 0, 0));
  if (!Curved) {
    dc.MoveTo(A.x, A.y);
    dc.LineTo(B.x, B.y);
    return;
  }
  // Only the columns inside the clip need points: the rest cannot show.
  const Rect clip = dc.Clip();
  const int64_t first = std::max<int64_t>(A.x, int64_t(clip.left) - 1);
  const int64_t last = std::min<int64_t>(B.x, clip.right);
  if (first > last) return;
  const auto y = [this](int64_t x) {
    const double xd = double(x);
    return TruncToInt(a * xd * xd + b * xd + c);
  };
  dc.MoveTo(int(first), y(first));
  for (int64_t x = first + 1; x <= last; ++x) dc.LineTo(int(x), y(x));
}

Rect TWire::Bounds() const {
  const int32_t top = std::min(A.y, B.y);
  const int32_t right = B.x + 1;
  if (!Curved || a == 0) return {A.x, top, right, std::max(A.y, B.y) + 1};
  const int32_t v = TruncToInt((4 * a * c - b * b) / (4 * a));
  return {A.x, top, right, v + 1};
}
