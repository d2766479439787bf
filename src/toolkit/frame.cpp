#include "toolkit/frame.h"

#include <algorithm>

Color NTFrameWin::ShadeAt(int x, int y) {
  const int a = (x / 3 + y) / 6;
  const int b = std::max(200 - a, 100);
  return Rgb(b, b - 20, b - 30);
}

const Surface& NTFrameWin::Background() {
  static const Surface shading = [] {
    Surface s(MaxW, MaxH);
    Dc dc(s);
    for (int y = 0; y < MaxH; y += 5)
      for (int x = 0; x < MaxW; x += 5) dc.Fill(x, y, 5, 5, ShadeAt(x, y));
    return s;
  }();
  return shading;
}

NTFrameWin::NTFrameWin(NTOwner* owner, NTWin* parent, int w, int h, const char* title)
    : NTWin(owner, parent), Title(owner, this, title) {
  W = w;
  H = h;
}

void NTFrameWin::Paint(Dc& dc) {
  const Point p = AbsPos();
  const int x = p.x, y = p.y;
  dc.Blt(x, y, W, H, Background(), 0, 0, Rop::Copy);
  dc.Line(x, y, x + W, y, Rgb(192, 192, 192));
  dc.Line(x, y, x, y + H, Rgb(192, 192, 192));
  dc.Line(x + W - 1, y + 1, x + W - 1, y + H, Rgb(64, 64, 64));
  dc.Line(x + 1, y + H - 1, x + W, y + H - 1, Rgb(64, 64, 64));
  dc.SetPixel(x, y, Rgb(255, 255, 255));
  dc.SetPixel(x + W - 1, y + H - 1, Rgb(0, 0, 0));
}
