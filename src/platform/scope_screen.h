#pragma once
#include <array>

#include "platform/surface.h"

// The oscilloscope's screen as its two bitmaps draw it and as the scope paints traces and markers
// onto it: the facts both sides must agree on.
namespace scope {

// Both bitmaps are kScreenW wide; the graticule bitmap has kMarkerRows more rows below the
// screen, where channel k's markers lie from x = kMarkerDx * k.
constexpr int kScreenW = 321, kScreenH = 261;
constexpr int kMarkerRows = 20, kMarkerDx = 26;

// A marker's place within its channel's group of markers, and its size.
struct Marker {
  int dx, w, h;
};
constexpr Marker kLeftArrow{0, 8, 9}, kUpArrow{8, 9, 8}, kDownArrow{17, 9, 8};

// The trace area: its first column and its centre line, in screen pixels.
constexpr int kTraceLeft = 10, kCentreY = 130;

constexpr std::array<Color, 4> kChannelColours{Rgb(0, 255, 0), Rgb(255, 0, 255), Rgb(255, 0, 0),
                                               Rgb(0, 255, 255)};

}  // namespace scope
