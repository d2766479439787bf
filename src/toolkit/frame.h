#pragma once
#include <string>

#include "toolkit/statics.h"

// A framed panel: shaded background, 3-D border and a title strip.
class NTFrameWin : public NTWin {
 public:
  // The largest panel (the oscilloscope); no panel is larger.
  static constexpr int MaxW = 550, MaxH = 300;

  NTFrameWin(NTOwner* owner, NTWin* parent, int w, int h, const char* title);
  void Paint(Dc& dc) override;

  NTStaticWinTitle Title;

  // The shading colour of the 5 x 5 block at (x, y).
  static Color ShadeAt(int x, int y);

 private:
  // The shading of the largest panel; every panel shows its top-left W x H corner of it. One for
  // all panels, so that a patch of thousands of panels costs no more than one.
  static const Surface& Background();
};
