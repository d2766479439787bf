#pragma once
#include <string>

#include "toolkit/statics.h"

// A framed panel: shaded background, 3-D border and a title strip.
class NTFrameWin : public NTWin {
 public:
  // The largest panel (the oscilloscope); no panel is larger.
  static constexpr int kMaxW = 550, kMaxH = 300;

  NTFrameWin(TWindowOwner* owner, NTWin* parent, int w, int h, const char* title);
  void Paint(Dc& dc) override;

  NTStaticWinTitle Title;

  // The shading colour of the 5 x 5 block at (x, y).
  static Color ShadeAt(int x, int y);

 private:
  // Every panel's background is the top-left W x H part of the same shaded picture, so all
  // panels share one read-only copy of it (made once, before any audio thread runs).
  static const Surface& Background();
};
