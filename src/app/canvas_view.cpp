#include "app/canvas_view.h"

#include <algorithm>
#include <vector>

namespace {
int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0));
}
int64_t CeilDiv(int64_t a, int64_t b) {
  return -FloorDiv(-a, b);
}
int32_t Clamp32(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The canvas pixels that one screen pixel shows, on one axis: from first, count of them.
struct Span {
  int32_t first, count;
};
}  // namespace

int64_t TView::Edge(int64_t s) const {
  return FloorDiv(s * 100, zoom);
}

int64_t TView::Middle(int64_t s) const {
  const int64_t first = Edge(s), end = std::max(first + 1, Edge(s + 1));
  return first + (end - first - 1) / 2;
}

int64_t TView::ScreenOf(int64_t c) const {
  if (zoom >= 100) return CeilDiv(c * zoom, 100);
  // The last screen pixel whose span starts at or before c: spans do not overlap below 100 %.
  return CeilDiv((c + 1) * zoom, 100) - 1;
}

Point TView::ToCanvas(Point s) const {
  return {Clamp32(origin.x + Middle(s.x)), Clamp32(origin.y + Middle(s.y))};
}

Point TView::ToScreen(Point c) const {
  return {Clamp32(ScreenOf(int64_t(c.x) - origin.x)), Clamp32(ScreenOf(int64_t(c.y) - origin.y))};
}

Rect TView::ToScreen(Rect c) const {
  if (c.Empty()) return {};
  // One pixel more on every side: an averaged screen pixel may reach into its neighbours' spans.
  const Rect r{Clamp32(ScreenOf(int64_t(c.left) - origin.x) - 1),
               Clamp32(ScreenOf(int64_t(c.top) - origin.y) - 1),
               Clamp32(ScreenOf(int64_t(c.right) - 1 - origin.x) + 2),
               Clamp32(ScreenOf(int64_t(c.bottom) - 1 - origin.y) + 2)};
  return r.Intersect({0, 0, width, height});
}

Rect TView::Stored() const {
  const auto extent = [this](int n) { return Clamp32(std::max(Edge(n), Edge(n - 1) + 1)); };
  return Rect::FromSize(origin.x, origin.y, width > 0 ? extent(width) : 0,
                        height > 0 ? extent(height) : 0);
}

Rect TView::Visible() const {
  return Rect::FromSize(origin.x, origin.y, Clamp32(Edge(std::max(width, 0))),
                        Clamp32(Edge(std::max(height, 0))));
}

int TView::Step(int zoom, int direction) {
  if (direction > 0) {
    const auto* next = std::ranges::upper_bound(kSteps, zoom);
    return next == kSteps.end() ? kMaxZoom : *next;
  }
  const auto* next = std::ranges::lower_bound(kSteps, zoom);
  return next == kSteps.begin() ? kMinZoom : *(next - 1);
}

void TView::Show(const Surface& store, Rect r, Surface& out) const {
  r = r.Intersect(out.Bounds());
  if (r.Empty()) return;
  const auto spans = [this](int32_t from, int32_t to, int limit) {
    std::vector<Span> list;
    for (int32_t s = from; s < to; ++s) {
      const int64_t first = std::clamp<int64_t>(Edge(s), 0, limit - 1);
      const int64_t end = std::clamp<int64_t>(Edge(s + 1), first + 1, limit);
      // Zoomed in, a screen pixel repeats the one canvas pixel it lies on.
      list.push_back({int32_t(first), zoom >= 100 ? 1 : int32_t(end - first)});
    }
    return list;
  };
  if (store.Empty()) return;
  const std::vector<Span> cols = spans(r.left, r.right, store.Width());
  const std::vector<Span> rows = spans(r.top, r.bottom, store.Height());
  for (int32_t y = r.top; y < r.bottom; ++y) {
    const Span row = rows[size_t(y - r.top)];
    Color* to = out.Row(y) + r.left;
    for (const Span& col : cols) {
      if (row.count == 1 && col.count == 1) {
        *to++ = store.Row(row.first)[col.first];
        continue;
      }
      uint32_t red = 0, green = 0, blue = 0;
      for (int32_t sy = row.first; sy < row.first + row.count; ++sy) {
        const Color* from = store.Row(sy) + col.first;
        for (int32_t i = 0; i < col.count; ++i) {
          red += uint32_t(RedOf(from[i]));
          green += uint32_t(GreenOf(from[i]));
          blue += uint32_t(BlueOf(from[i]));
        }
      }
      const uint32_t n = uint32_t(row.count * col.count);
      *to++ = Rgb(int(red / n), int(green / n), int(blue / n));
    }
  }
}
