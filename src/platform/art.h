#pragma once
#include "platform/surface.h"

// The program's own bitmaps, drawn in code, by resource number (1..39). A number without a
// bitmap yields an empty surface.
Surface MakeBitmap(int resource);

// Resource numbers.
namespace bmp {
constexpr int kJackMask = 1, kJackBlue = 2, kJackRed = 3, kJackWhite = 4;
constexpr int kArrowUp = 10, kArrowDown = 11, kKnob = 12, kTrack = 13;
constexpr int kKeyGnd = 14, kKeyOn = 15, kKeysChannel = 16, kKeysSlope = 17;
constexpr int kIoArrowMask = 22, kIoArrow = 23, kDisplayField = 24, kDisplayFont = 25;
constexpr int kCrossMask = 31, kCross = 32, kVuBar = 34, kScopeScreen = 35, kScopeGraticule = 36;
constexpr int kKeysLfoWave = 37, kKeysVcoWave = 38, kKeysFilter = 39;
constexpr int kCount = 51;  // the cache's table size
}  // namespace bmp
