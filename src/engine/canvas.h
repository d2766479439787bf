#pragma once
#include <cstdint>
#include <span>

#include "platform/midi_event.h"
#include "toolkit/ntwin.h"

class NTDevWin;
class NTPlug;
class NTPlugIn;
class NTPlugOut;

// The current frame's sound-card samples and output accumulators (audio thread), the frame's
// number on the processing clock (frames processed before it), and the MIDI events of the block
// in progress, stamped with clock frames in ascending order.
struct TFrameIo {
  int32_t InL = 0, InR = 0, OutL = 0, OutR = 0;
  int64_t Clock = 0;
  std::span<const TMidiEvent> Midi;
};

// Threads. Two threads work on a canvas: the window thread (mouse, menus, timer, painting, files)
// and the audio thread (the processing cycle: the compiled schedule's kernels a sub-block at a
// time, or every device's Latch and then every device's Compute frame by frame; the order of the
// device list changes no value).
// * The canvas lock (TMainClient::Lock) guards the device list and the shape of the window tree.
//   The audio thread holds it for each whole block; the window thread holds it while it creates
//   or deletes devices (insert, delete, new, open). So no device or connector disappears while
//   the cycle runs through it.
// * A single word that both threads use outside the lock is a Relaxed<T>: control values, a
//   connector's Source and Value, meter peaks, scope states. Each is read and written whole; no
//   order between two such words is promised. Values that must change together (a filter's
//   coefficients) are handed over as one set through a TTripleBuffer.
// * Everything else (positions, displays, bitmaps, the interaction mode, the pending connector)
//   belongs to the window thread alone.
// * Latch and Compute are noexcept; they take no lock, allocate nothing and make no system call.
//
// What devices and connectors need of the canvas beyond what every window needs.
class TCanvas : public TWindowOwner {
 public:
  virtual int32_t Snap() const = 0;
  virtual int32_t WiresVisible() const = 0;
  virtual int32_t WireCurves() const = 0;
  virtual TFrameIo& Io() = 0;
  // A connection was made or removed (window thread).
  virtual void WiringChanged() {}
  // The user connected or disconnected in (its source before was `before`); after the change.
  virtual void ConnectionChanged(NTPlugIn& in, NTPlugOut* before) {
    (void)in, (void)before;
    WiringChanged();
    PatchChanged();
  }
  // The user put a panel down somewhere else (it stood at `from`); after the move.
  virtual void DeviceMoved(NTDevWin& device, Point from) {
    (void)device, (void)from, PatchChanged();
  }
  // The visible part of the canvas, in client coordinates.
  virtual Rect ClientRect() const = 0;
  // Remembers the device and tracks its popup menu at the client point.
  virtual void OpenDevicePopup(NTDevWin* device, Point clientPt) = 0;
  // Window numbers of the patch file (pre-order, root = 1).
  virtual int32_t NumberOf(const NTWin* w) = 0;
  virtual NTWin* WindowOf(int32_t number) = 0;

  // The first connector of a connection being made (interaction Connecting), or null.
  NTPlug* PendingPlug() const { return pendingPlug_; }
  void SetPendingPlug(NTPlug* plug) { pendingPlug_ = plug; }

 private:
  NTPlug* pendingPlug_ = nullptr;
};
