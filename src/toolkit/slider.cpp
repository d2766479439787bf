#include "toolkit/slider.h"

#include <algorithm>

#include "platform/art.h"
#include "toolkit/bitmap_cache.h"

namespace {
constexpr int kWidth = 16, kKnobH = 20, kCapH = 4;
constexpr int kCapRow = 116;  // the bottom cap's first row in the track bitmap
}  // namespace

NTSlider::NTSlider(TWindowOwner* owner, NTWin* parent, int code, int travel)
    : NTCtrl(owner, parent, code), Travel(std::clamp(travel, 0, kMaxTravel)) {
  Owner->Bitmaps().Acquire(bmp::kTrack);
  Owner->Bitmaps().Acquire(bmp::kKnob);
  W = kWidth;
  H = Travel + kKnobH;
}

NTSlider::~NTSlider() {
  Owner->Bitmaps().Release(bmp::kKnob);
  Owner->Bitmaps().Release(bmp::kTrack);
}

int32_t NTSlider::KnobPos() const {
  return std::clamp(Pos, 0, Travel);
}

void NTSlider::Paint(Dc& dc) {
  const Point p = AbsPos();
  const TBitmapCache& cache = Owner->Bitmaps();
  const Surface& track = cache.Get(bmp::kTrack);
  dc.Blt(p.x, p.y, kWidth, Travel + kKnobH - kCapH, track, 0, 0);
  dc.Blt(p.x, p.y + Travel + kKnobH - kCapH, kWidth, kCapH, track, 0, kCapRow);
  dc.Blt(p.x, KnobTop(), kWidth, kKnobH, cache.Get(bmp::kKnob), 0, 0);
}

void NTSlider::Read(ipstream& is) {
  Pos = is.ReadWord();
}
void NTSlider::Write(opstream& os) {
  os.WriteWord(Pos);
}

int NTSlider::LButtonDown(Point pt) {
  if (Owner->Interaction() != InteractionMode::Idle) return 0;
  const Point p = AbsPos();
  const int64_t top = KnobTop();
  const bool onKnob =
      p.x <= int64_t(pt.x) && pt.x < int64_t(p.x) + kWidth && top <= pt.y && pt.y < top + kKnobH;
  if (!onKnob) return 0;
  GrabX = pt.x - p.x;
  GrabY = int32_t(pt.y - top);
  SetCapture();
  Owner->SetInteraction(InteractionMode::Control);
  return 1;
}

int NTSlider::MouseMove(Point pt) {
  if (Owner->Interaction() != InteractionMode::Control) return 0;
  const int64_t pos = int64_t(Travel) - (int64_t(pt.y) - AbsPos().y - GrabY);
  Pos = int32_t(std::clamp<int64_t>(pos, 0, Travel));
  Repaint();
  NotifySlider();
  return 1;
}

int NTSlider::LButtonUp(Point) {
  if (Owner->Interaction() != InteractionMode::Control) return 0;
  ReleaseCapture();
  Owner->SetInteraction(InteractionMode::Idle);
  return 1;
}
