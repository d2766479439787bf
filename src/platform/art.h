#pragma once
#include "platform/surface.h"

// The program's own bitmaps, drawn in code, by resource number (1..39). A number without a
// bitmap yields an empty surface.
Surface MakeBitmap(int resource);

// Resource numbers.
namespace bmp {
constexpr int JackMask = 1, JackBlue = 2, JackRed = 3, JackWhite = 4;
constexpr int ArrowUp = 10, ArrowDown = 11, Knob = 12, Track = 13;
constexpr int KeyGnd = 14, KeyOn = 15, KeysChannel = 16, KeysSlope = 17;
constexpr int IoArrowMask = 22, IoArrow = 23, DisplayField = 24, DisplayFont = 25;
constexpr int CrossMask = 31, Cross = 32, VuBar = 34, ScopeScreen = 35, ScopeGraticule = 36;
constexpr int KeysLfoWave = 37, KeysVcoWave = 38, KeysFilter = 39;
constexpr int Count = 51;  // the cache's table size
}  // namespace bmp
