#pragma once
#include <QDialog>

// The About box: modal, laid out in dialog units of its font (4 units per average character
// width, 8 per character height).
class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent);

  // Converts a rectangle in dialog units to pixels at this dialog's font.
  QRect ToPixels(const QRect& units) const;

 private:
  void AddText(const QString& text, QRect units, Qt::Alignment align);
};
