#include "shell/main_frame.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QScreen>

#include "app/commands.h"
#include "shell/about_box.h"
#include "shell/icon_art.h"

TMainFrame::TMainFrame(std::unique_ptr<TCanvasWidget> canvas) : canvas_(canvas.release()) {
  setCentralWidget(canvas_);
  // The canvas has no natural size; a new main window takes a good part of the desktop.
  resize(screen()->availableSize() * 3 / 4);
  setWindowIcon(ProgramIcon());
  BuildMenuBar();
  connect(canvas_, &TCanvasWidget::MenuChecked, this, &TMainFrame::SetChecked);
}

// However the window goes, the audio thread stops before the canvas and its devices die.
TMainFrame::~TMainFrame() {
  AskCanvasToClose();
}

bool TMainFrame::Setup() {
  if (!canvas_->Client().Setup()) return false;
  canvas_->Client().UpdateTitle();
  canvas_->Client().SetMenuMarks();
  return true;
}

// Unsaved changes are asked about first; "Abbrechen" (or a save that did not happen) keeps the
// window open.
void TMainFrame::closeEvent(QCloseEvent* event) {
  if (!closed_ && !canvas_->Client().MayDiscardChanges()) {
    event->ignore();
    return;
  }
  AskCanvasToClose();
  event->accept();
}

// Level 0 opens a menu of the bar, level 1 a submenu of the last menu, level 2 is an entry of
// whichever of them came last; a line without caption is a separator.
void TMainFrame::BuildMenuBar() {
  QMenu* top = nullptr;
  QMenu* current = nullptr;
  for (const MenuLine& line : MenuBar()) {
    const QString caption = QString::fromUtf8(line.caption ? line.caption : "");
    if (line.level == 0) {
      top = current = menuBar()->addMenu(caption);
    } else if (line.level == 1 && top) {
      current = top->addMenu(caption);
    } else if (current && !line.caption) {
      current->addSeparator();
    } else if (current) {
      QAction* action = current->addAction(caption);
      const int id = line.id;
      action->setData(id);
      if (line.shortcut) action->setShortcut(QKeySequence(QString::fromUtf8(line.shortcut)));
      connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
      actions_.insert(id, action);
    }
  }
}

void TMainFrame::OnCommand(int id) {
  if (id == cmd::kExit) {
    close();
  } else if (id == cmd::kAbout) {
    TAboutBox(this).exec();
  } else {
    canvas_->Client().Command(id);
  }
}

// Qt flips a checkable action by itself when it is chosen; the canvas sets the marks right after
// every option command, so its word is the one that stays.
void TMainFrame::SetChecked(int id, bool checked) {
  if (QAction* action = Action(id)) {
    action->setCheckable(true);
    action->setChecked(checked);
  }
}

void TMainFrame::AskCanvasToClose() {
  if (closed_) return;
  closed_ = true;
  canvas_->Client().CloseQuery();
}
