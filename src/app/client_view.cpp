// The canvas's view: scrolling, zooming and carrying things past the window's edge. None of it
// changes the patch.
#include <algorithm>

#include "app/commands.h"
#include "app/main_client.h"
#include "engine/plug.h"

namespace {
// Room beyond the outermost panels, so that a panel can be dropped beside them.
constexpr int kMargin = 200;
// A fit leaves this much canvas around the panels.
constexpr int kFitMargin = 10;
// One notch of the wheel scrolls this many screen pixels.
constexpr int kWheelStep = 48;
// Carried near the window's edge (screen pixels) the view scrolls, faster the further out the
// pointer is, up to kAutoScrollMax screen pixels per tick.
constexpr int kEdge = 24, kAutoScrollMax = 40;

int32_t Within(int64_t v, int64_t lo, int64_t hi) {
  return int32_t(std::clamp(v, lo, std::max(lo, hi)));
}

Rect PanelsBounds(const std::vector<NTDevWin*>& devices) {
  Rect r{};
  for (const NTDevWin* d : devices) r = r.Union(d->AbsRect());
  return r;
}

// How far the pointer is into the edge zone of one axis of a window of size n (negative: towards
// the start), or 0.
int EdgePush(int p, int n) {
  if (p < kEdge) return std::max(p - kEdge, -kAutoScrollMax);
  if (p >= n - kEdge) return std::min(p - (n - kEdge) + 1, kAutoScrollMax);
  return 0;
}
}  // namespace

Rect TMainClient::ScrollArea() const {
  const int64_t lim = NTDevWin::kGeometryLimit;
  // What the mouse carries widens the area only within the canvas, where it can be put down.
  Rect carried{};
  if (const auto* moving = dynamic_cast<const NTDevWin*>(captured_);
      moving && Interaction() == InteractionMode::Moving)
    carried = Rect::FromSize(moving->MovePos.x, moving->MovePos.y, moving->W, moving->H);
  if (PendingConnector()) carried = Rect::FromSize(pointer_.x, pointer_.y, 1, 1);
  const Rect r =
      PanelsBounds(devices_).Union(carried.Intersect({0, 0, int32_t(lim), int32_t(lim)}));
  // The canvas starts at (0, 0); only panels that a file put further up or left widen it.
  const auto start = [](int32_t v) { return v < 0 ? int64_t(v) - kMargin : 0; };
  const Rect area{Within(start(r.left), -lim, lim), Within(start(r.top), -lim, lim),
                  Within(int64_t(r.right) + kMargin, -lim, lim),
                  Within(int64_t(r.bottom) + kMargin, -lim, lim)};
  const Rect shown = view_.Visible();
  return area.Union(Rect::FromSize(0, 0, int32_t(shown.Width()), int32_t(shown.Height())));
}

void TMainClient::ScrollTo(Point origin) {
  const Rect area = ScrollArea(), shown = view_.Visible();
  origin = {Within(origin.x, area.left, int64_t(area.right) - shown.Width()),
            Within(origin.y, area.top, int64_t(area.bottom) - shown.Height())};
  if (origin == view_.origin) return;
  view_.origin = origin;
  InvalidateAll(true);
  shell_.ViewChanged();
}

void TMainClient::Rezoom(int zoom, Point origin) {
  zoom = std::clamp(zoom, TView::kMinZoom, TView::kMaxZoom);
  const bool titleChanges = zoom != view_.zoom;
  view_.zoom = zoom;
  const Rect stored = view_.Stored();
  pixels_ = Surface(int(stored.Width()), int(stored.Height()));
  pending_ = {};
  view_.origin = {};
  ScrollTo(origin);
  InvalidateAll(true);
  if (titleChanges) UpdateTitle();
  shell_.ViewChanged();
}

void TMainClient::ZoomTo(int zoom, Point screenAnchor) {
  const Point anchor = view_.ToCanvas(screenAnchor);
  TView zoomed = view_;
  zoomed.zoom = std::clamp(zoom, TView::kMinZoom, TView::kMaxZoom);
  zoomed.origin = {};
  const Point shown = zoomed.ToCanvas(screenAnchor);
  Rezoom(zoomed.zoom, {anchor.x - shown.x, anchor.y - shown.y});
}

void TMainClient::FitAll() {
  const Rect panels = PanelsBounds(devices_);
  if (panels.Empty() || view_.width <= 0 || view_.height <= 0) return;
  const int64_t w = panels.Width() + 2 * kFitMargin, h = panels.Height() + 2 * kFitMargin;
  const int64_t zoom = std::min(view_.width * int64_t(100) / w, view_.height * int64_t(100) / h);
  Rezoom(int(std::clamp<int64_t>(zoom, TView::kMinZoom, TView::kMaxZoom)),
         {panels.left - kFitMargin, panels.top - kFitMargin});
}

void TMainClient::Wheel(Point screenPt, int notches, bool horizontal, bool zoom) {
  if (zoom) {
    int z = view_.zoom;
    for (int i = 0; i < std::abs(notches); ++i) z = TView::Step(z, notches > 0 ? 1 : -1);
    ZoomTo(z, screenPt);
    return;
  }
  const int step = -notches * kWheelStep * 100 / view_.zoom;
  const Point o = view_.origin;
  ScrollTo(horizontal ? Point{o.x + step, o.y} : Point{o.x, o.y + step});
}

bool TMainClient::RunViewCommand(int id) {
  // Around the pointer, as the wheel zooms, so that zooming back returns to the same picture.
  const Point anchor = pointerIn_ ? screenPointer_ : Point{view_.width / 2, view_.height / 2};
  switch (id) {
    case cmd::kZoomIn:
      ZoomTo(TView::Step(view_.zoom, 1), anchor);
      return true;
    case cmd::kZoomOut:
      ZoomTo(TView::Step(view_.zoom, -1), anchor);
      return true;
    case cmd::kZoomReset:
      ZoomTo(100, anchor);
      return true;
    case cmd::kFitAll:
      FitAll();
      return true;
    default:
      return false;
  }
}

void TMainClient::AutoScroll() {
  const bool carrying =
      (captured_ && Interaction() == InteractionMode::Moving) || PendingConnector();
  if (!carrying || !pointerIn_) return;
  const int dx = EdgePush(screenPointer_.x, view_.width),
            dy = EdgePush(screenPointer_.y, view_.height);
  if (dx == 0 && dy == 0) return;
  // At least one canvas pixel a tick, however far zoomed in.
  const auto canvas = [this](int d) {
    return d == 0 ? 0 : (d > 0 ? 1 : -1) * std::max(1, std::abs(d) * 100 / view_.zoom);
  };
  const Point before = view_.origin;
  ScrollTo({before.x + canvas(dx), before.y + canvas(dy)});
  if (view_.origin == before) return;
  pointer_ = view_.ToCanvas(screenPointer_);
  Route(MouseKind::Move, pointer_, false);
  UpdateCable();
  NoteView();
}

void TMainClient::NoteView() {
  const Rect area = ScrollArea();
  if (area == scrollArea_) return;
  scrollArea_ = area;
  const Point before = view_.origin;
  ScrollTo(before);
  if (view_.origin == before) shell_.ViewChanged();
}
