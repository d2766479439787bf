#pragma once
#include <algorithm>
#include <cstdint>

// Points and rectangles in pixels; rectangles are half-open (right and bottom excluded).
struct Point {
  int32_t x = 0, y = 0;
  friend bool operator==(Point, Point) = default;
};

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;

  static Rect FromSize(int32_t x, int32_t y, int32_t w, int32_t h) { return {x, y, x + w, y + h}; }
  bool Empty() const { return right <= left || bottom <= top; }
  int64_t Width() const { return int64_t(right) - left; }
  int64_t Height() const { return int64_t(bottom) - top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  Rect Intersect(const Rect& o) const {
    return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
            std::min(bottom, o.bottom)};
  }
  // The smallest rectangle holding both; an empty operand does not count.
  Rect Union(const Rect& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
            std::max(bottom, o.bottom)};
  }
};

// The part of a rectangle given in 64-bit coordinates (which may lie anywhere) inside limit.
inline Rect ClampRect(int64_t left, int64_t top, int64_t right, int64_t bottom, const Rect& limit) {
  if (limit.Empty() || right <= left || bottom <= top) return {};
  auto cx = [&](int64_t v) { return int32_t(std::clamp<int64_t>(v, limit.left, limit.right)); };
  auto cy = [&](int64_t v) { return int32_t(std::clamp<int64_t>(v, limit.top, limit.bottom)); };
  return {cx(left), cy(top), cx(right), cy(bottom)};
}
