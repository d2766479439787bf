#pragma once
#include <cstdint>
#include <vector>

#include "platform/geometry.h"

// 0x00RRGGBB.
using Color = uint32_t;
constexpr Color Rgb(int r, int g, int b) {
  return (uint32_t(r & 255) << 16) | (uint32_t(g & 255) << 8) | uint32_t(b & 255);
}
constexpr int RedOf(Color c) {
  return int((c >> 16) & 255);
}
constexpr int GreenOf(Color c) {
  return int((c >> 8) & 255);
}
constexpr int BlueOf(Color c) {
  return int(c & 255);
}

// A 32-bit RGB pixel buffer: the stand-in for bitmaps and for the canvas's window pixels.
class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, Color fill = 0);

  int Width() const { return width_; }
  int Height() const { return height_; }
  Rect Bounds() const { return {0, 0, width_, height_}; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  // Reading outside the buffer yields black; writing outside is ignored.
  Color Pixel(int x, int y) const;
  void SetPixel(int x, int y, Color c);

  Color* Row(int y) { return pixels_.data() + size_t(y) * size_t(width_); }
  const Color* Row(int y) const { return pixels_.data() + size_t(y) * size_t(width_); }
  const std::vector<Color>& Pixels() const { return pixels_; }

 private:
  int width_ = 0, height_ = 0;
  std::vector<Color> pixels_;
};
