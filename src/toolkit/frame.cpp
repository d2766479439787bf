#include "toolkit/frame.h"

#include <algorithm>

Color NTFrameWin::ShadeAt(int x, int y) {
  const int a = (x / 3 + y) / 6;
  const int b = std::max(200 - a, 100);
  return Rgb(b, b - 20, b - 30);
}

const Surface& NTFrameWin::Background() {
  static const Surface shaded = [] {
    Surface s(kMaxW, kMaxH);
    Dc dc(s);
    for (int y = 0; y < kMaxH; y += 5)
      for (int x = 0; x < kMaxW; x += 5) dc.Fill(x, y, 5, 5, ShadeAt(x, y));
    return s;
  }();
  return shaded;
}

NTFrameWin::NTFrameWin(TWindowOwner* owner, NTWin* parent, int w, int h, const char* title)
    : NTWin(owner, parent), Title(owner, this, title) {
  W = w;
  H = h;
  Opaque = true;
}

void NTFrameWin::Paint(Dc& dc) {
  const Point p = AbsPos();
  const int x = p.x, y = p.y;
  // A size from a file larger than the picture shows no shading beyond it.
  dc.Blt(x, y, W, H, Background(), 0, 0, Rop::Copy);
  dc.Line(x, y, x + W, y, Rgb(192, 192, 192));
  dc.Line(x, y, x, y + H, Rgb(192, 192, 192));
  dc.Line(x + W - 1, y + 1, x + W - 1, y + H, Rgb(64, 64, 64));
  dc.Line(x + 1, y + H - 1, x + W, y + H - 1, Rgb(64, 64, 64));
  dc.SetPixel(x, y, Rgb(255, 255, 255));
  dc.SetPixel(x + W - 1, y + H - 1, Rgb(0, 0, 0));
}
