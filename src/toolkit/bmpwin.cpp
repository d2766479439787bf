#include "toolkit/bmpwin.h"

#include "toolkit/bitmap_cache.h"

NTBmpWin::NTBmpWin(TWindowOwner* owner, NTWin* parent, int image, int mask)
    : NTWin(owner, parent), Image(image), Mask(mask) {
  TBitmapCache& cache = Owner->Bitmaps();
  if (Image) {
    cache.Acquire(Image);
    W = cache.Get(Image).Width();
    H = cache.Get(Image).Height();
  }
  if (Mask) cache.Acquire(Mask);
}

NTBmpWin::~NTBmpWin() {
  if (Image) Owner->Bitmaps().Release(Image);
  if (Mask) Owner->Bitmaps().Release(Mask);
}

void NTBmpWin::Paint(Dc& dc) {
  if (!Image) return;
  const Point p = AbsPos();
  const TBitmapCache& cache = Owner->Bitmaps();
  if (Mask) {
    dc.Blt(p.x, p.y, W, H, cache.Get(Mask), 0, 0, Rop::And);
    dc.Blt(p.x, p.y, W, H, cache.Get(Image), 0, 0, Rop::Or);
  } else {
    dc.Blt(p.x, p.y, W, H, cache.Get(Image), 0, 0, Rop::Copy);
  }
}
