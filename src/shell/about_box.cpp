#include "shell/about_box.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

namespace {
struct AboutText {
  QRect units;
  Qt::Alignment align;
  const char* text;
};
// Positions in dialog units, top to bottom.
const AboutText kTexts[] = {
    {{12, 6, 176, 10}, Qt::AlignHCenter, "Quarvin V1.01"},
    {{6, 24, 187, 10}, Qt::AlignHCenter, "Freie Software: GNU GPL, Version 3 oder später"},
    {{6, 38, 187, 26},
     Qt::AlignLeft,
     "Sie dürfen das Programm benutzen, verändern und weitergeben, auch gegen Entgelt, nach "
     "den Bedingungen der GPL (Datei LICENSE)."},
    {{6, 66, 187, 26},
     Qt::AlignLeft,
     "Das Programm wird ohne jede Gewährleistung geliefert; für Schäden aus seinem Gebrauch "
     "wird nicht gehaftet."},
};
const QRect kDialogUnits(0, 0, 198, 152);
const QRect kButtonUnits(62, 126, 76, 20);

// The average width of the Latin letters, as dialog base units are measured.
int AverageCharWidth(const QFontMetrics& fm) {
  const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return (fm.horizontalAdvance(alphabet) + 26) / 52;
}
}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Über Quarvin..."));
  setModal(true);
  setFixedSize(ToPixels(kDialogUnits).size());
  for (const AboutText& t : kTexts) AddText(QString::fromUtf8(t.text), t.units, t.align);

  auto* ok = new QPushButton(QStringLiteral("Geht in Ordnung!"), this);
  ok->setGeometry(ToPixels(kButtonUnits));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QRect TAboutBox::ToPixels(const QRect& units) const {
  const QFontMetrics fm(font());
  const int cx = AverageCharWidth(fm), cy = fm.height();
  return {units.x() * cx / 4, units.y() * cy / 8, units.width() * cx / 4, units.height() * cy / 8};
}

void TAboutBox::AddText(const QString& text, QRect units, Qt::Alignment align) {
  auto* label = new QLabel(text, this);
  label->setGeometry(ToPixels(units));
  label->setAlignment(align | Qt::AlignTop);
  label->setWordWrap(true);
}
