#include "shell/icon_art.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
// Drawn on a 32-unit grid and scaled, so both sizes show the same picture.
QPixmap IconImage(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);

  // The panel: grey face with a light upper-left and a dark lower-right edge.
  const QRectF panel(3, 3, 22, 26);
  p.fillRect(panel, QColor(192, 192, 192));
  p.setPen(QPen(Qt::white, 1.5));
  p.drawLine(panel.topLeft(), panel.topRight());
  p.drawLine(panel.topLeft(), panel.bottomLeft());
  p.setPen(QPen(QColor(64, 64, 64), 1.5));
  p.drawLine(panel.bottomLeft(), panel.bottomRight());
  p.drawLine(panel.topRight(), panel.bottomRight());
  // The title strip.
  p.fillRect(QRectF(5, 5, 18, 5), QColor(0, 0, 128));

  // The jack: a dark ring around a white hole.
  const QPointF jack(14, 19);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(32, 32, 32));
  p.drawEllipse(jack, 6, 6);
  p.setBrush(Qt::white);
  p.drawEllipse(jack, 2.5, 2.5);

  // The wire: from the jack, sagging out to the right edge.
  QPainterPath wire(jack);
  wire.cubicTo(QPointF(20, 31), QPointF(27, 30), QPointF(30, 14));
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::black, 2.0, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(wire);
  return pixmap;
}
}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  icon.addPixmap(IconImage(32));
  icon.addPixmap(IconImage(16));
  return icon;
}
