#pragma once
#include <QMenu>

#include "shell/recent_files.h"

// "Datei → Zuletzt geöffnet": the recent files, numbered, filled each time the menu opens. Files
// that have gone are taken off the list then (or when chosen), without an error box.
class TRecentMenu : public QMenu {
  Q_OBJECT
 public:
  TRecentMenu(const QString& title, QWidget* parent);

  void Add(const QString& path) { files_.Add(path); }

 signals:
  // An existing file was chosen.
  void Chosen(const QString& path);
  // Files that no longer exist left the list: their names.
  void Dropped(const QStringList& names);

 private:
  void Fill();
  void Choose(const QString& path);
  void DropMissing();

  TRecentFiles files_;
};
