#include "shell/recent_menu.h"

#include <QFileInfo>

TRecentMenu::TRecentMenu(const QString& title, QWidget* parent) : QMenu(title, parent) {
  connect(this, &QMenu::aboutToShow, this, &TRecentMenu::Fill);
}

void TRecentMenu::Fill() {
  DropMissing();
  clear();
  const QStringList paths = files_.Paths();
  for (int i = 0; i < paths.size(); ++i) {
    const QString path = paths[i];
    // A "&" of the path is shown as itself, not as the underlined letter's mark.
    const QString shown = QString(path).replace(u'&', QStringLiteral("&&"));
    QAction* action = addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
    connect(action, &QAction::triggered, this, [this, path] { Choose(path); });
  }
  if (paths.isEmpty()) addAction(QStringLiteral("(keine)"))->setEnabled(false);
}

// A file gone since the menu opened is dropped like the others.
void TRecentMenu::Choose(const QString& path) {
  if (QFileInfo::exists(path))
    emit Chosen(path);
  else
    DropMissing();
}

void TRecentMenu::DropMissing() {
  const QStringList gone = files_.DropMissing();
  if (gone.isEmpty()) return;
  QStringList names;
  for (const QString& path : gone) names << QFileInfo(path).fileName();
  emit Dropped(names);
}
