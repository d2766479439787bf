#include "engine/devwin.h"

#include <algorithm>
#include <cstdlib>

#include "engine/plug.h"

namespace {
constexpr int kSnapDistance = 8;

// The first of the four edge rules that holds against some other device, or pos unchanged.
template <class Edge>
int32_t SnapAxis(const NTDevWin& self, int32_t pos, int32_t size, Edge edge) {
  for (NTWin* o = self.Parent ? self.Parent->FirstChild : nullptr; o; o = o->Next) {
    if (o == &self) continue;
    const auto [start, extent] = edge(*o);
    const auto near = [](int64_t a, int64_t b) { return std::abs(a - b) <= kSnapDistance; };
    if (near(pos, start)) return start;
    if (near(pos, int64_t(start) + extent)) return start + extent;
    if (near(int64_t(pos) + size, start)) return start - size;
    if (near(int64_t(pos) + size, int64_t(start) + extent)) return start + extent - size;
  }
  return pos;
}

// The position nearest to pos at which a w x h panel lies inside visible (its top-left corner
// when the panel is larger).
Point InsideOf(const Rect& visible, Point pos, int32_t w, int32_t h) {
  const auto axis = [](int32_t p, int32_t lo, int32_t hi, int32_t size) {
    return int32_t(std::clamp<int64_t>(p, lo, std::max<int64_t>(lo, int64_t(hi) - size)));
  };
  return {axis(pos.x, visible.left, visible.right, w), axis(pos.y, visible.top, visible.bottom, h)};
}
}  // namespace

NTDevWin::NTDevWin(TCanvas* canvas, NTWin* parent, int w, int h, const char* title)
    : NTFrameWin(canvas, parent, w, h, title), Canvas(canvas) {
  Owner->SetInteraction(InteractionMode::Idle);
}

void NTDevWin::Paint(Dc& dc) {
  Painted = 1;
  NTFrameWin::Paint(dc);
  if (Owner->Interaction() == InteractionMode::Moving && Canvas->Captured() == this)
    dc.FocusRect(Rect::FromSize(MovePos.x, MovePos.y, W, H));
}

// A field whose word is missing (a file cut short) keeps its constructed value, so the panel
// stays whole, movable and deletable.
void NTDevWin::Read(ipstream& is) {
  int32_t* fields[] = {&X, &Y, &W, &H};
  for (int32_t* f : fields)
    if (const auto v = is.ReadWholeWord()) *f = std::clamp(*v, -kGeometryLimit, kGeometryLimit);
}

void NTDevWin::Write(opstream& os) {
  for (int32_t v : {X, Y, W, H}) os.WriteWord(v);
}

void NTDevWin::BeginMove() {
  MovePos = AbsPos();
  {
    TClientDC dc(*Canvas);
    dc->FocusRect(Rect::FromSize(MovePos.x, MovePos.y, W, H));
  }
  SetCapture();
  Owner->SetInteraction(InteractionMode::Moving);
}

void NTDevWin::FollowMove(Point pt) {
  TClientDC dc(*Canvas);
  dc->FocusRect(Rect::FromSize(MovePos.x, MovePos.y, W, H));
  MovePos = {pt.x - Grab.x, pt.y - Grab.y};
  if (Canvas->Snap()) MovePos = Snapped(MovePos);
  dc->FocusRect(Rect::FromSize(MovePos.x, MovePos.y, W, H));
}

void NTDevWin::EndMove(Point pointer) {
  Owner->SetInteraction(InteractionMode::Idle);
  ReleaseCapture();
  {
    TClientDC dc(*Canvas);
    dc->FocusRect(Rect::FromSize(MovePos.x, MovePos.y, W, H));
  }
  const Rect visible = Canvas->ClientRect();
  if (!visible.Contains(pointer)) MovePos = InsideOf(visible, MovePos, W, H);
  MovePos = InsideOf({0, 0, kGeometryLimit, kGeometryLimit}, MovePos, W, H);
  if (Painted) InvalidateArea(true);
  const Point from = AbsPos();
  // Devices are children of the root at (0, 0): the absolute position is the relative one.
  MoveTo(MovePos);
  InvalidateArea(false);
  Painted = 1;
  if (MovePos != from) Canvas->DeviceMoved(*this, from);
}

Point NTDevWin::Snapped(Point p) const {
  p.x = SnapAxis(*this, p.x, W, [](const NTWin& o) { return std::pair{o.X, o.W}; });
  p.y = SnapAxis(*this, p.y, H, [](const NTWin& o) { return std::pair{o.Y, o.H}; });
  return p;
}

void NTDevWin::InvalidateArea(bool erase) {
  Canvas->Invalidate(AbsRect(), erase);
  for (NTWin* c = FirstChild; c; c = c->Next)
    if (auto* in = dynamic_cast<NTPlugIn*>(c)) Canvas->Invalidate(in->WireRect(), erase);
  for (NTWin* dev = Parent ? Parent->FirstChild : nullptr; dev; dev = dev->Next)
    for (NTWin* c = dev->FirstChild; c; c = c->Next) {
      auto* in = dynamic_cast<NTPlugIn*>(c);
      if (!in) continue;
      const NTPlugOut* src = in->Source;
      if (src && src->Parent == this) Canvas->Invalidate(in->WireRect(), erase);
    }
}

int NTDevWin::LButtonDown(Point pt) {
  if (Owner->Interaction() == InteractionMode::Moving) {
    EndMove(pt);
    return 1;
  }
  if (Owner->Interaction() != InteractionMode::Idle || !Contains(pt)) return 0;
  Grab = Offset(pt);
  BeginMove();
  return 1;
}

int NTDevWin::LButtonUp(Point pt) {
  if (Owner->Interaction() != InteractionMode::Moving) return 0;
  EndMove(pt);
  return 1;
}

int NTDevWin::RButtonDown(Point) {
  return 0;
}

int NTDevWin::RButtonUp(Point pt) {
  if (Owner->Interaction() != InteractionMode::Idle || !Contains(pt)) return 0;
  Canvas->OpenDevicePopup(this, pt);
  return 1;
}

int NTDevWin::MouseMove(Point pt) {
  if (Owner->Interaction() != InteractionMode::Moving) return 0;
  FollowMove(pt);
  return 1;
}
