#pragma once
#include <QMainWindow>
#include <QMap>
#include <memory>

#include "shell/canvas_widget.h"

class QAction;

// The main window: the menu bar, the caption and the icon around the canvas. Every menu command
// goes to the canvas except the exit command and the About box.
class TMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMainFrame(std::unique_ptr<TCanvasWidget> canvas);
  ~TMainFrame() override;

  // The canvas setup, then the title and the check marks. False when the program must end.
  bool Setup();

  TCanvasWidget& Canvas() { return *canvas_; }
  // The menu action of a command id, or null.
  QAction* Action(int id) const { return actions_.value(id); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenuBar();
  void OnCommand(int id);
  void SetChecked(int id, bool checked);
  void AskCanvasToClose();

  TCanvasWidget* canvas_;  // owned by the window as its central widget
  QMap<int, QAction*> actions_;
  bool closed_ = false;
};
