#include "toolkit/slider.h"

#include <algorithm>

#include "platform/art.h"
#include "toolkit/bitmap_cache.h"

namespace {
constexpr int Width = 16, KnobH = 20, CapH = 4;
constexpr int CapRow = 116;  // the bottom cap's first row in the track bitmap
}  // namespace

NTSlider::NTSlider(NTOwner* owner, NTWin* parent, int code, int travel)
    : NTCtrl(owner, parent, code), Travel(std::clamp(travel, 0, MaxTravel)) {
  Owner->Bitmaps().Acquire(bmp::Track);
  Owner->Bitmaps().Acquire(bmp::Knob);
  W = Width;
  H = Travel + KnobH;
}

NTSlider::~NTSlider() {
  Owner->Bitmaps().Release(bmp::Knob);
  Owner->Bitmaps().Release(bmp::Track);
}

int32_t NTSlider::KnobPos() const {
  return std::clamp(Pos, 0, Travel);
}

void NTSlider::Paint(Dc& dc) {
  const Point p = AbsPos();
  const TBitmapCache& cache = Owner->Bitmaps();
  const Surface& track = cache.Get(bmp::Track);
  dc.Blt(p.x, p.y, Width, Travel + KnobH - CapH, track, 0, 0);
  dc.Blt(p.x, p.y + Travel + KnobH - CapH, Width, CapH, track, 0, CapRow);
  dc.Blt(p.x, KnobTop(), Width, KnobH, cache.Get(bmp::Knob), 0, 0);
}

void NTSlider::Read(ipstream& is) {
  Pos = is.ReadWord();
}
void NTSlider::Write(opstream& os) {
  os.WriteWord(Pos);
}

int NTSlider::LButtonDown(Point pt) {
  if (Interaction != ModeIdle) return 0;
  const Point p = AbsPos();
  const int64_t top = KnobTop();
  const bool onKnob =
      p.x <= int64_t(pt.x) && pt.x < int64_t(p.x) + Width && top <= pt.y && pt.y < top + KnobH;
  if (!onKnob) return 0;
  GrabX = pt.x - p.x;
  GrabY = int32_t(pt.y - top);
  SetCapture();
  Interaction = ModeControl;
  return 1;
}

int NTSlider::MouseMove(Point pt) {
  if (Interaction != ModeControl) return 0;
  const int64_t pos = int64_t(Travel) - (int64_t(pt.y) - AbsPos().y - GrabY);
  Pos = int32_t(std::clamp<int64_t>(pos, 0, Travel));
  Repaint();
  NotifySlider();
  return 1;
}

int NTSlider::LButtonUp(Point) {
  if (Interaction != ModeControl) return 0;
  ReleaseCapture();
  Interaction = ModeIdle;
  return 1;
}
