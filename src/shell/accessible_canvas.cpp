#include "shell/accessible_canvas.h"

#include <QAccessibleValueInterface>
#include <QPointer>
#include <cmath>

#include "shell/canvas_widget.h"
#include "toolkit/control_input.h"
#include "toolkit/control_names.h"

namespace {
QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

QRect ToQRect(const Rect& r) {
  return {r.left, r.top, int(r.Width()), int(r.Height())};
}

bool Focusable(NTWin* w) {
  return dynamic_cast<NTReg*>(w) || dynamic_cast<NTKey*>(w) || dynamic_cast<NTKeyset*>(w);
}

// What panels and controls share: the canvas they live on and the window they stand for.
class TAccessibleWindow : public QAccessibleInterface {
 public:
  TAccessibleWindow(TAccessibleCanvas* canvas, NTWin* w) : canvas_(canvas->Canvas()), w_(w) {}

  bool isValid() const override { return canvas_ && InTree(canvas_->Client().Root(), w_); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return Root() ? Root()->window() : nullptr; }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect r = ToQRect(Area());
    return {canvas_->mapToGlobal(r.topLeft()), r.size()};
  }

 protected:
  TAccessibleCanvas* Root() const {
    return canvas_ ? dynamic_cast<TAccessibleCanvas*>(QAccessible::queryAccessibleInterface(
                         static_cast<QWidget*>(canvas_.data())))
                   : nullptr;
  }
  virtual Rect Area() const { return w_->AbsRect(); }

  QPointer<TCanvasWidget> canvas_;
  NTWin* w_;
};

// A value slider, a key or a key set.
class TAccessibleControl : public TAccessibleWindow,
                           public QAccessibleValueInterface,
                           public QAccessibleActionInterface {
 public:
  using TAccessibleWindow::TAccessibleWindow;

  QAccessibleInterface* parent() const override {
    const NTWin* panel = isValid() ? PanelOf(*w_) : nullptr;
    return panel && Root() ? Root()->InterfaceOf(const_cast<NTWin*>(panel)) : nullptr;
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    if (t == QAccessible::Name) return Q(ControlName(*w_));
    if (t == QAccessible::Value) return Q(ControlValueText(*w_));
    return {};
  }
  // A typed value, as in the entry over the read-out.
  void setText(QAccessible::Text t, const QString& text) override {
    if (auto* reg = Reg(); reg && t == QAccessible::Value) EnterValue(*reg, text.toStdString());
  }
  QAccessible::Role role() const override {
    if (Reg()) return QAccessible::Slider;
    if (Key()) return QAccessible::CheckBox;
    return QAccessible::SpinBox;
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    s.focusable = true;
    s.focused = canvas_->hasFocus() && canvas_->Controls().Focus() == w_;
    if (const NTKey* k = Key()) {
      s.checkable = true;
      s.checked = k->State != 0;
    }
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::ValueInterface && !Key())
      return static_cast<QAccessibleValueInterface*>(this);
    if (t == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  // Values: a value slider's own units, or a key set's key number.
  QVariant currentValue() const override {
    if (const NTReg* r = Reg()) return r->Value.Get();
    if (const NTKeyset* k = Keyset()) return k->Selected.Get();
    return {};
  }
  void setCurrentValue(const QVariant& value) override {
    const double v = value.toDouble();
    if (!std::isfinite(v) || !isValid() || canvas_->Client().Interaction() != InteractionMode::Idle)
      return;
    if (NTReg* r = Reg()) r->Change(std::llround(std::clamp<double>(v, r->Min, r->Max)));
    if (NTKeyset* k = Keyset(); k && k->Count > 0) {
      const int row = int(std::clamp<double>(std::round(v), 0, k->Count - 1));
      if (row != k->Selected) k->Select(row);
    }
  }
  QVariant maximumValue() const override {
    if (const NTReg* r = Reg()) return r->Max;
    if (const NTKeyset* k = Keyset()) return k->Count - 1;
    return {};
  }
  QVariant minimumValue() const override {
    if (const NTReg* r = Reg()) return r->Min;
    return 0;
  }
  QVariant minimumStepSize() const override {
    if (const NTReg* r = Reg()) return r->Step;
    return 1;
  }

  QStringList actionNames() const override {
    if (Key()) return {toggleAction()};
    return {increaseAction(), decreaseAction()};
  }
  void doAction(const QString& name) override {
    if (!isValid()) return;
    if (name == toggleAction() || name == pressAction()) PressKey(*w_, ControlKey::Toggle);
    // A key set's keys run downwards: the next key is the one below.
    const bool keyset = Keyset() != nullptr;
    if (name == increaseAction()) PressKey(*w_, keyset ? ControlKey::StepDown : ControlKey::StepUp);
    if (name == decreaseAction()) PressKey(*w_, keyset ? ControlKey::StepUp : ControlKey::StepDown);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  Rect Area() const override { return FocusArea(*w_); }
  NTReg* Reg() const { return isValid() ? dynamic_cast<NTReg*>(w_) : nullptr; }
  NTKey* Key() const { return isValid() ? dynamic_cast<NTKey*>(w_) : nullptr; }
  NTKeyset* Keyset() const { return isValid() ? dynamic_cast<NTKeyset*>(w_) : nullptr; }
};

// A device's panel: a group of its controls.
class TAccessiblePanel : public TAccessibleWindow {
 public:
  using TAccessibleWindow::TAccessibleWindow;

  QAccessibleInterface* parent() const override { return Root(); }
  int childCount() const override { return int(Controls().size()); }
  QAccessibleInterface* child(int index) const override {
    const std::vector<NTWin*> controls = Controls();
    if (index < 0 || size_t(index) >= controls.size() || !Root()) return nullptr;
    return Root()->InterfaceOf(controls[size_t(index)]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const std::vector<NTWin*> controls = Controls();
    for (size_t i = 0; i < controls.size(); ++i)
      if (Root() && Root()->InterfaceOf(controls[i]) == child) return int(i);
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    if (!isValid()) return nullptr;
    const QPoint p = canvas_->mapFromGlobal(QPoint(x, y));
    for (NTWin* c : Controls())
      if (FocusArea(*c).Contains({p.x(), p.y()})) return Root()->InterfaceOf(c);
    return nullptr;
  }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name && isValid() ? Q(PanelName(*w_)) : QString();
  }
  QAccessible::Role role() const override { return QAccessible::Grouping; }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.invalid = !isValid();
    return s;
  }

 private:
  std::vector<NTWin*> Controls() const {
    if (!isValid()) return {};
    std::vector<NTWin*> controls = FocusableControls(w_);
    std::erase(controls, w_);
    return controls;
  }
};

QAccessibleInterface* CanvasFactory(const QString&, QObject* object) {
  auto* canvas = qobject_cast<TCanvasWidget*>(object);
  return canvas ? new TAccessibleCanvas(canvas) : nullptr;
}

TAccessibleCanvas* CanvasInterface(QWidget& canvas) {
  return dynamic_cast<TAccessibleCanvas*>(QAccessible::queryAccessibleInterface(&canvas));
}
}  // namespace

TAccessibleCanvas::TAccessibleCanvas(TCanvasWidget* canvas)
    : QAccessibleWidget(canvas, QAccessible::Client) {}

TAccessibleCanvas::~TAccessibleCanvas() {
  for (const auto& [w, entry] : known_) QAccessible::deleteAccessibleInterface(entry.id);
}

TCanvasWidget* TAccessibleCanvas::Canvas() const {
  return static_cast<TCanvasWidget*>(widget());
}

QString TAccessibleCanvas::text(QAccessible::Text t) const {
  if (t == QAccessible::Name) return QStringLiteral("Patch");
  return QAccessibleWidget::text(t);
}

void TAccessibleCanvas::Sync() const {
  NTWin* root = Canvas()->Client().Root();
  std::erase_if(known_, [root](const auto& entry) {
    const auto& [w, e] = entry;
    if (InTree(root, w) && typeid(*w) == *e.type) return false;
    QAccessible::deleteAccessibleInterface(e.id);
    return true;
  });
}

QAccessibleInterface* TAccessibleCanvas::InterfaceOf(NTWin* w) const {
  Sync();
  if (!w || !InTree(Canvas()->Client().Root(), w)) return nullptr;
  if (const auto it = known_.find(w); it != known_.end())
    return QAccessible::accessibleInterface(it->second.id);
  auto* self = const_cast<TAccessibleCanvas*>(this);
  QAccessibleInterface* made;
  if (w->Parent == Canvas()->Client().Root())
    made = new TAccessiblePanel(self, w);
  else if (Focusable(w))
    made = new TAccessibleControl(self, w);
  else
    return nullptr;
  known_[w] = {QAccessible::registerAccessibleInterface(made), &typeid(*w)};
  return made;
}

int TAccessibleCanvas::childCount() const {
  int n = 0;
  for (NTWin* d = Canvas()->Client().Root()->FirstChild; d; d = d->Next) ++n;
  return n;
}

QAccessibleInterface* TAccessibleCanvas::child(int index) const {
  NTWin* d = Canvas()->Client().Root()->FirstChild;
  for (int i = 0; d && i < index; ++i) d = d->Next;
  return index >= 0 ? InterfaceOf(d) : nullptr;
}

int TAccessibleCanvas::indexOfChild(const QAccessibleInterface* child) const {
  int i = 0;
  for (NTWin* d = Canvas()->Client().Root()->FirstChild; d; d = d->Next, ++i)
    if (InterfaceOf(d) == child) return i;
  return -1;
}

QAccessibleInterface* TAccessibleCanvas::childAt(int x, int y) const {
  const QPoint p = Canvas()->mapFromGlobal(QPoint(x, y));
  NTWin* top = nullptr;
  for (NTWin* d = Canvas()->Client().Root()->FirstChild; d; d = d->Next)
    if (d->Contains({p.x(), p.y()})) top = d;
  return InterfaceOf(top);
}

void InstallAccessibleCanvas() {
  static const bool installed = [] {
    QAccessible::installFactory(CanvasFactory);
    return true;
  }();
  (void)installed;
}

void AnnounceFocus(QWidget& canvas, NTWin& control) {
  if (!QAccessible::isActive()) return;
  TAccessibleCanvas* root = CanvasInterface(canvas);
  if (QAccessibleInterface* iface = root ? root->InterfaceOf(&control) : nullptr) {
    QAccessibleEvent event(iface, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
  }
}

void AnnounceValue(QWidget& canvas, NTWin& control) {
  if (!QAccessible::isActive()) return;
  TAccessibleCanvas* root = CanvasInterface(canvas);
  QAccessibleInterface* iface = root ? root->InterfaceOf(&control) : nullptr;
  if (QAccessibleValueInterface* value = iface ? iface->valueInterface() : nullptr) {
    QAccessibleValueChangeEvent event(iface, value->currentValue());
    QAccessible::updateAccessibility(&event);
  }
}
