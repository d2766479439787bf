#pragma once
#include "platform/surface.h"

// The makers behind MakeBitmap, one family of bitmaps per file.
namespace art {

Surface MakeJackMask();
Surface MakeJack(Color ring);
Surface MakeIoArrowMask();
Surface MakeIoArrow();
Surface MakeCrossMask();
Surface MakeCross();
Surface MakeDisplayField();

Surface MakeArrowButton(bool up);
Surface MakeKnob();
Surface MakeTrack();

Surface MakeKeysGnd();
Surface MakeKeysOn();
Surface MakeKeysChannel();
Surface MakeKeysSlope();
Surface MakeKeysLfoWave();
Surface MakeKeysVcoWave();
Surface MakeKeysFilter();

Surface MakeDisplayFont();
Surface MakeVuBar();
Surface MakeScopeScreen();
Surface MakeScopeGraticule();

}  // namespace art
