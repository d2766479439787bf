#pragma once
#include <QMainWindow>
#include <QMap>
#include <memory>

#include "shell/canvas_widget.h"
#include "shell/recent_menu.h"

class QAction;
class THelpWindow;
class TSoundControl;

// The main window: the menu bar, the caption and the icon around the canvas. Every menu command
// goes to the canvas except the exit command and the About box.
class TMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMainFrame(std::unique_ptr<TCanvasWidget> canvas);
  ~TMainFrame() override;

  // The canvas setup, then the title and the check marks. False when the sound could not be
  // started (the error box has said why); the window works without it.
  bool Setup();

  TCanvasWidget& Canvas() { return *canvas_; }
  // The sound card the "Soundkarte..." dialog works on (none: the entry does nothing).
  void SetSoundControl(TSoundControl* sound) { sound_ = sound; }

  // The menu action of a command id, or null.
  QAction* Action(int id) const { return actions_.value(id); }
  // "Datei → Zuletzt geöffnet", filled each time it opens; and the guide's window once shown.
  TRecentMenu* RecentMenu() const { return recentMenu_; }
  THelpWindow* Guide() const { return guide_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenuBar();
  void OnCommand(int id);
  void SetChecked(int id, bool checked);
  void AskCanvasToClose();
  void ShowGuide();
  QString PanelUnderPointer();
  void OpenRecent(const QString& path);
  void NoteDropped(const QStringList& names);

  TCanvasWidget* canvas_;  // owned by the window as its central widget
  QMap<int, QAction*> actions_;
  TRecentMenu* recentMenu_ = nullptr;  // owned by the window
  THelpWindow* guide_ = nullptr;       // owned by the window as a child
  bool closed_ = false;
  TSoundControl* sound_ = nullptr;
};
