#pragma once
#include <array>

#include "platform/surface.h"

// Which part of the canvas the window shows, and how large: view state, never part of the patch.
// The panels are always drawn at 100 % into a backing store that holds the canvas pixels behind
// the window; showing them scales that store (averaged below 100 %, square pixels above).
//
// Screen pixel s shows the canvas pixels from Edge(s) up to Edge(s + 1) (at least one), counted
// from origin; the mouse acts on the middle one of them.
struct TView {
  static constexpr std::array<int, 11> kSteps{25, 33, 50, 67, 75, 100, 125, 150, 200, 300, 400};
  static constexpr int kMinZoom = kSteps.front(), kMaxZoom = kSteps.back();

  int zoom = 100;             // percent
  Point origin{};             // the canvas point shown at the window's top-left corner
  int width = 0, height = 0;  // the window, in screen pixels

  Point ToCanvas(Point screen) const;
  // The screen pixel that shows the canvas point (the first of them when zoomed in).
  Point ToScreen(Point canvas) const;
  // Every screen pixel whose picture depends on a canvas pixel in r, within the window.
  Rect ToScreen(Rect canvas) const;
  // The canvas pixels the backing store must hold to fill the window.
  Rect Stored() const;
  // The canvas pixels shown whole.
  Rect Visible() const;

  // The next zoom step from zoom in direction (+1 larger, -1 smaller); zoom itself at the ends.
  static int Step(int zoom, int direction);

  // Fills the screen pixels of r in out (the window's size) from store, whose top-left pixel
  // is the canvas point origin.
  void Show(const Surface& store, Rect r, Surface& out) const;

 private:
  int64_t Edge(int64_t s) const;
  int64_t Middle(int64_t s) const;
  int64_t ScreenOf(int64_t c) const;
};
