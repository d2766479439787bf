#include "shell/main_frame.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>

#include "app/commands.h"
#include "devices/registry.h"
#include "platform/audio/sound_card.h"
#include "shell/about_box.h"
#include "shell/help_window.h"
#include "shell/icon_art.h"
#include "shell/sound_dialog.h"

TMainFrame::TMainFrame(std::unique_ptr<TCanvasWidget> canvas) : canvas_(canvas.release()) {
  setCentralWidget(canvas_);
  // The canvas has no natural size; a new main window takes a good part of the desktop.
  resize(screen()->availableSize() * 3 / 4);
  setWindowIcon(ProgramIcon());
  BuildMenuBar();
  connect(canvas_, &TCanvasWidget::MenuChecked, this, &TMainFrame::SetChecked);
  connect(canvas_, &TCanvasWidget::FileUsed, recentMenu_, &TRecentMenu::Add);
  connect(canvas_, &TCanvasWidget::MenuCaptioned, this, [this](int id, const QString& caption) {
    if (QAction* action = Action(id)) action->setText(caption);
  });
  connect(canvas_, &TCanvasWidget::MenuEnabled, this, [this](int id, bool enabled) {
    if (QAction* action = Action(id)) action->setEnabled(enabled);
  });
}

// However the window goes, the audio thread stops before the canvas and its devices die.
TMainFrame::~TMainFrame() {
  AskCanvasToClose();
}

bool TMainFrame::Setup() {
  const bool sound = canvas_->Client().Setup();
  canvas_->Client().UpdateTitle();
  canvas_->Client().SetMenuMarks();
  return sound;
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
    } else if (current && line.id == cmd::kRecentFiles) {
      recentMenu_ = new TRecentMenu(caption, this);
      current->addMenu(recentMenu_);
      connect(recentMenu_, &TRecentMenu::Chosen, this, &TMainFrame::OpenRecent);
      connect(recentMenu_, &TRecentMenu::Dropped, this, &TMainFrame::NoteDropped);
    } else if (current && !line.caption) {
      current->addSeparator();
    } else if (current) {
      QAction* action = current->addAction(caption);
      const int id = line.id;
      action->setData(id);
      QList<QKeySequence> keys;
      for (const char* key : {line.shortcut, line.otherShortcut})
        if (key) keys.append(QKeySequence(QString::fromUtf8(key)));
      action->setShortcuts(keys);
      connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
      actions_.insert(id, action);
    }
  }
}

void TMainFrame::OnCommand(int id) {
  if (id == cmd::kExit) {
    close();
  } else if (id == cmd::kAbout || id == cmd::kAboutQuarvin) {
    TAboutBox(this).exec();
  } else if (id == cmd::kGuide) {
    ShowGuide();
  } else if (id == cmd::kSoundCard) {
    if (sound_) TSoundDialog(this, *sound_, ListSoundCards()).exec();
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

// Opened at the section of the panel under the pointer, if there is one; otherwise where it was.
void TMainFrame::ShowGuide() {
  if (!guide_) {
    const QString path = THelpWindow::GuidePath();
    if (path.isEmpty()) {
      canvas_->ErrorBox("Die Anleitung ist nicht installiert.");
      return;
    }
    guide_ = new THelpWindow(path, this);
  }
  const QString panel = PanelUnderPointer();
  guide_->show();
  guide_->raise();
  guide_->activateWindow();
  if (!panel.isEmpty()) guide_->ShowPanelSection(panel);
}

// The registry name of the topmost panel under the pointer, or empty.
QString TMainFrame::PanelUnderPointer() {
  const QPoint p = canvas_->mapFromGlobal(QCursor::pos());
  if (!canvas_->rect().contains(p)) return {};
  const std::vector<NTDevWin*> devices = canvas_->Client().Devices();
  for (auto d = devices.rbegin(); d != devices.rend(); ++d) {
    if (!(*d)->Contains({p.x(), p.y()})) continue;
    const TDeviceEntry* entry = FindDevice((*d)->Type);
    return entry ? QString::fromUtf8(entry->name) : QString();
  }
  return {};
}

void TMainFrame::OpenRecent(const QString& path) {
  if (canvas_->Client().MayDiscardChanges()) canvas_->Client().Load(path.toStdString());
}

// The frame has no status bar of its own; one shows up only while the note is on.
void TMainFrame::NoteDropped(const QStringList& names) {
  if (!findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly)) {
    QStatusBar* bar = statusBar();
    connect(bar, &QStatusBar::messageChanged, bar,
            [bar](const QString& message) { bar->setVisible(!message.isEmpty()); });
  }
  statusBar()->showMessage(
      QStringLiteral("Nicht mehr vorhanden, aus der Liste genommen: %1").arg(names.join(u", ")),
      10000);
  statusBar()->show();
}
