#include "engine/plug.h"

#include "engine/devwin.h"
#include "engine/wire.h"
#include "platform/art.h"

namespace {
constexpr const char* kIllegalConnection =
    "Unerlaubte Verbindung!\n"
    "Es können nur Ein- und Ausgänge miteinander verbunden werden. Zweimal klicken auf einen "
    "Eingang löscht eine Verbindung. Der Vorgang wurde abgebrochen.";

void Connect(TCanvas& canvas, NTPlugIn& in, NTPlugOut& out) {
  NTPlugOut* before = in.Source;
  if (before == &out) return;
  if (before) canvas.Invalidate(in.WireRect(), true);
  in.Source = &out;
  canvas.Invalidate(in.WireRect(), false);
  canvas.ConnectionChanged(in, before);
}

void Disconnect(TCanvas& canvas, NTPlugIn& in) {
  NTPlugOut* before = in.Source;
  if (!before) return;
  canvas.Invalidate(in.WireRect(), true);
  in.Source = nullptr;
  canvas.ConnectionChanged(in, before);
}
}  // namespace

NTPlug::NTPlug(TCanvas* canvas, NTDevWin* parent, int bitmap, const char* label)
    : NTBmpWin(canvas, parent, bitmap, bmp::kJackMask),
      Canvas(canvas),
      Caption(canvas, this, label) {}

NTPlug::~NTPlug() {
  // A pending connection never completes with a connector that is gone.
  if (Canvas->PendingPlug() == this) {
    Canvas->SetPendingPlug(nullptr);
    if (Canvas->Interaction() == InteractionMode::Connecting)
      Canvas->SetInteraction(InteractionMode::Idle);
  }
}

int NTPlug::LButtonDown(Point pt) {
  if (!Contains(pt)) return 0;
  if (Canvas->Interaction() == InteractionMode::Idle) {
    Canvas->SetPendingPlug(this);
    TClientDC dc(*Canvas);
    DrawFocus(*dc);
    Canvas->SetInteraction(InteractionMode::Connecting);
    return 1;
  }
  if (Canvas->Interaction() != InteractionMode::Connecting) return 0;

  NTPlug* first = Canvas->PendingPlug();
  auto* firstIn = dynamic_cast<NTPlugIn*>(first);
  auto* firstOut = dynamic_cast<NTPlugOut*>(first);
  auto* secondIn = dynamic_cast<NTPlugIn*>(this);
  auto* secondOut = dynamic_cast<NTPlugOut*>(this);
  if (firstIn && secondOut) {
    Connect(*Canvas, *firstIn, *secondOut);
  } else if (firstOut && secondIn) {
    Connect(*Canvas, *secondIn, *firstOut);
  } else if (firstIn && first == this) {
    Disconnect(*Canvas, *firstIn);
  } else {
    Canvas->ErrorBox(kIllegalConnection);
  }
  EndPending(*Canvas);
  return 1;
}

Point NTPlug::Centre() const {
  const Point p = AbsPos();
  return {p.x + 8, p.y + 8};
}

void NTPlug::EndPending(TCanvas& canvas) {
  if (NTPlug* first = canvas.PendingPlug()) {
    TClientDC dc(canvas);
    first->DrawFocus(*dc);
  }
  canvas.SetPendingPlug(nullptr);
  canvas.SetInteraction(InteractionMode::Idle);
}

NTPlugOut::NTPlugOut(TCanvas* canvas, NTDevWin* parent, int bitmap, const char* label)
    : NTPlug(canvas, parent, bitmap, label) {
  Referenced = true;
}

void NTPlugOut::Read(ipstream& is) {
  Value = is.ReadWord();
}
void NTPlugOut::Write(opstream& os) {
  os.WriteWord(Value);
}

NTPlugIn::NTPlugIn(TCanvas* canvas, NTDevWin* parent, int bitmap, const char* label)
    : NTPlug(canvas, parent, bitmap, label) {}

Rect NTPlugIn::WireRect() const {
  const NTPlugOut* s = Source;
  if (!s || !Canvas->WiresVisible()) return {};
  return TWire(Centre(), s->Centre(), Canvas->WireCurves()).Bounds();
}

void NTPlugIn::PaintWires(Dc& dc) {
  const NTPlugOut* s = Source;
  if (!s || !Canvas->WiresVisible()) return;
  TWire(Centre(), s->Centre(), Canvas->WireCurves()).Draw(dc);
}

void NTPlugIn::Read(ipstream& is) {
  Value = is.ReadWord();
  // Any number that names no output leaves the input unconnected.
  Source = dynamic_cast<NTPlugOut*>(Canvas->WindowOf(is.ReadWord()));
}

void NTPlugIn::Write(opstream& os) {
  os.WriteWord(Value);
  const NTPlugOut* s = Source;
  os.WriteWord(s ? Canvas->NumberOf(s) : 0);
}

void NTPlugIn::Forget(NTWin* dying) {
  if (Source.Get() == dying) Source = nullptr;
}
