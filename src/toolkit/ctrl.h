#pragma once
#include "platform/relaxed.h"
#include "toolkit/ntwin.h"

// The identity of a control: its code and the window it notifies (always its parent).
struct NTCtrlData {
  NTCtrlData(int code, NTWin* target) : Code(code), Target(target) {}
  int32_t Code;
  NTWin* Target;

  // The three notifications, each carrying Code; a control without a target tells nobody.
  void NotifyCtrl() const {
    if (Target) Target->CtrlNotify(Code);
  }
  void NotifySlider() const {
    if (Target) Target->SliderMoved(Code);
  }
  void NotifyReg() const {
    if (Target) Target->RegChanged(Code);
  }
};

class NTCtrl : public NTWin, public NTCtrlData {
 public:
  NTCtrl(NTOwner* owner, NTWin* parent, int code)
      : NTWin(owner, parent), NTCtrlData(code, parent) {}
};
