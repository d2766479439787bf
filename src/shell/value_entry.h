#pragma once
#include <QKeyEvent>
#include <QLineEdit>

// The small entry over a read-out: Enter confirms (returnPressed); Escape, or leaving it, cancels.
// Escape belongs to the entry while it is open, not to the window's Escape that drops what the
// pointer carries.
class TValueEntry : public QLineEdit {
  Q_OBJECT
 public:
  using QLineEdit::QLineEdit;

 signals:
  void Cancelled();

 protected:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
      e->accept();
      return true;
    }
    return QLineEdit::event(e);
  }
  // Enter ends here: passed on, it would open the entry again over the focused control.
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Escape) {
      emit Cancelled();
      return;
    }
    QLineEdit::keyPressEvent(e);
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) e->accept();
  }
  void focusOutEvent(QFocusEvent* e) override {
    QLineEdit::focusOutEvent(e);
    emit Cancelled();
  }
};
