#include "toolkit/statics.h"

#include <cstdio>

NTStaticText::NTStaticText(TWindowOwner* owner, NTWin* parent, const char* text)
    : NTWin(owner, parent) {
  if (text) text_ = text;
}

void NTStaticWinTitle::Paint(Dc& dc) {
  if (!Text() || !Parent) return;
  const Point p = Parent->AbsPos();
  dc.Text(p.x + 4, p.y + 1, *Text(), {20, true, Rgb(64, 64, 64), TextAlign::LeftTop});
}

void NTStaticCtrlName::Paint(Dc& dc) {
  if (!Text() || !Parent) return;
  const Point p = Parent->AbsPos();
  dc.Text(p.x + Parent->W / 2, p.y + 1, *Text(),
          {13, false, Rgb(32, 32, 32), TextAlign::CenterBottom});
}

NTStaticSeparator::NTStaticSeparator(TWindowOwner* owner, NTWin* parent, int kind, Point pos,
                                     int length)
    : NTWin(owner, parent), Kind(kind), Length(length) {
  MoveTo(pos);
}

void NTStaticSeparator::Paint(Dc& dc) {
  if (Kind != 1) return;
  const Point p = AbsPos();
  dc.Line(p.x, p.y, p.x, p.y + Length, Rgb(64, 64, 64));
  dc.Line(p.x + 1, p.y, p.x + 1, p.y + Length, Rgb(192, 192, 192));
  dc.SetPixel(p.x, p.y, Rgb(0, 0, 0));
  dc.SetPixel(p.x + 1, p.y + Length - 1, Rgb(255, 255, 255));
}

NTStaticScala::NTStaticScala(TWindowOwner* owner, NTWin* parent, Point pos, int length, int spacing,
                             int first, int increment)
    : NTWin(owner, parent), Length(length), Spacing(spacing), First(first), Increment(increment) {
  MoveTo(pos);
}

void NTStaticScala::Paint(Dc& dc) {
  if (Spacing <= 0) return;
  const Point p = AbsPos();
  int n = First;
  for (int64_t t = p.y; t <= int64_t(p.y) + Length; t += Spacing, n += Increment) {
    const int y = int(t);
    dc.Line(p.x - 1, y, p.x - 4, y, Rgb(64, 64, 64));
    char label[16];
    std::snprintf(label, sizeof label, "%+d", n);
    dc.Text(p.x - 5, y + 5, label, {8, false, Rgb(32, 32, 32), TextAlign::RightBottom});
  }
}
