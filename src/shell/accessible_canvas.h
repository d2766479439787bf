#pragma once
#include <QAccessibleWidget>
#include <map>
#include <typeinfo>

class NTWin;
class QWidget;
class TCanvasWidget;

// The canvas as screen readers see it (AT-SPI through Qt's accessibility): its panels as groups
// ("VCO 2"), their controls as sliders, check boxes and spin boxes with a name ("VCO 2 – Freq"),
// a value with its unit ("440,0 Hz") and a value that can be set, each change the way a mouse
// change goes. The panels' windows are no Qt objects, so the canvas keeps their interfaces and
// drops those of windows that left the tree.
class TAccessibleCanvas : public QAccessibleWidget {
 public:
  explicit TAccessibleCanvas(TCanvasWidget* canvas);
  ~TAccessibleCanvas() override;

  QString text(QAccessible::Text t) const override;
  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;

  // The interface of a panel or a control of this canvas.
  QAccessibleInterface* InterfaceOf(NTWin* w) const;
  TCanvasWidget* Canvas() const;

 private:
  struct Entry {
    QAccessible::Id id;
    const std::type_info* type;
  };
  // Drops the interfaces of windows no longer in the tree.
  void Sync() const;
  mutable std::map<NTWin*, Entry> known_;
};

// Makes Qt build a TAccessibleCanvas for every canvas widget.
void InstallAccessibleCanvas();
// Tell a screen reader that the keyboard focus went to a control, or that its value changed.
void AnnounceFocus(QWidget& canvas, NTWin& control);
void AnnounceValue(QWidget& canvas, NTWin& control);
