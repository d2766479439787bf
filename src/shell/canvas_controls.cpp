#include "shell/canvas_controls.h"

#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include "shell/accessible_canvas.h"
#include "toolkit/value_text.h"

namespace {
constexpr int kNotch = 120;     // eighths of a degree per wheel notch
constexpr int kMarkMargin = 2;  // the focus mark lies this far around its control
constexpr int kEntryW = 84, kEntryH = 20;
// Notches closer together than this belong to one burst, and one burst is one undo step.
constexpr auto kWheelPause = std::chrono::milliseconds(500);

QRect ToQRect(const Rect& r) {
  return {r.left, r.top, int(r.Width()), int(r.Height())};
}

std::optional<ControlKey> KeyFor(int key) {
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Right:
      return ControlKey::StepUp;
    case Qt::Key_Down:
    case Qt::Key_Left:
      return ControlKey::StepDown;
    case Qt::Key_PageUp:
      return ControlKey::CoarseUp;
    case Qt::Key_PageDown:
      return ControlKey::CoarseDown;
    case Qt::Key_Home:
      return ControlKey::First;
    case Qt::Key_End:
      return ControlKey::Last;
    case Qt::Key_Space:
      return ControlKey::Toggle;
    default:
      return std::nullopt;
  }
}
}  // namespace

TCanvasControls::TCanvasControls(QWidget& canvas, TMainClient& client)
    : canvas_(canvas), client_(client) {}

NTWin* TCanvasControls::Focus() const {
  return focus_ && InTree(client_.Root(), focus_) ? focus_ : nullptr;
}

void TCanvasControls::SetFocus(NTWin* control) {
  UpdateMark(Focus());
  focus_ = control;
  UpdateMark(control);
  if (control) AnnounceFocus(canvas_, *control);
}

bool TCanvasControls::Tab(bool forward) {
  CloseEntry();
  NTWin* next = NextFocus(client_.Root(), Focus(), forward);
  if (!next) return false;
  SetFocus(next);
  return true;
}

bool TCanvasControls::Key(const QKeyEvent& event) {
  NTWin* control = Focus();
  if (!control) return false;
  const int key = event.key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    auto* reg = dynamic_cast<NTReg*>(control);
    if (reg && reg->Readout && client_.Interaction() == InteractionMode::Idle) OpenEntry(*reg);
    return reg != nullptr;
  }
  const auto action = KeyFor(key);
  if (!action || !PressKey(*control, *action)) return false;
  Announce(*control);
  return true;
}

bool TCanvasControls::Wheel(QWheelEvent& event) {
  if (event.modifiers() & Qt::ControlModifier) return false;
  const QPoint at = event.position().toPoint();
  const Point pt = client_.View().ToCanvas({at.x(), at.y()});
  NTReg* reg = RegAt(client_.Root(), pt);
  if (!reg) {
    wheelRest_ = 0;
    EndWheelBurst();
    return false;
  }
  if (reg != wheelReg_) {
    EndWheelBurst();
    wheelReg_ = reg;
    client_.BeginGesture();
  }
  wheelLast_ = TStepRepeat::Clock::now();
  // Shift turns the wheel sideways on some systems.
  const QPoint delta = event.angleDelta();
  wheelRest_ += delta.y() != 0 ? delta.y() : delta.x();
  const int notches = wheelRest_ / kNotch;
  wheelRest_ -= notches * kNotch;
  ::Wheel(client_.Root(), pt, notches, event.modifiers() & Qt::ShiftModifier);
  Announce(*reg);
  return true;
}

bool TCanvasControls::DoubleClick(Point pt) {
  NTDisp* display = DisplayAt(client_.Root(), pt);
  NTReg* reg = display ? RegOf(*display) : nullptr;
  if (!reg || client_.Interaction() != InteractionMode::Idle) return false;
  SetFocus(reg);
  OpenEntry(*reg);
  return true;
}

bool TCanvasControls::ResetAt(Point pt) {
  NTReg* reg = RegAt(client_.Root(), pt);
  if (!reg) return false;
  if (Reset(*reg)) Announce(*reg);
  return true;
}

void TCanvasControls::Tick() {
  const auto now = TStepRepeat::Clock::now();
  repeat_.Tick(client_, now);
  if (wheelReg_ && now - wheelLast_ >= kWheelPause) EndWheelBurst();
}

void TCanvasControls::EndWheelBurst() {
  if (std::exchange(wheelReg_, nullptr)) client_.EndGesture();
}

void TCanvasControls::PaintFocus(QPainter& painter) const {
  const NTWin* control = Focus();
  if (!control || !canvas_.hasFocus()) return;
  const QRect r = ToQRect(client_.View().ToScreen(FocusArea(*control)))
                      .adjusted(-kMarkMargin, -kMarkMargin, kMarkMargin - 1, kMarkMargin - 1);
  // Black dashes between white ones show on any panel colour.
  painter.setPen(QPen(Qt::white, 1));
  painter.drawRect(r);
  painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
  painter.drawRect(r);
}

void TCanvasControls::UpdateMark(NTWin* control) const {
  if (!control) return;
  const int m = kMarkMargin + 1;
  canvas_.update(ToQRect(client_.View().ToScreen(FocusArea(*control))).adjusted(-m, -m, m, m));
}

void TCanvasControls::OpenEntry(NTReg& reg) {
  const NTDisp* display = reg.Readout;
  if (!display) return;
  if (!entry_) {
    entry_ = new TValueEntry(&canvas_);
    QObject::connect(entry_, &QLineEdit::returnPressed, &canvas_, [this] { Confirm(); });
    QObject::connect(entry_, &TValueEntry::Cancelled, &canvas_, [this] { CloseEntry(); });
  }
  editing_ = &reg;
  const Rect r = client_.View().ToScreen(display->AbsRect());
  // Centred over the read-out, but inside the window.
  const int x = std::clamp(r.left + 14 - kEntryW / 2, 0, std::max(0, canvas_.width() - kEntryW));
  const int y = std::clamp(r.top - 4, 0, std::max(0, canvas_.height() - kEntryH));
  entry_->setGeometry(x, y, kEntryW, kEntryH);
  entry_->setText(QString::fromStdString(ValueText(display->Kind, reg.Value)));
  entry_->selectAll();
  entry_->show();
  entry_->setFocus();
}

void TCanvasControls::Confirm() {
  // The panel may have gone meanwhile (a menu command while the entry was open).
  if (!editing_ || !InTree(client_.Root(), editing_)) return CloseEntry();
  const TEntryResult result = EnterValue(*editing_, entry_->text().toStdString());
  if (!result.Set) {
    QToolTip::showText(entry_->mapToGlobal(QPoint(0, entry_->height())),
                       QString::fromStdString(result.Hint), entry_);
    entry_->selectAll();
    return;
  }
  Announce(*editing_);
  CloseEntry();
}

void TCanvasControls::CloseEntry() {
  editing_ = nullptr;
  if (!entry_ || entry_->isHidden()) return;
  QToolTip::hideText();
  // The canvas takes the keyboard first: hiding the focused entry would hand it to the next
  // control, as Tab does.
  if (entry_->hasFocus()) canvas_.setFocus();
  entry_->hide();
}

void TCanvasControls::Announce(NTWin& control) const {
  AnnounceValue(canvas_, control);
}
