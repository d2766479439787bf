#pragma once
#include <string>

#include "platform/dc.h"

class NTWin;
class TBitmapCache;

// What the mouse is doing on a canvas; every mouse handler consults it (window thread).
enum class InteractionMode { Idle, Moving, Control, Connecting };

// What a window of the tree needs of the canvas that hosts it. The canvas implements it; tests
// use a double.
class TWindowOwner {
 public:
  virtual ~TWindowOwner() = default;

  virtual NTWin* Root() = 0;
  virtual TBitmapCache& Bitmaps() = 0;

  // Mouse capture: every mouse event goes to the captured window until released.
  virtual void SetCapture(NTWin* w) = 0;
  virtual void ReleaseCapture() = 0;
  virtual NTWin* Captured() const = 0;

  // A client drawing context draws straight into the window's pixels; ending it shows them.
  virtual Dc BeginClientDc() = 0;
  virtual void EndClientDc(Dc& dc) = 0;

  // Schedules a repaint of r (with the background erased first when erase is set).
  virtual void Invalidate(Rect r, bool erase) = 0;

  // A window is being destroyed: every window of the tree drops its references to it.
  virtual void ForgetWindow(NTWin* dying);

  virtual void Beep() = 0;
  virtual void ErrorBox(const std::string& text) = 0;

  // The user changed something a save keeps (a control, a position, a wire): the patch now
  // differs from its file.
  virtual void PatchChanged() = 0;
  // Every control change of the user passes here, after the control's target has taken it
  // (control is the control that changed). A canvas with an edit history makes it an undo step.
  virtual void ControlChanged(NTWin* control) { (void)control, PatchChanged(); }
  // One gesture (a drag, a held key): the control changes between its begin and its end are one
  // undo step. Gestures may nest; only the outermost counts.
  virtual void BeginGesture() {}
  virtual void EndGesture() {}

  // The mouse interaction in progress on this canvas: a press that began moving a panel, working
  // a control or making a connection decides what the following mouse events do.
  InteractionMode Interaction() const { return interaction_; }
  void SetInteraction(InteractionMode mode) { interaction_ = mode; }

 private:
  InteractionMode interaction_ = InteractionMode::Idle;
};

// A short-lived client drawing context (window thread).
class TClientDC {
 public:
  explicit TClientDC(TWindowOwner& owner) : owner_(owner), dc_(owner.BeginClientDc()) {}
  ~TClientDC() { owner_.EndClientDc(dc_); }
  TClientDC(const TClientDC&) = delete;
  TClientDC& operator=(const TClientDC&) = delete;
  Dc& operator*() { return dc_; }
  Dc* operator->() { return &dc_; }

 private:
  TWindowOwner& owner_;
  Dc dc_;
};
