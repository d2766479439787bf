#pragma once
#include <QStringList>

// The patches opened or saved last, newest first, at most kMax, kept in Qt's settings in the
// user's config folder (window thread).
class TRecentFiles {
 public:
  static constexpr int kMax = 8;

  QStringList Paths() const;
  // Puts path first; an older entry of the same file goes.
  void Add(const QString& path);
  // Takes the files that no longer exist off the list and returns them.
  QStringList DropMissing();

 private:
  void Store(const QStringList& paths);
};
