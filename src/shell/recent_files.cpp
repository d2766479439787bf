#include "shell/recent_files.h"

#include <QFileInfo>
#include <QSettings>

namespace {
// ~/.config/quarvin/quarvin.conf, or under $XDG_CONFIG_HOME.
const QString kFolder = QStringLiteral("quarvin"), kFile = QStringLiteral("quarvin");
const QString kKey = QStringLiteral("recent/files");
}  // namespace

QStringList TRecentFiles::Paths() const {
  return QSettings(kFolder, kFile).value(kKey).toStringList();
}

void TRecentFiles::Add(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList paths = Paths();
  paths.removeAll(absolute);
  paths.prepend(absolute);
  Store(paths.mid(0, kMax));
}

QStringList TRecentFiles::DropMissing() {
  QStringList kept, dropped;
  for (const QString& path : Paths()) (QFileInfo::exists(path) ? kept : dropped).append(path);
  if (!dropped.isEmpty()) Store(kept);
  return dropped;
}

void TRecentFiles::Store(const QStringList& paths) {
  QSettings(kFolder, kFile).setValue(kKey, paths);
}
