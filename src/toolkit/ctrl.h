#pragma once
#include "platform/relaxed.h"
#include "toolkit/ntwin.h"

// The identity of a control: its code and the window it notifies (always its parent).
struct NTCtrlData {
  NTCtrlData(int code, NTWin* target) : Code(code), Target(target) {}
  int32_t Code;
  NTWin* Target;

  // The three notifications, each carrying Code; a control without a target tells nobody. Only
  // the user's actions notify, so each one also tells the canvas that the patch changed, once the
  // target has taken the change.
  void NotifyCtrl() const { Notify(&NTWin::CtrlNotify); }
  void NotifySlider() const { Notify(&NTWin::SliderMoved); }
  void NotifyReg() const { Notify(&NTWin::RegChanged); }

 private:
  void Notify(void (NTWin::*operation)(int)) const {
    if (!Target) return;
    (Target->*operation)(Code);
    if (Target->Owner) Target->Owner->ControlChanged(Target);
  }
};

class NTCtrl : public NTWin, public NTCtrlData {
 public:
  NTCtrl(TWindowOwner* owner, NTWin* parent, int code)
      : NTWin(owner, parent), NTCtrlData(code, parent) {}
};
