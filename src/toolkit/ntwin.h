#pragma once
#include <cstdint>

#include "platform/dc.h"
#include "platform/pstream.h"
#include "toolkit/owner.h"

// Base of the program's own lightweight window tree. A window does not own its children: they are
// members of the object that creates them and unlink themselves when destroyed.
class NTWin {
 public:
  NTWin(TWindowOwner* owner, NTWin* parent);
  virtual ~NTWin();
  NTWin(const NTWin&) = delete;
  NTWin& operator=(const NTWin&) = delete;

  // The fifteen operations, in their order.
  virtual void Paint(Dc& dc);
  virtual void PaintWires(Dc& dc);
  virtual void Tick();
  virtual void Read(ipstream& is);
  virtual void Write(opstream& os);
  virtual void Forget(NTWin* dying);
  virtual int LButtonDown(Point pt);
  virtual int LButtonUp(Point pt);
  virtual int RButtonDown(Point pt);
  virtual int RButtonUp(Point pt);
  virtual int MouseMove(Point pt);
  virtual void CtrlNotify(int code);
  virtual void SliderMoved(int code);
  virtual void RegChanged(int code);

  void MoveTo(Point p) {
    X = p.x;
    Y = p.y;
  }
  // Takes the window out of its parent's child list, with its own children, so that it can come
  // back later (an undone delete); and puts it back at `index` of parent's list (at the end when
  // the list is shorter).
  void Unlink();
  void LinkInto(NTWin& parent, size_t index);
  Point AbsPos() const;
  Rect AbsRect() const;
  bool Contains(Point pt) const;
  Point Offset(Point pt) const { return {pt.x - X, pt.y - Y}; }
  void DrawFocus(Dc& dc) const { dc.FocusRect(AbsRect()); }
  void SetCapture() { Owner->SetCapture(this); }
  void ReleaseCapture() { Owner->ReleaseCapture(); }
  // Paints this window at once through a client drawing context.
  void Repaint();

  TWindowOwner* Owner;
  NTWin* Parent;
  NTWin* FirstChild = nullptr;
  NTWin* Next = nullptr;
  int32_t X = 0, Y = 0, W = 0, H = 0;
  // A panel hides what lies beneath it from the mouse, as it does from the eye, also where
  // nothing on it takes the click.
  bool Opaque = false;

  // Something outside the tree keeps pointing at this window (a MIDI mapping): its destruction
  // is told to the owner.
  void MarkReferenced() { Referenced = true; }

 protected:
  // Set by windows that others may point at (outputs): only their destruction needs the forget
  // walk over the whole tree.
  bool Referenced = false;

 private:
  // The end of the child list, so that adding a child does not walk the list: a patch of
  // thousands of devices would otherwise load in quadratic time.
  NTWin* lastChild_ = nullptr;
};

enum class MouseKind { Move, LDown, LUp, RDown, RUp, Other };

// The tree walks.
void PaintWalk(NTWin* w, Dc& dc);
void PaintWiresWalk(NTWin* w, Dc& dc);
void ReadWalk(NTWin* w, ipstream& is);
void WriteWalk(NTWin* w, opstream& os);
void ForgetWalk(NTWin* w, NTWin* dying);
// Offers the event to the windows drawn at the point, topmost first: the later of two siblings is
// drawn over the earlier one, and a window's children over the window itself.
int MouseDispatch(NTWin* w, MouseKind kind, Point pt);
// A canvas's mouse routing: while a window has the capture every event goes to it (a right
// button acting as the left), else the event is dispatched from the root. Returns 1 when taken.
int RouteMouse(NTWin* root, NTWin* captured, MouseKind kind, Point pt);
