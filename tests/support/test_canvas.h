#pragma once
// A canvas double for tests below the app layer: a backing store, capture, client drawing
// contexts, invalidation and messages recorded, window numbers computed on demand.
#include <string>
#include <vector>

#include "engine/canvas.h"
#include "toolkit/bitmap_cache.h"
#include "toolkit/window_numbers.h"

class TestCanvas : public TCanvas {
 public:
  explicit TestCanvas(int w = 800, int h = 600) : root(this, nullptr), pixels(w, h) {}

  NTWin* Root() override { return &root; }
  TBitmapCache& Bitmaps() override { return bitmaps; }
  void SetCapture(NTWin* w) override { captured = w; }
  void ReleaseCapture() override { captured = nullptr; }
  NTWin* Captured() const override { return captured; }
  Dc BeginClientDc() override { return Dc(pixels); }
  void EndClientDc(Dc& dc) override { shown.push_back(dc.Touched()); }
  void Invalidate(Rect r, bool erase) override { invalidated.push_back({r, erase}); }
  void Beep() override { ++beeps; }
  void ErrorBox(const std::string& text) override { errors.push_back(text); }
  void PatchChanged() override { ++changes; }
  int32_t Snap() const override { return snap; }
  int32_t WiresVisible() const override { return wiresVisible; }
  int32_t WireCurves() const override { return wireCurves; }
  TFrameIo& Io() override { return io; }
  Rect ClientRect() const override { return pixels.Bounds(); }
  void OpenDevicePopup(NTDevWin* device, Point) override { popupDevice = device; }
  int32_t NumberOf(const NTWin* w) override { return TWindowNumbers(&root).NumberOf(w); }
  NTWin* WindowOf(int32_t n) override { return TWindowNumbers(&root).WindowOf(n); }

  int Mouse(MouseKind kind, Point pt) { return RouteMouse(&root, captured, kind, pt); }
  void Click(Point pt) {
    Mouse(MouseKind::LDown, pt);
    Mouse(MouseKind::LUp, pt);
  }

  struct Invalidation {
    Rect rect;
    bool erase;
  };
  NTWin root;
  TBitmapCache bitmaps;
  Surface pixels;
  NTWin* captured = nullptr;
  NTDevWin* popupDevice = nullptr;
  std::vector<Rect> shown;
  std::vector<Invalidation> invalidated;
  std::vector<std::string> errors;
  int beeps = 0;
  int changes = 0;
  int32_t snap = 1, wiresVisible = 1, wireCurves = 1;
  TFrameIo io;
};
