#pragma once
#include "engine/canvas.h"
#include "engine/device_type.h"
#include "toolkit/frame.h"

// Base of every device: a framed panel that moves with the mouse and a signal processor. The
// frame cycle calls Latch and Compute once each per frame; the compiled schedule runs the device
// type's kernel instead, which gives the same values (engine/schedule.h).
class NTDevWin : public NTFrameWin {
 public:
  // Positions and sizes stay within this range, read from a file or placed by the mouse, so that
  // no sum of them can overflow. A panel put down by the mouse lies whole in the canvas, the
  // square from (0, 0) to (kGeometryLimit, kGeometryLimit).
  static constexpr int32_t kGeometryLimit = 1 << 20;

  NTDevWin(TCanvas* canvas, NTWin* parent, int w, int h, const char* title);

  void Paint(Dc& dc) override;
  void Read(ipstream& is) override;
  void Write(opstream& os) override;
  int LButtonDown(Point pt) override;
  int LButtonUp(Point pt) override;
  int RButtonDown(Point pt) override;
  int RButtonUp(Point pt) override;
  int MouseMove(Point pt) override;

  // Phase 1 of a frame: read the sources. Phase 2: compute and publish. Audio thread; the
  // reference for the device's kernel.
  virtual void Latch() noexcept {}
  virtual void Compute() noexcept {}

  // Begins a move at once, as after inserting from the menu (Grab stays as it is).
  void BeginMove();
  // Ends a move: the panel goes where its focus rectangle stands; when the pointer is outside
  // the visible part of the canvas (a drag released outside the window), to the nearest place
  // where the whole panel is visible; never off the canvas.
  void EndMove(Point pointer);
  // Every rectangle a move must repaint: the panel and every wire into or out of it.
  void InvalidateArea(bool erase);

  TCanvas* Canvas;
  Point Grab{};
  // Set by the device factory (MakeDevice); None for a device made otherwise (a test's helper).
  DeviceType Type = DeviceType::None;
  int32_t Painted = 0;
  Point MovePos{};

 private:
  void FollowMove(Point pt);
  Point Snapped(Point p) const;
};
