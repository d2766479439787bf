#include "toolkit/button.h"

#include "platform/art.h"
#include "toolkit/bitmap_cache.h"

NTButton::NTButton(TWindowOwner* owner, NTWin* parent, int code, int bitmap)
    : NTCtrl(owner, parent, code), Bitmap(bitmap) {
  TBitmapCache& cache = Owner->Bitmaps();
  cache.Acquire(Bitmap);
  W = cache.Get(Bitmap).Width();
  H = cache.Get(Bitmap).Height();
}

NTButton::~NTButton() {
  Owner->Bitmaps().Release(Bitmap);
}

void NTButton::Paint(Dc& dc) {
  const Point p = AbsPos();
  const Surface& picture = Owner->Bitmaps().Get(Bitmap);
  if (!Pressed) {
    dc.Blt(p.x, p.y, W, H, picture, 0, 0);
    return;
  }
  // Pressed: the picture sinks one pixel right and down inside a dark frame.
  dc.Fill(p.x, p.y, W, H, Rgb(114, 114, 114));
  dc.Blt(p.x + 2, p.y + 2, W - 3, H - 3, picture, 1, 1);
}

void NTButton::Read(ipstream& is) {
  Pressed = is.ReadWord();
}
void NTButton::Write(opstream& os) {
  os.WriteWord(Pressed);
}

int NTButton::LButtonDown(Point pt) {
  if (Owner->Interaction() != InteractionMode::Idle || !Contains(pt)) return 0;
  Pressed = 1;
  Repaint();
  SetCapture();
  Owner->SetInteraction(InteractionMode::Control);
  return 1;
}

int NTButton::LButtonUp(Point) {
  if (Owner->Interaction() != InteractionMode::Control) return 0;
  Pressed = 0;
  Repaint();
  ReleaseCapture();
  Owner->SetInteraction(InteractionMode::Idle);
  NotifyCtrl();
  return 1;
}

NTButUp::NTButUp(TWindowOwner* owner, NTWin* parent, int code)
    : NTButton(owner, parent, code, bmp::kArrowUp) {}

NTButDn::NTButDn(TWindowOwner* owner, NTWin* parent, int code)
    : NTButton(owner, parent, code, bmp::kArrowDown) {}
