#include "toolkit/key.h"

#include "toolkit/bitmap_cache.h"

NTKey::NTKey(TWindowOwner* owner, NTWin* parent, int code, int bitmap, int keyW, int keyH,
             int state)
    : NTCtrl(owner, parent, code), Bitmap(bitmap), KeyW(keyW), KeyH(keyH), State(state) {
  Owner->Bitmaps().Acquire(Bitmap);
  W = KeyW;
  H = KeyH;
}

NTKey::~NTKey() {
  Owner->Bitmaps().Release(Bitmap);
}

void NTKey::Paint(Dc& dc) {
  const Point p = AbsPos();
  dc.Blt(p.x, p.y, KeyW, KeyH, Owner->Bitmaps().Get(Bitmap), State ? KeyW : 0, 0);
}

void NTKey::Read(ipstream& is) {
  State = is.ReadWord();
}
void NTKey::Write(opstream& os) {
  os.WriteWord(State);
}

int NTKey::LButtonDown(Point pt) {
  if (Owner->Interaction() != InteractionMode::Idle || !Contains(pt)) return 0;
  Toggle();
  return 1;
}

void NTKey::Toggle() {
  State = State ? 0 : 1;
  Repaint();
  NotifyCtrl();
}

NTKeyset::NTKeyset(TWindowOwner* owner, NTWin* parent, int code, int bitmap, int keyW, int keyH,
                   int count, int selected)
    : NTCtrl(owner, parent, code),
      Bitmap(bitmap),
      KeyW(keyW),
      KeyH(keyH),
      Count(count),
      Selected(selected) {
  Owner->Bitmaps().Acquire(Bitmap);
  W = KeyW;
  H = KeyH * Count;
}

NTKeyset::~NTKeyset() {
  Owner->Bitmaps().Release(Bitmap);
}

void NTKeyset::Paint(Dc& dc) {
  const Point p = AbsPos();
  const Surface& keys = Owner->Bitmaps().Get(Bitmap);
  // A Selected outside the keys (a damaged file) simply shows no key pressed.
  const int32_t selected = Selected;
  for (int i = 0; i < Count; ++i) {
    dc.Blt(p.x, p.y + i * KeyH, KeyW, KeyH, keys, i == selected ? KeyW : 0, i * KeyH);
  }
}

void NTKeyset::Read(ipstream& is) {
  Selected = is.ReadWord();
}
void NTKeyset::Write(opstream& os) {
  os.WriteWord(Selected);
}

int NTKeyset::LButtonDown(Point pt) {
  if (Owner->Interaction() != InteractionMode::Idle || !Contains(pt)) return 0;
  const int row = (pt.y - AbsPos().y) / KeyH;
  if (row >= 0 && row < Count) Select(row);
  return 1;
}

void NTKeyset::Select(int row) {
  Selected = row;
  Repaint();
  NotifyCtrl();
}
