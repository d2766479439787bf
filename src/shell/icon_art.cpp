#include "shell/icon_art.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kGrid = 32;

struct Box {
  double x, y, w, h;
  QRgb color;
};
// The panel with its light upper-left and dark lower-right edges, and the title strip.
constexpr Box kBoxes[] = {
    {3, 3, 22, 26, 0xc0c0c0},     {3, 3, 22, 1.5, 0xffffff},    {3, 3, 1.5, 26, 0xffffff},
    {3, 27.5, 22, 1.5, 0x404040}, {23.5, 3, 1.5, 26, 0x404040}, {5, 5, 18, 5, 0x000080},
};

struct Disc {
  double cx, cy, r;
  QRgb color;
};
// The jack: a dark ring around a white hole.
constexpr Disc kDiscs[] = {{14, 19, 6, 0x202020}, {14, 19, 2.5, 0xffffff}};

// The wire: a cubic curve from the jack, sagging out to the right edge.
constexpr QPointF kWire[] = {{14, 19}, {20, 31}, {27, 30}, {30, 14}};
constexpr double kWireWidth = 2;

// An edge in pixels: whole, and a box at least one pixel wide.
QRect Snapped(const Box& b, double scale) {
  const int x0 = int(std::lround(b.x * scale)), y0 = int(std::lround(b.y * scale));
  const int x1 = std::max(x0 + 1, int(std::lround((b.x + b.w) * scale)));
  const int y1 = std::max(y0 + 1, int(std::lround((b.y + b.h) * scale)));
  return {x0, y0, x1 - x0, y1 - y0};
}

QString Colour(QRgb c) {
  return QStringLiteral("#%1").arg(c & 0xffffff, 6, 16, QLatin1Char('0'));
}
}  // namespace

QImage IconImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  const double scale = size / kGrid;
  for (const Box& b : kBoxes) p.fillRect(Snapped(b, scale), QColor(b.color));

  p.setRenderHint(QPainter::Antialiasing);
  p.scale(scale, scale);
  p.setPen(Qt::NoPen);
  for (const Disc& d : kDiscs) {
    p.setBrush(QColor(d.color));
    p.drawEllipse(QPointF(d.cx, d.cy), d.r, d.r);
  }
  QPainterPath wire(kWire[0]);
  wire.cubicTo(kWire[1], kWire[2], kWire[3]);
  p.setBrush(Qt::NoBrush);
  // Never thinner than a pixel.
  p.setPen(QPen(Qt::black, std::max(kWireWidth, 1 / scale), Qt::SolidLine, Qt::RoundCap));
  p.drawPath(wire);
  return image;
}

QByteArray IconSvg() {
  QString svg = QStringLiteral(
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                    "viewBox=\"0 0 %1 %1\">\n")
                    .arg(kGrid);
  for (const Box& b : kBoxes)
    svg += QStringLiteral(
               "  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\" "
               "shape-rendering=\"crispEdges\"/>\n")
               .arg(b.x)
               .arg(b.y)
               .arg(b.w)
               .arg(b.h)
               .arg(Colour(b.color));
  for (const Disc& d : kDiscs)
    svg += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"/>\n")
               .arg(d.cx)
               .arg(d.cy)
               .arg(d.r)
               .arg(Colour(d.color));
  svg += QStringLiteral(
             "  <path d=\"M%1 %2C%3 %4 %5 %6 %7 %8\" fill=\"none\" stroke=\"#000000\" "
             "stroke-width=\"%9\" stroke-linecap=\"round\"/>\n</svg>\n")
             .arg(kWire[0].x())
             .arg(kWire[0].y())
             .arg(kWire[1].x())
             .arg(kWire[1].y())
             .arg(kWire[2].x())
             .arg(kWire[2].y())
             .arg(kWire[3].x())
             .arg(kWire[3].y())
             .arg(kWireWidth);
  return svg.toUtf8();
}

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : kIconSizes) icon.addPixmap(QPixmap::fromImage(IconImage(size)));
  return icon;
}
