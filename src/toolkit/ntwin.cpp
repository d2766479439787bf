#include "toolkit/ntwin.h"

#include <vector>

void TWindowOwner::ForgetWindow(NTWin* dying) {
  if (NTWin* root = Root()) ForgetWalk(root, dying);
}

NTWin::NTWin(TWindowOwner* owner, NTWin* parent) : Owner(owner), Parent(parent) {
  if (!parent) return;
  (parent->lastChild_ ? parent->lastChild_->Next : parent->FirstChild) = this;
  parent->lastChild_ = this;
}

NTWin::~NTWin() {
  if (Referenced && Owner) Owner->ForgetWindow(this);
  if (Parent) Unlink();
}

void NTWin::Unlink() {
  NTWin* before = nullptr;
  for (NTWin** link = &Parent->FirstChild; *link; before = *link, link = &(*link)->Next) {
    if (*link == this) {
      *link = Next;
      if (Parent->lastChild_ == this) Parent->lastChild_ = before;
      break;
    }
  }
  Next = nullptr;
  Parent = nullptr;
}

void NTWin::LinkInto(NTWin& parent, size_t index) {
  NTWin** link = &parent.FirstChild;
  for (size_t i = 0; i < index && *link; ++i) link = &(*link)->Next;
  Next = *link;
  Parent = &parent;
  *link = this;
  if (!Next) parent.lastChild_ = this;
}

void NTWin::Paint(Dc&) {}
void NTWin::PaintWires(Dc&) {}
void NTWin::Tick() {}
void NTWin::Read(ipstream&) {}
void NTWin::Write(opstream&) {}
void NTWin::Forget(NTWin*) {}
int NTWin::LButtonDown(Point) {
  return 0;
}
int NTWin::LButtonUp(Point) {
  return 0;
}
int NTWin::RButtonDown(Point) {
  return 0;
}
int NTWin::RButtonUp(Point) {
  return 0;
}
int NTWin::MouseMove(Point) {
  return 0;
}
void NTWin::CtrlNotify(int) {}
void NTWin::SliderMoved(int) {}
void NTWin::RegChanged(int) {}

Point NTWin::AbsPos() const {
  Point p{};
  for (const NTWin* w = this; w; w = w->Parent) {
    p.x += w->X;
    p.y += w->Y;
  }
  return p;
}

Rect NTWin::AbsRect() const {
  const Point p = AbsPos();
  return Rect::FromSize(p.x, p.y, W, H);
}

bool NTWin::Contains(Point pt) const {
  const Point p = AbsPos();
  return int64_t(p.x) <= pt.x && pt.x < int64_t(p.x) + W && int64_t(p.y) <= pt.y &&
         pt.y < int64_t(p.y) + H;
}

void NTWin::Repaint() {
  TClientDC dc(*Owner);
  Paint(*dc);
}

void PaintWalk(NTWin* w, Dc& dc) {
  w->Paint(dc);
  for (NTWin* c = w->FirstChild; c; c = c->Next) PaintWalk(c, dc);
}

void PaintWiresWalk(NTWin* w, Dc& dc) {
  w->PaintWires(dc);
  for (NTWin* c = w->FirstChild; c; c = c->Next) PaintWiresWalk(c, dc);
}

void ReadWalk(NTWin* w, ipstream& is) {
  for (NTWin* c = w->FirstChild; c; c = c->Next) ReadWalk(c, is);
  w->Read(is);
}

void WriteWalk(NTWin* w, opstream& os) {
  for (NTWin* c = w->FirstChild; c; c = c->Next) WriteWalk(c, os);
  w->Write(os);
}

void ForgetWalk(NTWin* w, NTWin* dying) {
  w->Forget(dying);
  for (NTWin* c = w->FirstChild; c; c = c->Next) ForgetWalk(c, dying);
}

namespace {
int OwnHandler(NTWin* w, MouseKind kind, Point pt) {
  switch (kind) {
    case MouseKind::Move:
      return w->MouseMove(pt);
    case MouseKind::LDown:
      return w->LButtonDown(pt);
    case MouseKind::LUp:
      return w->LButtonUp(pt);
    case MouseKind::RDown:
      return w->RButtonDown(pt);
    case MouseKind::RUp:
      return w->RButtonUp(pt);
    case MouseKind::Other:
      return 0;
  }
  return 0;
}
}  // namespace

int MouseDispatch(NTWin* w, MouseKind kind, Point pt) {
  // The child list is singly linked and in drawing order; the topmost child is its last.
  std::vector<NTWin*> children;
  for (NTWin* c = w->FirstChild; c; c = c->Next) children.push_back(c);
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    NTWin* c = *it;
    if (MouseDispatch(c, kind, pt)) return 1;
    if (c->Opaque && c->Contains(pt)) break;
  }
  return OwnHandler(w, kind, pt);
}

int RouteMouse(NTWin* root, NTWin* captured, MouseKind kind, Point pt) {
  if (!captured) return MouseDispatch(root, kind, pt);
  switch (kind) {
    case MouseKind::LDown:
    case MouseKind::RDown:
      return captured->LButtonDown(pt);
    case MouseKind::LUp:
    case MouseKind::RUp:
      return captured->LButtonUp(pt);
    case MouseKind::Move:
      return captured->MouseMove(pt);
    case MouseKind::Other:
      return 0;
  }
  return 0;
}
