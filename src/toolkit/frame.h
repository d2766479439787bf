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
  // Only the panel's own W x H pixels; what is shown is the same as from a full-size bitmap.
  Surface background_;
};
