#include "platform/art.h"

#include "platform/art_parts.h"

Surface MakeBitmap(int resource) {
  using namespace art;
  switch (resource) {
    case bmp::kJackMask:
      return MakeJackMask();
    case bmp::kJackBlue:
      return MakeJack(Rgb(48, 88, 224));
    case bmp::kJackRed:
      return MakeJack(Rgb(224, 40, 32));
    case bmp::kJackWhite:
      return MakeJack(Rgb(236, 236, 236));
    case bmp::kArrowUp:
      return MakeArrowButton(true);
    case bmp::kArrowDown:
      return MakeArrowButton(false);
    case bmp::kKnob:
      return MakeKnob();
    case bmp::kTrack:
      return MakeTrack();
    case bmp::kKeyGnd:
      return MakeKeysGnd();
    case bmp::kKeyOn:
      return MakeKeysOn();
    case bmp::kKeysChannel:
      return MakeKeysChannel();
    case bmp::kKeysSlope:
      return MakeKeysSlope();
    case bmp::kIoArrowMask:
      return MakeIoArrowMask();
    case bmp::kIoArrow:
      return MakeIoArrow();
    case bmp::kDisplayField:
      return MakeDisplayField();
    case bmp::kDisplayFont:
      return MakeDisplayFont();
    case bmp::kCrossMask:
      return MakeCrossMask();
    case bmp::kCross:
      return MakeCross();
    case bmp::kVuBar:
      return MakeVuBar();
    case bmp::kScopeScreen:
      return MakeScopeScreen();
    case bmp::kScopeGraticule:
      return MakeScopeGraticule();
    case bmp::kKeysLfoWave:
      return MakeKeysLfoWave();
    case bmp::kKeysVcoWave:
      return MakeKeysVcoWave();
    case bmp::kKeysFilter:
      return MakeKeysFilter();
    default:
      return {};
  }
}
