#pragma once
#include "toolkit/ctrl.h"

// A vertical slider; Pos 0 is the knob at the bottom, Travel at the top.
class NTSlider : public NTCtrl {
 public:
  NTSlider(NTOwner* owner, NTWin* parent, int code, int travel);
  ~NTSlider() override;
  void Paint(Dc& dc) override;
  void Read(ipstream& is) override;
  void Write(opstream& os) override;
  int LButtonDown(Point pt) override;
  int LButtonUp(Point pt) override;
  int MouseMove(Point pt) override;

  int32_t GrabX = 0, GrabY = 0;
  int32_t Travel;
  int32_t Pos = 0;
};
