// The selection on the canvas: clicks and the rubber band that choose it, and its marks.
#include <algorithm>

#include "app/main_client.h"

namespace {
// A selected panel is framed by a ring this far outside it and this thick.
constexpr int kMarkGap = 2, kMarkWidth = 2;
constexpr Color kMarkColour = Rgb(255, 128, 0);

Rect MarkArea(Rect panel) {
  constexpr int out = kMarkGap + kMarkWidth;
  return {panel.left - out, panel.top - out, panel.right + out, panel.bottom + out};
}

Rect Spanned(Point a, Point b) {
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1};
}
}  // namespace

// The device that takes a press at pt: the topmost, the last in the list, as the mouse dispatch
// finds it.
NTDevWin* TMainClient::DeviceAt(Point pt) {
  const auto it = std::find_if(devices_.rbegin(), devices_.rend(),
                               [pt](const NTDevWin* d) { return d->Contains(pt); });
  return it == devices_.rend() ? nullptr : *it;
}

void TMainClient::InvalidateMark(Rect panel) {
  Invalidate(MarkArea(panel), true);
}

void TMainClient::Select(std::span<NTDevWin* const> devices) {
  ClearSelection();
  for (NTDevWin* d : devices) {
    selection_.Add(d);
    InvalidateMark(d->AbsRect());
  }
}

void TMainClient::SelectAll() {
  Select(devices_);
}

void TMainClient::ClearSelection() {
  for (NTDevWin* d : selection_.InOrder(devices_)) InvalidateMark(d->AbsRect());
  selection_.Clear();
}

// A left press while nothing else goes on: Shift adds a panel to the selection or takes it out;
// on the background it begins a rubber band (without Shift, in place of the selection). A press
// on a panel outside the selection leaves that panel alone. True when the press was used here.
bool TMainClient::PressSelects(MouseKind kind, Point pt, bool shift) {
  if (kind != MouseKind::LDown || captured_ || Interaction() != InteractionMode::Idle) return false;
  NTDevWin* hit = DeviceAt(pt);
  if (hit && shift) {
    selection_.Toggle(hit);
    InvalidateMark(hit->AbsRect());
    return true;
  }
  if (hit) {
    if (!selection_.Contains(hit)) ClearSelection();
    return false;
  }
  if (!shift) ClearSelection();
  bandStart_ = pt;
  bandRect_ = {};
  shell_.CaptureMouse(true);
  return true;
}

void TMainClient::TrackBand(MouseKind kind, Point pt) {
  if (kind == MouseKind::Move) {
    DrawBand();
    bandRect_ = Spanned(*bandStart_, pt);
    DrawBand();
  } else if (kind == MouseKind::LUp) {
    EndBand(true);
  }
}

// The band is an XOR frame, like a moving panel's: drawing it twice restores the picture.
void TMainClient::DrawBand() {
  if (bandRect_.Empty()) return;
  TClientDC dc(*this);
  dc->FocusRect(bandRect_);
}

// select: every panel the band touches joins the selection.
void TMainClient::EndBand(bool select) {
  DrawBand();
  if (select)
    for (NTDevWin* d : devices_)
      if (!bandRect_.Empty() && !d->AbsRect().Intersect(bandRect_).Empty()) {
        selection_.Add(d);
        InvalidateMark(d->AbsRect());
      }
  bandStart_.reset();
  bandRect_ = {};
  shell_.CaptureMouse(false);
}

void TMainClient::PaintSelection(Dc& dc) {
  for (NTDevWin* d : selection_.InOrder(devices_)) {
    const Rect r = MarkArea(d->AbsRect());
    const int w = int(r.Width()), h = int(r.Height());
    dc.Fill(r.left, r.top, w, kMarkWidth, kMarkColour);
    dc.Fill(r.left, r.bottom - kMarkWidth, w, kMarkWidth, kMarkColour);
    dc.Fill(r.left, r.top, kMarkWidth, h, kMarkColour);
    dc.Fill(r.right - kMarkWidth, r.top, kMarkWidth, h, kMarkColour);
  }
  // A band drawn before this repaint stays, as the window showed it.
  if (!bandRect_.Empty()) dc.FocusRect(bandRect_);
}
