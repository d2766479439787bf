#pragma once
#include "toolkit/ctrl.h"

// A toggle key; its State (0 off, 1 on) is read by the audio thread.
class NTKey : public NTCtrl {
 public:
  NTKey(TWindowOwner* owner, NTWin* parent, int code, int bitmap, int keyW, int keyH, int state);
  ~NTKey() override;
  void Paint(Dc& dc) override;
  void Read(ipstream& is) override;
  void Write(opstream& os) override;
  int LButtonDown(Point pt) override;
  // Switches the key over and tells the device, as a click does.
  void Toggle();

  int32_t Bitmap, KeyW, KeyH;
  Relaxed<int32_t> State;
};

// A radio group of keys stacked vertically; Selected is read by the audio thread.
class NTKeyset : public NTCtrl {
 public:
  NTKeyset(TWindowOwner* owner, NTWin* parent, int code, int bitmap, int keyW, int keyH, int count,
           int selected);
  ~NTKeyset() override;
  void Paint(Dc& dc) override;
  void Read(ipstream& is) override;
  void Write(opstream& os) override;
  int LButtonDown(Point pt) override;
  // Selects key row (0..Count - 1) and tells the device, as a click on it does.
  void Select(int row);

  int32_t Bitmap, KeyW, KeyH, Count;
  Relaxed<int32_t> Selected;
};
