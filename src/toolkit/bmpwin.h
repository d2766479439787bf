#pragma once
#include "toolkit/ntwin.h"

// A bitmap from the canvas's cache, drawn plain or through a mask (black in the mask shows the
// image, white keeps the background).
class NTBmpWin : public NTWin {
 public:
  NTBmpWin(TWindowOwner* owner, NTWin* parent, int image, int mask);
  ~NTBmpWin() override;
  void Paint(Dc& dc) override;
  int32_t Image, Mask;
};
