// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the program icon for the desktop's icon theme: FOLDER/hicolor/<n>x<n>/apps/quarvin.png
// for every picture size and FOLDER/hicolor/scalable/apps/quarvin.svg, all from the art the
// program's window shows.
#include <QDir>
#include <QFile>
#include <cstdio>

#include "shell/icon_art.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("Aufruf: quarvin-make-icons ORDNER\n", stderr);
    return 1;
  }
  const QDir root(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor"));
  auto folder = [&root](const QString& name) {
    const QString path = root.filePath(name + QStringLiteral("/apps"));
    return QDir().mkpath(path) ? path + QStringLiteral("/quarvin") : QString();
  };
  bool ok = true;
  for (const int size : kIconSizes)
    ok = IconImage(size).save(folder(QStringLiteral("%1x%1").arg(size)) + ".png") && ok;
  QFile svg(folder(QStringLiteral("scalable")) + ".svg");
  ok = svg.open(QIODevice::WriteOnly) && svg.write(IconSvg()) > 0 && ok;
  if (!ok) std::fprintf(stderr, "quarvin-make-icons: %s: nicht alles geschrieben\n", argv[1]);
  return ok ? 0 : 1;
}
