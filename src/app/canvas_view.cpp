#include "app/canvas_view.h"

#include <algorithm>
#include <span>
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

// 65536 / n, rounded, for the pixel counts of a span (at 25 % at most 4 x 4).
constexpr auto kInverse = [] {
  std::array<uint32_t, 17> inverse{};
  for (uint32_t n = 1; n < inverse.size(); ++n) inverse[n] = (65536 + n / 2) / n;
  return inverse;
}();

// The canvas pixels that one screen pixel shows, on one axis: from first, count of them.
struct Span {
  int32_t first, count;
};

// Adds up the spans of K pixels that follow each other from `from` on, one sum a span.
template <int K>
void SumEvenSpans(const Color* from, std::vector<uint32_t>& redBlue, std::vector<uint32_t>& green) {
  for (size_t j = 0; j < redBlue.size(); ++j, from += K) {
    uint32_t rb = 0, g = 0;
    for (int k = 0; k < K; ++k) {
      rb += from[k] & 0xFF00FFu;
      g += from[k] & 0xFF00u;
    }
    redBlue[j] += rb;
    green[j] += g;
  }
}
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
  if (r.Empty() || store.Empty()) return;
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
  const std::vector<Span> cols = spans(r.left, r.right, store.Width());
  const std::vector<Span> rows = spans(r.top, r.bottom, store.Height());
  if (zoom >= 100) {
    for (int32_t y = r.top; y < r.bottom; ++y) {
      Color* to = out.Row(y) + r.left;
      const size_t i = size_t(y - r.top);
      if (i > 0 && rows[i].first == rows[i - 1].first) {
        std::copy(to - out.Width(), to - out.Width() + cols.size(), to);
        continue;
      }
      const Color* from = store.Row(rows[i].first);
      for (const Span& col : cols) *to++ = from[col.first];
    }
    return;
  }
  // Red and blue add up side by side in one word, green in another: a span holds at most 4 x 4
  // pixels, so no sum reaches the next channel.
  std::vector<uint32_t> redBlue(cols.size()), green(cols.size());
  // At 50 % and 25 % every span is 2 or 4 pixels wide and follows the one before: loops the
  // compiler unrolls.
  const int32_t width = cols[0].count;
  const bool isEven = std::ranges::all_of(cols, [&](const Span& c) {
    return c.count == width && c.first == cols[0].first + int32_t(&c - cols.data()) * width;
  });
  const int32_t even = isEven && (width == 2 || width == 4) ? width : 0;
  for (int32_t y = r.top; y < r.bottom; ++y) {
    const Span row = rows[size_t(y - r.top)];
    std::ranges::fill(redBlue, 0);
    std::ranges::fill(green, 0);
    for (int32_t sy = row.first; sy < row.first + row.count; ++sy) {
      const Color* from = store.Row(sy);
      if (even == 2) {
        SumEvenSpans<2>(from + cols[0].first, redBlue, green);
      } else if (even == 4) {
        SumEvenSpans<4>(from + cols[0].first, redBlue, green);
      } else {
        for (size_t j = 0; j < cols.size(); ++j)
          for (const Color c : std::span(from + cols[j].first, size_t(cols[j].count))) {
            redBlue[j] += c & 0xFF00FFu;
            green[j] += c & 0xFF00u;
          }
      }
    }
    Color* to = out.Row(y) + r.left;
    if (even != 0 && row.count == even) {
      // 2 x 2 or 4 x 4 pixels: the mean is a shift.
      const int shift = even == 2 ? 2 : 4;
      const uint32_t half = 1u << (shift - 1);
      for (size_t j = 0; j < cols.size(); ++j)
        *to++ =
            Rgb(int(((redBlue[j] >> 16) + half) >> shift), int(((green[j] >> 8) + half) >> shift),
                int(((redBlue[j] & 0xFFFFu) + half) >> shift));
      continue;
    }
    // Dividing by the count as a multiplication with its rounded reciprocal.
    for (size_t j = 0; j < cols.size(); ++j) {
      const uint32_t inverse = kInverse[size_t(row.count * cols[j].count)];
      const auto mean = [inverse](uint32_t sum) { return int((sum * inverse + 0x8000u) >> 16); };
      *to++ = Rgb(mean(redBlue[j] >> 16), mean(green[j] >> 8), mean(redBlue[j] & 0xFFFFu));
    }
  }
}
