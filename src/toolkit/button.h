#pragma once
#include "toolkit/ctrl.h"

// A push button that fires its notification on release, wherever the mouse is then.
class NTButton : public NTCtrl {
 public:
  NTButton(TWindowOwner* owner, NTWin* parent, int code, int bitmap);
  ~NTButton() override;
  void Paint(Dc& dc) override;
  void Read(ipstream& is) override;
  void Write(opstream& os) override;
  int LButtonDown(Point pt) override;
  int LButtonUp(Point pt) override;

  int32_t Bitmap;
  int32_t Pressed = 0;
};

class NTButUp : public NTButton {
 public:
  NTButUp(TWindowOwner* owner, NTWin* parent, int code);
};

class NTButDn : public NTButton {
 public:
  NTButDn(TWindowOwner* owner, NTWin* parent, int code);
};
