#pragma once
#include "toolkit/bmpwin.h"
#include "toolkit/button.h"
#include "toolkit/ctrl.h"
#include "toolkit/disp.h"
#include "toolkit/slider.h"

// The value slider: an up button, a slider and a down button around one integer Value, which the
// audio thread reads.
class NTReg : public NTBmpWin, public NTCtrlData {
 public:
  // The codes its own parts report to CtrlNotify and SliderMoved.
  static constexpr int kUpCode = 1, kDownCode = 2, kSliderCode = 3;

  NTReg(TWindowOwner* owner, NTWin* parent, int code, int travel, int min, int max, int step,
        int value);
  void Read(ipstream& is) override;
  void Write(opstream& os) override;
  void CtrlNotify(int code) override;
  void SliderMoved(int code) override;

  // Sets Value and the knob position from it, without notifying: the read-out keeps its value.
  void SetValue(int32_t v);
  // A user's change from the keyboard, the wheel or a typed value: Value becomes v (kept within
  // Min..Max), the knob and the read-out follow and the device is told, as after a step. False,
  // and nobody is told, when the value stays as it was.
  bool Change(int64_t v);
  // What every change by the user ends with: the read-out shows Value, then the device is told.
  void NotifyChange();

  NTButUp Up;
  NTButDn Down;
  NTSlider Slider;
  int32_t Min, Max, Step;
  Relaxed<int32_t> Value;
  // The value a newly made device starts with; a reset returns to it.
  const int32_t Initial;
  // The read-out that shows Value, if the slider has one.
  NTDisp* Readout = nullptr;

 private:
  void UpdateSliderPos();
  void Place(int64_t v);
};
