#pragma once
#include "platform/dc.h"

// A wire between two connector centres: straight, or a parabola hanging below both ends.
struct TWire {
  TWire(Point a, Point b, bool curves);
  void Draw(Dc& dc) const;
  // The rectangle the wire covers (right and bottom exclusive).
  Rect Bounds() const;

  Point A, B;  // A is the left end
  bool Curved = false;
  double a = 0, b = 0, c = 0;  // y = a x^2 + b x + c when curved
  int Sag = 0;
};
