#include "platform/dc.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "platform/text.h"

namespace {

// Offset of the minor coordinate after `step` steps along the major axis of a line that moves
// `minor` against `major` (0 <= minor <= major, major > 0): the nearest pixel to the ideal line,
// ties going to the start. Step and extent reach 2^32, so the product needs 128 bits.
int64_t MinorOffset(int64_t step, int64_t minor, int64_t major) {
  using Wide = unsigned __int128;
  const Wide twice = 2 * Wide(uint64_t(step)) * Wide(uint64_t(minor)) + Wide(uint64_t(major)) - 1;
  return int64_t(twice / (2 * Wide(uint64_t(major))));
}

int32_t Saturated(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

Dc::Dc(Surface& target) : Dc(target, target.Bounds()) {}

Dc::Dc(Surface& target, Rect clip, Point origin) : target_(&target), clip_(clip), origin_(origin) {}

Rect Dc::Shifted(Rect r, Point by) {
  if (r.Empty()) return r;
  return {Saturated(int64_t(r.left) + by.x), Saturated(int64_t(r.top) + by.y),
          Saturated(int64_t(r.right) + by.x), Saturated(int64_t(r.bottom) + by.y)};
}

void Dc::SetClip(Rect clip) {
  clip_ = clip;
}

void Dc::Blt(int x, int y, int w, int h, const Surface& src, int sx, int sy, Rop rop) {
  const int64_t tx = int64_t(x) - origin_.x, ty = int64_t(y) - origin_.y;
  const int64_t dx = sx - tx, dy = sy - ty;  // source minus target position
  Rect dest = ClampRect(tx, ty, tx + w, ty + h, Limit());
  dest = ClampRect(-dx, -dy, src.Width() - dx, src.Height() - dy, dest);
  if (dest.Empty()) return;
  if (&src == target_) {
    // Overlapping source and target: take the source pixels before any of them change.
    Surface copy(int(dest.Width()), int(dest.Height()));
    for (int32_t y0 = dest.top; y0 < dest.bottom; ++y0) {
      const Color* from = src.Row(int32_t(y0 + dy)) + (dest.left + dx);
      std::copy(from, from + dest.Width(), copy.Row(y0 - dest.top));
    }
    BltClipped(dest, copy, -int64_t(dest.left), -int64_t(dest.top), rop);
  } else {
    BltClipped(dest, src, dx, dy, rop);
  }
}

void Dc::BltClipped(Rect dest, const Surface& src, int64_t dx, int64_t dy, Rop rop) {
  for (int32_t y = dest.top; y < dest.bottom; ++y) {
    const Color* from = src.Row(int32_t(y + dy)) + (dest.left + dx);
    Color* to = target_->Row(y) + dest.left;
    const int64_t n = dest.Width();
    switch (rop) {
      case Rop::Copy:
        std::copy(from, from + n, to);
        break;
      case Rop::And:
        for (int64_t i = 0; i < n; ++i) to[i] &= from[i];
        break;
      case Rop::Or:
        for (int64_t i = 0; i < n; ++i) to[i] |= from[i];
        break;
    }
  }
  Touch(dest);
}

void Dc::Fill(int x, int y, int w, int h, Color c) {
  const int64_t tx = int64_t(x) - origin_.x, ty = int64_t(y) - origin_.y;
  const Rect dest = ClampRect(tx, ty, tx + w, ty + h, Limit());
  if (dest.Empty()) return;
  for (int32_t row = dest.top; row < dest.bottom; ++row) {
    Color* to = target_->Row(row);
    std::fill(to + dest.left, to + dest.right, c);
  }
  Touch(dest);
}

void Dc::SetPixel(int x, int y, Color c) {
  PlotClipped(int64_t(x) - origin_.x, int64_t(y) - origin_.y, c);
}

void Dc::PlotClipped(int64_t x, int64_t y, Color c) {
  const Rect limit = Limit();
  if (x < limit.left || x >= limit.right || y < limit.top || y >= limit.bottom) return;
  const auto px = int32_t(x), py = int32_t(y);
  target_->Row(py)[px] = c;
  Touch({px, py, px + 1, py + 1});
}

void Dc::LineTo(int x, int y) {
  const Point from = pos_;
  pos_ = {x, y};
  const int64_t dx = int64_t(x) - from.x, dy = int64_t(y) - from.y;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
  const int64_t steps = std::llabs(major), rise = std::llabs(minor);
  const Rect limit = Shifted(Limit(), origin_);
  if (steps == 0 || limit.Empty()) return;

  // Only the steps whose major coordinate lies inside the limit are walked, so a line from far
  // away costs no more than one across the target.
  const int64_t m0 = xMajor ? from.x : from.y, n0 = xMajor ? from.y : from.x;
  const int64_t lo = xMajor ? limit.left : limit.top, hi = xMajor ? limit.right : limit.bottom;
  const int64_t majorSign = major > 0 ? 1 : -1, minorSign = minor >= 0 ? 1 : -1;
  int64_t first = majorSign > 0 ? lo - m0 : m0 - hi + 1;
  int64_t last = majorSign > 0 ? hi - m0 : m0 - lo + 1;
  first = std::max<int64_t>(first, 0);
  last = std::min(last, steps);  // the end point itself is not drawn
  for (int64_t i = first; i < last; ++i) {
    const int64_t m = m0 + majorSign * i, n = n0 + minorSign * MinorOffset(i, rise, steps);
    if (xMajor) {
      PlotClipped(m - origin_.x, n - origin_.y, pen_);
    } else {
      PlotClipped(n - origin_.x, m - origin_.y, pen_);
    }
  }
}

void Dc::FocusRect(Rect r) {
  if (r.Empty()) return;
  const int64_t left = r.left, top = r.top, right = r.right, bottom = r.bottom;
  InvertDots(left, top, right, top + 1);
  if (bottom - 1 > top) InvertDots(left, bottom - 1, right, bottom);
  InvertDots(left, top + 1, left + 1, bottom - 1);
  if (right - 1 > left) InvertDots(right - 1, top + 1, right, bottom - 1);
}

// Inverts every other pixel of a rectangle, chosen by position on the plane so that the outline's
// pieces form one dotted pattern and a second pass inverts exactly the same pixels.
void Dc::InvertDots(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  const Rect box =
      ClampRect(left - origin_.x, top - origin_.y, right - origin_.x, bottom - origin_.y, Limit());
  if (box.Empty()) return;
  const int64_t phase = int64_t(origin_.x) + origin_.y;
  for (int32_t y = box.top; y < box.bottom; ++y) {
    Color* row = target_->Row(y);
    for (int32_t x = box.left + int32_t((box.left + y + phase) & 1); x < box.right; x += 2)
      row[x] ^= 0xFFFFFF;
  }
  Touch(box);
}

void Dc::Text(int x, int y, std::string_view utf8, const TextStyle& style) {
  Touch(DrawText(*target_, Limit(), Saturated(int64_t(x) - origin_.x),
                 Saturated(int64_t(y) - origin_.y), utf8, style));
}
