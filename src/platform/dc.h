#pragma once
#include <string_view>

#include "platform/surface.h"

// Raster operations of a bit-block copy.
enum class Rop { Copy, And, Or };

// Reference point of a text.
enum class TextAlign { LeftTop, CenterBottom, RightBottom };

struct TextStyle {
  int height = 13;  // cell height in pixels (ascent + descent)
  bool italic = false;
  Color color = 0;
  TextAlign align = TextAlign::LeftTop;
};

// Drawing into a Surface, clipped to a rectangle and to the surface itself. No argument, however
// wrong (negative sizes, huge rectangles, far-away points), reads or writes outside a buffer.
// The target may show any part of a larger plane: origin is the point of the plane that its
// top-left pixel shows, and every coordinate, the clip included, is one of the plane.
class Dc {
 public:
  explicit Dc(Surface& target);
  Dc(Surface& target, Rect clip, Point origin = {});

  Surface& Target() { return *target_; }
  Rect Clip() const { return clip_; }
  void SetClip(Rect clip);
  // The part of the plane that the target holds.
  Rect Area() const { return Shifted(target_->Bounds(), origin_); }

  // Copies w x h pixels from (sx, sy) of src to (x, y), combined by rop.
  void Blt(int x, int y, int w, int h, const Surface& src, int sx, int sy, Rop rop = Rop::Copy);
  // A solid fill of w x h pixels at (x, y).
  void Fill(int x, int y, int w, int h, Color c);
  void SetPixel(int x, int y, Color c);

  // One-pixel lines with the current pen; LineTo does not draw its end point.
  void SetPen(Color c) { pen_ = c; }
  void MoveTo(int x, int y) { pos_ = {x, y}; }
  void LineTo(int x, int y);
  void Line(int x0, int y0, int x1, int y1, Color c) {
    SetPen(c);
    MoveTo(x0, y0);
    LineTo(x1, y1);
  }

  // The dotted XOR outline of r; drawing it twice restores every pixel.
  void FocusRect(Rect r);

  // Text in the program's sans-serif face ("Arial"), transparent background.
  void Text(int x, int y, std::string_view utf8, const TextStyle& style);

  // The bounding box of every pixel this context may have changed.
  Rect Touched() const { return Shifted(touched_, origin_); }

 private:
  static Rect Shifted(Rect r, Point by);
  // The clip rectangle within the target, in target pixels: every write lands inside it.
  Rect Limit() const {
    return ClampRect(int64_t(clip_.left) - origin_.x, int64_t(clip_.top) - origin_.y,
                     int64_t(clip_.right) - origin_.x, int64_t(clip_.bottom) - origin_.y,
                     target_->Bounds());
  }
  void Touch(Rect r) { touched_ = touched_.Union(r); }
  // x, y in target pixels.
  void PlotClipped(int64_t x, int64_t y, Color c);
  void BltClipped(Rect dest, const Surface& src, int64_t dx, int64_t dy, Rop rop);
  void InvertDots(int64_t left, int64_t top, int64_t right, int64_t bottom);

  Surface* target_;
  Rect clip_;
  Point origin_;
  Rect touched_{};
  Color pen_ = 0;
  Point pos_{};
};
