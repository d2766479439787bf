#pragma once
#include <QByteArray>
#include <QIcon>
#include <QImage>

// The program icon, one picture on a 32-unit grid: a small grey panel with a title strip, a white
// jack in a dark ring and a black wire hanging from it.

// The sizes the desktop's icon theme gets as pictures.
inline constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The picture at size x size pixels. The panel's rectangles fall on whole pixels at every size,
// so that small sizes stay sharp; the jack and the wire are smoothed.
QImage IconImage(int size);
// The same picture as a scalable SVG document.
QByteArray IconSvg();
// The window icon, with every picture size.
QIcon ProgramIcon();
