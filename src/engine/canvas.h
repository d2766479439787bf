#pragma once
#include <cstdint>

#include "toolkit/ntwin.h"

class NTDevWin;

// The current frame's sound-card samples and output accumulators (audio thread).
struct TFrameIo {
  int32_t InL = 0, InR = 0, OutL = 0, OutR = 0;
};

// What devices and connectors need of the canvas beyond what every window needs.
class NTCanvas : public NTOwner {
 public:
  virtual int32_t Snap() const = 0;
  virtual int32_t WiresVisible() const = 0;
  virtual int32_t WireCurves() const = 0;
  virtual TFrameIo& Io() = 0;
  // A connection was made or removed (window thread).
  virtual void WiringChanged() {}
  // Remembers the device and tracks its popup menu at the client point.
  virtual void OpenDevicePopup(NTDevWin* device, Point clientPt) = 0;
  // Window numbers of the patch file (pre-order, root = 1).
  virtual int32_t NumberOf(const NTWin* w) = 0;
  virtual NTWin* WindowOf(int32_t number) = 0;
};
