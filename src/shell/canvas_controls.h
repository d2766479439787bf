#pragma once
#include <QPointer>

#include "app/main_client.h"
#include "shell/value_entry.h"
#include "toolkit/control_input.h"

class QKeyEvent;
class QPainter;
class QWheelEvent;

// The canvas's controls at the keyboard and the wheel: the focused control with its mark, the
// keys that step it, the wheel over a value slider, the entry for a typed value over a read-out,
// Ctrl+click to reset, and holding a step arrow. Every change goes the way a mouse change goes.
class TCanvasControls {
 public:
  TCanvasControls(QWidget& canvas, TMainClient& client);

  // The focused control, or null (none yet, or its panel was deleted).
  NTWin* Focus() const;
  void SetFocus(NTWin* control);
  // Tab / Shift+Tab: the next or previous control, going round. False when there is none.
  bool Tab(bool forward);
  // A key for the focused control (arrows, Page Up/Down, Home/End, Space, Enter); false when it
  // was not one of them or nothing is focused.
  bool Key(const QKeyEvent& event);
  // False when no control under the pointer takes the wheel (Ctrl+wheel is never taken).
  bool Wheel(QWheelEvent& event);
  // A double click on a read-out opens its entry; false elsewhere.
  bool DoubleClick(Point pt);
  // Ctrl+click on a value slider or its read-out; false elsewhere.
  bool ResetAt(Point pt);
  // The refresh timer's tick: a held step arrow repeats, and a wheel burst ends after a pause.
  void Tick();
  // A press of a button or a key ends the wheel's burst, so that it stays a step of its own.
  void EndWheelBurst();
  // Draws the focus mark over the canvas's pixels while the canvas has the keyboard focus.
  void PaintFocus(QPainter& painter) const;
  // Opens the entry over a value slider's read-out, filled with the shown value.
  void OpenEntry(NTReg& reg);
  bool EntryOpen() const { return entry_ && entry_->isVisible(); }

 private:
  void CloseEntry();
  void Confirm();
  void UpdateMark(NTWin* control) const;
  // Tells a screen reader what a change made of the control.
  void Announce(NTWin& control) const;

  QWidget& canvas_;
  TMainClient& client_;
  NTWin* focus_ = nullptr;
  NTReg* editing_ = nullptr;
  QPointer<TValueEntry> entry_;
  TStepRepeat repeat_;
  int wheelRest_ = 0;  // eighths of a degree short of a notch (fine-grained wheels)
  // The slider a burst of wheel notches turns: the burst is one undo step.
  const NTReg* wheelReg_ = nullptr;
  TStepRepeat::Clock::time_point wheelLast_{};
};
