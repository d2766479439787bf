#pragma once
#include "toolkit/ctrl.h"

// A vertical slider; Pos 0 is the knob at the bottom, Travel at the top.
class NTSlider : public NTCtrl {
 public:
  // The track bitmap has room for this much travel.
  static constexpr int kMaxTravel = 100;

  NTSlider(TWindowOwner* owner, NTWin* parent, int code, int travel);
  ~NTSlider() override;
  void Paint(Dc& dc) override;
  void Read(ipstream& is) override;
  void Write(opstream& os) override;
  int LButtonDown(Point pt) override;
  int LButtonUp(Point pt) override;
  int MouseMove(Point pt) override;

  // Pos within 0..Travel: a loaded file may hold any Pos, and the knob must stay on its track.
  int32_t KnobPos() const;

  int32_t GrabX = 0, GrabY = 0;
  int32_t Travel;
  int32_t Pos = 0;

 private:
  // The absolute top row of the knob.
  int32_t KnobTop() const { return AbsPos().y + Travel - KnobPos(); }
};
